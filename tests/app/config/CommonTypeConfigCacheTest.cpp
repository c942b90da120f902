// The source cache window: exact-case switches, set points held to ranges that hang together,
// refusal of text that is not a number, and "check" that applies and closes.
#include <QAction>
#include <QCheckBox>
#include <QRadioButton>
#include <QToolBar>

#include "ConfigFormsFixture.h"
#include "app/config/CommonTypeConfigCache.h"

namespace configforms {
namespace {

constexpr const char* kPoints = "SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS_SETPOINT";
constexpr const char* kDays = "SOURCE\\CACHE\\LIMIT_BY_DAYS_SETPOINT";
constexpr const char* kBytes = "SOURCE\\CACHE\\LIMIT_BY_BYTES_SETPOINT";

class CacheForm : public ConfigForms {
 protected:
  static QCheckBox* Check(const QWidget& f, const char* name) { return Child<QCheckBox>(f, name); }
  static QRadioButton* Option(const QWidget& f, const char* name) { return Child<QRadioButton>(f, name); }
};

TEST_F(CacheForm, RefreshTakesOnlyUpperCaseTrueAsOn) {
  Set("SOURCE\\CACHE\\ENABLED", "true");
  Set("SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS", "TRUE");
  Set("SOURCE\\CACHE\\LIMIT_BY_DAYS", "true");
  Set("SOURCE\\CACHE\\LIMIT_BY_BYTES", "FALSE");
  Set(kPoints, "100");
  Set(kDays, "x");
  Set(kBytes, "800");
  CommonTypeConfigCache form(Icons());
  EXPECT_TRUE(Option(form, "enFalse")->isChecked());
  EXPECT_TRUE(Check(form, "chDatapoints")->isChecked());
  EXPECT_FALSE(Check(form, "chkDays")->isChecked());
  EXPECT_FALSE(Check(form, "chkBytes")->isChecked());
  EXPECT_EQ(Text(form, "setDatapoints"), "100");
  EXPECT_EQ(Text(form, "setDays"), "x");  // as stored
  EXPECT_EQ(Text(form, "setBytes"), "800");

  // Applied unchanged, the lower-case switches are written as "FALSE".
  windowchecks::Press(form, "check");
  EXPECT_EQ(Get("SOURCE\\CACHE\\ENABLED"), "FALSE");
  EXPECT_EQ(Get("SOURCE\\CACHE\\LIMIT_BY_DAYS"), "FALSE");
  EXPECT_EQ(Get("SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS"), "TRUE");
}

TEST_F(CacheForm, SetPointsAreRoundedHalfToEvenAndHeldToTheirRanges) {
  ExpectNumbersApplied<CommonTypeConfigCache>({
      {"setDays", kDays, "0", "1"},
      {"setDays", kDays, "301", "300"},
      {"setDays", kDays, "2.5", "2"},
      {"setDays", kDays, "3.5", "4"},
      {"setDatapoints", kPoints, "2000000", "1296000"},
      {"setDatapoints", kPoints, "-9", "1"},
      {"setBytes", kBytes, "99999999", "10368000"},
      {"setBytes", kBytes, "70000", "70000"},
  });

  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CacheForm, ANonNumericSetPointIsRefusedAndTheOthersStillApply) {
  CommonTypeConfigCache form(Icons());
  form.show();
  Type(form, "setDatapoints", "abc");
  Type(form, "setBytes", "5000");
  Type(form, "setDays", "20");
  windowchecks::Press(form, "check");
  EXPECT_EQ(Boxes(),
            (std::vector<RecordedBox>{{"Invalid value provided for 'SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS_SETPOINT'. "
                                       "Will use previous value.",
                                       48, "Validation failed"}}));
  EXPECT_EQ(Text(form, "setDatapoints"), "60480");
  EXPECT_EQ(Get(kPoints), "60480");
  EXPECT_EQ(Get(kBytes), "5000");
  EXPECT_EQ(Get(kDays), "20");
  EXPECT_FALSE(form.isVisible());  // check closes the window
}

TEST_F(CacheForm, CheckClosesTheWindowAlsoWhenTheApplyFails) {
  CommonTypeConfigCache form(Icons());
  form.show();
  Type(form, "setBytes", "1e12");  // beyond 32 bits
  windowchecks::Press(form, "check");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Unable to apply settings", 48, ""}}));
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Get(kBytes), "483840");
}

TEST_F(CacheForm, TheToolbarHasNoSaveAndASaveKeyDoesNothing) {
  CommonTypeConfigCache form(Icons());
  std::vector<std::string> keys;
  for (QAction* a : form.myToolBar()->actions()) keys.push_back(a->data().toString().toStdString());
  EXPECT_EQ(keys, (std::vector<std::string>{"check", "help", "Close"}));
  EXPECT_EQ(windowchecks::ActionOf(*form.myToolBar(), "save"), nullptr);
  Type(form, "setDays", "9");
  form.ToolbarButtonClick("save");  // the key itself: no button carries it
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Get(kDays), "14");
  EXPECT_FALSE(Config().ChangeWasMade());
}

}  // namespace
}  // namespace configforms
