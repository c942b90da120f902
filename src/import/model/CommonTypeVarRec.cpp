#include "import/model/CommonTypeVarRec.h"

#include <cstdlib>
#include <limits>

#include "core/Date.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "import/model/VarTypeFunctions.h"

namespace {

// Whole minutes from the calendar's day 0 to the value; a time of day alone gives its minutes
// after midnight. extra is added before the sign is dropped.
long long MinutesOf(const core::Value& v, long long extra) {
  return std::llabs(core::DateDiff("n", core::Date(), v.ToDate()) + extra);
}

}  // namespace

CommonTypeVarRec::CommonTypeVarRec() = default;

void CommonTypeVarRec::LoadTextListHash(const std::string& what) {
  for (const std::string& piece : core::Split(what, "\t")) {
    const std::string key = core::UCase(core::Trim(piece));
    if (key.empty()) continue;
    // Most variables have no list: the table is made for the first entry only.
    if (!textList_) textList_ = std::make_unique<HashTable>();
    if (textList_->Exists(key)) continue;
    textList_->Add(key, core::Value(std::to_string(textList_->Count() + 1)));
  }
}

std::int16_t CommonTypeVarRec::GetTextListHashIndex(const std::string& what) const {
  const std::string key = core::UCase(core::Trim(what));
  if (key.empty() || !textList_) return 1;
  try {
    if (textList_->Exists(key)) return textList_->item(key).ToInteger();
  } catch (const core::RuntimeError&) {
    // A number that does not read back counts as no match.
  }
  return 1;
}

bool CommonTypeVarRec::IsListedText(const std::string& what) const {
  const std::string key = core::UCase(core::Trim(what));
  return !key.empty() && textList_ && textList_->Exists(key);
}

void CommonTypeVarRec::AddSymbol(const std::string& Symbol, bool AllowNumeric, std::int16_t Rule, double factor) {
  if (symbolCount_ < 0) core::Raise(core::err::kSubscript, "CommonTypeVarRec.AddSymbol");
  if (symbolCount_ == std::numeric_limits<std::int16_t>::max())
    core::Raise(core::err::kOverflow, "CommonTypeVarRec.AddSymbol");
  // The lists end at the new entry, also when SymbolCount was lowered by hand.
  symbols_.resize(static_cast<std::size_t>(symbolCount_) + 1);
  symbols_.back() = {Symbol, AllowNumeric, Rule, factor};
  ++symbolCount_;
}

void CommonTypeVarRec::GetSymbolByIndex(std::int16_t i, std::string& Symbol, bool& AllowNumeric, std::int16_t& Rule,
                                        double& factor) const {
  if (i < 0 || i >= symbolCount_ || static_cast<std::size_t>(i) >= symbols_.size()) return;
  const auto& s = symbols_[static_cast<std::size_t>(i)];
  Symbol = s.text;
  AllowNumeric = s.allowNumeric;
  Rule = s.rule;
  factor = s.factor;
}

void CommonTypeVarRec::DecPlaces(const core::Value& v) {
  try {
    decPlaces_ = v.ToInteger();
  } catch (const core::RuntimeError&) {
    decPlaces_ = 5;
  }
}

void CommonTypeVarRec::FilterValue(const core::Value& v) {
  try {
    filterValue_ = v.ToDouble();
  } catch (const core::RuntimeError&) {
    filterValue_ = 0;
  }
}

void CommonTypeVarRec::FilterOperand(const core::Value& v) { filterOperand_ = core::Trim(v.Text()); }

void CommonTypeVarRec::FilterTag(const core::Value& v) { filterTag_ = core::Trim(v.Text()); }

std::int32_t CommonTypeVarRec::IntervalMinutes() const {
  // Raises the overflow of a Second type, whose slots per day do not fit.
  return core::ToLong(1440.0 / VarTypeFunctions::GetSlotsPerDay(varType_));
}

void CommonTypeVarRec::StartTime(const core::Value& v) {
  try {
    if (!v.IsDate()) {
      startTimeMinutes_ = 0;
      return;
    }
    const std::int32_t length = IntervalMinutes();
    const long long m = MinutesOf(v, 0);
    startTimeMinutes_ = m <= length ? static_cast<std::int32_t>(m) : 0;
  } catch (const core::RuntimeError&) {
    startTimeMinutes_ = 0;
  }
}

void CommonTypeVarRec::StopTime(const core::Value& v) {
  try {
    const std::int32_t length = IntervalMinutes();
    if (!v.IsDate()) {
      stopTimeMinutes_ = length;
      return;
    }
    // A daily window ends after the minute it names: 23:59 closes the day at 1440.
    const bool daily = VarTypeFunctions::IsDailyVar(varType_);
    long long m = MinutesOf(v, daily ? 1 : 0);
    if (m > length) m = length;
    stopTimeMinutes_ = static_cast<std::int32_t>(m) + (daily && interfaceType_ == 1 ? 1440 : 0);
  } catch (const core::RuntimeError&) {
    // The window keeps its previous end.
  }
}

void CommonTypeVarRec::InterfaceType(const core::Value& v) { interfaceType_ = core::UCase(v.Text()) == "SAME" ? 0 : 1; }

void CommonTypeVarRec::ScadaFactor(const core::Value& v) {
  double f = 0;
  try {
    f = v.ToDouble();
  } catch (const core::RuntimeError&) {
    f = 0;
  }
  scadaFactor_ = f == 0 ? 1 : f;
}

void CommonTypeVarRec::ScadaStat(const core::Value& v) { scadaStat_ = core::UCase(v.Text()); }

void CommonTypeVarRec::ScadaTag(const core::Value& v) { scadaTag_ = core::Trim(v.Text()); }
