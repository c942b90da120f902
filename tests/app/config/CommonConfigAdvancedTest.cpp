// The advanced options window: its tabs, the refresh defaults, every clamp, the poll wait's own
// messages, the throttle's dependants, protection switched on and off through the password
// dialogs, and the launch of the feature forms (the map editor after a read of the test Krym).
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "ConfigFormsFixture.h"
#include "app/config/CommonAskForConfigPassword.h"
#include "app/config/CommonChangeConfigPassword.h"
#include "app/config/CommonConfigAInfo.h"
#include "app/config/CommonConfigAdvanced.h"
#include "app/config/CommonConfigUnits.h"
#include "app/config/CommonTypeConfigCache.h"
#include "foundation/HashTable.h"
#include "import/model/CommonVarGatherer.h"
#include "support/KrymFixture.h"

namespace configforms {
namespace {

constexpr const char* kProtect = "OPTIONS\\PASSWORD_PROTECT_CONFIG";
constexpr const char* kPassword = "OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD";
constexpr const char* kPollWait = "OPTIONS\\PERFORMANCE\\POLL_WAIT";

class AdvancedForm : public ConfigForms {
 protected:
  static QCheckBox* Check(const QWidget& f, const char* name) { return Child<QCheckBox>(f, name); }
  static QRadioButton* Option(const QWidget& f, const char* name) { return Child<QRadioButton>(f, name); }
  static RecordedBox Validation(const std::string& prompt) { return {prompt, 48, "Validation failed"}; }
  // The launch buttons stay disabled after every opening; a test enables one to click it.
  static void Launch(QPushButton* button) {
    button->setEnabled(true);
    button->click();
  }
};

TEST_F(AdvancedForm, SevenTabsAndTheLaunchButtonsDisabledAfterEveryOpening) {
  CommonConfigAdvanced form(Icons());
  std::vector<std::string> tabs;
  for (int i = 0; i < form.Tabs()->count(); ++i) tabs.push_back(form.Tabs()->tabText(i).toStdString());
  EXPECT_EQ(tabs, (std::vector<std::string>{"Monitoring", "Protection", "Recovery", "Source Caching", "Unit Conversion",
                                            "Additional Info", "Performance"}));
  EXPECT_FALSE(form.LaunchCacheConfig()->isEnabled());
  EXPECT_FALSE(form.LaunchUnitConfig()->isEnabled());
  EXPECT_FALSE(form.LaunchAInfoConfig()->isEnabled());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(AdvancedForm, RefreshShowsStoredValuesOrTheirDefaults) {
  Set("OPTIONS\\LOG_VERBOSITY", "3");
  Set("OPTIONS\\KEEP_LOGS_FOR", "3");
  Set("OPTIONS\\INSTANCE_SERVICE_NAME", "k30418-b");
  Set("OPTIONS\\REFRESH_LOGSIZE", "200000");
  Set("OPTIONS\\REFRESH_LOG_SECONDS", "x");
  Set("OPTIONS\\REFRESH_STATUS_SECONDS", "");
  Set("OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", " yes ");
  Set("OPTIONS\\ENCRYPT_PROTECT_CONFIG", "NO");
  Set(kProtect, "maybe");
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "x");
  Set("SOURCE\\RECOVERY\\SECONDS", "7");
  Set("TARGET\\RECOVERY\\ATTEMPTS", "4");
  Set("TARGET\\RECOVERY\\SECONDS", "");
  Set("OPTIONS\\PERFORMANCE\\THROTTLE", " true ");
  Set(kPollWait, "soon");
  Set("OPTIONS\\PERFORMANCE\\MSG_BEFORE", "false");
  Set("OPTIONS\\PERFORMANCE\\MSG_AFTER", "True");
  CommonConfigAdvanced form(Icons());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Child<QComboBox>(form, "o_log_level")->currentText().toStdString(), "3");
  EXPECT_EQ(Text(form, "o_log_keepdays"), "3");  // as stored
  EXPECT_EQ(Text(form, "o_ntservice_name"), "k30418-b");
  EXPECT_EQ(Text(form, "o_display_bytes"), "99999");
  EXPECT_EQ(Text(form, "o_display_log"), "30");
  EXPECT_EQ(Text(form, "o_display_status"), "5");
  EXPECT_TRUE(Check(form, "o_require_interactive")->isChecked());
  EXPECT_FALSE(Check(form, "o_protect_encrypt")->isChecked());
  EXPECT_FALSE(Check(form, "o_protect_change")->isChecked());
  EXPECT_EQ(Text(form, "o_source_reconnect_total"), "99");
  EXPECT_EQ(Text(form, "o_source_reconnect_second"), "7");
  EXPECT_EQ(Text(form, "o_krym_reconnect_total"), "4");
  EXPECT_EQ(Text(form, "o_krym_reconnect_second"), "5");
  EXPECT_TRUE(Option(form, "optThrottleEnabled")->isChecked());
  EXPECT_EQ(Text(form, "txtPollWait"), "500");
  EXPECT_TRUE(Option(form, "optMsgBeforeDisabled")->isChecked());
  EXPECT_TRUE(Option(form, "optMsgAfterEnabled")->isChecked());

