// Exit, the toolbar's exit and the window's close while an interactive import waits to reconnect
// to DeraRed: the window goes at once and the event loop returns within a few seconds, after the
// import has returned, instead of after all its waits.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolBar>

#include "../servicerun/ProgramFolder.h"
#include "app/mainwindow/CommonUI.h"
#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/os/StopRequest.h"
#include "platform/ui/MessagePresenter.h"
#include "support/QtTestApp.h"

namespace {

class AnswerOk : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string&, int, const std::string&) override { return 1; }
};

class ExitDuringImport : public servicerun::ProgramFolder {
 protected:
  void SetUp() override {
    ProgramFolder::SetUp();
    if (HasFatalFailure()) return;
    qttest::App();
    platform::os::ResetStopRequest();
    DesignateCollector();
    WriteConfiguration(servicerun::ClosedPort());
    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    ASSERT_TRUE(ProgramEntryPoint::Main(*objects_, ""));
    objects_->msgBox->Presenter(&boxes_);
    // No date dialog; DeraRed is retried every 30 seconds.
    objects_->config->item("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", "TRUE");
    objects_->config->item("SOURCE\\RECOVERY\\ATTEMPTS", "6");
    objects_->config->item("SOURCE\\RECOVERY\\SECONDS", "30");
    ProgramEntryPoint::StartInteractiveMode(*objects_);
  }
  void TearDown() override {
    objects_.reset();
    scope_.reset();
    platform::os::ResetStopRequest();
    ProgramFolder::TearDown();
  }

  std::string Log() const { return ReadFile(objects_->logger->CurrentFilePath()); }

  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
  AnswerOk boxes_;
};

QAction* ToolbarAction(QToolBar* bar, const char* key) {
  for (QAction* a : bar->actions())
    if (a->data().toString() == key) return a;
  return nullptr;
}

}  // namespace

TEST_F(ExitDuringImport, EachWayOutEndsTheProgramPromptly) {
  CommonUI& w = *objects_->mainWindow;
  const struct {
    const char* way;
    std::function<void()> exit;
  } ways[] = {
      {"File > Exit", [&w] { w.MenuItem("mnuExit")->trigger(); }},
      {"the toolbar's Exit", [&w] { ToolbarAction(w.myToolBar(), "exit")->trigger(); }},
      {"the window's close", [&w] { w.close(); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.way);
    platform::os::ResetStopRequest();
    w.show();
    const std::size_t waitsBefore = Count(Log(), "Waiting for 30 seconds before attempting to re-connect");
    const std::size_t endsBefore = Count(Log(), "Session Statistics :");
    QTimer::singleShot(0, [&w] { w.MenuItem("mnuFileImportAll")->trigger(); });

    QElapsedTimer sinceExit;
    bool hiddenAtOnce = false;
    QTimer poll;  // chooses the way out once the import waits
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (sinceExit.isValid() || Count(Log(), "Waiting for 30 seconds before attempting to re-connect") == waitsBefore)
        return;
      sinceExit.start();
      way.exit();
      hiddenAtOnce = !w.isVisible();
    });
    poll.start(20);
    QTimer guard;  // a way out that does not end the loop fails instead of hanging
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(7); });
    guard.start(60000);

    EXPECT_EQ(QApplication::exec(), 0);
    ASSERT_TRUE(sinceExit.isValid()) << "the import never waited\n" << Log();
    // Far below the 30 s the import was to wait, whatever a busy machine adds.
    EXPECT_LT(sinceExit.elapsed(), 20000) << "the exit waited out the retry wait";
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_EQ(Count(Log(), "Session Statistics :"), endsBefore + 1) << "the import returned first\n" << Log();
  }
}
