// The automated import window: the schedule and its precedence, the clamps of every number, the
// last-run date in both directions, and the one-"YES" rule of the schedule switches.
#include <QDateTimeEdit>
#include <QRadioButton>

#include "ConfigFormsFixture.h"
#include "app/config/CommonConfigNTSvc.h"

namespace configforms {
namespace {

constexpr const char* kRoot = "OPTIONS\\AUTOMATED_IMPORT\\";

std::string Key(const std::string& name) { return kRoot + name; }

class ScheduleForm : public ConfigForms {
 protected:
  static QRadioButton* Option(const QWidget& f, const char* name) { return Child<QRadioButton>(f, name); }
  static std::string Chosen(const QWidget& f, std::initializer_list<const char*> names) {
    for (const char* n : names)
      if (Option(f, n)->isChecked()) return n;
    return "";
  }
};

TEST_F(ScheduleForm, TheScheduleShownFollowsDailyThenHourlyAsStoredInExactCase) {
  struct Case {
    const char* daily;
    const char* hourly;
    const char* minutely;
    const char* shown;
  };
  for (const Case& c : {Case{"YES", "YES", "NO", "optDaily"}, Case{"NO", "YES", "YES", "optHourly"},
                        Case{"yes", "NO", "NO", "optMinutely"}, Case{"NO", "NO", "NO", "optMinutely"}}) {
    Set(Key("SCHEDULE\\DAILY"), c.daily);
    Set(Key("SCHEDULE\\HOURLY"), c.hourly);
    Set(Key("SCHEDULE\\MINUTELY"), c.minutely);
    CommonConfigNTSvc form(Icons());
    EXPECT_EQ(Chosen(form, {"optDaily", "optHourly", "optMinutely"}), c.shown) << c.daily << "/" << c.hourly;
  }
}

TEST_F(ScheduleForm, RefreshShowsNumbersDatesAndSwitches) {
  Set(Key("SCHEDULE\\DAILY_HOUR"), "x");
  Set(Key("SCHEDULE\\DAILY_MINUTE"), "");
  Set(Key("SCHEDULE\\HOURLY_MINUTE"), "44");
  Set(Key("STARTDATE_SHIFT_MINUTE"), "-60");
  Set(Key("DEFAULT_LAST_RUN"), "12-07-2026 13:05:09");
  Set(Key("SUBMIT_CALC_REQUEST"), "yes");
  Set(Key("REAL_OPERATION_MODE"), "YES");
  CommonConfigNTSvc form(Icons());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Text(form, "dayTimeHour"), "0");
  EXPECT_EQ(Text(form, "dayTimeMinutes"), "1");
  EXPECT_EQ(Text(form, "HourTimeMinutes"), "44");
  EXPECT_EQ(Text(form, "txtTimeShift"), "-60");
  EXPECT_EQ(form.dtStart()->text().toStdString(), "12/07/2026 13:05:09");
  EXPECT_EQ(Chosen(form, {"optCalcNone", "optCalcAll"}), "optCalcNone");
  EXPECT_EQ(Chosen(form, {"modeReal", "modeTest"}), "modeReal");

