// Opening the Krym root in the three ways of the run modes, against the real
// test Krym: plain in service mode, with the status lines and a splash window,
// inside the progress window; and failures quoted as "number - description".
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ConnectionsFixture.h"
#include "foundation/CommonGlobalsConnections.h"
#include "platform/db/DbException.h"
#include "platform/ui/ConnectionProgress.h"
#include "platform/ui/EventPump.h"

namespace {

// What the user interface was asked to do, in order, with the connection's
// state at that moment ("show splash closed", "pump closed", "hide open" ...).
using Journal = std::vector<std::string>;

std::string State(const platform::db::Connection* cnn) { return cnn && cnn->IsOpen() ? "open" : "closed"; }

class FakeWindow : public platform::ui::ConnectionProgressWindow {
 public:
  FakeWindow(Journal& journal, const platform::db::Connection& watched) : journal_(journal), watched_(watched) {}
  ~FakeWindow() override { journal_.push_back("release"); }

  void ConnectionToOpen(platform::db::Connection* cnn) override { cnn_ = cnn; }
  platform::db::Connection* ConnectionToOpen() const override { return cnn_; }
  void ConnectOnActivate(bool on) override { connectOnActivate_ = on; }
  bool ConnectOnActivate() const override { return connectOnActivate_; }
  bool Connected() const override { return connected_; }
  std::string ErrorText() const override { return errorText_; }

  void Show(bool modal, void* owner) override {
    journal_.push_back(std::string(modal ? "show modal" : "show splash") + (owner ? " owned " : " ") +
                       State(&watched_));
    // As the real window does when it is first activated.
    if (modal && connectOnActivate_ && cnn_) {
      try {
        cnn_->Open();
        connected_ = true;
      } catch (const platform::db::DbException& e) {
        errorText_ = std::to_string(e.Number()) + " - " + e.Description();
      }
    }
  }
  void Hide() override { journal_.push_back("hide " + State(&watched_)); }

 private:
  Journal& journal_;
  const platform::db::Connection& watched_;
  platform::db::Connection* cnn_ = nullptr;
  bool connectOnActivate_ = false;
  bool connected_ = false;
  std::string errorText_;
};

class FakeProgress : public platform::ui::ConnectionProgress {
 public:
  FakeProgress(Journal& journal, const platform::db::Connection& watched) : journal_(journal), watched_(watched) {}
  std::unique_ptr<platform::ui::ConnectionProgressWindow> CreateWindow() override {
    journal_.push_back("create");
    return std::make_unique<FakeWindow>(journal_, watched_);
  }

 private:
  Journal& journal_;
  const platform::db::Connection& watched_;
};

class FakePump : public platform::ui::EventPump {
 public:
  FakePump(Journal& journal, const platform::db::Connection& watched) : journal_(journal), watched_(watched) {}
  void ProcessEvents() override { journal_.push_back("pump " + State(&watched_)); }

 private:
  Journal& journal_;
  const platform::db::Connection& watched_;
};

constexpr const char* kConnecting = "Connecting to Vorn Krym server '127.0.0.1' ...";
constexpr const char* kEstablished = "Connection to Vorn Krym was established.";
constexpr const char* kFailed = "Failed to Connect to Vorn Krym.";

class ConnectVornKrymTest : public ConnectionsTest {
 protected:
  void SetUp() override {
    ctx_.ui.events = &pump_;
    logger_.WriteLog("test starts", 0);  // so that every test has a log file to read
  }

  // A root connection prepared as the program prepares it; port 0 is the cluster's.
  bool Prepare(int port = 0) {
    ConnectionManager cm;
    if (!InitForTestKrym(cm, port)) return false;
    cm.CONNECTION_TIMEOUT_s(5);
    cm.ConfigCnn4QALROOT(cnn_);
    return true;
  }

  std::vector<std::string> LoggedAfterStart() {
    auto lines = LogLines();
    lines.erase(lines.begin(), std::find(lines.begin(), lines.end(), "test starts") + 1);
    return lines;
  }

  // The failure the layer itself reports for opening this connection's string.
  std::string ExpectedFailure() {
    platform::db::Connection probe;
    try {
      probe.Open(cnn_.ConnectionString());
    } catch (const platform::db::DbException& e) {
      return std::to_string(e.Number()) + " - " + e.Description();
    }
    ADD_FAILURE() << "the probe connected";
    return "";
  }

