// The connection progress window opening a real Krym connection on its activation.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

#include "DialogsFixture.h"
#include "app/dialogs/CommonUIConnectProgress.h"
#include "app/dialogs/QtConnectionProgress.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "platform/db/Connection.h"

namespace {

using dialogtest::DialogsTest;

const std::vector<std::string> kOpened = {"Connecting to Vorn Krym server '127.0.0.1' ...",
                                          "Connection to Vorn Krym was established."};
const std::vector<std::string> kFailed = {"Connecting to Vorn Krym server '127.0.0.1' ...",
                                          "Failed to Connect to Vorn Krym."};

class ConnectProgress : public DialogsTest {
 protected:
  void SetUp() override { ASSERT_TRUE(UseTestKrym()); }

  // A root-schema connection prepared from the configuration, not yet open.
  void Prepare(platform::db::Connection& cnn) {
    ConnectionManager cm;
    ASSERT_TRUE(CommonGlobals::InitVornKrymConnectionManager(cm));
    cm.ConfigCnn4QALROOT(cnn);
  }
};

TEST_F(ConnectProgress, ModalShowOpensTheConnectionAndEnds) {
  platform::db::Connection cnn;
  Prepare(cnn);
  CommonUIConnectProgress window;
  window.ConnectionToOpen(&cnn);
  window.ConnectOnActivate(true);
  window.Show(true);
  EXPECT_TRUE(window.Connected());
  EXPECT_EQ(window.ErrorText(), "");
  EXPECT_TRUE(cnn.IsOpen());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(activity.lines, kOpened);
}

TEST_F(ConnectProgress, FailedOpenGivesNumberAndDescription) {
  config.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=1;");
  platform::db::Connection cnn;
  Prepare(cnn);
  CommonUIConnectProgress window;
  window.ConnectionToOpen(&cnn);
  window.ConnectOnActivate(true);
  window.Show(true);
  EXPECT_FALSE(window.Connected());
  EXPECT_FALSE(cnn.IsOpen());
  EXPECT_NE(window.ErrorText().find(" - "), std::string::npos) << window.ErrorText();
  EXPECT_GT(std::stoi(window.ErrorText()), 0) << window.ErrorText();
  EXPECT_EQ(activity.lines, kFailed);
}

TEST_F(ConnectProgress, ASecondActivationDoesNotOpenAgain) {
  platform::db::Connection cnn;
  Prepare(cnn);
  CommonUIConnectProgress window;
  window.ConnectionToOpen(&cnn);
  window.ConnectOnActivate(true);
  window.Show(true);
  ASSERT_TRUE(cnn.IsOpen());
  cnn.Close();
  // Shown and activated again, as after another window covered it.
  window.Show(false);
  window.activateWindow();
  qttest::RunUntil([] { return false; }, 100);
  EXPECT_FALSE(cnn.IsOpen());
  EXPECT_EQ(activity.lines, kOpened);
  window.Hide();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(ConnectProgress, SplashOpensNothing) {
  platform::db::Connection cnn;
  Prepare(cnn);
  CommonUIConnectProgress window;
  window.ConnectionToOpen(&cnn);
  window.Show(false);
  qttest::RunUntil([] { return false; }, 100);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(cnn.IsOpen());
  EXPECT_TRUE(activity.lines.empty());
  EXPECT_EQ(window.caption()->text().toStdString(), "Connecting to Vorn Krym...");
  EXPECT_EQ(window.progressBar()->maximum(), 0);  // busy, no percentage
  ExpectWhole(window);
  window.Hide();
}

TEST_F(ConnectProgress, ConnectRoutineOpensThroughTheWindow) {
  QtConnectionProgress progress;
  Context().ui.connectionProgress = &progress;
  struct Case {
    const char* customization;
    bool connected;
    const std::vector<std::string>* lines;
  };
  const std::string port = "Port=" + std::to_string(cluster.port) + ";";
  const Case cases[] = {{port.c_str(), true, &kOpened}, {"Port=1;", false, &kFailed}};
  for (const Case& c : cases) {
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", c.customization);
    activity.lines.clear();
    platform::db::Connection cnn;
    Prepare(cnn);
    std::string errText;
    EXPECT_EQ(CommonGlobals::ConnectVornKrym(cnn, errText, true), c.connected) << c.customization;
    EXPECT_EQ(cnn.IsOpen(), c.connected);
    EXPECT_EQ(errText.empty(), c.connected) << errText;
    EXPECT_EQ(activity.lines, *c.lines);
  }
}

}  // namespace
