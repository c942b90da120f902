#include "platform/qt/QtActivityList.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <memory>

#include "support/QtTestApp.h"

namespace {

class QtActivity : public ::testing::Test {
 protected:
  QApplication& app = qttest::App();  // before any widget
  std::unique_ptr<QListWidget> widget = std::make_unique<QListWidget>();
  platform::qt::QtActivityList list{widget.get()};
};

TEST_F(QtActivity, AddsSelectsRemovesAndClearsLines) {
  list.AddItem("Connecting to DeraRed");
  list.AddItem("Read 3 records ü");
  list.AddItem("Done");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(widget->count(), 3);
  EXPECT_EQ(list.Item(1), "Read 3 records ü");

  list.SelectLast();
  EXPECT_EQ(widget->currentRow(), 2);

  list.RemoveItem(0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0), "Read 3 records ü");

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  list.SelectLast();  // empty: nothing to select
  EXPECT_EQ(widget->currentRow(), -1);
}

TEST_F(QtActivity, IndexesOutsideTheListReadEmptyAndRemoveNothing) {
  list.AddItem("only");
  for (int index : {-1, 1, 100}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(list.Item(index), "");
    list.RemoveItem(index);
    EXPECT_EQ(list.Count(), 1);
  }
}

TEST_F(QtActivity, OutlivesItsWidgetSafely) {
  list.AddItem("before");
  widget.reset();
  EXPECT_EQ(list.Count(), 0);
  list.AddItem("after");
  list.SelectLast();
  list.RemoveItem(0);
  list.Clear();
  EXPECT_EQ(list.Item(0), "");
}

}  // namespace
