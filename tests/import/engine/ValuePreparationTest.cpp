#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Value.h"
#include "import/engine/ValuePreparation.h"
#include "import/model/CommonTypeVarRec.h"

namespace {

struct SymbolDef {
  std::string text;
  bool allowNumeric;
  std::int16_t rule;
  double factor;
};

CommonTypeVarRec Variable(const std::string& type, int decPlaces, std::vector<SymbolDef> symbols = {},
                          bool allowSymbol = true) {
  CommonTypeVarRec r;
  r.VarType(type);
  r.DecPlaces(core::Value(static_cast<std::int32_t>(decPlaces)));
  r.AllowSymbol(allowSymbol);
  for (const SymbolDef& s : symbols) r.AddSymbol(s.text, s.allowNumeric, s.rule, s.factor);
  return r;
}

struct Case {
  const char* answer;
  bool ok;
  double value;
  const char* text;
};

void ExpectCases(const CommonTypeVarRec& record, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("answer '") + c.answer + "'");
    const ValuePreparation::Result r = ValuePreparation::Prepare(c.answer, record);
    ASSERT_EQ(r.ok, c.ok);
    if (!c.ok) continue;
    EXPECT_DOUBLE_EQ(r.value, c.value);
    EXPECT_EQ(r.text, c.text);
  }
}

}  // namespace

// "<" takes a number and halves it, "ND" stands alone; one decimal place.
TEST(ValuePreparation, DetectionLimitAndCodeWordWithOneDecimal) {
  const CommonTypeVarRec record = Variable("P", 1, {{"<", true, 2, 0}, {"ND", false, 0, 0}});
  ExpectCases(record, {
                          {"<0.25", true, 0.15, "<0.3"},  // rounded to 0.3 first, then halved
                          {"ND", true, 0, "ND"},
                          {"nd", false, 0, ""},        // symbols compare with their case
                          {"< 0.25", false, 0, ""},    // the prefix "< " is no symbol
                          {"0.25", true, 0.3, "0.3"},  // a plain number is only rounded
                          {"<", false, 0, ""},         // a symbol that wants a number gets none
                          {"<abc", false, 0, ""},
                      });
}

TEST(ValuePreparation, SymbolRules) {
  struct RuleCase {
    std::int16_t rule;
    double factor;
    const char* answer;
    double value;
    const char* text;
  };
  const std::vector<RuleCase> cases = {
      {0, 0, "<-5", -5, "<-5"},  // the "-" before the digit belongs to the number
      {1, 7, "<4", 0, "<4"},     {2, 0, "<4", 2, "<4"}, {3, 2.5, "<4", 10, "<4"},
      {4, 0.5, "<9", 0.5, "<9"},  // the factor alone; the text keeps the number
      {5, 7, "<4", 0, "<4"},     {6, 0, "<4", 8, "<4"}, {9, 7, "<4", 0, "<4"},  // an unknown rule gives 0
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE("rule " + std::to_string(c.rule));
    const CommonTypeVarRec record = Variable("H", 3, {{"<", true, c.rule, c.factor}});
    ExpectCases(record, {{c.answer, true, c.value, c.text}});
  }
}

TEST(ValuePreparation, StandaloneSymbolAlsoMatchesAsPrefix) {
  const CommonTypeVarRec record = Variable("P", 2, {{"ND", false, 3, 4}});
  ExpectCases(record, {{"ND7", true, 28, "ND7"}, {"ND", true, 0, "ND"}});
}

TEST(ValuePreparation, FirstSymbolOfThePrefixWinsWhateverItTakes) {
  // The first "<" stands alone, the second takes a number: the prefix match takes the first.
  const CommonTypeVarRec record = Variable("P", 2, {{"<", false, 0, 0}, {"<", true, 2, 0}});
  ExpectCases(record, {{"<4", true, 4, "<4"}, {"<", true, 0, "<"}});
}

TEST(ValuePreparation, AnswersWithoutUsableNumberOrPrefix) {
  ExpectCases(Variable("P", 2, {{"<", true, 0, 0}}), {
                                                         {"abc-", false, 0, ""},  // prefix "abc-", rest ""
                                                         {"5<", false, 0, ""},    // the number starts at once
                                                         {"-", false, 0, ""},
                                                     });
  ExpectCases(Variable("P", 2, {{"abc-", false, 0, 0}}), {{"abc-", true, 0, "abc-"}});
  ExpectCases(Variable("P", 2, {{"abc-", true, 0, 0}}), {{"abc-", false, 0, ""}});
}

TEST(ValuePreparation, SymbolsAreIgnoredWhenTheVariableAllowsNone) {
  const CommonTypeVarRec record = Variable("P", 2, {{"<", true, 0, 0}, {"ND", false, 0, 0}}, false);
  ExpectCases(record, {{"<5", false, 0, ""}, {"ND", false, 0, ""}, {"5", true, 5, "5"}});
}

TEST(ValuePreparation, NumericAnswersFollowTheProgramsNumberGrammarAndRounding) {
  ExpectCases(Variable("P", 0), {
                                    {"2.5", true, 3, "3"},  // half away from zero
                                    {"-2.5", true, -3, "-3"},
                                    {"1,000", true, 1000, "1000"},
                                    {"1e3", true, 1000, "1000"},
                                    {"1.000,5", false, 0, ""},
                                });
  ExpectCases(Variable("P", 9999), {{"12.345678", true, 12.345678, "12.345678"}});
  ExpectCases(Variable("P", 2), {{"-0.001", true, 0, "0"}, {".5", true, 0.5, "0.5"}});
}

TEST(ValuePreparation, TextParameters) {
  CommonTypeVarRec free = Variable("T", 1);
  ExpectCases(free, {{"Pump running", true, 1, "Pump running"}, {"12.345", true, 1, "12.345"}});

  CommonTypeVarRec listed = Variable("B", 1);
  listed.LimitToLIST(true);
  listed.LoadTextListHash("open\tclosed\tfault");
  ExpectCases(listed, {
                          {"closed", true, 2, "closed"},
                          {"FAULT", true, 3, "FAULT"},  // the list ignores case, the text keeps it
                          // Not in the list: no number of its own, so nothing to write (the first
                          // entry's number would read as "open").
                          {"unknown", false, 0, ""},
                          {"open closed", false, 0, ""},
                      });
}

TEST(ValuePreparation, SplitSymbolPrefix) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<0.25", "<"}, {"<-5", "<"}, {"< 0.25", "< "}, {"abc-", "abc-"}, {"5<", ""},
      {"-5", ""},     {".5", ""},   {"<.5", "<"},     {"x-.5", "x"},    {"a-b", "a-b"},
      {"ND7", "ND"},  {"-", "-"},   {"a--5", "a-"},   {"  ab ", "ab"},  {"", ""},
  };
  for (const auto& [answer, prefix] : cases) EXPECT_EQ(ValuePreparation::SplitSymbolPrefix(answer), prefix) << answer;
}
