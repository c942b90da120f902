// The facility writer's value and comment writes: the lazily opened facility connection, the
// routing to the daily or interval table, the lock date, the approval check, test mode and the
// result flags, against a facility database through the program's own connections.
#include <gtest/gtest.h>

#include <string>

#include "FacilityFixture.h"
#include "core/RuntimeError.h"
#include "import/writers/CommonFacilityWriter.h"

using core::Date;

namespace {

class WriterTest : public FacilityTest {
 protected:
  void SetUp() override {
    FacilityTest::SetUp();
    writer_.facilID(fx_.Name());
    writer_.LockDate(At(2024, 1, 1));
  }

  bool Write(const std::string& type, Date stamp, double value, std::int32_t approval = 1,
             const std::string& text = "") {
    return writer_.WriteToVornKrym(type, 42, stamp, value, text, approval, nullptr, "OPER");
  }
  // The flags after a write: physical, logical, skipped.
  std::string Flags() const {
    return std::string(writer_.LastWritePhysical() ? "P" : "-") + (writer_.LastWriteLogical() ? "L" : "-") +
           (writer_.LastWriteSkipped() ? "S" : "-");
  }
  bool ActivityHasLineStartingWith(const std::string& start) {
    for (const std::string& line : program_.Activity().lines)
      if (line.rfind(start, 0) == 0) return true;
    return false;
  }

