// What DeraRed itself can get wrong for one row or one variable: a date or time the driver
// cannot read, a daily answer without its time, a text the server cannot hand over, a read that
// fails while DeraRed is there. None of them may land a value in another slot than its own or
// stop the other rows and variables; what may heal holds the last id.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineFixture.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SourceFaultsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    ServiceMode();
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    plant = &AddPlantWithTwoVariables();  // 42 hourly (1 decimal, question 5), 43 daily (question 6)
  }

  // "varid|slot|value" of a value table, in slot order.
  std::vector<std::string> Slots(const std::string& table) {
    return Rows(*plant, "select varid, to_char(datestamp, 'YYYY-MM-DD HH24:MI'), curvalue from " + table +
                            " order by varid, datestamp");
  }
  std::vector<std::string> LinesStartingWith(const std::string& start) const {
    std::vector<std::string> out;
    for (const std::string& l : LogLines())
      if (l.rfind(start, 0) == 0) out.push_back(l);
    return out;
  }
  std::string Rejection(std::int32_t id, const std::string& answer, std::int32_t varid) const {
    return "Rejected the answer '" + answer + "' of transaction " + std::to_string(id) + " for VarId " +
           std::to_string(varid) + " of facility 'Plant One' (" + plant->Name() + "): ";
  }

  testsupport::KrymFixture* plant = nullptr;
};

// psqlODBC gives today's date, with success, for a year it cannot read: such a row must be
// rejected with its transaction id, never written into today's slot.
TEST_F(SourceFaultsTest, DateOrTimeTheDriverCannotReadIsRejectedNotTakenForToday) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}, {6, "20"}}});
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}, {6, "30"}}});
  AddVisit({.id = 104, .point = 1, .time = "11:00:00", .answers = {{5, "4"}}});
  deraRed.Exec("UPDATE tbl_transaction_pda SET trans_date = '10000-01-01' WHERE id = 102");
  deraRed.Exec("UPDATE tbl_transaction_pda SET trans_time = '10000-01-01' WHERE id = 103");

  ASSERT_TRUE(Run());

  EXPECT_THAT(Slots("dataddh"), ElementsAre("42|2024-03-05 08:00|1", "42|2024-03-05 11:00|4"));
  EXPECT_THAT(Slots("datatbl"), ElementsAre("43|2024-03-05 00:00|10"));
  for (const auto& [id, answer, varid] : std::vector<std::tuple<int, std::string, int>>{
           {102, "2", 42}, {102, "20", 43}, {103, "3", 42}, {103, "30", 43}}) {
    SCOPED_TRACE(std::to_string(id) + " " + answer);
    const std::vector<std::string> lines = LinesStartingWith(Rejection(id, answer, varid));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("its date or time cannot be read"));
  }
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 104);  // rejected rows are handled
}

// A daily answer without its time belongs to its day; an hourly one has no slot without it, and
// a time that is there but cannot be read is rejected for either.
TEST_F(SourceFaultsTest, DailyAnswerWithoutATimeIsWrittenIntoItsDay) {
  AddVisit({.id = 101, .point = 1, .date = "2024-03-04", .time = "", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-03-06", .time = "23:30:00", .answers = {{6, "20"}}});
  AddVisit({.id = 103, .point = 1, .date = "2024-03-08", .answers = {{6, "30"}}});
  deraRed.Exec("UPDATE tbl_transaction_pda SET trans_time = '10000-01-01' WHERE id = 103");

  ASSERT_TRUE(Run());

  // The visit late in the evening still counts for the next day, as with every daily answer.
  EXPECT_THAT(Slots("datatbl"), ElementsAre("43|2024-03-04 00:00|10", "43|2024-03-07 00:00|20"));
  EXPECT_TRUE(Slots("dataddh").empty());
  ASSERT_EQ(LinesStartingWith(Rejection(101, "1", 42)).size(), 1u);
  EXPECT_THAT(LinesStartingWith(Rejection(101, "1", 42))[0], HasSubstr("it has no time (Trans_Time is Null)"));
  EXPECT_TRUE(LinesStartingWith(Rejection(101, "10", 43)).empty());
  ASSERT_EQ(LinesStartingWith(Rejection(103, "30", 43)).size(), 1u);
  EXPECT_THAT(LinesStartingWith(Rejection(103, "30", 43))[0], HasSubstr("its date or time cannot be read"));
  EXPECT_EQ(SavedId(), 103);
}

}  // namespace
}  // namespace enginetest
