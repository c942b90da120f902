#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <utility>

#include "core/Date.h"
#include "core/Value.h"
#include "platform/db/Command.h"
#include "platform/db/DbTypes.h"

namespace platform::db {
class Connection;
}

// The stored-procedure commands of the value and comment layers: how one is prepared from its
// parameter list, how a call fills its inputs and runs it, and the readings of its outputs that
// those layers share. The command keeps only a link to the connection; the connection stays its
// owner's and must stay open while the command runs.
class ProcedureCommand {
 public:
  struct Param {
    const char* name;
    platform::db::DataTypeEnum type;
    platform::db::ParameterDirectionEnum direction;
    long size;
  };

  struct Input {
    const char* name;
    core::Value value;
  };

  // The output names of a value seek. dateOut is nullptr for a seek that returns no date.
  struct ValueSeekOutputs {
    const char* varid;
    const char* dateOut;
    const char* value;
    const char* text;
    const char* user;
    const char* stamp;
    const char* status;
    const char* forced;
  };

  // A command of the stored-procedure type named name on cnn, its parameters created with no
  // value and appended in the order given (the order they are bound in).
  static platform::db::Command Prepare(platform::db::Connection& cnn, const std::string& name,
                                       std::initializer_list<Param> params);
  static platform::db::Command Prepare(platform::db::Connection& cnn, const std::string& name,
                                       std::span<const Param> params);

  // A procedure's command, prepared as Prepare does on its first use: a layer names every
  // procedure it offers when it is bound to a connection, while a value's write uses two of
  // them. params must outlive the object (the layers keep them in constant tables).
  class OnDemand {
   public:
    OnDemand() = default;
    OnDemand(platform::db::Connection& cnn, std::string name, std::span<const Param> params)
        : cnn_(&cnn), name_(std::move(name)), params_(params) {}
    platform::db::Command& Get();

   private:
    platform::db::Connection* cnn_ = nullptr;
    std::string name_;
    std::span<const Param> params_;
    platform::db::Command command_;
    bool prepared_ = false;
  };

  // Sets the inputs by name, in the order given, and executes cmd; rows it returns are ignored.
  static void Run(platform::db::Command& cmd, std::initializer_list<Input> inputs);

  // Hands the row found by a value seek that ran on cmd to the caller's variables; false, with
  // nothing changed, when its varid output came back Null (no row). Every output is read before
  // any is handed over, so one that cannot be read (a Null value or date) throws and changes
  // nothing. value as a double, DateOut (when both it and names.dateOut are given) as a date,
  // TEXTVALUE and AUDITUSER trimmed ("" for Null), AUDITTIMESTAMP the zero date for Null, STATUS
  // and FORCED as stored (Null stays Null); the optional outputs only when given.
  static bool TakeValueRow(const platform::db::Command& cmd, const ValueSeekOutputs& names, core::Date* DateOut,
                           double& value, std::string& TEXTVALUE, core::Value* AUDITUSER, core::Value* AUDITTIMESTAMP,
                           core::Value* STATUS, core::Value* FORCED);

  // A date output, the zero date for Null.
  static core::Date DateOrZero(const core::Value& v);
};