  platform::db::Connection cnn_;
  Journal journal_;
  FakeProgress progress_{journal_, cnn_};
  FakePump pump_{journal_, cnn_};
  int owner_ = 0;  // stands for the owner window
};

TEST_F(ConnectVornKrymTest, ServiceModeOpensPlainly) {
  ASSERT_TRUE(Prepare());
  ctx_.isNTService = true;
  ctx_.ui.connectionProgress = &progress_;
  for (bool withForm : {true, false}) {
    std::string errText = "untouched";
    cnn_.Close();
    EXPECT_TRUE(CommonGlobals::ConnectVornKrym(cnn_, errText, withForm, &owner_));
    EXPECT_TRUE(cnn_.IsOpen());
    EXPECT_EQ(errText, "untouched");
  }
  EXPECT_TRUE(journal_.empty());  // no window, no event pumping
  EXPECT_TRUE(list_.lines.empty());
  EXPECT_TRUE(LoggedAfterStart().empty());
}

TEST_F(ConnectVornKrymTest, InteractiveModeWritesTheStatusLinesAroundASplash) {
  ASSERT_TRUE(Prepare());
  ctx_.ui.connectionProgress = &progress_;
  std::string errText;
  ASSERT_TRUE(CommonGlobals::ConnectVornKrym(cnn_, errText, false, &owner_));
  EXPECT_TRUE(cnn_.IsOpen());
  EXPECT_EQ(errText, "");
  const std::vector<std::string> lines = {kConnecting, kEstablished};
  EXPECT_EQ(list_.lines, lines);
  EXPECT_EQ(LoggedAfterStart(), lines);
  // The splash is never asked to connect, and events run once before the open blocks.
  EXPECT_EQ(journal_, (Journal{"create", "show splash closed", "pump closed", "hide open", "release"}));
  EXPECT_EQ(cnn_.Execute("select 1").Fields(0).Value().ToLong(), 1);
}

TEST_F(ConnectVornKrymTest, WithoutAWindowTheStatusLinesStillShow) {
  ASSERT_TRUE(Prepare());
  for (bool withForm : {false, true}) {
    list_.lines.clear();
    journal_.clear();
    cnn_.Close();
    std::string errText;
    EXPECT_TRUE(CommonGlobals::ConnectVornKrym(cnn_, errText, withForm, nullptr)) << errText;
    EXPECT_EQ(list_.lines, (std::vector<std::string>{kConnecting, kEstablished})) << withForm;
    EXPECT_EQ(journal_, (Journal{"pump closed"})) << withForm;
  }
}

TEST_F(ConnectVornKrymTest, TheProgressWindowOpensTheConnectionOverItsOwner) {
  ASSERT_TRUE(Prepare());
  ctx_.ui.connectionProgress = &progress_;
  std::string errText = "earlier";
  ASSERT_TRUE(CommonGlobals::ConnectVornKrym(cnn_, errText, true, &owner_));
  EXPECT_TRUE(cnn_.IsOpen());
  EXPECT_EQ(errText, "");  // the window's own error text
  EXPECT_EQ(journal_, (Journal{"create", "show modal owned closed", "release"}));
  // The window writes its own lines; the routine adds none.
  EXPECT_TRUE(list_.lines.empty());
  EXPECT_TRUE(LoggedAfterStart().empty());
}

TEST_F(ConnectVornKrymTest, TheProgressWindowReportsItsFailure) {
  ASSERT_TRUE(Prepare(1));  // nothing listens on port 1
  ctx_.ui.connectionProgress = &progress_;
  const std::string expected = ExpectedFailure();
  std::string errText;
  EXPECT_FALSE(CommonGlobals::ConnectVornKrym(cnn_, errText, true, &owner_));
  EXPECT_FALSE(cnn_.IsOpen());
  EXPECT_EQ(errText, expected);
  EXPECT_EQ(journal_, (Journal{"create", "show modal owned closed", "release"}));
}

struct FailureCase {
  const char* name;
  bool service;
  enum { WrongPort, UnknownProvider, AlreadyOpen } how;
  const char* errPrefix;  // nullptr: the driver's own number and text
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ConnectVornKrymFailureTest : public ConnectVornKrymTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConnectVornKrymFailureTest, QuotesNumberAndDescription) {
  const FailureCase& c = GetParam();
  ctx_.isNTService = c.service;
  ctx_.ui.connectionProgress = &progress_;
  std::string expected;
  switch (c.how) {
    case FailureCase::WrongPort:
      ASSERT_TRUE(Prepare(1));
      expected = ExpectedFailure();
      break;
    case FailureCase::UnknownProvider:
      ASSERT_TRUE(Prepare());
      cnn_.ConnectionString("Provider=NoSuchProvider;Data Source=127.0.0.1;");
      break;
    case FailureCase::AlreadyOpen:
      ASSERT_TRUE(Prepare());
      cnn_.Open();
      break;
  }
  std::string errText;
  EXPECT_FALSE(CommonGlobals::ConnectVornKrym(cnn_, errText, false, nullptr));
  if (c.errPrefix)
    EXPECT_EQ(errText.rfind(c.errPrefix, 0), 0u) << errText;
  else
    EXPECT_EQ(errText, expected);
  EXPECT_NE(errText.find(" - "), std::string::npos);
  EXPECT_GT(errText.size(), errText.find(" - ") + 3) << "a description follows the number";

  if (c.service) {
    EXPECT_TRUE(list_.lines.empty());
    EXPECT_TRUE(LoggedAfterStart().empty());
    EXPECT_TRUE(journal_.empty());
  } else {
    const std::vector<std::string> lines = {kConnecting, kFailed};
    EXPECT_EQ(list_.lines, lines);
    EXPECT_EQ(LoggedAfterStart(), lines);
    const std::string state = c.how == FailureCase::AlreadyOpen ? "open" : "closed";
    EXPECT_EQ(journal_, (Journal{"create", "show splash " + state, "pump " + state, "hide " + state, "release"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ConnectVornKrymFailureTest,
                         ::testing::Values(FailureCase{"ServiceWrongPort", true, FailureCase::WrongPort, nullptr},
                                           FailureCase{"InteractiveWrongPort", false, FailureCase::WrongPort, nullptr},
                                           FailureCase{"InteractiveUnknownProvider", false,
                                                       FailureCase::UnknownProvider,
                                                       "3706 - Provider 'NoSuchProvider' cannot be found"},
                                           FailureCase{"ServiceUnknownProvider", true, FailureCase::UnknownProvider,
                                                       "3706 - Provider 'NoSuchProvider' cannot be found"},
                                           FailureCase{"InteractiveAlreadyOpen", false, FailureCase::AlreadyOpen,
                                                       "3705 - Operation is not allowed when the object is open."}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
