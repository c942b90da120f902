#pragma once

// The interactive program with its configuration in a folder of its own, a stand-in systemd on a
// private bus as the system's service manager, and recorded message boxes and shell opens.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPalette>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/service/SystemdStandIn.h"
#include "platform/ui/MessagePresenter.h"
#include "platform/ui/ShellOpener.h"
#include "support/QtTestApp.h"
#include "support/RecordingShell.h"
#include "support/WindowChecks.h"

namespace serviceviews {

namespace fs = std::filesystem;

struct RecordedBox {
  std::string prompt;
  int style;
  std::string title;
};

class RecordingPresenter : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string& prompt, int style, const std::string& title) override {
    boxes.push_back({prompt, style, title});
    return 1;
  }
  std::vector<RecordedBox> boxes;
};

using testsupport::RecordingShell;

class ServiceViews : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    ASSERT_FALSE(bus_.Address().empty()) << "dbus-daemon did not start";
    standIn_ = std::make_unique<servicetest::SystemdStandIn>(bus_.Address());
    ASSERT_TRUE(standIn_->Serving());
    standIn_->AddUnit("k30418.service", "active");
    // The views reach the system's manager; here that is the stand-in.
    if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) oldAddress_ = old;
    UseBus(bus_.Address());

    std::string templ = (fs::temp_directory_path() / "k30418-svcviews-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    folder_ = templ;
    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    ASSERT_TRUE(ProgramEntryPoint::Main(*objects_, ""));
    objects_->msgBox->Presenter(&boxes_);
    objects_->context.ui.shell = &shell_;
  }
  void TearDown() override {
    scope_.reset();
    objects_.reset();
    fs::remove_all(folder_);
    if (oldAddress_.empty())
      ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    else
      UseBus(oldAddress_);
  }

  static void UseBus(const std::string& address) { ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1); }
  void Set(const std::string& key, const std::string& value) { objects_->config->item(key, value); }
  const IconBinding* Icons() const { return objects_->icons.get(); }

  // A service log and the handle file that names it, as the service instance leaves them.
  std::string WriteServiceLog(const std::string& content) {
    fs::create_directories(folder_ / "log");
    const fs::path log = folder_ / "log" / "12_08_2026__14_05_09_ntservice.log";
    std::ofstream(log, std::ios::binary) << content;
    std::ofstream(folder_ / "k30418.log_handle", std::ios::binary) << log.string() << "\r\n";
    return log.string();
  }
  void AppendToLog(const std::string& log, const std::string& text) {
    std::ofstream(log, std::ios::binary | std::ios::app) << text;
  }

  static QColor Background(const QLabel* label) { return label->palette().color(QPalette::Window); }

  servicetest::PrivateBus bus_;
  std::unique_ptr<servicetest::SystemdStandIn> standIn_;
  std::string oldAddress_;
  fs::path folder_;
  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
  RecordingPresenter boxes_;
  RecordingShell shell_;
};

}  // namespace serviceviews
