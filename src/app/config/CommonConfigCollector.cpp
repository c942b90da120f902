#include "app/config/CommonConfigCollector.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "app/session/ImportSession.h"
#include "app/startup/ProgramObjects.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/ActivityList.h"
#include "platform/ui/BusyPointer.h"
#include "platform/ui/EventPump.h"

namespace {

constexpr int kExclamation = 48;
constexpr const char* kDesignationKey = "VORNKRYM\\G2_SERVER_INTERFACE_ID";
constexpr const char* kCollectorIdKey = "COLLECTOR_OPTIONS\\COLLECTOR_ID";
constexpr const char* kPlaceholder = "{{{    Not yet assigned    }}}";

}  // namespace

CommonConfigCollector::CommonConfigCollector(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Collector Configuration", Pattern{.helpTopic = "12042"}) {
  setObjectName("CommonConfigCollector");

  auto* listLayout = new QVBoxLayout;
  dbCollector_ = new QComboBox(this);
  dbCollector_->setObjectName("dbCollector");
  dbCollector_->setMinimumWidth(320);
  listLayout->addWidget(dbCollector_);
  AddFrame("Which Vorn Krym G2 Interface Am I ?", listLayout);

  auto* launchLayout = new QHBoxLayout;
  btnConfigureCollector_ = new QPushButton("Collector Configuration Settings", this);
  btnConfigureCollector_->setObjectName("btnConfigureCollector");
  btnLaunch_ = new QPushButton("Launch Collector", this);
  btnLaunch_->setObjectName("btnLaunch");
  launchLayout->addWidget(btnConfigureCollector_);
  launchLayout->addWidget(btnLaunch_);
  Frame1_ = AddFrame("", launchLayout);
  Frame1_->setObjectName("Frame1");
  Frame1_->hide();
  Body()->addStretch(1);
  connect(btnConfigureCollector_, &QPushButton::clicked, this, &CommonConfigCollector::btnConfigureCollector_Click);
  connect(btnLaunch_, &QPushButton::clicked, this, &CommonConfigCollector::btnLaunch_Click);

  dbCollector_->addItem(kPlaceholder, 0);
  dbCollector_->setCurrentIndex(0);
  Load();
  // The launch part serves installations that name a collector program of their own.
  const QALConfiguration* config = Program().config;
  if (config && config->ItemExists(kCollectorIdKey) && !config->item(kCollectorIdKey).empty()) {
    Frame1_->show();
    adjustSize();
  }
}

void ShowCommonConfigCollector(ProgramObjects& objects, QWidget* owner) {
  CommonConfigCollector form(objects.icons.get(), owner);
  form.exec();
}

bool CommonConfigCollector::RefreshUIFromConfig() {
  LoadCollectorList();
  SelectConfiguredCollector();
  return true;
}

void CommonConfigCollector::LoadCollectorList() {
  // Entries of an earlier reading go; the placeholder stays first.
  while (dbCollector_->count() > 1) dbCollector_->removeItem(dbCollector_->count() - 1);
  luVersions_.clear();

  ConnectionManager manager;
  if (!CommonGlobals::InitVornKrymConnectionManager(manager)) {
    Box("Unable to init Vorn Krym Connection Manager", kExclamation);
    return;
  }
  platform::db::Connection cnn;
  manager.ConfigCnn4QALROOT(cnn);
  std::string errText;
  if (!CommonGlobals::ConnectVornKrym(cnn, errText, false, this)) {
    Box("Error :\r\n" + errText, kExclamation, "Failed to connect to Vorn Krym");
    return;
  }
  platform::ui::BusyScope busy(Program().ui.busy);
  // The product number is the program's own, as a number: no text reaches the statement.
  const std::int32_t product = core::Value(Program().app.ProductName).ToLong();
  platform::db::Recordset rs;
  rs.Open("select interface_id, name, lu_version from g2_server where lu_id=" + std::to_string(product) +
              " order by lower(name)",
          cnn);
  for (; !rs.Eof(); rs.MoveNext()) {
    // A row without a name or version shows and checks as empty text.
    const std::int32_t id = rs.Fields("interface_id").Value().ToLong();
    dbCollector_->addItem(QString::fromStdString(rs.Fields("name").Value().Text()), id);
    luVersions_.push_back(rs.Fields("lu_version").Value().Text());
  }
  rs.Close();
  cnn.Close();
}

void CommonConfigCollector::SelectConfiguredCollector() {
  // Interface ids are 32-bit numbers; a designation beyond 16 bits is still a designation.
  const std::int32_t configured = core::Value(Setting(kDesignationKey)).ToLong();
  for (int i = 0; i < dbCollector_->count(); ++i) {
    if (dbCollector_->itemData(i).toInt() == configured) {
      dbCollector_->setCurrentIndex(i);
      return;
    }
  }
}

bool CommonConfigCollector::ApplySettings() {
  const int index = dbCollector_->currentIndex();
  Setting(kDesignationKey, std::to_string(dbCollector_->currentData().toInt()));
  if (index >= 1 && static_cast<std::size_t>(index - 1) < luVersions_.size())
    CommonGlobals::CheckInterfaceVersion(luVersions_[static_cast<std::size_t>(index - 1)]);
  return true;
}

void CommonConfigCollector::SettingsApplied() {
  // A plain line straight into the list: no time, no log entry; the list scrolls to it as it does
  // to a status line.
  if (platform::ui::ActivityList* list = Program().ui.activityList) {
    list->AddItem("This Collector is now designated as : " + dbCollector_->currentText().toStdString());
    list->SelectLast();
  }
}

void CommonConfigCollector::btnConfigureCollector_Click() {
  if (platform::ui::EventPump* events = Program().ui.events) events->ProcessEvents();
}

bool CommonConfigCollector::FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

void CommonConfigCollector::btnLaunch_Click() {
  Guarded("btnLaunch_Click", [this] {
    CommonGlobals::ShowStatus("Starting Collector", 1);
    const std::filesystem::path program =
        std::filesystem::path(Program().app.Path) / "collector" / ("k" + Setting(kCollectorIdKey) + ".exe");
    if (!FileExists(program.string())) {
      CommonGlobals::ShowStatus("Unable to launch " + program.string() + ", program not available", 0);
      return false;
    }
    return QProcess::startDetached(QString::fromStdString(program.string()), {"VISIBLE"});
  });
}
