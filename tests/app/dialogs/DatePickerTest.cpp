// The local date range dialog: its load, the shortcut list, the pickers and how it ends.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QToolBar>

#include "DialogsFixture.h"
#include "app/dialogs/CommonUIDatePicker.h"
#include "app/dialogs/QtSessionDialogs.h"

namespace {

using dialogtest::DialogsTest;

std::string Text(core::Date d) { return core::Format(d, "mm/dd/yyyy HH:nn:ss"); }

void Choose(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text);
  ASSERT_GE(index, 0) << text.toStdString();
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

class DatePicker : public DialogsTest {};

TEST_F(DatePicker, OpensOnYesterdayAndTodayWithItsToolbar) {
  CommonUIDatePicker dialog(icons.get());
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Select Date Range to Import");
  EXPECT_EQ(dialog.cboRelDateSetting()->currentIndex(), 3);
  EXPECT_EQ(dialog.cboRelDateSetting()->count(), 36);
  EXPECT_EQ(Text(dialog.dtStartValue()), "03/14/2024 00:00:00");
  EXPECT_EQ(Text(dialog.dtEndValue()), "03/15/2024 14:37:00");
  EXPECT_EQ(dialog.dtStart()->displayFormat().toStdString(), "MM/dd/yyyy HH:mm:ss");
  EXPECT_EQ(dialog.dtStart()->text().toStdString(), "03/14/2024 00:00:00");

  windowchecks::ExpectToolbar(*dialog.myToolBar(), {{"Import", "wizard", "Start Import for selected variables"},
                                                    {"Help", "help", ""},
                                                    {"Cancel", "cancel", "Cancels Import"}});
  ExpectWhole(dialog);
}

TEST_F(DatePicker, ChoosingAShortcutComputesFromTheTimeOfTheChoice) {
  CommonUIDatePicker dialog(icons.get());
  clock.Set(core::Date::FromParts(2024, 3, 15, 16, 5, 10));
  Choose(dialog.cboRelDateSetting(), "TODAY");
  EXPECT_EQ(Text(dialog.dtStartValue()), "03/15/2024 00:00:00");
  EXPECT_EQ(Text(dialog.dtEndValue()), "03/15/2024 16:05:00");
  Choose(dialog.cboRelDateSetting(), "LAST QUATER");
  EXPECT_EQ(Text(dialog.dtStartValue()), "10/01/2023 00:00:00");
  EXPECT_EQ(Text(dialog.dtEndValue()), "01/01/2024 00:00:00");
}

TEST_F(DatePicker, ValuesInThisComputersDaylightGapStayAsTyped) {
  // 10 March 2024 02:30 does not exist in New York; the picker must not move it.
  testsupport::ScopedTimeZone zone("America/New_York");
  CommonUIDatePicker dialog(icons.get());
  dialog.dtStart()->setDateTime(QDateTime(QDate(2024, 3, 10), QTime(2, 30, 15), Qt::UTC));
  EXPECT_EQ(Text(dialog.dtStartValue()), "03/10/2024 02:30:15");
}

TEST_F(DatePicker, ImportReturnsTheShownDatesAsEditedByHand) {
  QtSessionDialogs dialogs(icons.get(), nullptr);
  WhenShown<CommonUIDatePicker>([](CommonUIDatePicker& d) {
    d.dtStart()->setDateTime(QDateTime(QDate(2024, 2, 29), QTime(6, 15, 30), Qt::UTC));
    windowchecks::Press(d, "wizard");
  });
  const SessionDialogs::DateRangeResult r = dialogs.SelectDateRange();
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(Text(r.start), "02/29/2024 06:15:30");
  EXPECT_EQ(Text(r.end), "03/15/2024 14:37:00");
}

TEST_F(DatePicker, CancelEscapeAndTheWindowFrameAllCancel) {
  const std::function<void(CommonUIDatePicker&)> ways[] = {
      [](CommonUIDatePicker& d) { windowchecks::Press(d, "cancel"); },
      [](CommonUIDatePicker& d) { d.reject(); },
      [](CommonUIDatePicker& d) { CloseThroughFrame(d); },
  };
  QtSessionDialogs dialogs(icons.get(), nullptr);
  for (const auto& way : ways) {
    WhenShown<CommonUIDatePicker>(way);
    EXPECT_TRUE(dialogs.SelectDateRange().cancelled);
  }
}

TEST_F(DatePicker, HelpOpensItsTopicAndTheDialogStays) {
  QtSessionDialogs dialogs(icons.get(), nullptr);
  bool stayed = false;
  WhenShown<CommonUIDatePicker>([&stayed](CommonUIDatePicker& d) {
    windowchecks::Press(d, "help");
    stayed = d.isVisible();
    windowchecks::Press(d, "wizard");
  });
  EXPECT_FALSE(dialogs.SelectDateRange().cancelled);
  EXPECT_TRUE(stayed);
  EXPECT_EQ(shell.opened, std::vector<std::string>{"12058.html"});
}

}  // namespace