  CommonFacilityWriter writer_;  // closes its connection before the fixture drops the database
};

TEST_F(WriterTest, ADailyValueIsWrittenForMidnightOfItsDay) {
  ASSERT_TRUE(Write("P", At(2024, 3, 5, 14, 35), 12.5, 1, "twelve"));
  EXPECT_EQ(Flags(), "PL-");
  EXPECT_EQ(writer_.LastWriteDateStamp(), At(2024, 3, 5));
  EXPECT_EQ(Count("datatbl where varid=42 and datestamp='2024-03-05 00:00:00'"), 1);
  EXPECT_EQ(Scalar("select curvalue from datatbl where varid=42").ToDouble(), 12.5);
  EXPECT_EQ(Scalar("select textvalue from datatbl where varid=42").Text(), "twelve");
  EXPECT_EQ(Scalar("select audituser from datatbl where varid=42").Text(), "OPER");
  EXPECT_EQ(Scalar("select status from datatbl where varid=42").ToLong(), 1);
}

TEST_F(WriterTest, AnIntervalValueIsWrittenForItsSlotStart) {
  ASSERT_TRUE(Write("F", At(2024, 3, 5, 14, 47, 59), 3));
  EXPECT_EQ(Flags(), "PL-");
  EXPECT_EQ(writer_.LastWriteDateStamp(), At(2024, 3, 5, 14, 45));
  EXPECT_EQ(Count("dataddf where varid=42 and datestamp='2024-03-05 14:45:00'"), 1);
  EXPECT_TRUE(program_.Logged("Writing DD Value to database."));
}

// A stored value is replaced only by a value written with at least its approval status.
TEST_F(WriterTest, TheApprovalStatusDecidesWhetherAStoredValueIsReplaced) {
  struct Case {
    const char* type;
    const char* table;
    const char* stamp;
    int storedStatus;  // -1: no row
    std::int32_t approval;
    const char* flags;
    double valueAfter;
  } cases[] = {
      {"P", "datatbl", "2024-03-05 00:00:00", 2, 1, "--S", 1.0},
      {"P", "datatbl", "2024-03-05 00:00:00", 1, 1, "PL-", 9.0},
      {"P", "datatbl", "2024-03-05 00:00:00", 1, 2, "PL-", 9.0},
      {"P", "datatbl", "2024-03-05 00:00:00", -1, 0, "PL-", 9.0},
      {"H", "dataddh", "2024-03-05 08:00:00", 2, 1, "--S", 1.0},
      {"H", "dataddh", "2024-03-05 08:00:00", 1, 1, "PL-", 9.0},
      {"H", "dataddh", "2024-03-05 08:00:00", -1, 0, "PL-", 9.0},
  };
  for (const Case& c : cases) {
    const std::string where = std::string(c.table) + " where varid=42";
    ASSERT_TRUE(Exec(std::string("delete from ") + c.table));
    if (c.storedStatus >= 0) {
      ASSERT_TRUE(Exec(std::string("insert into ") + c.table + " (varid, datestamp, curvalue, status) values (42, '" +
                       c.stamp + "', 1, " + std::to_string(c.storedStatus) + ")"));
    }
    const std::string what =
        std::string(c.type) + " stored " + std::to_string(c.storedStatus) + " written " + std::to_string(c.approval);
    EXPECT_TRUE(Write(c.type, At(2024, 3, 5, 8, 30), 9.0, c.approval)) << what;
    EXPECT_EQ(Flags(), c.flags) << what;
    EXPECT_NE(writer_.LastWriteDateStamp(), Date()) << what;
    EXPECT_EQ(Scalar("select curvalue from " + where).ToDouble(), c.valueAfter) << what;
    EXPECT_EQ(Count(where), 1) << what;
  }
}

TEST_F(WriterTest, AValueAtTheLockDateIsWrittenAndOneSecondEarlierIsSkipped) {
  struct Case {
    const char* type;
    Date lock;
    Date stamp;
    const char* flags;
  } cases[] = {
      {"1", At(2024, 3, 5, 8, 0), At(2024, 3, 5, 8, 0), "PL-"},
      {"1", At(2024, 3, 5, 8, 0), At(2024, 3, 5, 7, 59, 59), "--S"},
      {"H", At(2024, 3, 5, 8, 0), At(2024, 3, 5, 8, 59, 59), "PL-"},
      {"P", At(2024, 3, 5), At(2024, 3, 5), "PL-"},
      {"P", At(2024, 3, 5), At(2024, 3, 4, 23, 59, 59), "--S"},
  };
  for (const Case& c : cases) {
    writer_.LockDate(c.lock);
    const std::string what = std::string(c.type) + " " + core::Format(c.stamp, "yyyy-mm-dd hh:nn:ss");
    EXPECT_TRUE(Write(c.type, c.stamp, 1)) << what;
    EXPECT_EQ(Flags(), c.flags) << what;
  }
  EXPECT_EQ(Count("datadd1 where datestamp < '2024-03-05 08:00:00'"), 0);
  EXPECT_EQ(Count("datatbl where datestamp < '2024-03-05'"), 0);
}

TEST_F(WriterTest, TestModeSeeksButSendsNothing) {
  ASSERT_TRUE(
      Exec("insert into datatbl (varid, datestamp, curvalue, status) values (42, '2024-03-05', 1, 0),"
           "(42, '2024-03-06', 1, 2)"));
  writer_.TestMode(true);
  EXPECT_TRUE(Write("P", At(2024, 3, 5), 5.0, 1));
  EXPECT_EQ(Flags(), "-L-");
  EXPECT_EQ(writer_.LastWriteDateStamp(), At(2024, 3, 5));
  // The seek still runs: a row with a higher status is refused as it would be for real.
  EXPECT_TRUE(Write("P", At(2024, 3, 6), 5.0, 1));
  EXPECT_EQ(Flags(), "--S");
  EXPECT_TRUE(Write("H", At(2024, 3, 5, 8, 0), 5.0, 1));
  EXPECT_EQ(Flags(), "-L-");
  EXPECT_TRUE(writer_.WriteCOMtoVornKrym("P", 42, At(2024, 3, 5), "note"));
  EXPECT_EQ(Flags(), "-L-");

  EXPECT_EQ(Scalar("select curvalue from datatbl where datestamp='2024-03-05'").ToDouble(), 1.0);
  EXPECT_EQ(Count("dataddh"), 0);
  EXPECT_EQ(Count("datatbl_c"), 0);
  EXPECT_FALSE(program_.Logged("Writing DD Value to database."));
}

TEST_F(WriterTest, NoFacilityOrNoLockDateFailsEveryWriteAndResetsTheFlags) {
  ASSERT_TRUE(Write("P", At(2024, 3, 5), 1));
  ASSERT_EQ(Flags(), "PL-");
  writer_.LockDate(Date());
  EXPECT_FALSE(Write("P", At(2024, 3, 6), 1));
  EXPECT_EQ(Flags(), "---");
  EXPECT_EQ(writer_.LastWriteDateStamp(), Date());
  EXPECT_FALSE(writer_.WriteCOMtoVornKrym("P", 42, At(2024, 3, 6), "note"));

  CommonFacilityWriter noFacility;
  noFacility.facilID("");
  noFacility.LockDate(At(2024, 1, 1));
  EXPECT_FALSE(noFacility.WriteToVornKrym("P", 42, At(2024, 3, 6), 1, "", 1, nullptr, "OPER"));
  EXPECT_EQ(Count("datatbl"), 1);
}

TEST_F(WriterTest, TheConnectionOpensAtTheFirstWriteAndIsOpenedAgainAfterItIsDestroyed) {
  EXPECT_FALSE(writer_.ConnectionAlive());
  ASSERT_TRUE(Write("P", At(2024, 3, 5), 1));
  EXPECT_TRUE(writer_.ConnectionAlive());
  writer_.DestroyConnection();
  EXPECT_FALSE(writer_.ConnectionAlive());
  EXPECT_TRUE(Write("P", At(2024, 3, 6), 2));
  EXPECT_TRUE(writer_.ConnectionAlive());
  EXPECT_EQ(Count("datatbl"), 2);
}

TEST_F(WriterTest, AFacilityThatCannotBeOpenedFailsWithAStatusLineAndIsTriedAgainLater) {
  CommonFacilityWriter writer;
  writer.facilID("NO_SUCH_FACILITY");
  writer.LockDate(At(2024, 1, 1));
  EXPECT_FALSE(writer.WriteToVornKrym("P", 42, At(2024, 3, 5), 1, "", 1, nullptr, "OPER"));
  EXPECT_FALSE(writer.ConnectionAlive());
  EXPECT_TRUE(ActivityHasLineStartingWith("Unable to Open Connection to Vorn Krym. Error : "));
  const std::size_t lines = program_.Activity().lines.size();
  EXPECT_FALSE(writer.WriteToVornKrym("P", 42, At(2024, 3, 5), 1, "", 1, nullptr, "OPER"));
  EXPECT_GT(program_.Activity().lines.size(), lines);  // a new attempt, not a dead connection kept

  program_.Config().item(KrymProgram::kType, "3");  // settings that make no manager: no line
  CommonFacilityWriter unset;
  unset.facilID(fx_.Name());
  unset.LockDate(At(2024, 1, 1));
  const std::size_t before = program_.Activity().lines.size();
  EXPECT_FALSE(unset.WriteToVornKrym("P", 42, At(2024, 3, 5), 1, "", 1, nullptr, "OPER"));
  EXPECT_EQ(program_.Activity().lines.size(), before);
}

TEST_F(WriterTest, AWriteTheDatabaseRefusesIsAFailure) {
  const std::string tooLong(300, 'x');  // the value's text holds 255 characters
  EXPECT_FALSE(Write("P", At(2024, 3, 5), 1, 1, tooLong));
  EXPECT_FALSE(writer_.LastWriteLogical());
  EXPECT_FALSE(Write("H", At(2024, 3, 5, 8, 0), 1, 1, tooLong));
  EXPECT_FALSE(writer_.LastWriteLogical());
  EXPECT_EQ(Count("datatbl"), 0);
  EXPECT_EQ(Count("dataddh"), 0);
  // The interval path says why in the log; its lines are "number - description".
  bool logged = false;
  for (const std::string& line : program_.LogLines())
    if (line.find(" - ") != std::string::npos && line.find("character varying(255)") != std::string::npos)
      logged = true;
  EXPECT_TRUE(logged);
}

TEST_F(WriterTest, ASecondTypeVariableRaisesTheOverflowOfItsSlotsPerDay) {
  try {
    Write("9", At(2024, 3, 5, 8, 0, 1), 1);
    FAIL() << "no error";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 6);
  }
}

