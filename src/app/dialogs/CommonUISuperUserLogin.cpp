#include "app/dialogs/CommonUISuperUserLogin.h"

#include <QGroupBox>
#include <QLineEdit>
#include <exception>

#include "app/widgets/DialogParts.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/MessagePresenter.h"

namespace {

constexpr const char* kInvalidLogin = "Access Denied - Invalid Username or Password";
constexpr const char* kNotSuper = "Access Denied - You need to have Super User priviledges";

// Upper case of the whole text, not only of its ASCII letters.
std::string Upper(const std::string& s) { return QString::fromStdString(s).toUpper().toStdString(); }

void Refuse(const char* prompt) {
  if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(prompt, 48);
}

// The refusal of an empty box goes straight to the screen, past the message handler.
void RefusePlainly(const char* prompt) {
  ProgramContext& ctx = Program();
  if (ctx.ui.messages)
    ctx.ui.messages->Show(prompt, 48, ctx.app.Title);
  else
    Refuse(prompt);
}

void LogReason(const std::string& why) {
  if (QALLoggerTXT* log = Program().logger) log->WriteLog("Super user login failed: " + why, 2);
}

}  // namespace

CommonUISuperUserLogin::CommonUISuperUserLogin(const IconBinding* icons, QWidget* owner)
    : PasswordDialog("CommonUISuperUserLogin", "Must Provide Vorn Krym Super User Credentials", "12057", owner) {
  username_ = new QLineEdit(this);
  username_->setObjectName("username");
  password_ = DialogParts::PasswordBox("password", this);
  Assemble(icons,
           {DialogParts::Frame("Vorn Krym User Name", username_, this),
            DialogParts::Frame("Vorn Krym Password", password_, this)},
           "Attempts logon to selected facility based on specified credentials", "Exits Vorn Krym Client");
}

void CommonUISuperUserLogin::btnOK_Click() {
  if (!ValidateLogin()) return;  // stays open for another try
  Pass();
}

bool CommonUISuperUserLogin::ValidateLogin() {
  const std::string user = username_->text().toStdString();
  const std::string typed = password_->text().toStdString();
  if (user.empty() || typed.empty()) {
    RefusePlainly(kInvalidLogin);
    return false;
  }
  if (!loginConnection_) {
    LogReason("no connection to check the credentials on");
    return false;
  }
  try {
    // The typed name is bound, never spliced into the statement.
    platform::db::Command cmd;
    cmd.ActiveConnection(*loginConnection_);
    cmd.CommandType(platform::db::adCmdText);
    cmd.CommandText("select * from \"USER\" WHERE USERNAME=?");
    cmd.CreateParameter("USERNAME", platform::db::adVarWChar, platform::db::adParamInput, 0,
                        core::Value(core::Trim(Upper(user))));
    platform::db::Recordset rs;
    rs.Open(cmd);
    if (rs.Eof()) {
      Refuse(kInvalidLogin);
      return false;
    }
    const core::Value stored = rs.Fields("Password").Value();
    if (stored.IsNull()) {
      LogReason("the user has no stored password");
      return false;
    }
    const std::optional<std::string> clear = UnscramblePassword(stored.Text());
    if (!clear) {
      LogReason("the stored password cannot be read");
      return false;
    }
    // An empty stored password matches nothing, not even a password of blanks.
    const std::string expected = Upper(core::Trim(*clear));
    if (expected.empty() || Upper(core::Trim(typed)) != expected) {
      Refuse(kInvalidLogin);
      return false;
    }
    const core::Value type = rs.Fields("usertype").Value();
    if (type.IsNull() || type.Text() != "Super") {
      Refuse(kNotSuper);
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    LogReason(e.what());
    return false;
  }
}

std::optional<std::string> CommonUISuperUserLogin::UnscramblePassword(const std::string& stored) {
  // Characters, not bytes: each must fit one byte of a single-byte code page (Latin-1 here).
  const QList<uint> codes = QString::fromStdString(stored).toUcs4();
  if (codes.size() < 5) return std::nullopt;
  const QList<uint> middle = codes.mid(2, codes.size() - 5);
  std::u32string result;
  const qsizetype n = middle.size();
  for (qsizetype j = 1; j <= n; ++j) {
    const uint own = middle[n - j];
    if (own > 255) return std::nullopt;
    const uint code = own + 27 + static_cast<uint>(j);
    if (code > 255) return std::nullopt;
    result.push_back(static_cast<char32_t>(code));
  }
  return QString::fromStdU32String(result).toStdString();
}
