// How the reader fails and recovers: settings that cannot configure a connection,
// a server that cannot be reached, the refused query settings with their boxes, a
// query the database rejects, an id list that is not one, and the life of the
// connection across reads.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ReaderFixture.h"
#include "import/source/CommonTypeLimsMatchRec.h"
#include "import/source/CustomSource.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace {

using readertest::ReaderFixture;

class ReaderFailures : public ReaderFixture {
 protected:
  void SetUp() override {
    ReaderFixture::SetUp();
    SeedRounds();
  }

  std::string Joined() const {
    std::string all;
    for (const auto& l : status.lines) all += l + "\n";
    return all;
  }
};

TEST_F(ReaderFailures, SettingsThatCannotMakeAConnection) {
  const struct {
    const char* key;
    const char* value;
    const char* configLine;  // "" when the configuration itself succeeds
  } cases[] = {
      {"SourceDBType", "4", ""},  // a type without a connection-string shape
      {"SourceDBType", "0", ""},
      {"SourceCnnTimeout", "abc",
       "Error in ConfigCnn: 13 - Type mismatch: the setting K30418\\SOURCECNNTIMEOUT holds 'abc'"},
      {"SourceCmdTimeout", "", "Error in ConfigCnn: 13 - Type mismatch: the setting K30418\\SOURCECMDTIMEOUT holds ''"},
      {"SourceDBType", "two", "Error in ConfigCnn: 13 - Type mismatch: the setting K30418\\SOURCEDBTYPE holds 'two'"},
      {"SourceCmdTimeout", "40000",
       "Error in ConfigCnn: 6 - Overflow: the setting K30418\\SOURCECMDTIMEOUT holds '40000'"},
  };
  for (const auto& c : cases) {
    Set(c.key, c.value);
    status.lines.clear();
    CustomSource source;
    bool error = ReadAnswers(source, 0);
    EXPECT_TRUE(error) << c.key << "=" << c.value;
    EXPECT_EQ(source.RecordCount(), 0);
    ASSERT_FALSE(status.lines.empty()) << c.key << "=" << c.value;
    std::size_t at = 0;
    if (*c.configLine) {
      EXPECT_EQ(status.lines[0], c.configLine);
      at = 1;
    }
    ASSERT_EQ(status.lines.size(), at + 1) << Joined();
    // Nothing reached the connection, so the open has no connection string to go on.
    EXPECT_EQ(status.lines[at].rfind("Unable to Open Connection to database. Error : 3706 - ", 0), 0u) << Joined();
    UseTestDatabase();
  }
  EXPECT_EQ(events.runs, 0) << "no query follows a failed open";
  EXPECT_EQ(busy.shown, 0);
}

TEST_F(ReaderFailures, AFailedOpenKeepsFailingUntilTheConnectionIsDestroyed) {
  Set("SourceCustomization", "Port=1;");  // nothing listens there
  CustomSource source;
  bool error = ReadAnswers(source, 0);
  EXPECT_TRUE(error);
  ASSERT_EQ(StatusLines("Unable to Open Connection to database. Error : ").size(), 1u) << Joined();

  // The settings are mended, but the reader keeps the connection that did not open.
  UseTestDatabase();
  status.lines.clear();
  source.ReadLIMSdata(error);
  EXPECT_TRUE(error);
  ASSERT_EQ(status.lines.size(), 1u) << Joined();
  EXPECT_EQ(status.lines[0].rfind("Error in LoadResultRecords: 3709 - ", 0), 0u) << Joined();
  ExpectPointerRestored();

  source.DestroyConnection();
  source.ReadLIMSdata(error);
  EXPECT_FALSE(error);
  EXPECT_EQ(source.RecordCount(), 5);
}

TEST_F(ReaderFailures, RefusedQuerySettingsShowTheirBoxAndKeepTheRecords) {
  CustomSource source;
  bool error = ReadAnswers(source, 0);
  ASSERT_FALSE(error);
  ASSERT_EQ(source.RecordCount(), 5);

  const struct {
    std::int16_t queryType;
    std::int32_t end;
    const char* prompt;
  } cases[] = {
      {0, 0, "Error: End Transaction Id is set incorrectly."},
      {2, -1, "Error: QueryType is not set correctly."},
      {-1, 0, "Error: QueryType is not set correctly."},
  };
  for (const auto& c : cases) {
    presenter.boxes.clear();
    source.MoveNext_LimsRec();
    source.QueryType(c.queryType);
    source.EndTransId(c.end);
    error = false;
    source.ReadLIMSdata(error);
    EXPECT_TRUE(error) << c.prompt;
    ASSERT_EQ(presenter.boxes.size(), 1u) << c.prompt;
    EXPECT_EQ(presenter.boxes[0].prompt, c.prompt);
    EXPECT_EQ(presenter.boxes[0].style, 0) << "default buttons";
    EXPECT_EQ(presenter.boxes[0].title, "K30418 Test") << "the default title";
    EXPECT_FALSE(presenter.boxes[0].busyWhileShown) << "the pointer comes back before the box";
    // The earlier records stay, the cursor is back on the first.
    EXPECT_EQ(source.RecordCount(), 5) << c.prompt;
    EXPECT_TRUE(source.BOF_LimsRec()) << c.prompt;
    ASSERT_NE(source.Get_LimsRec(), nullptr);
  }
  ExpectPointerRestored();
  EXPECT_TRUE(StatusLines("Error").empty()) << Joined();
  // Only the first read got as far as its query.
  const std::string log = LogText();
  EXPECT_EQ(log.find("LoadResultRecords() Query : "), log.rfind("LoadResultRecords() Query : "));
}

