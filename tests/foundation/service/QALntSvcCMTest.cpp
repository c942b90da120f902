// Service control: the state words and error texts, and start and stop requests, over D-Bus
// against a stand-in systemd on a private bus.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALntSvcCM.h"
#include "platform/service/SystemdServiceManager.h"
#include "platform/service/SystemdStandIn.h"

namespace fs = std::filesystem;

TEST(QALntSvcCMWords, StateNumbersHaveTheirWords) {
  const struct {
    int state;
    const char* word;
  } cases[] = {{1, "Stopped"},
               {2, "Start Pending"},
               {3, "Stop Pending"},
               {4, "Running"},
               {5, "Continue Pending"},
               {6, "Pause Pending"},
               {7, "Paused"},
               {0, ""},
               {8, ""},
               {-1, ""}};
  for (const auto& c : cases) EXPECT_EQ(QALntSvcCM::StateWord(c.state), c.word) << c.state;
}

namespace {

class QALntSvcCMOverBus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus_.Address().empty()) << "dbus-daemon did not start";
    standIn_ = std::make_unique<servicetest::SystemdStandIn>(bus_.Address());
    ASSERT_TRUE(standIn_->Serving());
    standIn_->AddUnit("k30418.service", "inactive");

    std::string templ = (fs::temp_directory_path() / "k30418-svccm-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    folder_ = templ;
    logger_ = std::make_unique<QALLoggerTXT>(folder_.string(), "k30418");
    logger_->LogPath((folder_ / "log").string());
    logger_->Enabled(true);
    context_.logger = logger_.get();
    scope_ = std::make_unique<ProgramScope>(context_);
  }
  void TearDown() override {
    scope_.reset();
    logger_.reset();
    fs::remove_all(folder_);
  }

  QALntSvcCM Control(const std::string& address) {
    return QALntSvcCM(std::make_shared<platform::service::SystemdServiceManager>(address));
  }
  QALntSvcCM Control() { return Control(bus_.Address()); }

  std::string Log() const {
    if (logger_->CurrentFilePath().empty()) return "";
    std::ifstream in(logger_->CurrentFilePath(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  servicetest::PrivateBus bus_;
  std::unique_ptr<servicetest::SystemdStandIn> standIn_;
  fs::path folder_;
  std::unique_ptr<QALLoggerTXT> logger_;
  ProgramContext context_;
  std::unique_ptr<ProgramScope> scope_;
};

}  // namespace

TEST_F(QALntSvcCMOverBus, UnitStatesReadAsTheirWords) {
  const struct {
    const char* active;
    const char* word;
  } cases[] = {{"active", "Running"},
               {"inactive", "Stopped"},
               {"failed", "Stopped"},
               {"activating", "Start Pending"},
               {"deactivating", "Stop Pending"},
               {"reloading", "Continue Pending"},
               {"maintenance", ""}};
  QALntSvcCM cm = Control();
  for (const auto& c : cases) {
    standIn_->SetActiveState("k30418.service", c.active);
    EXPECT_EQ(cm.ServiceStatus("", "k30418"), c.word) << c.active;
  }
}

TEST_F(QALntSvcCMOverBus, FailuresGiveTheirErrorTexts) {
  standIn_->AddUnit("broken.service", "active");
  standIn_->FailStatusOf("broken.service");
  servicetest::PrivateBus emptyBus;  // a bus without a service manager
  const struct {
    std::string address, computer, service, reply;
  } cases[] = {
      {bus_.Address(), "", "no-such-service", "ERROR: Service not found!"},
      {bus_.Address(), "", "broken", "ERROR: Unable to get status!"},
      {bus_.DeadAddress(), "", "k30418", "ERROR: Unable to connect to service manager!"},
      {emptyBus.Address(), "", "k30418", "ERROR: Unable to connect to service manager!"},
      {bus_.Address(), "k30418-no-such-host", "k30418", "ERROR: Unable to connect to service manager!"},
  };
  for (const auto& c : cases) EXPECT_EQ(Control(c.address).ServiceStatus(c.computer, c.service), c.reply) << c.service;
}

TEST_F(QALntSvcCMOverBus, StartAndStopPassThroughThePendingWords) {
  standIn_->PendingReads(1);
  QALntSvcCM cm = Control();
  EXPECT_TRUE(cm.vbStartService("", "k30418"));
  EXPECT_EQ(cm.ServiceStatus("", "k30418"), "Start Pending");
  EXPECT_EQ(cm.ServiceStatus("", "k30418"), "Running");
  // Starting a running service is accepted and changes nothing.
  std::string reason = "untouched";
  EXPECT_TRUE(cm.vbStartService("", "k30418", &reason));
  EXPECT_EQ(reason, "");
  EXPECT_EQ(cm.ServiceStatus("", "k30418"), "Running");

  EXPECT_TRUE(cm.vbStopService("", "k30418"));
  EXPECT_EQ(cm.ServiceStatus("", "k30418"), "Stop Pending");
  EXPECT_EQ(cm.ServiceStatus("", "k30418"), "Stopped");
  EXPECT_TRUE(cm.vbStopService("", "k30418"));
  EXPECT_EQ(cm.ServiceStatus("", "k30418"), "Stopped");
  EXPECT_EQ(Log().find("Unable to"), std::string::npos) << Log();
}

TEST_F(QALntSvcCMOverBus, RefusedAndImpossibleRequestsAnswerWhyAndAreLogged) {
  standIn_->AddUnit("guarded.service", "active", /*refuseControl=*/true);
  QALntSvcCM cm = Control();
  std::string reason;
  EXPECT_FALSE(cm.vbStopService("", "guarded", &reason));
  EXPECT_EQ(cm.ServiceStatus("", "guarded"), "Running");
  EXPECT_EQ(reason.rfind("Unable to stop service 'guarded': org.freedesktop.DBus.Error.AccessDenied", 0), 0u) << reason;
  EXPECT_NE(Log().find(reason), std::string::npos) << Log();

  // No manager, no service, no pause in systemd: nothing happens, nothing is thrown, and the
  // answer says why.
  QALntSvcCM dead = Control(bus_.DeadAddress());
  const struct {
    std::function<bool(std::string*)> request;
    const char* reasonStart;
  } cases[] = {
      {[&](std::string* r) { return dead.vbStartService("", "k30418", r); },
       "Unable to start service 'k30418': cannot connect to the bus"},
      {[&](std::string* r) { return cm.vbStartService("", "no-such-service", r); },
       "Unable to start service 'no-such-service': unit no-such-service.service not found"},
      {[&](std::string* r) { return cm.vbPauseService("", "k30418", r); },
       "Unable to pause service 'k30418': systemd cannot pause"},
      {[&](std::string* r) { return cm.vbContinueService("", "k30418", r); },
       "Unable to continue service 'k30418': systemd cannot pause"},
  };
  for (const auto& c : cases) {
    reason.clear();
    EXPECT_FALSE(c.request(&reason)) << c.reasonStart;
    EXPECT_EQ(reason.rfind(c.reasonStart, 0), 0u) << reason;
    EXPECT_NE(Log().find(reason), std::string::npos) << reason;
  }
  EXPECT_EQ(cm.ServiceStatus("", "k30418"), "Stopped");
}
