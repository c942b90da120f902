// The super-user login: credentials checked against the USER table of the test Krym, each
// refusal with its message while the dialog stays, and how the dialog ends.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <random>

#include "DialogsFixture.h"
#include "app/dialogs/CommonUISuperUserLogin.h"
#include "app/dialogs/QtSessionDialogs.h"
#include "core/Text.h"
#include "platform/db/Connection.h"
#include "support/KrymFixture.h"

namespace {

using dialogtest::DialogsTest;

constexpr const char* kInvalid = "Access Denied - Invalid Username or Password";
constexpr const char* kNotSuper = "Access Denied - You need to have Super User priviledges";

// The stored form of a clear password: two characters before, three after, and between them the
// clear characters in reverse order, each lowered by 27 and its place counted from the front.
std::string Scramble(const std::string& clear) {
  const QList<uint> codes = QString::fromStdString(clear).toUcs4();
  const qsizetype n = codes.size();
  std::u32string middle(static_cast<std::size_t>(n), U' ');
  for (qsizetype j = 1; j <= n; ++j)
    middle[static_cast<std::size_t>(n - j)] = static_cast<char32_t>(codes[j - 1] - 27 - static_cast<uint>(j));
  const QString m = QString::fromStdU32String(middle);
  return ("Q7" + m + "x9Z").toStdString();
}

class SuperUserLogin : public DialogsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseTestKrym());
    root_.Open(testsupport::KrymFixture::OleDbString(cluster, "QALROOT"));
    std::random_device rd;
    prefix_ = "DLG" + std::to_string(rd() % 100000000u) + "_";
    AddUser("SUPER", "'" + core::SqlQuoted(Scramble("Secret1")) + "'", "'Super'");
    AddUser("PLAIN", "'" + core::SqlQuoted(Scramble("Secret1")) + "'", "'User'");
    AddUser("LOWER", "'" + core::SqlQuoted(Scramble("Secret1")) + "'", "'super'");
    AddUser("NOTYPE", "'" + core::SqlQuoted(Scramble("Secret1")) + "'", "NULL");
    AddUser("O'NEIL", "'" + core::SqlQuoted(Scramble("Secret1")) + "'", "'Super'");
    AddUser("FIVE", "'abcde'", "'Super'");
    AddUser("NOPASS", "NULL", "'Super'");
    AddUser("SHORT", "'abc'", "'Super'");
    AddUser("WIDE",
            "'Q7\xc3\xbf"
            "x9Z'",
            "'Super'");  // a stored y-diaeresis turns into no single byte
    AddUser("GRUSS",
            "'" +
                core::SqlQuoted(Scramble("Gr\xc3\xbc\xc3\x9f"
                                         "e")) +
                "'",
            "'Super'");
  }
  void TearDown() override {
    if (root_.IsOpen()) root_.Execute("delete from \"USER\" where username like '" + prefix_ + "%'");
  }

  void AddUser(const std::string& name, const std::string& password, const std::string& type) {
    root_.Execute("insert into \"USER\" (username, password, usertype) values ('" + core::SqlQuoted(prefix_ + name) +
                  "', " + password + ", " + type + ")");
  }
  std::string User(const std::string& name) const { return prefix_ + name; }

  platform::db::Connection root_;
  std::string prefix_;
};

TEST_F(SuperUserLogin, CredentialsAreCheckedAgainstTheUserTable) {
  struct Case {
    std::string user;
    std::string password;
    bool accepted;
    std::vector<std::string> boxes;       // through the message handler
    std::vector<std::string> plainBoxes;  // shown directly
  };
  const std::string lower = core::LCase(User("SUPER"));
  const Case cases[] = {
      {"  " + lower + " ", "Secret1", true, {}, {}},
      {User("SUPER"), "  sECRET1  ", true, {}, {}},
      {User("O'NEIL"), "Secret1", true, {}, {}},
      {User("GRUSS"),
       "gr\xc3\xbc\xc3\x9f"
       "e",
       true,
       {},
       {}},
      {User("SUPER"), "Secret2", false, {kInvalid}, {}},
      {User("NOBODY"), "Secret1", false, {kInvalid}, {}},
      {User("PLAIN"), "Secret1", false, {kNotSuper}, {}},
      {User("LOWER"), "Secret1", false, {kNotSuper}, {}},
      {User("NOTYPE"), "Secret1", false, {kNotSuper}, {}},
      {User("SUPER"), "", false, {}, {kInvalid}},
      {"", "Secret1", false, {}, {kInvalid}},
      // A stored text of five characters is an empty password: nothing matches it.
      {User("FIVE"), "   ", false, {kInvalid}, {}},
      {User("FIVE"), "x", false, {kInvalid}, {}},
      // A stored password that cannot be read refuses without a word.
      {User("NOPASS"), "Secret1", false, {}, {}},
      {User("SHORT"), "Secret1", false, {}, {}},
      {User("WIDE"), "Secret1", false, {}, {}},
  };
  for (const Case& c : cases) {
    boxes.boxes.clear();
    plainBoxes.boxes.clear();
    CommonUISuperUserLogin dialog(icons.get());
    dialog.LoginConnection(&root_);
    dialog.username()->setText(QString::fromStdString(c.user));
    dialog.password()->setText(QString::fromStdString(c.password));
    dialog.btnOK()->click();
    const std::string what = "'" + c.user + "' / '" + c.password + "'";
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << what;
    EXPECT_FALSE(dialog.Cancelled()) << what;
    EXPECT_EQ(boxes.Prompts(), c.boxes) << what;
    EXPECT_EQ(plainBoxes.Prompts(), c.plainBoxes) << what;
    for (const auto& b : boxes.boxes) EXPECT_EQ(b.style, 48);
    for (const auto& b : plainBoxes.boxes) EXPECT_EQ(b.style, 48);
  }
}

