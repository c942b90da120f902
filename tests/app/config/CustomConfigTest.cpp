// The DeraRed source window: filling from the K30418 keys, the apply with its per-field warnings
// and refills, the logbook id, save, and the connection test against the test cluster.
#include <QCheckBox>
#include <QRadioButton>

#include "ConfigFormsFixture.h"
#include "app/config/CustomConfig.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/QALLoggerTXT.h"

namespace configforms {
namespace {

constexpr const char* kTitle = "K30418 Source configuration";
const RecordedBox kApplied{"Settings applied.", 64, ""};

class SourceForm : public ConfigForms {
 protected:
  static QRadioButton* SqlServer(const QWidget& f) { return Child<QRadioButton>(f, "optDBType0"); }
  static QRadioButton* Access(const QWidget& f) { return Child<QRadioButton>(f, "optDBType1"); }
  static QCheckBox* Notes(const QWidget& f) { return Child<QCheckBox>(f, "chkLogNotes"); }

  // A login that the boxes can be checked against.
  void StoreLogin() {
    Set("K30418\\SourceDS", "stored-ds");
    Set("K30418\\SourceProvider", "stored-provider");
    Set("K30418\\SourceDB", "stored-db");
    Set("K30418\\SourceUserID", "stored-user");
    Set("K30418\\SourcePassword", "stored-password");
    Set("K30418\\SourceCnnTimeout", "15");
    Set("K30418\\SourceCmdTimeout", "30");
    Set("K30418\\SourceCustomization", "Port=1;");
  }
  // The boxes of the test cluster's DeraRed database, in the SQL Server shape.
  void TypeTestCluster(const QWidget& f, const testsupport::TestDatabase& db) {
    SqlServer(f)->setChecked(true);
    Type(f, "txtProvider", "PostgreSQL Unicode");
    Type(f, "txtSourceDS", db.host);
    Type(f, "txtDb", "DERARED");
    Type(f, "txtUser", testsupport::TestDatabase::KrymUser());
    Type(f, "txtPass", testsupport::TestDatabase::KrymPassword());
    Type(f, "txtCustomizations", "Port=" + std::to_string(db.port) + ";");
  }
};

TEST_F(SourceForm, RefreshShowsTheStoredValues) {
  StoreLogin();
  struct Case {
    const char* type;
    bool sqlServer;
    const char* notes;
    bool notesChecked;
    const char* logbook;
    const char* logbookShown;
  };
  for (const Case& c : {Case{"2", true, "true", true, "12", "12"}, Case{"3", false, "FALSE", false, "", "0"},
                        Case{"4", false, "yes", false, " 7 ", " 7 "}, Case{"", false, "TRUE", true, "x", "x"}}) {
    Set("K30418\\SourceDBType", c.type);
    Set("K30418\\AddNotesToLogbook", c.notes);
    Set("K30418\\LogbookId", c.logbook);
    CustomConfig form(Icons());
    EXPECT_EQ(SqlServer(form)->isChecked(), c.sqlServer) << c.type;
    EXPECT_EQ(Access(form)->isChecked(), !c.sqlServer) << c.type;
    EXPECT_EQ(Notes(form)->isChecked(), c.notesChecked) << c.notes;
    EXPECT_EQ(Text(form, "txtLogBookId"), c.logbookShown);
    EXPECT_EQ(Text(form, "txtSourceDS"), "stored-ds");
    EXPECT_EQ(Text(form, "txtProvider"), "stored-provider");
    EXPECT_EQ(Text(form, "txtDb"), "stored-db");
    EXPECT_EQ(Text(form, "txtUser"), "stored-user");
    EXPECT_EQ(Text(form, "txtPass"), "stored-password");
    EXPECT_EQ(Text(form, "txtCnnTimeout"), "15");
    EXPECT_EQ(Text(form, "txtCommandTimeout"), "30");
    EXPECT_EQ(Text(form, "txtCustomizations"), "Port=1;");
  }
  EXPECT_TRUE(Boxes().empty());
  CustomConfig form(Icons());
  EXPECT_EQ(Child(form, "txtPass")->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(Child(form, "txtSchema")->isHidden());
}

TEST_F(SourceForm, ApplyWritesTrimmedTextsConfirmsAndAlwaysHidesTheDateDialog) {
  StoreLogin();
  CustomConfig form(Icons());
  SqlServer(form)->setChecked(true);
  Type(form, "txtSourceDS", "  server\\derared ");
  Type(form, "txtProvider", " SQLOLEDB ");
  Type(form, "txtDb", " DERA ");
  Type(form, "txtUser", " op ");
  Type(form, "txtPass", " secret ");
  Type(form, "txtCustomizations", " Encrypt=no; ");
  Notes(form)->setChecked(true);
  for (int i = 0; i < 2; ++i) {  // a second apply writes the same and hides the dialog again
    Set("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", "FALSE");
    windowchecks::Press(form, "check");
    EXPECT_EQ(Get("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI"), "TRUE");
  }
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{kApplied, kApplied}));
  EXPECT_EQ(Get("K30418\\SourceDBType"), "2");
  EXPECT_EQ(Get("K30418\\SourceDS"), "server\\derared");
  EXPECT_EQ(Get("K30418\\SourceProvider"), "SQLOLEDB");
  EXPECT_EQ(Get("K30418\\SourceDB"), "DERA");
  EXPECT_EQ(Get("K30418\\SourceUserID"), "op");
  EXPECT_EQ(Get("K30418\\SourcePassword"), "secret");
  EXPECT_EQ(Get("K30418\\SourceCustomization"), "Encrypt=no;");
  EXPECT_EQ(Get("K30418\\AddNotesToLogbook"), "TRUE");
}

TEST_F(SourceForm, WithAccessTheLoginBoxesMayBeEmptyAndKeepTheirKeys) {
  StoreLogin();
  CustomConfig form(Icons());
  Access(form)->setChecked(true);
  for (const char* box : {"txtDb", "txtUser", "txtPass", "txtCustomizations"}) Type(form, box, "  ");
  windowchecks::Press(form, "check");
  EXPECT_EQ(Boxes(), std::vector<RecordedBox>{kApplied});
  EXPECT_EQ(Get("K30418\\SourceDBType"), "3");
  EXPECT_EQ(Get("K30418\\SourceDB"), "stored-db");
  EXPECT_EQ(Get("K30418\\SourceUserID"), "stored-user");
  EXPECT_EQ(Get("K30418\\SourcePassword"), "stored-password");
  EXPECT_EQ(Get("K30418\\SourceCustomization"), "Port=1;");  // an empty box never clears it
}

TEST_F(SourceForm, EmptyRequiredBoxesWarnInOrderAndGetTheirStoredValuesBack) {
  StoreLogin();
  CustomConfig form(Icons());
  SqlServer(form)->setChecked(true);
  const char* boxes[] = {"txtSourceDS",   "txtProvider",      "txtDb", "txtUser", "txtPass",
                         "txtCnnTimeout", "txtCommandTimeout"};
  for (const char* box : boxes) Type(form, box, " ");
  windowchecks::Press(form, "check");
  const std::vector<RecordedBox> expected = {
      {"Data source value cannot be empty, will use previous value", 48, kTitle},
      {"Provider value cannot be empty, will use previous value", 48, kTitle},
      {"Database value cannot be empty, will use previous value", 48, kTitle},
      {"Username value cannot be empty, will use previous value", 48, kTitle},
      {"Password value cannot be empty, will use previous value", 48, kTitle},
      {"Connection timeout value cannot be empty, will use previous value", 48, kTitle},
      {"Command timeout value cannot be empty, will use previous value", 48, kTitle},
      kApplied};
  EXPECT_EQ(Boxes(), expected);
  const char* stored[] = {"stored-ds", "stored-provider", "stored-db", "stored-user", "stored-password", "15", "30"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Text(form, boxes[i]), stored[i]) << boxes[i];
  EXPECT_EQ(Get("K30418\\SourceDS"), "stored-ds");
}

TEST_F(SourceForm, AnEmptyConnectionTimeoutRefillsOnlyItsOwnBox) {
  StoreLogin();
  CustomConfig form(Icons());
  Type(form, "txtPass", "typed-password");
  Type(form, "txtCnnTimeout", "");
  windowchecks::Press(form, "check");
  EXPECT_EQ(Text(form, "txtCnnTimeout"), "15");
  EXPECT_EQ(Text(form, "txtPass"), "typed-password");
}

TEST_F(SourceForm, TimeoutsAreStoredAsTypedAndTheReaderNamesAnUnusableOne) {
  StoreLogin();
  struct Case {
    const char* typed;
    const char* stored;
  };
  for (const Case& c :
       {Case{"abc", "abc"}, Case{"12.5", "12.5"}, Case{" 20 ", "20"}, Case{"-3", "-3"}, Case{"40000", "40000"}}) {
    CustomConfig form(Icons());
    ForgetBoxes();
    Type(form, "txtCnnTimeout", c.typed);
    Type(form, "txtCommandTimeout", c.typed);
    windowchecks::Press(form, "check");
    EXPECT_EQ(Get("K30418\\SourceCnnTimeout"), c.stored) << c.typed;
    EXPECT_EQ(Get("K30418\\SourceCmdTimeout"), c.stored) << c.typed;
    EXPECT_EQ(Boxes(), std::vector<RecordedBox>{kApplied}) << c.typed;
  }
  // "abc" is what the import's reader of the setting then refuses, naming the key.
  Set("K30418\\SourceCnnTimeout", "abc");
  try {
    CommonGlobals::IntegerSetting("K30418\\SourceCnnTimeout");
    FAIL() << "no error for a timeout of abc";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 13);
    EXPECT_NE(e.Description().find("K30418\\SOURCECNNTIMEOUT"), std::string::npos) << e.Description();
  }
}

