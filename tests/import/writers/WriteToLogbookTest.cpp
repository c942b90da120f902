// Operator notes copied into the facility's logbook: the logbook chosen, the row written, and
// the duplicate check that must find what an earlier run stored.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FacilityFixture.h"
#include "import/writers/CommonFacilityWriter.h"

using core::Date;

namespace {

const char* const kSkipLine = "Comment Already Exists! Skipping it's import.";

class LogbookTest : public FacilityTest {
 protected:
  void SetUp() override {
    FacilityTest::SetUp();
    ASSERT_TRUE(Exec("insert into logbook (id, name) values (1, 'Operations'), (3, 'Default'), (5, 'Maintenance')"));
  }

  // Each run of the import has a writer of its own.
  std::unique_ptr<CommonFacilityWriter> NewRun() {
    auto writer = std::make_unique<CommonFacilityWriter>();
    writer->facilID(fx_.Name());
    writer->LockDate(At(2024, 1, 1));
    return writer;
  }
  bool Note(CommonFacilityWriter& writer, std::int32_t logbook, const std::string& note,
            std::int32_t defaultLogbook = 3, Date day = At(2024, 3, 5)) {
    return writer.WriteToLogbook(logbook, day, Date(0.5625), note, defaultLogbook, "  OPER1 ");
  }
  long Entries(const std::string& where = "") { return Count("logbookentries" + where); }
  int Skips() {
    int n = 0;
    for (const std::string& line : program_.LogLines()) n += line == kSkipLine;
    return n;
  }
};

TEST_F(LogbookTest, ANoteIsStoredAsTypedWithTheOperatorAsAuditUser) {
  auto run = NewRun();
  ASSERT_TRUE(Note(*run, 1, "  Pump 3 noisy  "));
  ASSERT_EQ(Entries(), 1);
  EXPECT_EQ(Scalar("select comment from logbookentries").Text(), "  Pump 3 noisy  ");
  EXPECT_EQ(Scalar("select lbid from logbookentries").ToLong(), 1);
  EXPECT_TRUE(SameInstant(Scalar("select datestamp from logbookentries").ToDate(), At(2024, 3, 5)));
  EXPECT_TRUE(SameInstant(Scalar("select timestamp from logbookentries").ToDate(), Date(0.5625)));
  EXPECT_EQ(Scalar("select audituser from logbookentries").Text(), "OPER1");
  EXPECT_TRUE(SameInstant(Scalar("select audittimestamp from logbookentries").ToDate(), program_.Clock().Now()));
}

TEST_F(LogbookTest, ABlankNoteWritesNothing) {
  auto run = NewRun();
  for (const char* note : {"", "   "}) EXPECT_TRUE(Note(*run, 1, note)) << "'" << note << "'";
  EXPECT_EQ(Entries(), 0);
}

TEST_F(LogbookTest, TheLogbookIsTheNotesOwnElseTheDefaultElseZero) {
  auto run = NewRun();
  ASSERT_TRUE(Note(*run, 5, "own logbook"));
  ASSERT_TRUE(Note(*run, 7, "no logbook 7"));
  ASSERT_TRUE(Note(*run, 7, "no logbook 7 nor 9", 9));
  EXPECT_EQ(Entries(" where lbid=5 and comment='own logbook'"), 1);
  EXPECT_EQ(Entries(" where lbid=3 and comment='no logbook 7'"), 1);
  EXPECT_EQ(Entries(" where lbid=0 and comment='no logbook 7 nor 9'"), 1);
}

// Every run reads the same DeraRed notes again; each must be stored once, whatever it holds
// and wherever it was stored.
TEST_F(LogbookTest, ANoteStoredByAnEarlierRunIsNotStoredAgain) {
  struct Case {
    std::int32_t logbook;
    const char* note;
    std::int32_t defaultLogbook;
  } cases[] = {
      {1, "Same note", 3},         {1, "Pump 3's seal leaks", 3},
      {1, "  blanks around  ", 3}, {7, "logbook 7 does not exist", 3},
      {7, "neither does 9", 9},    {1, "quote \" and backslash \\ and 'x'", 3},
  };
  for (const Case& c : cases) {
    auto first = NewRun();
    ASSERT_TRUE(Note(*first, c.logbook, c.note, c.defaultLogbook)) << c.note;
  }
  EXPECT_EQ(Skips(), 0);
  for (const Case& c : cases) {
    auto later = NewRun();
    EXPECT_TRUE(Note(*later, c.logbook, c.note, c.defaultLogbook)) << c.note;
  }
  EXPECT_EQ(Entries(), static_cast<long>(std::size(cases)));
  EXPECT_EQ(Skips(), static_cast<int>(std::size(cases)));
  EXPECT_EQ(Entries(" where comment = 'Pump 3''s seal leaks'"), 1);
}

TEST_F(LogbookTest, TheSameNoteInAnotherLogbookOrOnAnotherDayIsANewEntry) {
  auto run = NewRun();
  ASSERT_TRUE(Note(*run, 1, "Shift change"));
  ASSERT_TRUE(Note(*run, 5, "Shift change"));
  ASSERT_TRUE(Note(*run, 1, "Shift change", 3, At(2024, 3, 6)));
  ASSERT_TRUE(Note(*run, 1, "shift change"));  // another text
  EXPECT_EQ(Entries(), 4);
  EXPECT_EQ(Skips(), 0);
}

TEST_F(LogbookTest, NotesAreWrittenInTestModeToo) {
  auto run = NewRun();
  run->TestMode(true);
  ASSERT_TRUE(Note(*run, 1, "test run note"));
  EXPECT_EQ(Entries(), 1);
}

TEST_F(LogbookTest, AFacilityThatCannotBeReachedGivesTheErrorLineWithItsStep) {
  CommonFacilityWriter writer;
  writer.facilID("NO_SUCH_FACILITY");
  writer.LockDate(At(2024, 1, 1));
  EXPECT_FALSE(writer.WriteToLogbook(1, At(2024, 3, 5), Date(0.5), "a note", 3, "OPER"));
  EXPECT_TRUE(
      program_.Logged("Error in WriteToLogbook: 91 - Object variable or With block variable not setError No. 5"));
  EXPECT_EQ(writer.LastFailure().kind, CommonFacilityWriter::Failure::Kind::Link);
}

TEST_F(LogbookTest, ARowTheDatabaseRefusesGivesTheErrorLine) {
  auto run = NewRun();
  const std::string longGuard(60, 'G');  // the audit user holds 50 characters
  EXPECT_FALSE(run->WriteToLogbook(1, At(2024, 3, 5), Date(0.5), "a note", 3, longGuard));
  // The save is where it fails: step 22.
  const std::string end = "Error No. 22";
  bool atSave = false;
  for (const std::string& line : program_.LogLines())
    atSave = atSave || (line.rfind("Error in WriteToLogbook: ", 0) == 0 && line.size() >= end.size() &&
                        line.compare(line.size() - end.size(), end.size(), end) == 0);
  EXPECT_TRUE(atSave) << ::testing::PrintToString(program_.LogLines());
  EXPECT_EQ(Entries(), 0);
  // Refused on a standing link, by the table, with the server's own state.
  const CommonFacilityWriter::Failure& f = run->LastFailure();
  EXPECT_EQ(f.kind, CommonFacilityWriter::Failure::Kind::Refused);
  EXPECT_EQ(f.procedure, "logbookentries");
  EXPECT_EQ(f.code, "22001");
  EXPECT_TRUE(run->ConnectionAlive());
}

}  // namespace
