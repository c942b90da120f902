// The UTC date range dialog: the zone list with the collector's zone name from Krym, the range
// shown in the chosen zone and returned in UTC, the server's clock, and how it ends.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <random>

#include "DialogsFixture.h"
#include "app/dialogs/CommonUIDatePickerUTC.h"
#include "app/dialogs/QtSessionDialogs.h"
#include "platform/db/Connection.h"
#include "support/KrymFixture.h"

namespace {

using dialogtest::DialogsTest;

std::string Text(core::Date d) { return core::Format(d, "mm/dd/yyyy HH:nn:ss"); }

void Choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}
void Choose(QComboBox* combo, const QString& text) { Choose(combo, combo->findText(text)); }

class DatePickerUTC : public DialogsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseTestKrym());
    root_.Open(testsupport::KrymFixture::OleDbString(cluster, "QALROOT"));
    std::random_device rd;
    zoneId_ = static_cast<std::int32_t>(500000 + rd() % 1000000000u);
    // The computer's clock agrees with the server's: no offset is learnt from it.
    Context().vornKrymCnn = &notOpen_;
  }
  void TearDown() override {
    if (root_.IsOpen()) root_.Execute("delete from qaltimezone where qaltimezoneid = " + std::to_string(zoneId_));
  }

  std::int32_t ZoneRow(const std::string& name) {
    root_.Execute("insert into qaltimezone (qaltimezoneid, timezonename) values (" + std::to_string(zoneId_) + ", '" +
                  name + "')");
    return zoneId_;
  }
  std::int32_t NoZoneRow() const { return zoneId_; }

  testsupport::ScopedTimeZone est_{"EST5"};  // UTC-5 all year
  platform::db::Connection root_;
  platform::db::Connection notOpen_;
  std::int32_t zoneId_ = 0;
};

TEST_F(DatePickerUTC, InterfaceZoneShowsLocalTimesAndLabelsThemInUtc) {
  clock.Set(core::Date::FromParts(2024, 3, 15, 21, 0, 0));
  CommonUIDatePickerUTC dialog(icons.get());
  dialog.Init(NoZoneRow(), 0, -300);
  Choose(dialog.cboTimeZone(), 2);
  Choose(dialog.cboRelDateSetting(), "TODAY");
  EXPECT_EQ(Text(dialog.dtStartValue()), "03/15/2024 00:00:00");
  EXPECT_EQ(Text(dialog.dtEndValue()), "03/15/2024 21:00:00");
  EXPECT_EQ(dialog.UTC_Start()->text().toStdString(), "03/15/2024 05:00:00");
  EXPECT_EQ(dialog.UTC_End()->text().toStdString(), "03/16/2024 02:00:00");
  windowchecks::Press(dialog, "wizard");
  EXPECT_FALSE(dialog.Cancelled());
  EXPECT_EQ(Text(dialog.SelectedStartUTC()), "03/15/2024 05:00:00");
  EXPECT_EQ(Text(dialog.SelectedEndUTC()), "03/16/2024 02:00:00");
}

TEST_F(DatePickerUTC, OpensInTheCollectorsZoneNamedFromKrym) {
  clock.Set(core::Date::FromParts(2024, 3, 15, 21, 0, 0));
  CommonUIDatePickerUTC dialog(icons.get());
  dialog.Init(ZoneRow("  Central Europe  "), 60, -300);
  ASSERT_EQ(dialog.cboTimeZone()->count(), 3);
  EXPECT_EQ(dialog.cboTimeZone()->itemText(0).toStdString(), "UTC [Greenwich Mean Time]");
  EXPECT_EQ(dialog.cboTimeZone()->itemText(1).toStdString(), "Collector [Central Europe]");
  EXPECT_EQ(dialog.cboTimeZone()->itemText(2).toStdString(), "Interface [EST]");
  EXPECT_EQ(dialog.cboTimeZone()->currentIndex(), 1);
  EXPECT_EQ(dialog.cboRelDateSetting()->currentIndex(), 3);
  // Now in the collector's zone is 21:00 + 6 hours: 03:00 of the next day.
  EXPECT_EQ(Text(dialog.dtStartValue()), "03/15/2024 00:00:00");
  EXPECT_EQ(Text(dialog.dtEndValue()), "03/16/2024 03:00:00");
  EXPECT_EQ(dialog.UTC_Start()->text().toStdString(), "03/14/2024 23:00:00");
  EXPECT_EQ(dialog.UTC_End()->text().toStdString(), "03/16/2024 02:00:00");
  EXPECT_TRUE(boxes.boxes.empty());
  windowchecks::ExpectToolbar(*dialog.myToolBar(), {{"Import", "wizard", "Start Import for selected variables"},
                                                    {"Help", "help", ""},
                                                    {"Cancel", "cancel", "Cancels Import"}});
  ExpectWhole(dialog);
}

TEST_F(DatePickerUTC, ChangingTheZoneKeepsTheShownDatesAndMovesOnlyTheLabels) {
  clock.Set(core::Date::FromParts(2024, 3, 15, 21, 0, 0));
  CommonUIDatePickerUTC dialog(icons.get());
  dialog.Init(NoZoneRow(), 60, -300);
  const std::string start = Text(dialog.dtStartValue()), end = Text(dialog.dtEndValue());
  struct Case {
    int zone;
    const char* utcStart;
    const char* utcEnd;
  };
  const Case cases[] = {{0, "03/15/2024 00:00:00", "03/16/2024 03:00:00"},
                        {2, "03/15/2024 05:00:00", "03/16/2024 08:00:00"},
                        {1, "03/14/2024 23:00:00", "03/16/2024 02:00:00"}};
  for (const Case& c : cases) {
    Choose(dialog.cboTimeZone(), c.zone);
    EXPECT_EQ(Text(dialog.dtStartValue()), start) << c.zone;
    EXPECT_EQ(Text(dialog.dtEndValue()), end) << c.zone;
    EXPECT_EQ(dialog.UTC_Start()->text().toStdString(), c.utcStart) << c.zone;
    EXPECT_EQ(dialog.UTC_End()->text().toStdString(), c.utcEnd) << c.zone;
  }
}