  struct Case {
    const char* stored;
    const char* shown;
  };
  for (const Case& c : {Case{"-5", "10"}, Case{"2000", "1440"}, Case{"abc", "10"}, Case{"7", "7"}, Case{"0", "0"}}) {
    Set(Key("SCHEDULE\\MINUTELY_MINUTE"), c.stored);
    CommonConfigNTSvc again(Icons());
    EXPECT_EQ(Text(again, "MinutelyMinutes"), c.shown) << c.stored;
  }
}

TEST_F(ScheduleForm, ALastRunDateThatIsNotADateFailsTheRefresh) {
  Set(Key("DEFAULT_LAST_RUN"), "soon");
  Set(Key("SCHEDULE\\HOURLY_MINUTE"), "44");
  CommonConfigNTSvc form(Icons());
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Failed to refresh UI from CONFIG", 0, ""}}));
  EXPECT_EQ(Text(form, "HourTimeMinutes"), "");  // the controls after the date keep their design values
  EXPECT_EQ(Chosen(form, {"optDaily", "optHourly", "optMinutely"}), "");
}

TEST_F(ScheduleForm, EveryNumberIsRoundedHalfToEvenAndHeldToItsRange) {
  ExpectNumbersApplied<CommonConfigNTSvc>({
      {"dayTimeHour", Key("SCHEDULE\\DAILY_HOUR"), "25", "23"},
      {"dayTimeHour", Key("SCHEDULE\\DAILY_HOUR"), "-3", "0"},
      {"dayTimeHour", Key("SCHEDULE\\DAILY_HOUR"), "7.5", "8"},
      {"dayTimeHour", Key("SCHEDULE\\DAILY_HOUR"), "8.5", "8"},
      {"dayTimeMinutes", Key("SCHEDULE\\DAILY_MINUTE"), "75", "59"},
      {"HourTimeMinutes", Key("SCHEDULE\\HOURLY_MINUTE"), "-1", "0"},
      {"MinutelyMinutes", Key("SCHEDULE\\MINUTELY_MINUTE"), "-5", "10"},
      {"MinutelyMinutes", Key("SCHEDULE\\MINUTELY_MINUTE"), "0", "0"},
      {"MinutelyMinutes", Key("SCHEDULE\\MINUTELY_MINUTE"), "2000", "1440"},
      {"MinutelyMinutes", Key("SCHEDULE\\MINUTELY_MINUTE"), "12.5", "12"},
      {"txtTimeShift", Key("STARTDATE_SHIFT_MINUTE"), "20000", "14400"},
      {"txtTimeShift", Key("STARTDATE_SHIFT_MINUTE"), "-20000", "-14400"},
  });

  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScheduleForm, TextThatIsNotANumberIsRefusedAndTheBoxRestored) {
  for (const char* box : {"dayTimeMinutes", "MinutelyMinutes"}) {
    ForgetBoxes();
    Set(Key("SCHEDULE\\DAILY_MINUTE"), "5");
    Set(Key("SCHEDULE\\MINUTELY_MINUTE"), "15");
    CommonConfigNTSvc form(Icons());
    Type(form, box, "half past");
    Type(form, "HourTimeMinutes", "33");
    windowchecks::Press(form, "check");
    const std::string key =
        std::string(box) == "dayTimeMinutes" ? "SCHEDULE\\DAILY_MINUTE" : "SCHEDULE\\MINUTELY_MINUTE";
    EXPECT_EQ(Boxes(),
              (std::vector<RecordedBox>{{"Invalid value provided for '" + Key(key) + "'. Will use previous value.", 48,
                                         "Validation failed"}}));
    EXPECT_EQ(Text(form, box), Get(Key(key)));
    EXPECT_EQ(Get(Key("SCHEDULE\\DAILY_MINUTE")), "5");
    EXPECT_EQ(Get(Key("SCHEDULE\\MINUTELY_MINUTE")), "15");
    EXPECT_EQ(Get(Key("SCHEDULE\\HOURLY_MINUTE")), "33");  // the apply goes on
  }
}

TEST_F(ScheduleForm, ANumberBeyondSixteenBitsStopsTheApplyAtItsField) {
  CommonConfigNTSvc form(Icons());
  Type(form, "dayTimeHour", "4");
  Type(form, "dayTimeMinutes", "70000");
  Type(form, "HourTimeMinutes", "30");
  windowchecks::Press(form, "check");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Unable to apply settings", 48, ""}}));
  EXPECT_EQ(Get(Key("SCHEDULE\\DAILY_HOUR")), "4");
  EXPECT_EQ(Get(Key("SCHEDULE\\HOURLY_MINUTE")), "1");
}

TEST_F(ScheduleForm, ApplyWritesExactlyOneScheduleSwitchAndTheOtherChoices) {
  struct Case {
    const char* option;
    const char* daily;
    const char* hourly;
    const char* minutely;
  };
  for (const Case& c : {Case{"optDaily", "YES", "NO", "NO"}, Case{"optHourly", "NO", "YES", "NO"},
                        Case{"optMinutely", "NO", "NO", "YES"}}) {
    Set(Key("SCHEDULE\\DAILY"), "YES");
    Set(Key("SCHEDULE\\HOURLY"), "YES");
    Set(Key("SCHEDULE\\MINUTELY"), "YES");
    CommonConfigNTSvc form(Icons());
    Option(form, c.option)->setChecked(true);
    Option(form, "optCalcAll")->setChecked(true);
    Option(form, "modeTest")->setChecked(true);
    windowchecks::Press(form, "check");
    EXPECT_EQ(Get(Key("SCHEDULE\\DAILY")), c.daily) << c.option;
    EXPECT_EQ(Get(Key("SCHEDULE\\HOURLY")), c.hourly) << c.option;
    EXPECT_EQ(Get(Key("SCHEDULE\\MINUTELY")), c.minutely) << c.option;
    EXPECT_EQ(Get(Key("SUBMIT_CALC_REQUEST")), "YES");
    EXPECT_EQ(Get(Key("REAL_OPERATION_MODE")), "NO");
  }
}

TEST_F(ScheduleForm, TheLastRunDateIsStoredMonthFirstWithA24HourTime) {
  CommonConfigNTSvc form(Icons());
  form.dtStart()->setDateTime(QDateTime(QDate(2026, 3, 8), QTime(2, 30, 15), Qt::UTC));  // a DST gap in many zones
  windowchecks::Press(form, "save");
  EXPECT_EQ(Get(Key("DEFAULT_LAST_RUN")), "03-08-2026 02:30:15");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Saved successfully", 64, ""}}));
  EXPECT_NE(ConfigFileText().find("<DEFAULT_LAST_RUN>03-08-2026 02:30:15</DEFAULT_LAST_RUN>"), std::string::npos);

  Set(Key("DEFAULT_LAST_RUN"), "12-31-2025 23:59:59");
  CommonConfigNTSvc again(Icons());
  windowchecks::Press(again, "check");
  EXPECT_EQ(Get(Key("DEFAULT_LAST_RUN")), "12-31-2025 23:59:59");
}

}  // namespace
}  // namespace configforms