TEST_F(SourceForm, TheLogbookIdIsStoredAsTypedWhenItIsANumberElseAsZero) {
  struct Case {
    const char* typed;
    const char* stored;
  };
  for (const Case& c : {Case{"abc", "0"}, Case{" 7 ", " 7 "}, Case{"", "0"}, Case{"   ", "0"}, Case{"12", "12"}}) {
    CustomConfig form(Icons());
    Type(form, "txtLogBookId", c.typed);
    windowchecks::Press(form, "check");
    EXPECT_EQ(Get("K30418\\LogbookId"), c.stored) << "'" << c.typed << "'";
  }
}

TEST_F(SourceForm, SaveAppliesAndWritesTheFile) {
  CustomConfig form(Icons());
  Type(form, "txtSourceDS", "/data/derared.mdb");
  windowchecks::Press(form, "save");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Saved successfully", 64, ""}}));
  EXPECT_NE(ConfigFileText().find("<SOURCEDS>/data/derared.mdb</SOURCEDS>"), std::string::npos);
}

TEST_F(SourceForm, TheTestConnectsWithTheBoxesAsTypedWithoutSavingThem) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  objects_->logger->Verbosity(3);
  CustomConfig form(Icons());
  TypeTestCluster(form, db);
  windowchecks::Click(form, "btnTest");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Source connection attempt was successful", 0, ""}}));
  EXPECT_FALSE(Config().ChangeWasMade());
  ASSERT_FALSE(activity_.lines.empty());
  EXPECT_EQ(activity_.lines.back(),
            "Testing connection: objConn.ConnectionString: Provider=PostgreSQL Unicode;Persist Security Info=False;"
            "Data Source=" +
                db.host +
                ";Initial Catalog=DERARED;User ID=QALDBA;Password=********;OLE DB Services =-2;Application Name=30418;"
                "Port=" +
                std::to_string(db.port) + ";");
}

TEST_F(SourceForm, AFailedTestReportsNumberAndDescription) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  CustomConfig form(Icons());
  TypeTestCluster(form, db);
  Type(form, "txtPass", "wrong");
  windowchecks::Click(form, "btnTest");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].prompt.rfind("Could not connect, test failed: ", 0), 0u) << Boxes()[0].prompt;
  EXPECT_NE(Boxes()[0].prompt.find(" - "), std::string::npos);

  ForgetBoxes();
  TypeTestCluster(form, db);
  Type(form, "txtCommandTimeout", "abc");
  std::string errText;
  EXPECT_FALSE(form.TestConnection(errText));
  EXPECT_EQ(errText, "13 - Type mismatch");
}

}  // namespace
}  // namespace configforms
