#include "platform/qt/QtBusyPointer.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <optional>

#include "support/QtTestApp.h"

namespace {

std::optional<Qt::CursorShape> Override() {
  const QCursor* c = QGuiApplication::overrideCursor();
  if (c == nullptr) return std::nullopt;
  return c->shape();
}

class QtBusy : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    ASSERT_EQ(Override(), std::nullopt);
  }
  void TearDown() override {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
  }
};

TEST_F(QtBusy, NestedScopesShowTheBusyPointerUntilTheOuterOneEnds) {
  platform::qt::QtBusyPointer pointer;
  {
    platform::ui::BusyScope outer(&pointer);
    EXPECT_EQ(Override(), Qt::WaitCursor);
    {
      platform::ui::BusyScope inner(&pointer);
      EXPECT_EQ(Override(), Qt::WaitCursor);
    }
    EXPECT_EQ(Override(), Qt::WaitCursor);
  }
  EXPECT_EQ(Override(), std::nullopt);
}

TEST_F(QtBusy, UnmatchedRestoreLeavesOthersCursorsAlone) {
  QGuiApplication::setOverrideCursor(QCursor(Qt::IBeamCursor));
  platform::qt::QtBusyPointer pointer;
  pointer.SetBusy(false);
  EXPECT_EQ(Override(), Qt::IBeamCursor);
  pointer.SetBusy(true);
  pointer.SetBusy(false);
  pointer.SetBusy(false);
  EXPECT_EQ(Override(), Qt::IBeamCursor);
}

TEST_F(QtBusy, DestroyingThePointerRestoresWhatItStillHolds) {
  {
    platform::qt::QtBusyPointer pointer;
    pointer.SetBusy(true);
    pointer.SetBusy(true);
  }
  EXPECT_EQ(Override(), std::nullopt);
}

}  // namespace