TEST_F(WriterTest, CommentsAreCutToTwoThousandCharactersAndCarryTheModuleAuditUser) {
  std::string comment;
  for (int i = 0; i < 2500; ++i) comment += i % 2 ? "a" : "\xC3\xA9";  // é and a: 2500 characters
  ASSERT_TRUE(writer_.WriteCOMtoVornKrym("P", 42, At(2024, 3, 5, 14, 35), comment));
  EXPECT_EQ(Flags(), "PL-");
  EXPECT_EQ(writer_.LastWriteDateStamp(), At(2024, 3, 5));
  ASSERT_TRUE(writer_.WriteCOMtoVornKrym("H", 42, At(2024, 3, 5, 8, 20), comment));
  EXPECT_EQ(writer_.LastWriteDateStamp(), At(2024, 3, 5, 8, 0));

  std::string first2000;
  for (int i = 0; i < 2000; ++i) first2000 += i % 2 ? "a" : "\xC3\xA9";
  EXPECT_EQ(Scalar("select comment from datatbl_c where varid=42 and datestamp='2024-03-05'").Text(), first2000);
  EXPECT_EQ(Scalar("select comment from dataddh_c where varid=42 and datestamp='2024-03-05 08:00:00'").Text(),
            first2000);
  EXPECT_EQ(Scalar("select audituser from datatbl_c").Text(), "VIA_K30418");
  EXPECT_EQ(Scalar("select audituser from dataddh_c").Text(), "VIA_K30418");
}

TEST_F(WriterTest, CommentsBeforeTheLockDateAreSkipped) {
  writer_.LockDate(At(2024, 3, 6));
  EXPECT_TRUE(writer_.WriteCOMtoVornKrym("P", 42, At(2024, 3, 5, 23, 0), "late"));
  EXPECT_EQ(Flags(), "--S");
  EXPECT_EQ(Count("datatbl_c"), 0);
}

}  // namespace
