#include "import/engine/ValuePreparation.h"

#include <exception>
#include <optional>

#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "import/model/CommonTypeVarRec.h"
#include "import/model/VarTypeFunctions.h"

namespace {

constexpr std::int16_t kDecPlacesNotFixed = 9999;

bool IsDigitOrPoint(char c) { return (c >= '0' && c <= '9') || c == '.'; }

double Rounded(double number, const CommonTypeVarRec& record) {
  if (record.gDecPlaces() == kDecPlacesNotFixed) return number;
  return CommonGlobals::RoundValue(number, record.gDecPlaces());
}

struct Symbol {
  std::string text;
  bool allowNumeric = false;
  std::int16_t rule = 0;
  double factor = 0;
};

Symbol SymbolAt(const CommonTypeVarRec& record, std::int16_t i) {
  Symbol s;
  record.GetSymbolByIndex(i, s.text, s.allowNumeric, s.rule, s.factor);
  return s;
}

double ApplyRule(std::int16_t rule, double number, double factor) {
  switch (rule) {
    case 0:
      return number;
    case 2:
      return number / 2;
    case 3:
      return number * factor;
    case 4:
      return factor;
    case 6:
      return number * 2;
    default:
      return 0;  // rules 1 and 5, and any unknown rule
  }
}

}  // namespace

ValuePreparation::Result ValuePreparation::Prepare(const std::string& answer, const CommonTypeVarRec& record) {
  Result r;
  if (VarTypeFunctions::IsTextParameterVar(record.gVarType())) {
    // A variable limited to its list takes only a listed text: any other has no number of its
    // own, and stored as the first entry's it would read as that entry.
    if (record.gLimitToLIST() && !record.IsListedText(answer)) return r;
    r.ok = true;
    r.text = answer;
    r.value = record.gLimitToLIST() ? record.GetTextListHashIndex(answer) : 1;
    return r;
  }
  if (const std::optional<double> number = core::ParseNumber(answer)) {
    r.ok = true;
    r.value = Rounded(*number, record);
    r.text = core::NumberText(r.value);
    return r;
  }
  return InterpretSymbolValue(answer, record);
}

ValuePreparation::Result ValuePreparation::InterpretSymbolValue(const std::string& answer,
                                                                const CommonTypeVarRec& record) {
  Result failed;
  try {
    if (!record.gAllowSymbol()) return failed;
    const std::int16_t count = record.SymbolCount();

    for (std::int16_t i = 0; i < count; ++i) {
      const Symbol s = SymbolAt(record, i);
      if (!s.allowNumeric && s.text == answer) return Result{true, 0, answer};
    }

    const std::string prefix = SplitSymbolPrefix(answer);
    if (prefix.empty()) return failed;
    const std::string rest = answer.size() > prefix.size() ? answer.substr(prefix.size()) : std::string();

    std::optional<Symbol> match;
    for (std::int16_t i = 0; i < count && !match; ++i) {
      Symbol s = SymbolAt(record, i);
      if (s.text == prefix) match = std::move(s);
    }
    if (!match) return failed;

    const std::optional<double> parsed = core::ParseNumber(rest);
    if (!parsed) return failed;
    const double number = Rounded(*parsed, record);
    // The text shows the rounded number as read, not what the rule made of it.
    return Result{true, ApplyRule(match->rule, number, match->factor), prefix + core::NumberText(number)};
  } catch (const std::exception&) {
    return failed;
  }
}

std::string ValuePreparation::SplitSymbolPrefix(const std::string& s) {
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = s[i];
    if ((c == '-' && i + 1 < n && IsDigitOrPoint(s[i + 1])) || IsDigitOrPoint(c)) return s.substr(0, i);
  }
  return core::Trim(s);
}
