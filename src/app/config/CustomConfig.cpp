#include "app/config/CustomConfig.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/startup/ProgramObjects.h"
#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/SecretSettings.h"
#include "import/source/SourceConnectionString.h"
#include "platform/db/Connection.h"
#include "platform/ui/BusyPointer.h"

namespace {

constexpr int kExclamation = 48;
constexpr const char* kWarningTitle = "K30418 Source configuration";

constexpr const char* kTypeKey = "K30418\\SourceDBType";
constexpr const char* kDsKey = "K30418\\SourceDS";
constexpr const char* kProviderKey = "K30418\\SourceProvider";
constexpr const char* kDbKey = "K30418\\SourceDB";
constexpr const char* kUserKey = "K30418\\SourceUserID";
constexpr const char* kPasswordKey = "K30418\\SourcePassword";
constexpr const char* kCnnTimeoutKey = "K30418\\SourceCnnTimeout";
constexpr const char* kCmdTimeoutKey = "K30418\\SourceCmdTimeout";
constexpr const char* kCustomizationKey = "K30418\\SourceCustomization";
constexpr const char* kNotesKey = "K30418\\AddNotesToLogbook";
constexpr const char* kLogbookKey = "K30418\\LogbookId";

QLabel* Note(const QString& text) {
  auto* label = new QLabel(text);
  label->setEnabled(false);  // examples read as hints, not as settings
  return label;
}

std::string Typed(const QLineEdit* box) { return box->text().toStdString(); }

}  // namespace

