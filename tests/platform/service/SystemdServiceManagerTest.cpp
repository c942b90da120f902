// systemd as the service manager: unit names, state mapping, and the calls over D-Bus against a
// stand-in manager on a private bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "platform/service/SystemdServiceManager.h"
#include "platform/service/SystemdStandIn.h"

using platform::service::ServiceState;
using platform::service::StatusResult;
using platform::service::SystemdServiceManager;

TEST(SystemdUnitName, AddsServiceUnlessTheNameEndsInAUnitType) {
  const struct {
    const char* name;
    const char* unit;
  } cases[] = {
      {"k30418", "k30418.service"},     {"  k30418  ", "k30418.service"}, {"k30418.service", "k30418.service"},
      {"import.timer", "import.timer"}, {"my.app", "my.app.service"},     {"k30418.Service", "k30418.Service.service"},
  };
  for (const auto& c : cases) EXPECT_EQ(SystemdServiceManager::UnitName(c.name), c.unit) << c.name;
}

TEST(SystemdUnitState, ActiveStatesMapToServiceStates) {
  const struct {
    const char* active;
    ServiceState state;
  } cases[] = {
      {"active", ServiceState::Running},          {"reloading", ServiceState::ContinuePending},
      {"inactive", ServiceState::Stopped},        {"failed", ServiceState::Stopped},
      {"activating", ServiceState::StartPending}, {"deactivating", ServiceState::StopPending},
      {"maintenance", ServiceState::Unknown},     {"", ServiceState::Unknown},
      {"Active", ServiceState::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(SystemdServiceManager::StateOf(c.active), c.state) << c.active;
}

TEST(SystemdComputer, OnlyThisMachineIsReachable) {
  char host[HOST_NAME_MAX + 1] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  std::string upper = host;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  for (const std::string& name : {std::string(), std::string("."), std::string("localhost"), std::string(host), upper,
                                  "\\\\" + std::string(host), std::string("  ")})
    EXPECT_TRUE(SystemdServiceManager::IsThisComputer(name)) << name;
  EXPECT_FALSE(SystemdServiceManager::IsThisComputer("k30418-no-such-host"));
}

namespace {

class SystemdOverBus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus_.Address().empty()) << "dbus-daemon did not start";
    standIn_ = std::make_unique<servicetest::SystemdStandIn>(bus_.Address());
    ASSERT_TRUE(standIn_->Serving());
    standIn_->AddUnit("k30418.service", "inactive");
  }

  servicetest::PrivateBus bus_;
  std::unique_ptr<servicetest::SystemdStandIn> standIn_;
};

}  // namespace

TEST_F(SystemdOverBus, StatusOfKnownUnknownAndUnreadableUnits) {
  standIn_->AddUnit("running.service", "active");
  standIn_->AddUnit("broken.service", "inactive");
  standIn_->FailStatusOf("broken.service");
  // Units systemd knows of but has not loaded: no service that can run.
  for (const char* state : {"masked", "error", "bad-setting"}) {
    standIn_->AddUnit(std::string(state) + ".service", "inactive");
    standIn_->SetLoadState(std::string(state) + ".service", state);
  }
  SystemdServiceManager manager(bus_.Address());
  const struct {
    const char* service;
    StatusResult result;
    ServiceState state;
  } cases[] = {
      {"k30418", StatusResult::Ok, ServiceState::Stopped},
      {"running", StatusResult::Ok, ServiceState::Running},
      {"running.service", StatusResult::Ok, ServiceState::Running},
      {"absent", StatusResult::NoService, ServiceState::Unknown},
      {"not a unit name", StatusResult::NoService, ServiceState::Unknown},
      {"masked", StatusResult::NoService, ServiceState::Unknown},
      {"error", StatusResult::NoService, ServiceState::Unknown},
      {"bad-setting", StatusResult::NoService, ServiceState::Unknown},
      {"broken", StatusResult::NoStatus, ServiceState::Unknown},
  };
  for (const auto& c : cases) {
    const auto status = manager.QueryStatus("", c.service);
    EXPECT_EQ(status.result, c.result) << c.service;
    EXPECT_EQ(status.state, c.state) << c.service;
    if (c.result != StatusResult::Ok) {
      EXPECT_FALSE(status.error.empty()) << c.service;
    }
  }
}

TEST_F(SystemdOverBus, NoBusNoManagerOrAnotherComputerIsNoManager) {
  SystemdServiceManager deadBus(bus_.DeadAddress());
  EXPECT_EQ(deadBus.QueryStatus("", "k30418").result, StatusResult::NoManager);

  // A bus on which nobody owns the manager's name.
  servicetest::PrivateBus empty;
  SystemdServiceManager noManager(empty.Address());
  const auto status = noManager.QueryStatus("", "k30418");
  EXPECT_EQ(status.result, StatusResult::NoManager);
  EXPECT_NE(status.error.find("org.freedesktop.DBus.Error"), std::string::npos) << status.error;

  SystemdServiceManager manager(bus_.Address());
  standIn_->ClearCalls();
  EXPECT_EQ(manager.QueryStatus("k30418-no-such-host", "k30418").result, StatusResult::NoManager);
  std::string error;
  EXPECT_FALSE(manager.Start("k30418-no-such-host", "k30418", error));
  EXPECT_TRUE(standIn_->Calls().empty());
}

TEST_F(SystemdOverBus, StartAndStopAreQueuedAndPassThroughThePendingStates) {
  standIn_->PendingReads(1);
  SystemdServiceManager manager(bus_.Address());
  std::string error;
  ASSERT_TRUE(manager.Start("", "k30418", error)) << error;
  EXPECT_EQ(standIn_->Calls().back(), "StartUnit k30418.service replace");
  EXPECT_EQ(manager.QueryStatus("", "k30418").state, ServiceState::StartPending);
  EXPECT_EQ(manager.QueryStatus("", "k30418").state, ServiceState::Running);

  ASSERT_TRUE(manager.Stop("", "k30418", error)) << error;
  EXPECT_EQ(standIn_->Calls().back(), "StopUnit k30418.service replace");
  EXPECT_EQ(manager.QueryStatus("", "k30418").state, ServiceState::StopPending);
  EXPECT_EQ(manager.QueryStatus("", "k30418").state, ServiceState::Stopped);

  // Stopping a stopped unit is accepted and changes nothing.
  EXPECT_TRUE(manager.Stop("", "k30418", error));
  EXPECT_EQ(manager.QueryStatus("", "k30418").state, ServiceState::Stopped);
}

TEST_F(SystemdOverBus, RefusedUnknownAndPausedRequestsFailWithAReason) {
  standIn_->AddUnit("guarded.service", "inactive", /*refuseControl=*/true);
  SystemdServiceManager manager(bus_.Address());
  std::string error;
  EXPECT_FALSE(manager.Start("", "guarded", error));
  EXPECT_NE(error.find("AccessDenied"), std::string::npos) << error;
  EXPECT_EQ(standIn_->ActiveState("guarded.service"), "inactive");

  error.clear();
  EXPECT_FALSE(manager.Stop("", "absent", error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;

  standIn_->SetActiveState("k30418.service", "active");
  for (bool pause : {true, false}) {
    error.clear();
    EXPECT_FALSE(pause ? manager.Pause("", "k30418", error) : manager.Continue("", "k30418", error));
    EXPECT_NE(error.find("cannot pause"), std::string::npos) << error;
  }
  EXPECT_EQ(standIn_->ActiveState("k30418.service"), "active");
  error.clear();
  EXPECT_FALSE(manager.Pause("", "absent", error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;
}