TEST_F(DatePickerUTC, ShortcutsComputeFromNowInTheChosenZone) {
  clock.Set(core::Date::FromParts(2024, 3, 15, 21, 0, 0));
  CommonUIDatePickerUTC dialog(icons.get());
  dialog.Init(NoZoneRow(), 60, -300);
  Choose(dialog.cboTimeZone(), 0);  // UTC: now is 02:00 on the 16th
  Choose(dialog.cboRelDateSetting(), "TODAY");
  EXPECT_EQ(Text(dialog.dtStartValue()), "03/16/2024 00:00:00");
  EXPECT_EQ(Text(dialog.dtEndValue()), "03/16/2024 02:00:00");
  EXPECT_EQ(dialog.UTC_End()->text().toStdString(), "03/16/2024 02:00:00");
}

TEST_F(DatePickerUTC, EditingADateByHandRelabelsIt) {
  CommonUIDatePickerUTC dialog(icons.get());
  dialog.Init(NoZoneRow(), 60, -300);
  dialog.dtStart()->setDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 30, 5), Qt::UTC));
  EXPECT_EQ(dialog.UTC_Start()->text().toStdString(), "12/31/2023 23:30:05");
  windowchecks::Press(dialog, "Wizard");
  EXPECT_EQ(Text(dialog.SelectedStartUTC()), "12/31/2023 23:30:05");
}

TEST_F(DatePickerUTC, ZoneWithoutARowLeavesTheCollectorNameEmpty) {
  CommonUIDatePickerUTC dialog(icons.get());
  dialog.Init(NoZoneRow(), 0, 0);
  EXPECT_EQ(dialog.cboTimeZone()->itemText(1).toStdString(), "Collector []");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DatePickerUTC, KrymOutOfReachIsReportedAndTheWindowStillOpens) {
  struct Case {
    const char* key;
    const char* value;
    const char* prompt;
    const char* title;
  };
  const Case cases[] = {
      {"VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "", "Unable to init Vorn Krym Connection Manager", "K30418 Test"},
      {"VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=1;", "Error :\r\n", "Failed to connect to Vorn Krym"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(UseTestKrym());
    config.item(c.key, c.value);
    boxes.boxes.clear();
    CommonUIDatePickerUTC dialog(icons.get());
    dialog.Init(ZoneRow("Pacific"), 0, 0);
    root_.Execute("delete from qaltimezone where qaltimezoneid = " + std::to_string(zoneId_));
    ASSERT_EQ(boxes.boxes.size(), 1u) << c.key;
    EXPECT_EQ(boxes.boxes[0].prompt.rfind(c.prompt, 0), 0u) << boxes.boxes[0].prompt;
    EXPECT_EQ(boxes.boxes[0].style, 48);
    EXPECT_EQ(boxes.boxes[0].title, c.title);
    EXPECT_EQ(dialog.cboTimeZone()->itemText(1).toStdString(), "Collector []");
    EXPECT_EQ(Text(dialog.dtStartValue()), "03/14/2024 00:00:00");
  }
}

TEST_F(DatePickerUTC, LearnsTheServersClockOnItsRootConnection) {
  // The computer's clock says 2024; the server's says today.
  Context().vornKrymCnn = nullptr;
  CommonUIDatePickerUTC dialog(icons.get());
  dialog.Init(NoZoneRow(), 0, 0);
  EXPECT_EQ(Context().vornKrymCnn, nullptr);  // the connection was only lent
  EXPECT_GT(Context().serverOffsetSec, 60 * 86400);
  Choose(dialog.cboTimeZone(), 2);
  Choose(dialog.cboRelDateSetting(), "TODAY");
  EXPECT_GT(dialog.dtEndValue().Year(), 2024);
}

TEST_F(DatePickerUTC, CancelEscapeAndTheWindowFrameCancelAndImportReturnsUtc) {
  clock.Set(core::Date::FromParts(2024, 3, 15, 21, 0, 0));
  QtSessionDialogs dialogs(icons.get(), nullptr);
  const std::function<void(CommonUIDatePickerUTC&)> cancels[] = {
      [](CommonUIDatePickerUTC& d) { windowchecks::Press(d, "CANCEL"); },
      [](CommonUIDatePickerUTC& d) { d.reject(); },
      [](CommonUIDatePickerUTC& d) { CloseThroughFrame(d); },
  };
  for (const auto& cancel : cancels) {
    WhenShown<CommonUIDatePickerUTC>(cancel);
    EXPECT_TRUE(dialogs.SelectDateRangeUTC(NoZoneRow(), 60, -300).cancelled);
  }
  WhenShown<CommonUIDatePickerUTC>([](CommonUIDatePickerUTC& d) { windowchecks::Press(d, "wizard"); });
  const SessionDialogs::DateRangeResult r = dialogs.SelectDateRangeUTC(NoZoneRow(), 60, -300);
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(Text(r.start), "03/14/2024 23:00:00");
  EXPECT_EQ(Text(r.end), "03/16/2024 02:00:00");
}

}  // namespace
