#pragma once

#include <initializer_list>
#include <string>

#include "core/Value.h"
#include "platform/db/Command.h"
#include "platform/db/DbTypes.h"

namespace platform::db {
class Connection;
}

// The stored-procedure commands of the value and comment layers: how one is prepared from its
// parameter list, and the readings of its outputs that those layers share. The command keeps
// only a link to the connection; the connection stays its owner's and must stay open while the
// command runs.
class ProcedureCommand {
 public:
  struct Param {
    const char* name;
    platform::db::DataTypeEnum type;
    platform::db::ParameterDirectionEnum direction;
    long size;
  };

  // A command of the stored-procedure type named name on cnn, its parameters created with no
  // value and appended in the order given (the order they are bound in).
  static platform::db::Command Prepare(platform::db::Connection& cnn, const std::string& name,
                                       std::initializer_list<Param> params);

  // A text output as the callers read it: trimmed, "" for Null.
  static std::string TrimmedText(const core::Value& v);
  // A date output, the zero date for Null.
  static core::Date DateOrZero(const core::Value& v);
};
