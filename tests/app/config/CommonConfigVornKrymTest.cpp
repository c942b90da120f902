// The Krym connection window: filling from the store, the provider proposal, apply and save
// behind a real connection test against the test cluster, and the toolbar's common pattern.
#include <QAction>
#include <QComboBox>
#include <QToolBar>

#include "ConfigFormsFixture.h"
#include "app/config/CommonConfigVornKrym.h"

namespace configforms {
namespace {

constexpr const char* kType = "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE";
constexpr const char* kProvider = "VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER";
constexpr const char* kDataSource = "VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE";
constexpr const char* kCustom = "VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS";
constexpr const char* kTimeout = "VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT";
constexpr const char* kCommandTimeout = "VORNKRYM\\VORNKRYM_CONNECTION_COMMAND_TIMEOUT";

const RecordedBox kSuccess{"Connection to Vorn Krym was successful.", 64, "Connection successful"};
const RecordedBox kUnableToApply{"Unable to apply settings", 48, ""};

class TargetForm : public ConfigForms {
 protected:
  static QComboBox* DbType(const QWidget& f) { return Child<QComboBox>(f, "dbType"); }
  std::vector<std::string> SixKeys() {
    return {Get(kType), Get(kProvider), Get(kDataSource), Get(kCustom), Get(kTimeout), Get(kCommandTimeout)};
  }
};

TEST_F(TargetForm, RefreshShowsTheStoredValuesAndTheStoredProviderWinsOverTheProposal) {
  struct Case {
    const char* storedType;
    const char* shown;
  };
  for (const Case& c : {Case{"1", "Oracle"}, Case{"2", "Microsoft SQL Server"}, Case{"0", "Microsoft SQL Server"},
                        Case{"7", "Microsoft SQL Server"}, Case{"1.0", "Oracle"}}) {
    Set(kType, c.storedType);
    Set(kProvider, "MyProvider");
    Set(kDataSource, "krymhost");
    Set(kCustom, "Port=1;");
    Set(kTimeout, "12");
    Set(kCommandTimeout, "44");
    CommonConfigVornKrym form(Icons());
    EXPECT_EQ(DbType(form)->currentText().toStdString(), c.shown) << c.storedType;
    EXPECT_EQ(Text(form, "provider"), "MyProvider");
    EXPECT_EQ(Text(form, "datasource"), "krymhost");
    EXPECT_EQ(Text(form, "customization"), "Port=1;");
    EXPECT_EQ(Text(form, "connection_timeout"), "12");
    EXPECT_EQ(Text(form, "command_timeout"), "44");
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TargetForm, TimeoutsThatAreNotNumbersShowTheirDefaults) {
  Set(kTimeout, "soon");
  Set(kCommandTimeout, "");
  CommonConfigVornKrym form(Icons());
  EXPECT_EQ(Text(form, "connection_timeout"), "15");
  EXPECT_EQ(Text(form, "command_timeout"), "30");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TargetForm, ATypeThatIsNotANumberOpensTheFormWithTheRefreshFailure) {
  Set(kType, "oracle");
  CommonConfigVornKrym form(Icons());
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Failed to refresh UI from CONFIG", 0, ""}}));
}

TEST_F(TargetForm, ChoosingATypeProposesItsProvider) {
  CommonConfigVornKrym form(Icons());
  DbType(form)->setCurrentText("Oracle");
  EXPECT_EQ(Text(form, "provider"), "OraOLEDB.Oracle");
  DbType(form)->setCurrentText("Microsoft SQL Server");
  EXPECT_EQ(Text(form, "provider"), "SQLNCLI");
}

TEST_F(TargetForm, ApplyWithAnUnreachableServerWritesNothing) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  PointAtTestKrym(db, 1);  // nothing listens on port 1
  const auto before = SixKeys();
  CommonConfigVornKrym form(Icons());
  Type(form, "connection_timeout", "9");
  windowchecks::Press(form, "check");
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].title, "Connection test failed");
  EXPECT_EQ(Boxes()[0].style, 48);
  EXPECT_EQ(Boxes()[0].prompt.rfind("Connection Error :\r\n", 0), 0u) << Boxes()[0].prompt;
  EXPECT_GT(Boxes()[0].prompt.size(), std::string("Connection Error :\r\n").size());
  EXPECT_EQ(Boxes()[1], kUnableToApply);
  EXPECT_EQ(SixKeys(), before);
  EXPECT_FALSE(Config().ChangeWasMade());
}

TEST_F(TargetForm, ABlankDataSourceFailsTheInitOfTheTest) {
  CommonConfigVornKrym form(Icons());
  Type(form, "datasource", "   ");
  windowchecks::Press(form, "check");
  EXPECT_EQ(Boxes(),
            (std::vector<RecordedBox>{{"Connection Init Failed", 48, "Connection test failed"}, kUnableToApply}));
}