  for (const char* size : {"500", "x"}) {
    Set("OPTIONS\\REFRESH_LOGSIZE", size);
    CommonConfigAdvanced again(Icons());
    EXPECT_EQ(Text(again, "o_display_bytes"), std::string(size) == "x" ? "4096" : "500");  // no lower bound here
  }
}

TEST_F(AdvancedForm, AVerbosityThatIsNoEntryOfTheListFailsTheRefresh) {
  Set("OPTIONS\\LOG_VERBOSITY", "12");
  CommonConfigAdvanced form(Icons());
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Failed to refresh UI from CONFIG", 0, ""}}));
}

TEST_F(AdvancedForm, NumbersAreHeldToTheirRangesAndWrittenBack) {
  ExpectNumbersApplied<CommonConfigAdvanced>({
      {"o_log_keepdays", "OPTIONS\\KEEP_LOGS_FOR", "3", "7"},
      {"o_log_keepdays", "OPTIONS\\KEEP_LOGS_FOR", "5000", "1000"},
      {"o_log_keepdays", "OPTIONS\\KEEP_LOGS_FOR", "30.5", "30"},
      {"o_display_status", "OPTIONS\\REFRESH_STATUS_SECONDS", "0", "0"},
      {"o_display_status", "OPTIONS\\REFRESH_STATUS_SECONDS", "150", "99"},
      {"o_display_log", "OPTIONS\\REFRESH_LOG_SECONDS", "-1", "0"},
      {"o_display_bytes", "OPTIONS\\REFRESH_LOGSIZE", "500", "1024"},
      {"o_display_bytes", "OPTIONS\\REFRESH_LOGSIZE", "200000", "99999"},
      {"o_source_reconnect_total", "SOURCE\\RECOVERY\\ATTEMPTS", "1000", "999"},
      {"o_source_reconnect_second", "SOURCE\\RECOVERY\\SECONDS", "0", "1"},
      {"o_krym_reconnect_total", "TARGET\\RECOVERY\\ATTEMPTS", "-3", "0"},
      {"o_krym_reconnect_second", "TARGET\\RECOVERY\\SECONDS", "60", "59"},
  });

  EXPECT_TRUE(Boxes().empty());
}

TEST_F(AdvancedForm, TextThatIsNotANumberIsRefusedNamingItsKey) {
  CommonConfigAdvanced form(Icons());
  Type(form, "o_log_keepdays", "a month");
  Type(form, "o_krym_reconnect_total", "");
  Type(form, "o_ntservice_name", "  svc  ");
  windowchecks::Press(form, "check");
  EXPECT_EQ(Boxes(),
            (std::vector<RecordedBox>{
                Validation("Invalid value provided for 'OPTIONS\\KEEP_LOGS_FOR'. Will use previous value."),
                Validation("Invalid value provided for 'TARGET\\RECOVERY\\ATTEMPTS'. Will use previous value.")}));
  EXPECT_EQ(Text(form, "o_log_keepdays"), "30");
  EXPECT_EQ(Text(form, "o_krym_reconnect_total"), "6");
  EXPECT_EQ(Get("OPTIONS\\INSTANCE_SERVICE_NAME"), "svc");
}

TEST_F(AdvancedForm, ThePollWaitHasMessagesOfItsOwn) {
  const std::string rounding = "Artificial Wait between Source Polling field can only accept whole numbers. ";
  const std::string minimum =
      "Invalid value provided for Artificial Wait between Source Polling. Will use minimum value of 1.";
  const std::string maximum =
      "Invalid value provided for Artificial Wait between Source Polling. Will use maximum value of 9999.";
  const std::string previous =
      "Invalid value provided for Artificial Wait between Source Polling. Will use previous value.";
  struct Case {
    const char* typed;
    const char* stored;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"12.7", "13", {rounding + "12.7 will be rounded to nearest whole number"}},
      {"2.5", "2", {rounding + "2.5 will be rounded to nearest whole number"}},
      {"0", "1", {minimum}},
      {"-5", "1", {minimum}},
      {"0.4", "1", {rounding + "0.4 will be rounded to nearest whole number", minimum}},
      {"20000", "9999", {maximum}},
      {"750", "750", {}},
      {"abc", "500", {previous}},
  };
  for (const Case& c : cases) {
    Set(kPollWait, "500");
    CommonConfigAdvanced form(Icons());
    ForgetBoxes();
    Type(form, "txtPollWait", c.typed);
    windowchecks::Press(form, "check");
    std::vector<RecordedBox> expected;
    for (const std::string& m : c.messages) expected.push_back(Validation(m));
    EXPECT_EQ(Boxes(), expected) << c.typed;
    EXPECT_EQ(Get(kPollWait), c.stored) << c.typed;
    EXPECT_EQ(Text(form, "txtPollWait"), c.stored) << c.typed;
  }
}

