// Which of a record's ten answers belongs to the variable, and which types cannot be written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Value.h"
#include "import/engine/CommonImport.h"
#include "import/source/CommonTypeLimsMatchRec.h"

namespace {

CommonTypeLimsMatchRec Record(const core::Value& routePointQuestion, const std::vector<core::Value>& questionIds) {
  CommonTypeLimsMatchRec r;
  r.RoutePointQuestionID = routePointQuestion;
  for (int k = 1; k <= 10; ++k) {
    r.QuestionId(k) = k <= static_cast<int>(questionIds.size()) ? questionIds[k - 1] : core::Value::MakeNull();
    r.Answer(k) = core::Value("  answer " + std::to_string(k) + " ");
  }
  return r;
}

TEST(AnswerSelection, FirstMatchingQuestionGivesTheTrimmedAnswer) {
  const core::Value q5(std::int32_t{5});
  const core::Value q9(std::int32_t{9});
  const core::Value null = core::Value::MakeNull();
  struct Case {
    const char* what;
    CommonTypeLimsMatchRec rec;
    std::string answer;
  };
  const std::vector<Case> cases = {
      {"questions 3 and 7 both match", Record(q5, {q9, q9, q5, q9, q9, q9, q5}), "answer 3"},
      {"the tenth", Record(q5, {q9, q9, q9, q9, q9, q9, q9, q9, q9, q5}), "answer 10"},
      {"none", Record(q5, {q9, q9}), ""},
      {"a Null question never matches", Record(null, {null, null}), ""},
      {"a numeric text matches its number", Record(core::Value("5"), {q9, q5}), "answer 2"},
  };
  for (const Case& c : cases) EXPECT_EQ(CommonImport::SelectAnswer(c.rec), c.answer) << c.what;
}

TEST(AnswerSelection, SecondIntervalTypes) {
  for (const char* code : {"9", "0", "8", "90", "908"}) EXPECT_TRUE(CommonImport::IsSecondIntervalType(code)) << code;
  // The empty code belongs to every set and is written as a daily value.
  for (const char* code : {"", "P", "H", "1", "Z", "A"}) EXPECT_FALSE(CommonImport::IsSecondIntervalType(code)) << code;
}

}  // namespace
