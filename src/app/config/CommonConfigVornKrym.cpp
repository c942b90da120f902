#include "app/config/CommonConfigVornKrym.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/widgets/IconBinding.h"
#include "app/startup/ProgramObjects.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "platform/db/Connection.h"
#include "platform/ui/BusyPointer.h"

namespace {

constexpr const char* kDbTypeKey = "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE";
constexpr const char* kProviderKey = "VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER";
constexpr const char* kDataSourceKey = "VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE";
constexpr const char* kCustomizationsKey = "VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS";
constexpr const char* kTimeoutKey = "VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT";
constexpr const char* kCommandTimeoutKey = "VORNKRYM\\VORNKRYM_CONNECTION_COMMAND_TIMEOUT";

constexpr int kExclamation = 48;
constexpr int kInformation = 64;

// A stored timeout as the form shows it: the whole number when it is one, else the default.
QString TimeoutText(const std::string& stored, int fallback) {
  const core::Value v(stored);
  return QString::number(v.IsNumeric() ? v.ToLong() : fallback);
}

}  // namespace

CommonConfigVornKrym::CommonConfigVornKrym(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Connection To Vorn Krym", Pattern{.helpTopic = "12037"}) {
  setObjectName("CommonConfigVornKrym");

  Toolbar1_ = new QToolBar("Toolbar1", this);
  Toolbar1_->setObjectName("Toolbar1");
  Toolbar1_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  ToolbarButtons::Add(Toolbar1_, {{"Test Connection", "connect", "Attempts to connect to Vorn Krym"}},
                      [this](const std::string& key) { Toolbar1ButtonClick(key); });

  auto* outer = new QVBoxLayout;
  auto frameOf = [](const QString& caption, QWidget* control) {
    auto* frame = new QGroupBox(caption);
    auto* l = new QVBoxLayout(frame);
    l->addWidget(control);
    return frame;
  };
  dbType_ = new QComboBox(this);
  dbType_->setObjectName("dbType");
  dbType_->addItems({"Oracle", "Microsoft SQL Server"});
  datasource_ = NewBox(this, "datasource");
  provider_ = NewBox(this, "provider");
  customization_ = NewBox(this, "customization");
  connection_timeout_ = NewBox(this, "connection_timeout");
  command_timeout_ = NewBox(this, "command_timeout");
  outer->addWidget(frameOf("Database Type", dbType_));
  outer->addWidget(frameOf("Data Source", datasource_));
  outer->addWidget(frameOf("OLE DB Provider", provider_));

  auto* advanced = new QGroupBox("Advanced Configuration");
  auto* advancedLayout = new QVBoxLayout(advanced);
  advancedLayout->addWidget(frameOf("Customizations", customization_));
  auto* timeouts = new QHBoxLayout;
  timeouts->addWidget(frameOf("Connection Timeout in Seconds", connection_timeout_));
  timeouts->addWidget(frameOf("Command Timeout in Seconds", command_timeout_));
  advancedLayout->addLayout(timeouts);
  outer->addWidget(advanced);
  outer->addWidget(Toolbar1_);
  AddFrame("Vorn Krym Connection Configuration", outer);
  resize(460, 0);

  connect(dbType_, &QComboBox::currentIndexChanged, this, &CommonConfigVornKrym::dbType_Click);
  if (icons) icons->initToolbar(Toolbar1_);
  Load();
}

void ShowCommonConfigVornKrym(ProgramObjects& objects, QWidget* owner) {
  CommonConfigVornKrym form(objects.icons.get(), owner);
  form.exec();
}

bool CommonConfigVornKrym::OracleChosen() const { return dbType_->currentText() == "Oracle"; }

void CommonConfigVornKrym::dbType_Click() { provider_->setText(OracleChosen() ? "OraOLEDB.Oracle" : "SQLNCLI"); }

void CommonConfigVornKrym::Toolbar1ButtonClick(const std::string& key) {
  if (core::LCase(key) == "connect") TestConnection();
}

bool CommonConfigVornKrym::RefreshUIFromConfig() {
  // A type that is not a number ends the refresh here (type mismatch).
  const double type = core::Value(Setting(kDbTypeKey)).ToDouble();
  dbType_->setCurrentIndex(type == 1 ? 0 : 1);  // proposes a provider; the stored one replaces it
  provider_->setText(QString::fromStdString(Setting(kProviderKey)));
  datasource_->setText(QString::fromStdString(Setting(kDataSourceKey)));
  customization_->setText(QString::fromStdString(Setting(kCustomizationsKey)));
  connection_timeout_->setText(TimeoutText(Setting(kTimeoutKey), 15));
  command_timeout_->setText(TimeoutText(Setting(kCommandTimeoutKey), 30));
  return true;
}

bool CommonConfigVornKrym::TestConnection() {
  if (!TryConnect()) return false;
  Box("Connection to Vorn Krym was successful.", kInformation, "Connection successful");
  return true;
}

bool CommonConfigVornKrym::TryConnect() {
  const std::int16_t type = OracleChosen() ? 1 : 2;
  // A timeout that is no whole number in range fails the test, and the box names it.
  const auto seconds = [this](const QLineEdit* box, const char* name, std::int32_t& out) {
    const std::string text = box->text().toStdString();
    if (Guarded("TryConnect", [&] {
          out = core::Value(text).ToLong();
          return true;
        }))
      return true;
    Box(std::string("The ") + name + " '" + text + "' cannot be used: give a whole number of seconds.", kExclamation,
        "Connection test failed");
    return false;
  };
  std::int32_t cnnTimeout = 0;
  std::int32_t cmdTimeout = 0;
  if (!seconds(connection_timeout_, "connection timeout", cnnTimeout) ||
      !seconds(command_timeout_, "command timeout", cmdTimeout))
    return false;

  ConnectionManager manager;
  if (!manager.Init(type, provider_->text().toStdString(), datasource_->text().toStdString(),
                    customization_->text().toStdString(), false, cnnTimeout, cmdTimeout)) {
    Box("Connection Init Failed", kExclamation, "Connection test failed");
    return false;
  }
  platform::db::Connection cnn;
  manager.ConfigCnn4QALROOT(cnn);
  std::string errText;
  bool opened = false;
  {
    platform::ui::BusyScope busy(Program().ui.busy);
    opened = CommonGlobals::ConnectVornKrym(cnn, errText, true, this);
  }
  if (!opened) Box("Connection Error :\r\n" + errText, kExclamation, "Connection test failed");
  cnn.Close();
  return opened;
}

bool CommonConfigVornKrym::ApplySettings() {
  if (!TestConnection()) return false;
  Setting(kDbTypeKey, OracleChosen() ? "1" : "2");
  Setting(kProviderKey, core::Trim(provider_->text().toStdString()));
  Setting(kDataSourceKey, core::Trim(datasource_->text().toStdString()));
  Setting(kCustomizationsKey, core::Trim(customization_->text().toStdString()));
  ApplyNumber(connection_timeout_, kTimeoutKey, 1, 99, Width::Integer);
  ApplyNumber(command_timeout_, kCommandTimeoutKey, 1, 99, Width::Integer);
  return true;
}