CustomConfig::CustomConfig(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Source Configuration", Pattern{.helpTopic = "12043", .confirmApply = true}) {
  setObjectName("CustomConfig");

  auto* settings = new QVBoxLayout;
  auto* typeFrame = new QGroupBox("Database Type", this);
  auto* typeLayout = new QHBoxLayout(typeFrame);
  optSqlServer_ = new QRadioButton("MS SQL Server", typeFrame);
  optSqlServer_->setObjectName("optDBType0");
  optAccess_ = new QRadioButton("MS Access", typeFrame);
  optAccess_->setObjectName("optDBType1");
  typeLayout->addWidget(optSqlServer_);
  typeLayout->addWidget(optAccess_);
  typeLayout->addStretch(1);
  settings->addWidget(typeFrame);

  auto* grid = new QGridLayout;
  txtSourceDS_ = NewBox(this, "txtSourceDS");
  txtProvider_ = NewBox(this, "txtProvider");
  txtDb_ = NewBox(this, "txtDb");
  grid->addWidget(new QLabel("Data Source"), 0, 0, 1, 2);
  grid->addWidget(txtSourceDS_, 1, 0, 1, 2);
  grid->addWidget(Note("MS Access example:"), 2, 0);
  grid->addWidget(Note("e:\\derared\\myDERARED.mdb"), 2, 1);
  grid->addWidget(Note("MS SQL Server examples:"), 3, 0);
  grid->addWidget(Note("local\\derared  or  localhost\\derared"), 3, 1);
  grid->addWidget(new QLabel("OLE DB Provider:"), 4, 0, 1, 2);
  grid->addWidget(txtProvider_, 5, 0, 1, 2);
  grid->addWidget(Note("MS Access example:"), 6, 0);
  grid->addWidget(Note("Microsoft.Jet.OLEDB.4.0"), 6, 1);
  grid->addWidget(Note("MS SQL Server examples:"), 7, 0);
  grid->addWidget(Note("SQLOLEDB  or  SQLNCLI"), 7, 1);
  grid->addWidget(new QLabel("Database  (for MS Access, leave it blank):"), 8, 0, 1, 2);
  grid->addWidget(txtDb_, 9, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  settings->addLayout(grid);

  auto* login = new QGroupBox("Database Login", this);
  auto* loginLayout = new QGridLayout(login);
  txtUser_ = NewBox(login, "txtUser");
  txtPass_ = NewBox(login, "txtPass");
  txtPass_->setEchoMode(QLineEdit::Password);
  txtPass_->setStyleSheet("lineedit-password-character: 42");  // "*"
  loginLayout->addWidget(new QLabel("Username:"), 0, 0);
  loginLayout->addWidget(txtUser_, 0, 1);
  loginLayout->addWidget(new QLabel("Password:"), 1, 0);
  loginLayout->addWidget(txtPass_, 1, 1);
  settings->addWidget(login);

  auto* advanced = new QGroupBox("Advanced Connection Settings", this);
  auto* advancedLayout = new QGridLayout(advanced);
  txtCnnTimeout_ = NewBox(advanced, "txtCnnTimeout");
  txtCommandTimeout_ = NewBox(advanced, "txtCommandTimeout");
  txtCustomizations_ = NewBox(advanced, "txtCustomizations");
  txtCnnTimeout_->setMaximumWidth(70);
  txtCommandTimeout_->setMaximumWidth(70);
  advancedLayout->addWidget(txtCnnTimeout_, 0, 0);
  advancedLayout->addWidget(new QLabel("connection timeout (seconds)"), 0, 1);
  advancedLayout->addWidget(txtCommandTimeout_, 1, 0);
  advancedLayout->addWidget(new QLabel("command timeout (seconds)"), 1, 1);
  advancedLayout->addWidget(new QLabel("Customizations (normally not needed):"), 2, 0, 1, 2);
  advancedLayout->addWidget(txtCustomizations_, 3, 0, 1, 2);
  advancedLayout->setColumnStretch(1, 1);
  settings->addWidget(advanced);

  auto* testRow = new QHBoxLayout;
  btnTest_ = new QPushButton("Test connection", this);
  btnTest_->setObjectName("btnTest");
  testRow->addStretch(1);
  testRow->addWidget(btnTest_);
  settings->addLayout(testRow);

  txtSchema_ = NewBox(this, "txtSchema");
  txtSchema_->setPlaceholderText("Schema owner:(invisible)");
  txtSchema_->hide();
  AddFrame("FlexSystems DeraRED connection settings", settings);

  auto* notes = new QGridLayout;
  chkLogNotes_ = new QCheckBox("Add Notes to Logbook", this);
  chkLogNotes_->setObjectName("chkLogNotes");
  txtLogBookId_ = NewBox(this, "txtLogBookId");
  txtLogBookId_->setMaximumWidth(70);
  notes->addWidget(chkLogNotes_, 0, 0, 1, 3);
  notes->addWidget(new QLabel("Default Logbook Id:"), 1, 0);
  notes->addWidget(txtLogBookId_, 1, 1);
  notes->addWidget(Note("(Id to use if a Logbook Id in the source database doesn't exist)"), 1, 2);
  notes->setColumnStretch(2, 1);
  Body()->addLayout(notes);
  resize(480, 0);

  connect(btnTest_, &QPushButton::clicked, this, &CustomConfig::btnTest_Click);
  Load();
}

void ShowCustomConfig(ProgramObjects& objects, QWidget* owner) {
  CustomConfig form(objects.icons.get(), owner);
  form.exec();
}

bool CustomConfig::RefreshUIFromConfig() {
  txtDb_->setText(QString::fromStdString(Setting(kDbKey)));
  txtSourceDS_->setText(QString::fromStdString(Setting(kDsKey)));
  txtProvider_->setText(QString::fromStdString(Setting(kProviderKey)));
  txtUser_->setText(QString::fromStdString(Setting(kUserKey)));
  txtPass_->setText(QString::fromStdString(Setting(kPasswordKey)));
  txtCnnTimeout_->setText(QString::fromStdString(Setting(kCnnTimeoutKey)));
  txtCommandTimeout_->setText(QString::fromStdString(Setting(kCmdTimeoutKey)));
  txtCustomizations_->setText(QString::fromStdString(Setting(kCustomizationKey)));
  chkLogNotes_->setChecked(core::UCase(Setting(kNotesKey)) == "TRUE");
  const std::string logbook = Setting(kLogbookKey);
  txtLogBookId_->setText(QString::fromStdString(logbook.empty() ? "0" : logbook));
  if (Setting(kTypeKey) == "2")
    optSqlServer_->setChecked(true);
  else
    optAccess_->setChecked(true);
  return true;
}

void CustomConfig::ApplyRequired(QLineEdit* box, const char* key, const char* warning) {
  const std::string text = core::Trim(Typed(box));
  if (!text.empty()) {
    Setting(key, text);
    return;
  }
  Box(warning, kExclamation, kWarningTitle);
  box->setText(QString::fromStdString(Setting(key)));
}

bool CustomConfig::ApplySettings() {
  // The interactive import then takes the fixed dates instead of asking for them.
  Setting("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", "TRUE");
  if (optSqlServer_->isChecked())
    Setting(kTypeKey, "2");
  else if (optAccess_->isChecked())
    Setting(kTypeKey, "3");
  const double type = core::Value(Setting(kTypeKey)).ToDouble();  // not a number: the apply fails

  ApplyRequired(txtSourceDS_, kDsKey, "Data source value cannot be empty, will use previous value");
  ApplyRequired(txtProvider_, kProviderKey, "Provider value cannot be empty, will use previous value");
  if (type != 3) {
    ApplyRequired(txtDb_, kDbKey, "Database value cannot be empty, will use previous value");
    ApplyRequired(txtUser_, kUserKey, "Username value cannot be empty, will use previous value");
    ApplyRequired(txtPass_, kPasswordKey, "Password value cannot be empty, will use previous value");
  }
  // The timeouts go in as typed: a text the reader cannot convert makes it name the key.
  ApplyRequired(txtCnnTimeout_, kCnnTimeoutKey, "Connection timeout value cannot be empty, will use previous value");
  ApplyRequired(txtCommandTimeout_, kCmdTimeoutKey, "Command timeout value cannot be empty, will use previous value");
  const std::string customization = core::Trim(Typed(txtCustomizations_));
  if (!customization.empty()) Setting(kCustomizationKey, customization);

  Setting(kNotesKey, chkLogNotes_->isChecked() ? "TRUE" : "FALSE");
  const std::string logbook = Typed(txtLogBookId_);
  if (core::Trim(logbook).empty() || !core::IsNumericText(logbook))
    Setting(kLogbookKey, "0");
  else
    Setting(kLogbookKey, logbook);  // as typed, blanks and all
  return true;
}

std::int16_t CustomConfig::ChosenType() const {
  if (optSqlServer_->isChecked()) return 2;
  if (optAccess_->isChecked()) return 3;
  return 0;
}

bool CustomConfig::TestConnection(std::string& errText) {
  platform::db::Connection cnn;
  try {
    SourceConnectionString::Parts parts;
    parts.provider = Typed(txtProvider_);
    parts.dataSource = Typed(txtSourceDS_);
    parts.database = Typed(txtDb_);
    parts.userId = Typed(txtUser_);
    parts.password = Typed(txtPass_);
    parts.customization = Typed(txtCustomizations_);
    cnn.CursorLocation(platform::db::adUseClient);
    cnn.ConnectionString(SourceConnectionString::Build(ChosenType(), parts, Program().app.ProductName));
    cnn.CommandTimeout(core::Value(Typed(txtCommandTimeout_)).ToInteger());
    cnn.ConnectionTimeout(core::Value(Typed(txtCnnTimeout_)).ToInteger());
    CommonGlobals::ShowStatus(
        "Testing connection: objConn.ConnectionString: " + CommonGlobals::MaskedPasswords(cnn.ConnectionString()), 3);
    cnn.Open();
    cnn.Close();
    return true;
  } catch (const core::RuntimeError& e) {
    errText = std::to_string(e.Number()) + " - " + core::WindowText(e.Description());
  } catch (const std::exception& e) {
    errText = "0 - " + core::WindowText(e.what());
  }
  cnn.Close();
  return false;
}

void CustomConfig::btnTest_Click() {
  std::string errText;
  bool ok = false;
  {
    platform::ui::BusyScope busy(Program().ui.busy);
    ok = TestConnection(errText);
  }
  Box(ok ? "Source connection attempt was successful" : "Could not connect, test failed: " + errText, 0);
}
