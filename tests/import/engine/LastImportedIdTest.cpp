// The id a service run saves as last imported must never pass an answer that some linked
// variable of some facility has not handled: facilities that fail after others, transactions
// that arrive while a run is under way, variables without a definition, an unreadable id file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "EngineFixture.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;

class LastImportedIdTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    ServiceMode();
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    AddQuestion(1, 5, 42);
    AddQuestion(1, 6, 43);
  }

  // Two facilities that both hold variable 42; the one walked second (or first) also holds
  // variable 43, whose answer of visit 102 its Krym refuses with a server error that may heal.
  void TwoFacilitiesOneFailing(bool secondFails) {
    auto& a = AddFacility("Alpha");
    auto& b = AddFacility("Beta");
    AddVariable(a, 42, "H", 0);
    AddVariable(b, 42, "H", 0);
    const std::vector<testsupport::KrymFixture*> order = WalkOrder();
    ASSERT_EQ(order.size(), 2u);
    first = order[0];
    second = order[1];
    failing = secondFails ? second : first;
    AddVariable(*failing, 43, "H", 0);
    failing->Exec(
        "CREATE FUNCTION busy() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "IF NEW.varid = 43 AND NEW.curvalue = 2 THEN RAISE EXCEPTION 'server busy' USING ERRCODE = '57014'; END IF; "
        "RETURN NEW; END $$;"
        "CREATE TRIGGER busy BEFORE INSERT ON dataddh FOR EACH ROW EXECUTE FUNCTION busy()");
    Set("TARGET\\RECOVERY\\ATTEMPTS", "1");
    AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}, {6, "1"}}});
    AddVisit({.id = 102, .point = 1, .time = "09:10:00", .answers = {{5, "2"}, {6, "2"}}});
    AddVisit({.id = 103, .point = 1, .time = "10:10:00", .answers = {{5, "3"}, {6, "3"}}});
  }

  std::string SuccessLine(std::int32_t id, const std::string& title, const testsupport::KrymFixture& f) {
    return "Success: The Last Id that was Imported is - " + std::to_string(id) + " for facility " + title + "' (" +
           f.Name() + ")";
  }
  std::string Title(const testsupport::KrymFixture* f) const { return f == facilities[0].get() ? "Alpha" : "Beta"; }

  testsupport::KrymFixture* first = nullptr;
  testsupport::KrymFixture* second = nullptr;
  testsupport::KrymFixture* failing = nullptr;
};

TEST_F(LastImportedIdTest, FacilityFailingAfterAnotherHasSavedLosesNothing) {
  TwoFacilitiesOneFailing(true);

  ASSERT_TRUE(Run());

  // The first facility went through, but the second still had every answer from 101 on.
  EXPECT_EQ(LogCount(SuccessLine(100, Title(first), *first)), 1);
  EXPECT_EQ(LogCount("NTService = True SaveLastTransIdImported = False"), 1);
  EXPECT_EQ(SavedId(), 100);

  failing->Exec("DROP TRIGGER busy ON dataddh");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Rows(*second, "select varid, curvalue from dataddh where varid = 43 order by datestamp"),
              ElementsAre("43|1", "43|2", "43|3"));
  EXPECT_THAT(Rows(*first, "select varid, curvalue from dataddh order by datestamp"),
              ElementsAre("42|1", "42|2", "42|3"));
  EXPECT_EQ(SavedId(), 103);
}

TEST_F(LastImportedIdTest, FailureInAnEarlierFacilityIsNotPassedByALaterOne) {
  TwoFacilitiesOneFailing(false);

  ASSERT_TRUE(Run());

  // The failing facility left its later values unread: the id stays where the run began.
  EXPECT_EQ(LogCount(SuccessLine(100, Title(second), *second)), 1);
  EXPECT_EQ(SavedId(), 100);
}

