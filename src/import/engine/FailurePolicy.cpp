#include "import/engine/FailurePolicy.h"

#include <utility>

#include "foundation/CommonGlobals.h"
#include "platform/db/FailureClass.h"

FailurePolicy::FailurePolicy(ImportWatermark& watermark, std::function<void()> failed)
    : watermark_(watermark), failed_(std::move(failed)) {}

void FailurePolicy::Alert(const std::string& text) const { CommonGlobals::ShowAlert(text); }

void FailurePolicy::BeginFacility(std::string where) {
  where_ = std::move(where);
  streaks_.clear();
  pending_.clear();
  proven_.clear();
  refusing_.clear();
}

void FailurePolicy::WroteThrough(const std::string& procedure) {
  proven_.insert(procedure);
  streaks_.erase(procedure);
  const auto it = pending_.find(procedure);
  if (it == pending_.end()) return;
  const std::vector<Pending> refused = std::move(it->second);
  pending_.erase(it);
  for (const Pending& p : refused) p.reject();
}

void FailurePolicy::EndStreak(const std::string& procedure) {
  streaks_.erase(procedure);
  std::vector<Pending>& all = pending_[procedure];
  std::vector<Pending> keep;
  std::vector<Pending> rejected;
  for (Pending& p : all) {
    if (p.inStreak && (p.known || proven_.count(procedure))) {
      rejected.push_back(std::move(p));
    } else {
      p.inStreak = false;
      keep.push_back(std::move(p));
    }
  }
  all = std::move(keep);
  for (const Pending& p : rejected) p.reject();
}

void FailurePolicy::Refused(const CommonFacilityWriter::Failure& f, const std::string& refused, const core::Value& id,
                            std::function<void()> reject) {
  // A data exception is about the value, however many values share it.
  if (f.code.size() == 5 && f.code.compare(0, 2, "22") == 0) return reject();
  if (const auto s = streaks_.find(f.procedure); s != streaks_.end() && s->second.code != f.code)
    EndStreak(f.procedure);
  Streak& streak = streaks_[f.procedure];
  streak.code = f.code;
  streak.refused.insert(refused);
  pending_[f.procedure].push_back(
      Pending{refused, id, f.code, f.message, platform::db::KnownValueCode(f.code), true, std::move(reject)});
  if (streak.refused.size() < kSystemicVariables) return;
  // The same refusal for one variable after another: Krym is broken there, not the data.
  refusing_.insert(f.procedure);
  std::vector<Pending>& all = pending_[f.procedure];
  std::vector<Pending> keep;
  for (Pending& p : all) {
    if (p.inStreak)
      watermark_.HoldBelow(p.id);
    else
      keep.push_back(std::move(p));
  }
  all = std::move(keep);
  streaks_.erase(f.procedure);
  failed_();
  const char* what = f.procedure == CommonFacilityWriter::kLogbookTable ? " notes" : " variables";
  Alert("Vorn Krym of " + where_ + " refused the writes of " + std::to_string(kSystemicVariables) + what +
        " alike in a row through " + f.procedure + " (" + f.code + ": " + f.message +
        "): the fault is Vorn Krym's, not the data's. These and the facility's remaining writes through " +
        f.procedure + " wait for the next run, and the last imported id is held.");
}

void FailurePolicy::Settle() {
  std::vector<std::string> procedures;
  for (const auto& [procedure, refused] : pending_) procedures.push_back(procedure);
  for (const std::string& procedure : procedures) {
    EndStreak(procedure);
    const std::vector<Pending> unproven = std::move(pending_[procedure]);
    pending_.erase(procedure);
    // No write through the procedure proved it works: what it refused may be its own fault.
    std::map<std::string, std::pair<std::size_t, std::string>> byCode;
    for (const Pending& p : unproven) {
      watermark_.HoldBelow(p.id);
      auto& [count, message] = byCode[p.code];
      ++count;
      message = p.message;
    }
    for (const auto& [code, held] : byCode) {
      failed_();
      Alert("Vorn Krym of " + where_ + " refused " + std::to_string(held.first) + " write(s) through " + procedure +
            " (" + code + ": " + held.second +
            ") and took none through it in this run: the fault may be Vorn Krym's, not the data's. They are held: "
            "they wait for the next run, and the last imported id is held below them.");
    }
  }
}

void FailurePolicy::StructureRefuses(const CommonFacilityWriter::Failure& f, const core::Value& id) {
  refusing_.insert(f.procedure);
  watermark_.HoldBelow(id);
  failed_();
  Alert("Vorn Krym of " + where_ + " refuses writes through " + f.procedure + " (" + f.code + ": " + f.message +
        "): an object of Vorn Krym is missing or forbidden. This and the facility's remaining writes through " +
        f.procedure + " wait for the next run, and the last imported id is held.");
}