TEST_F(AdvancedForm, TheThrottleSwitchEnablesItsDependants) {
  CommonConfigAdvanced form(Icons());
  const char* dependants[] = {
      "frameSourcePolling",  "txtPollWait",          "lblPollWait1",       "lblPollWait2",       "frameBeforeMessages",
      "optMsgBeforeEnabled", "optMsgBeforeDisabled", "frameAfterMessages", "optMsgAfterEnabled", "optMsgAfterDisabled"};
  const auto background = [&] { return Child(form, "txtPollWait")->palette().color(QPalette::Base); };
  windowchecks::Click(form, "optThrottleDisabled");
  for (const char* name : dependants) EXPECT_FALSE(Child<QWidget>(form, name)->isEnabled()) << name;
  EXPECT_EQ(background(), QApplication::palette().color(QPalette::Button));
  windowchecks::Click(form, "optThrottleEnabled");
  for (const char* name : dependants) EXPECT_TRUE(Child<QWidget>(form, name)->isEnabled()) << name;
  EXPECT_EQ(background(), QApplication::palette().color(QPalette::Base));
  EXPECT_FALSE(Option(form, "optThrottleDisabled")->isChecked());
  windowchecks::Press(form, "check");
  EXPECT_EQ(Get("OPTIONS\\PERFORMANCE\\THROTTLE"), "TRUE");
}

TEST_F(AdvancedForm, SwitchingProtectionOnAsksForANewPassword) {
  {
    CommonConfigAdvanced form(Icons());
    Check(form, "o_protect_change")->setChecked(true);
    OnNextModal<CommonChangeConfigPassword>([](CommonChangeConfigPassword& d) { windowchecks::Click(d, "btnCancel"); });
    windowchecks::Press(form, "check");
    EXPECT_EQ(Get(kProtect), "NO");
    EXPECT_EQ(Get(kPassword), "58031");
    // The box stays as the operator left it, so the next apply asks again.
    EXPECT_TRUE(Check(form, "o_protect_change")->isChecked());
    bool askedAgain = false;
    OnNextModal<CommonChangeConfigPassword>([&askedAgain](CommonChangeConfigPassword& d) {
      askedAgain = true;
      windowchecks::Click(d, "btnCancel");
    });
    windowchecks::Press(form, "check");
    EXPECT_TRUE(askedAgain);
    EXPECT_EQ(Get(kProtect), "NO");
  }
  CommonConfigAdvanced form(Icons());
  Check(form, "o_protect_change")->setChecked(true);
  OnNextModal<CommonChangeConfigPassword>([](CommonChangeConfigPassword& d) {
    d.pOld()->setText("58031");
    d.pNew1()->setText(" new pass");
    d.pnew2()->setText(" new pass");
    windowchecks::Click(d, "btnOK");
  });
  windowchecks::Press(form, "check");
  EXPECT_EQ(Get(kProtect), "YES");
  EXPECT_EQ(Get(kPassword), " new pass");  // as typed
  EXPECT_TRUE(Boxes().empty());

  // Applied again with the box still ticked, nothing is asked.
  windowchecks::Press(form, "check");
  EXPECT_EQ(Get(kPassword), " new pass");
}