TEST_F(LastImportedIdTest, TransactionArrivingBetweenTwoVariablesWaitsForTheNextRun) {
  auto& plant = AddFacility("Plant One");
  AddVariable(plant, 42, "H", 0);
  AddVariable(plant, 43, "H", 0);
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}, {6, "1"}}});
  // Events run once in each read: the second read is variable 43's, after 42 has been read.
  pump.onRun = [this](int run) {
    if (run == 2) AddVisit({.id = 102, .point = 1, .time = "09:10:00", .answers = {{5, "2"}, {6, "2"}}});
  };

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(plant, "dataddh"), ElementsAre("42|1|1", "43|1|1"));  // neither saw 102
  EXPECT_EQ(SavedId(), 101);

  pump.onRun = nullptr;
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "43|1|1", "43|2|2"));
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(LastImportedIdTest, NoteArrivingDuringTheRunWaitsForTheNextRun) {
  Set("K30418\\AddNotesToLogbook", "TRUE");
  auto& plant = AddFacility("Plant One");
  AddVariable(plant, 42, "H", 0);
  AddQuestion(9, 1, 0, 1);
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}}});
  pump.onRun = [this](int run) {
    if (run == 1) AddVisit({.id = 102, .point = 9, .notes = "Gate open"});
  };

  ASSERT_TRUE(Run());
  EXPECT_EQ(Rows(plant, "select comment from logbookentries").size(), 0u);
  EXPECT_EQ(SavedId(), 101);

  pump.onRun = nullptr;
  ASSERT_TRUE(Run());
  EXPECT_THAT(Rows(plant, "select comment from logbookentries"), ElementsAre("Gate open"));
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(LastImportedIdTest, SavedIdIsTheRunsBoundNotTheLastRecordRead) {
  auto& plant = AddFacility("Plant One");
  AddVariable(plant, 42, "H", 0);
  AddVariable(plant, 43, "H", 0);
  deraRed.Exec("UPDATE tbl_routes_points_questions SET point_id = 2 WHERE question_id = 6");
  AddVisit({.id = 200, .point = 1, .time = "01:00:00", .answers = {{5, "1"}}});
  AddVisit({.id = 500, .point = 1, .time = "02:00:00", .answers = {{5, "2"}}});
  AddVisit({.id = 250, .point = 2, .time = "03:00:00", .answers = {{6, "3"}}});
  AddVisit({.id = 300, .point = 2, .time = "04:00:00", .answers = {{6, "4"}}});

  ASSERT_TRUE(Run());

  EXPECT_EQ(SavedId(), 500);  // variable 43 was read last, up to 300

  ASSERT_TRUE(Run());
  EXPECT_EQ(LogCount("Loaded 0 data record(s) from source."), 2);
  EXPECT_EQ(SavedId(), 500);
}

TEST_F(LastImportedIdTest, AnswerOfAVariableWithoutDefinitionHoldsTheId) {
  auto& plant = AddFacility("Plant One");
  AddVariable(plant, 42, "H", 0);
  AddVariable(plant, 43, "H", 0);
  plant.Exec("UPDATE vardesc SET vartype = NULL WHERE varid = 43");  // its row cannot be read
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:10:00", .answers = {{5, "2"}, {6, "7"}}});
  AddVisit({.id = 103, .point = 1, .time = "10:10:00", .answers = {{6, "8"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_EQ(LogCount("VarId 43 of facility 'Plant One' (" + plant.Name() +
                     ") has no definition: it could not be read from Vorn Krym (the facility's schema could not "
                     "be opened or the variable's row could not be read), so its answers are not imported, and the "
                     "last imported id is held until it can be read."),
            1);
  EXPECT_EQ(SavedId(), 101);
}

// A facility whose database refuses connections while the variables are gathered is not in the
// run at all: its answers may lie anywhere, so the id stays where it was, and the run after the
// database is back imports them.
TEST_F(LastImportedIdTest, FacilityOutOfReachWhileGatheringIsImportedWhenItIsBack) {
  auto& reachable = AddFacility("Alpha");
  auto& away = AddFacility("Beta");
  AddVariable(reachable, 42, "H", 0);
  AddVariable(away, 43, "H", 0);
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}, {6, "1"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:10:00", .answers = {{5, "2"}, {6, "2"}}});
  root.Exec("ALTER DATABASE \"" + away.Name() + "\" ALLOW_CONNECTIONS false");

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(reachable, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);

  root.Exec("ALTER DATABASE \"" + away.Name() + "\" ALLOW_CONNECTIONS true");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(away, "dataddh"), ElementsAre("43|1|1", "43|2|2"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(LastImportedIdTest, MissingIdFileSkipsEveryFacilityAndSavesNothing) {
  auto& plant = AddFacility("Plant One");
  AddVariable(plant, 42, "H", 0);
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}}});
  std::filesystem::remove(Program().app.Path + "/DeraRed.ini");

  ASSERT_TRUE(Run());

  EXPECT_EQ(LogCount("Error: GetLastTransIdImported failed."), 1);
  EXPECT_FALSE(LogHas("Loading data records from source"));
  EXPECT_FALSE(LogHas("SaveLastTransIdImported"));
  EXPECT_TRUE(Values(plant, "dataddh").empty());
  EXPECT_TRUE(LogHas("Session Statistics :"));
}

}  // namespace
}  // namespace enginetest
