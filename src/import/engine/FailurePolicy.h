#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/Value.h"
#include "import/engine/ImportWatermark.h"
#include "import/writers/CommonFacilityWriter.h"

// What happens to a value (or note) that Krym refused, in one facility's part of a run.
//
// Krym's structure refusing a procedure (Structure) holds the value and every later write
// through that procedure in the facility. A refusal on a standing link (Refused, after the
// immediate second try) is decided by its code:
//  - a data exception (SQLSTATE class 22) is the value's: rejected at once;
//  - any other code waits in its procedure's streak: the same code through the same procedure
//    for values of kSystemicVariables distinct variables (or notes) in a row, with no write
//    through it in between, is Krym's fault: the streak's values and the procedure's remaining
//    writes are held, with one line, and none of them is called rejected;
//  - when the streak ends otherwise (a write through the procedure, another code), a code known
//    to be the value's (platform::db::KnownValueCode: a check, a unique or exclusion violation)
//    is rejected; an unknown code, or none, is rejected only when a write through the same
//    procedure in the facility's run, before or after it, proved that the procedure works.
//    Without that proof it is held when the facility ends (Settle): one line per procedure and
//    code, the id held below it.
// A rejection is reported through the function given with the refusal and lets the last id pass;
// a hold keeps the id below the transaction (ImportWatermark). Settle must run before the
// facility's id is saved.
class FailurePolicy {
 public:
  static constexpr std::size_t kSystemicVariables = 3;

  // failed is called for every hold; the watermark is borrowed.
  FailurePolicy(ImportWatermark& watermark, std::function<void()> failed);

  // A new facility: nothing of the last one is kept. where names it as lines quote it.
  void BeginFacility(std::string where);
  // Whether what goes through the procedure waits (refused by the structure, or systemically).
  bool Refusing(const std::string& procedure) const { return refusing_.count(procedure) > 0; }
  // A write through the procedure got through: it works, and what it refused is rejected.
  void WroteThrough(const std::string& procedure);
  // Krym's structure refused the write f of transaction id.
  void StructureRefuses(const CommonFacilityWriter::Failure& f, const core::Value& id);
  // Krym refused the write f of the variable or note named by refused, of transaction id, on a
  // standing link; reject reports it as rejected, if it comes to that.
  void Refused(const CommonFacilityWriter::Failure& f, const std::string& refused, const core::Value& id,
               std::function<void()> reject);
  // The facility ends: the refusals still open are rejected or held.
  void Settle();

 private:
  struct Pending {
    std::string refused;
    core::Value id;
    std::string code;
    std::string message;
    bool known = false;  // the code is known to be the value's
    bool inStreak = true;
    std::function<void()> reject;
  };
  // The refusals in a row through a procedure since the last write through it: their code and
  // the variables (or notes) refused.
  struct Streak {
    std::string code;
    std::set<std::string> refused;
  };
  void EndStreak(const std::string& procedure);
  void Alert(const std::string& text) const;

  ImportWatermark& watermark_;
  std::function<void()> failed_;
  std::string where_;
  std::map<std::string, Streak> streaks_;
  std::map<std::string, std::vector<Pending>> pending_;  // refusals whose fate is open, by procedure
  std::set<std::string> proven_;                         // procedures that have written
  std::set<std::string> refusing_;                       // procedures whose writes wait
};