TEST_F(AdvancedForm, SwitchingProtectionOffNeedsTheCurrentPassword) {
  Set(kProtect, "YES");
  Set(kPassword, "s3cret");
  {
    CommonConfigAdvanced form(Icons());
    Check(form, "o_protect_change")->setChecked(false);
    OnNextModal<CommonAskForConfigPassword>([](CommonAskForConfigPassword& d) {
      d.pOld()->setText("S3CRET");
      windowchecks::Click(d, "btnOK");  // refused: the dialog stays open
      EXPECT_TRUE(d.isVisible());
      windowchecks::Click(d, "btnCancel");
    });
    windowchecks::Press(form, "check");
    EXPECT_EQ(Prompts(), std::vector<std::string>{"Provided Current Password is invalid"});
    EXPECT_EQ(Get(kProtect), "YES");
    EXPECT_FALSE(Check(form, "o_protect_change")->isChecked());  // as the operator left it
  }
  CommonConfigAdvanced form(Icons());
  Check(form, "o_protect_change")->setChecked(false);
  OnNextModal<CommonAskForConfigPassword>([](CommonAskForConfigPassword& d) {
    d.pOld()->setText("s3cret");
    windowchecks::Click(d, "btnOK");
  });
  windowchecks::Press(form, "check");
  EXPECT_EQ(Get(kProtect), "NO");
}

TEST_F(AdvancedForm, SaveAppliesAndWritesTheFile) {
  CommonConfigAdvanced form(Icons());
  Type(form, "o_display_bytes", "8192");
  Check(form, "o_require_interactive")->setChecked(true);
  windowchecks::Press(form, "save");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Saved successfully", 64, ""}}));
  EXPECT_NE(ConfigFileText().find("<REFRESH_LOGSIZE>8192</REFRESH_LOGSIZE>"), std::string::npos);
  EXPECT_NE(ConfigFileText().find("<PASSWORD_PROTECT_INTERACTIVE_IMPORT>YES</PASSWORD_PROTECT_INTERACTIVE_IMPORT>"),
            std::string::npos);
}

TEST_F(AdvancedForm, TheCacheAndUnitButtonsOpenTheirForms) {
  CommonConfigAdvanced form(Icons());
  bool cache = false;
  bool units = false;
  OnNextModal<CommonTypeConfigCache>([&cache](CommonTypeConfigCache& f) {
    cache = true;
    windowchecks::Press(f, "close");
  });
  Launch(form.LaunchCacheConfig());
  OnNextModal<CommonConfigUnits>([&units](CommonConfigUnits& f) {
    units = true;
    windowchecks::Press(f, "close");
  });
  Launch(form.LaunchUnitConfig());
  EXPECT_TRUE(cache);
  EXPECT_TRUE(units);
}

TEST_F(AdvancedForm, TheMapEditorOpensWithTheFacilitiesReadFromKrym) {
  testsupport::KrymFixture facility;
  ASSERT_TRUE(facility.Ok());
  ASSERT_TRUE(facility.Register("Plant of the test"));
  PointAtTestKrym(facility.Cluster());
  CommonConfigAdvanced form(Icons());
  std::string name;
  OnNextModal<CommonConfigAInfo>([&](CommonConfigAInfo& editor) {
    if (editor.VarGatherer()) name = editor.VarGatherer()->FacilityNames()->item(facility.Name()).Text();
    windowchecks::Press(editor, "close");
  });
  Launch(form.LaunchAInfoConfig());
  EXPECT_EQ(name, "Plant of the test");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(AdvancedForm, TheMapEditorStaysClosedWhenKrymCannotBeRead) {
  testsupport::TestDatabase db;
  ASSERT_TRUE(testsupport::RequireDatabase(db));
  PointAtTestKrym(db, 1);
  CommonConfigAdvanced form(Icons());
  bool opened = false;
  QPointer<QTimer> watch = OnNextModal<CommonConfigAInfo>([&opened](CommonConfigAInfo& editor) {
    opened = true;
    windowchecks::Press(editor, "close");
  });
  Launch(form.LaunchAInfoConfig());
  delete watch.data();
  EXPECT_FALSE(opened);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].title, "Failed to connect to Vorn Krym");
  EXPECT_EQ(Boxes()[0].prompt.rfind("Error :\r\n", 0), 0u);

  ForgetBoxes();
  for (const char* type : {"x", "3"}) {  // not a number, or a type the manager refuses
    Set("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", type);
    Launch(form.LaunchAInfoConfig());  // the editor would wait here for a close
  }
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Unable to init Vorn Krym Connection Manager", 48, ""},
                                               {"Unable to init Vorn Krym Connection Manager", 48, ""}}));
}

}  // namespace
}  // namespace configforms