TEST_F(TargetForm, ATimeoutThatCannotBeUsedFailsTheTestWithABoxThatNamesIt) {
  struct Case {
    const char* box;
    const char* typed;
    const char* said;
  };
  for (const Case& c :
       {Case{"command_timeout", "abc", "The command timeout 'abc' cannot be used: give a whole number of seconds."},
        Case{"connection_timeout", "3000000000",
             "The connection timeout '3000000000' cannot be used: give a whole number of seconds."}}) {
    SCOPED_TRACE(c.box);
    CommonConfigVornKrym form(Icons());
    Type(form, c.box, c.typed);
    ForgetBoxes();
    windowchecks::Press(*form.Toolbar1(), "connect");
    const RecordedBox said{c.said, 48, "Connection test failed"};
    EXPECT_EQ(Boxes(), std::vector<RecordedBox>{said});
    ForgetBoxes();
    windowchecks::Press(form, "check");
    EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{said, kUnableToApply}));
    EXPECT_FALSE(Config().ChangeWasMade());
  }
}

TEST_F(TargetForm, ApplyAfterASuccessfulTestWritesTrimmedTextsAndClampedTimeouts) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  struct Case {
    const char* typed;
    const char* stored;
  };
  for (const Case& c :
       {Case{"150", "99"}, Case{"0", "1"}, Case{"12.5", "12"}, Case{"13.5", "14"}, Case{"-4", "1"}, Case{" 7 ", "7"}}) {
    PointAtTestKrym(db);
    CommonConfigVornKrym form(Icons());
    Type(form, "provider", "  PostgreSQL Unicode ");
    Type(form, "customization", " Port=" + std::to_string(db.port) + "; ");
    Type(form, "command_timeout", c.typed);
    ForgetBoxes();
    windowchecks::Press(form, "check");
    EXPECT_EQ(Boxes(), std::vector<RecordedBox>{kSuccess}) << c.typed;
    EXPECT_EQ(Get(kCommandTimeout), c.stored) << c.typed;
    EXPECT_EQ(Text(form, "command_timeout"), c.stored) << c.typed;
    EXPECT_EQ(Get(kType), "2");
    EXPECT_EQ(Get(kProvider), "PostgreSQL Unicode");
    EXPECT_EQ(Get(kCustom), "Port=" + std::to_string(db.port) + ";");
    EXPECT_EQ(Get(kTimeout), "5");
  }
}

TEST_F(TargetForm, ATimeoutBeyondTheSixteenBitRangeFailsTheApplyAtThatField) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  PointAtTestKrym(db);
  CommonConfigVornKrym form(Icons());
  Type(form, "datasource", " " + db.host + " ");
  Type(form, "connection_timeout", "40000");  // a good 32-bit number for the test itself
  windowchecks::Press(form, "check");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{kSuccess, kUnableToApply}));
  EXPECT_EQ(Get(kDataSource), db.host);  // written before the failing field
  EXPECT_EQ(Get(kTimeout), "5");
}

TEST_F(TargetForm, SaveTestsAppliesAndWritesTheFile) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  PointAtTestKrym(db);
  CommonConfigVornKrym form(Icons());
  Type(form, "connection_timeout", "21");
  windowchecks::Press(form, "SAVE");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{kSuccess, {"Saved successfully", 64, ""}}));
  EXPECT_NE(ConfigFileText().find("<VORNKRYM_CONNECTION_TIMEOUT>21</VORNKRYM_CONNECTION_TIMEOUT>"), std::string::npos);
  EXPECT_NE(ConfigFileText().find("<VORNKRYM_CONNECTION_PROVIDER>PostgreSQL Unicode</VORNKRYM_CONNECTION_PROVIDER>"),
            std::string::npos);
}

TEST_F(TargetForm, TheTestButtonReportsSuccessOnly) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  PointAtTestKrym(db);
  CommonConfigVornKrym form(Icons());
  windowchecks::Press(*form.Toolbar1(), "connect");
  EXPECT_EQ(Boxes(), std::vector<RecordedBox>{kSuccess});
  EXPECT_FALSE(Config().ChangeWasMade());  // a test writes nothing
  form.Toolbar1ButtonClick("check");       // no button of the second toolbar carries this key
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(TargetForm, ToolbarsCarryTheirButtonsWithImagesAndCloseHides) {
  CommonConfigVornKrym form(Icons());
  struct Button {
    const char* caption;
    const char* key;
    const char* tip;
  };
  const std::vector<Button> expected = {
      {"Apply Settings", "check", "Applies settings (but does not save into configuration XML)"},
      {"Save Settings", "save", "Applies Settings and Saves them into Configuration XML"},
      {"Help", "help", "Displays Help Article"},
      {"Close", "Close", "Closes this form"}};
  const auto actions = form.myToolBar()->actions();
  ASSERT_EQ(actions.size(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(actions[i]->text().toStdString(), expected[i].caption);
    EXPECT_EQ(actions[i]->data().toString().toStdString(), expected[i].key);
    EXPECT_EQ(actions[i]->toolTip().toStdString(), expected[i].tip);
    EXPECT_FALSE(actions[i]->icon().isNull()) << expected[i].key;
  }
  const auto test = form.Toolbar1()->actions();
  ASSERT_EQ(test.size(), 1);
  EXPECT_EQ(test[0]->text().toStdString(), "Test Connection");
  EXPECT_EQ(test[0]->data().toString().toStdString(), "connect");
  EXPECT_EQ(test[0]->toolTip().toStdString(), "Attempts to connect to Vorn Krym");
  EXPECT_FALSE(test[0]->icon().isNull());

  form.show();
  form.ToolbarButtonClick("refresh");  // no such key: nothing happens
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(Boxes().empty());
  windowchecks::Press(form, "Close");
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace configforms
