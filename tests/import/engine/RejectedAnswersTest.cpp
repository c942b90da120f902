// Answers that can never be written as they stand (not interpretable, no usable date or time,
// refused by Krym for the data itself) are reported once, passed over and counted as handled:
// the variable goes on, the last id passes them and the next run does not meet them again.
// Failures that may heal (a Krym that keeps failing a write) hold the id instead.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineFixture.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RejectedAnswersTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    ServiceMode();
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    plant = &AddPlantWithTwoVariables();  // 42 hourly (1 decimal, question 5), 43 daily (question 6)
  }

  std::string Rejection(std::int32_t id, const std::string& answer, std::int32_t varid) const {
    return "Rejected the answer '" + answer + "' of transaction " + std::to_string(id) + " for VarId " +
           std::to_string(varid) + " of facility 'Plant One' (" + plant->Name() + "): ";
  }
  // The log lines that begin with a text.
  std::vector<std::string> LinesStartingWith(const std::string& start) const {
    std::vector<std::string> out;
    for (const std::string& l : LogLines())
      if (l.rfind(start, 0) == 0) out.push_back(l);
    return out;
  }

  testsupport::KrymFixture* plant = nullptr;
};

TEST_F(RejectedAnswersTest, BadRowsAreReportedOncePassedAndNotMetAgain) {
  struct Bad {
    Visit visit;
    std::string answer;
    std::string reason;  // the start of the reason the line gives
  };
  const std::vector<Bad> bad = {
      {{.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "n/a"}}}, "n/a", "it is not a number"},
      // A decimal comma is not a group separator: 7,5 must never become 75.
      {{.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "7,5"}}}, "7,5", "it is not a number"},
      {{.id = 104, .point = 1, .date = "", .answers = {{5, "2"}}}, "2", "it has no date (Trans_Date is Null)"},
      {{.id = 105, .point = 1, .time = "", .answers = {{5, "3"}}}, "3", "it has no time (Trans_Time is Null)"},
      {{.id = 106, .point = 1, .date = "0001-01-01", .answers = {{5, "4"}}}, "4", "its date or time cannot be read"},
  };
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  for (const Bad& b : bad) AddVisit(b.visit);
  AddVisit({.id = 107, .point = 1, .time = "16:00:00", .answers = {{5, "1,234.5"}, {6, "9"}}});

  ASSERT_TRUE(Run());

  // The good answers around the bad ones are written, the decimal comma nowhere.
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|1234.5|1234.5"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|9|9"));
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.answer);
    const std::vector<std::string> lines = LinesStartingWith(Rejection(b.visit.id, b.answer, 42));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("): " + b.reason));
    EXPECT_THAT(lines[0], HasSubstr("It is not imported; the import goes on."));
  }
  EXPECT_THAT(LinesStartingWith(Rejection(103, "7,5", 42))[0], HasSubstr("a comma only separates thousands"));
  // The box once for the variable, its status line for every rejected answer.
  EXPECT_EQ(LogCount("PROMPT= Error occured in WriteToVornKrym for VarId 42"), 1);
  EXPECT_EQ(LogCount("Error occured in WriteToVornKrym for VarId 42"), 5);
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(engine->RunFailed());
  // Rejected answers count as handled: the id passes them.
  EXPECT_EQ(SavedId(), 107);
  EXPECT_EQ(LogCount("NTService = True SaveLastTransIdImported = True"), 1);

  // The next run has nothing new: it writes nothing and reports nothing again.
  const std::size_t linesBefore = LogLines().size();
  ASSERT_TRUE(Run());
  const std::vector<std::string> all = LogLines();
  const std::vector<std::string> second(all.begin() + static_cast<std::ptrdiff_t>(linesBefore), all.end());
  for (const std::string& l : second) {
    EXPECT_THAT(l, ::testing::Not(HasSubstr("Rejected")));
    EXPECT_THAT(l, ::testing::Not(HasSubstr("Error occured")));
    EXPECT_THAT(l, ::testing::Not(HasSubstr("Wrote Data")));
  }
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 107);
}

TEST_F(RejectedAnswersTest, ValueKrymRefusesIsRejectedWithoutARetry) {
  // A Krym that refuses the value itself (here: a check on the value column).
  plant->Exec("ALTER TABLE dataddh ADD CONSTRAINT below_thousand CHECK (curvalue < 1000)");
  Set("TARGET\\RECOVERY\\ATTEMPTS", "3");
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "5000"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "5"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|5|5"));
  const std::vector<std::string> lines = LinesStartingWith(Rejection(101, "5000", 42));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("Vorn Krym refused the value 5000"));
  EXPECT_THAT(lines[0], HasSubstr("below_thousand"));
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(RejectedAnswersTest, SymbolRuleThatOverflowsTheValueIsRejected) {
  root.Exec("INSERT INTO symbols (symbol, allownumeric) VALUES ('<', 1)");
  plant->Exec("UPDATE vardesc SET allowsymbol = 1, symbolrule1 = 6 WHERE varid = 42");  // twice the number
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "<1e308"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "<5"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|10|<5"));
  const std::vector<std::string> lines = LinesStartingWith(Rejection(101, "<1e308", 42));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("its value is beyond what Vorn Krym can hold"));
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(RejectedAnswersTest, KrymThatKeepsFailingHoldsTheIdAndSparesItsOtherValuesTheCycle) {
  // A server error that is not about the data: it may heal, so the write is retried and held.
  plant->Exec(
      "CREATE FUNCTION busy() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
      "RAISE EXCEPTION 'server busy' USING ERRCODE = '57014'; END $$;"
      "CREATE TRIGGER busy BEFORE INSERT ON dataddh FOR EACH ROW EXECUTE FUNCTION busy()");
  auto& other = AddFacility("Plant Two");
  AddVariable(other, 42, "H", 1);
  Set("TARGET\\RECOVERY\\ATTEMPTS", "2");
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "1"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}, {6, "2"}}});

  ASSERT_TRUE(Run());

  // One cycle for the facility, not one for each of its values; the other facility is written.
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 2);
  EXPECT_EQ(LogCount("Unable to connect to Vorn Krym."), 1);
  EXPECT_EQ(LogCount("Vorn Krym of facility 'Plant One' (" + plant->Name() +
                     ") could not be written after every recovery attempt: its remaining values and notes wait for "
                     "the next run, and the last imported id is held."),
            1);
  EXPECT_TRUE(Values(*plant).empty());  // variable 43 waits too
  EXPECT_THAT(Values(other, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);

  plant->Exec("DROP TRIGGER busy ON dataddh");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|2|2"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 102);
}

}  // namespace
}  // namespace enginetest