TEST_F(ReaderFailures, AnIdListThatIsNotOneNeverReachesTheDatabase) {
  CustomSource source;
  bool error = ReadAnswers(source, 0);
  ASSERT_EQ(source.RecordCount(), 5);

  for (const char* ids : {"12) OR (1=1", "12; DELETE FROM Tbl_Transaction_PDA", "", "12,"}) {
    status.lines.clear();
    source.CurrentVarId(ids);
    source.ReadLIMSdata(error);
    EXPECT_TRUE(error) << ids;
    ASSERT_EQ(status.lines.size(), 1u) << Joined();
    EXPECT_EQ(status.lines[0], std::string("Error in LoadResultRecords: 5 - The external id list '") + ids +
                                   "' is not a list of whole numbers separated by commas.");
    EXPECT_EQ(source.RecordCount(), 5) << "the earlier records stay";
  }
  ExpectPointerRestored();
  // The rows are all still there.
  source.CurrentVarId("ALL");
  source.ReadLIMSdata(error);
  EXPECT_FALSE(error);
  EXPECT_EQ(source.RecordCount(), 5);
}

// The Access dialect is not PostgreSQL's: the database rejects the quoted "N" and
// the empty quoted name, and the loaders report the driver's error.
TEST_F(ReaderFailures, AQueryTheDatabaseRejectsIsReportedWithItsError) {
  Set("SourceDBType", "3");
  // The Access shape has no catalogue of its own; the customization names it.
  Set("SourceCustomization", "Port=" + std::to_string(db.Cluster().port) + ";Database=" + db.Name() + ";");
  CustomSource source;
  bool error = ReadAnswers(source, 0);
  EXPECT_TRUE(error);
  source.ReadLIMSLogNotes(error);
  EXPECT_TRUE(error);
  const auto answers = StatusLines("Error in LoadResultRecords: ");
  const auto notes = StatusLines("Error in LoadLogNoteRecords: ");
  ASSERT_EQ(answers.size(), 1u) << Joined();
  ASSERT_EQ(notes.size(), 1u) << Joined();
  EXPECT_NE(answers[0].find("column \"N\" does not exist"), std::string::npos) << answers[0];
  EXPECT_NE(notes[0].find("zero-length delimited identifier"), std::string::npos) << notes[0];
  EXPECT_EQ(events.runs, 2) << "both reads were connected";
  EXPECT_EQ(busy.shown, 2);
  ExpectPointerRestored();
}

// The reader's connection seen from the server.
class ReaderConnection : public ReaderFailures {
 protected:
  void SetUp() override {
    ReaderFailures::SetUp();
    sessions.Start(db);
  }
  readertest::ServerSessions sessions;
};

TEST_F(ReaderConnection, ASecondReadReusesTheConnectionAndDestroyingItMakesANewOne) {
  CustomSource source;
  bool error = ReadAnswers(source, 0);
  ASSERT_FALSE(error);
  const std::set<long> first = sessions.Current();
  ASSERT_EQ(first.size(), 1u);

  source.StartTransId(2);
  source.ReadLIMSdata(error);
  ASSERT_FALSE(error);
  source.ReadLIMSLogNotes(error);
  ASSERT_FALSE(error);
  EXPECT_EQ(sessions.Current(), first) << "the same session served every read";

  source.DestroyConnection();
  source.DestroyConnection();  // a second time finds nothing to close
  EXPECT_TRUE(sessions.Settled(0).empty());
  EXPECT_EQ(source.RecordCount(), 2) << "the notes just read outlive the connection";

  source.ReadLIMSdata(error);
  ASSERT_FALSE(error);
  const std::set<long> second = sessions.Current();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(*second.begin(), *first.begin());
}

TEST_F(ReaderConnection, DestroyingTheReaderClosesItsConnection) {
  {
    CustomSource source;
    bool error = ReadAnswers(source, 0);
    ASSERT_FALSE(error);
    ASSERT_EQ(sessions.Current().size(), 1u);
  }
  EXPECT_TRUE(sessions.Settled(0).empty());
}

}  // namespace