TEST_F(SuperUserLogin, UnscramblingTurnsTheStoredTextBack) {
  EXPECT_EQ(CommonUISuperUserLogin::UnscramblePassword(Scramble("Secret1")), "Secret1");
  EXPECT_EQ(CommonUISuperUserLogin::UnscramblePassword("abcde"), "");
  // Q7, then 'E' + 28 = 'a' and 'F' + 29 = 'c' read from the back, then x9Z.
  EXPECT_EQ(CommonUISuperUserLogin::UnscramblePassword("Q7FEx9Z"), "ac");
  EXPECT_EQ(CommonUISuperUserLogin::UnscramblePassword("abcd"), std::nullopt);
  EXPECT_EQ(CommonUISuperUserLogin::UnscramblePassword("Q7\xc3\xa4x9Z"), std::nullopt);  // 228 + 28 > 255
}

TEST_F(SuperUserLogin, StaysOpenAfterARefusalAndReturnsTheNameAsTyped) {
  QtSessionDialogs dialogs(icons.get(), nullptr);
  bool stayed = false;
  const std::string typed = " " + core::LCase(User("SUPER"));
  WhenShown<CommonUISuperUserLogin>([&](CommonUISuperUserLogin& d) {
    d.username()->setText(QString::fromStdString(typed));
    d.password()->setText("wrong");
    d.btnOK()->click();
    stayed = d.isVisible();
    d.btnHelpMe()->click();
    d.password()->setText("Secret1");
    d.btnOK()->click();
  });
  const SessionDialogs::LoginResult r = dialogs.SuperUserLogin(root_);
  EXPECT_TRUE(stayed);
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(r.username, typed);
  EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{kInvalid});
  EXPECT_EQ(shell.opened, std::vector<std::string>{"12057.html"});
}

TEST_F(SuperUserLogin, CancelEscapeAndTheWindowFrameAllCancel) {
  QtSessionDialogs dialogs(icons.get(), nullptr);
  const std::function<void(CommonUISuperUserLogin&)> ways[] = {
      [](CommonUISuperUserLogin& d) { d.btnCancel()->click(); },
      [](CommonUISuperUserLogin& d) { d.reject(); },
      [](CommonUISuperUserLogin& d) { CloseThroughFrame(d); },
  };
  for (const auto& way : ways) {
    WhenShown<CommonUISuperUserLogin>([&way, this](CommonUISuperUserLogin& d) {
      d.username()->setText(QString::fromStdString(User("SUPER")));
      d.password()->setText("Secret1");
      way(d);
    });
    EXPECT_TRUE(dialogs.SuperUserLogin(root_).cancelled);
  }
}

TEST_F(SuperUserLogin, LooksAsItShould) {
  CommonUISuperUserLogin dialog(icons.get());
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Must Provide Vorn Krym Super User Credentials");
  EXPECT_EQ(dialog.btnOK()->toolTip().toStdString(),
            "Attempts logon to selected facility based on specified credentials");
  EXPECT_EQ(dialog.btnCancel()->toolTip().toStdString(), "Exits Vorn Krym Client");
  EXPECT_EQ(dialog.btnHelpMe()->toolTip().toStdString(), "Displays help article");
  for (QPushButton* b : {dialog.btnOK(), dialog.btnCancel(), dialog.btnHelpMe()})
    EXPECT_FALSE(b->icon().isNull()) << b->text().toStdString();
  EXPECT_EQ(dialog.password()->echoMode(), QLineEdit::Password);
  dialog.username()->setText("OPERATOR");
  dialog.password()->setText("secret");
  ExpectWhole(dialog, {"btnOK", "btnCancel", "btnHelpMe"});
}

}  // namespace
