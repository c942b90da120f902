#include "app/config/CommonConfigForm.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/widgets/IconBinding.h"
#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/qt/QtWindowFit.h"

namespace {

constexpr int kExclamation = 48;
constexpr int kInformation = 64;

const ToolbarButtons::Button kCheck{"Apply Settings", "check",
                                    "Applies settings (but does not save into configuration XML)"};
const ToolbarButtons::Button kSave{"Save Settings", "save", "Applies Settings and Saves them into Configuration XML"};
const ToolbarButtons::Button kHelp{"Help", "help", "Displays Help Article"};
const ToolbarButtons::Button kClose{"Close", "Close", "Closes this form"};

}  // namespace

std::vector<ToolbarButtons::Button> CommonConfigForm::StandardButtons() { return {kCheck, kSave, kHelp, kClose}; }

std::vector<ToolbarButtons::Button> CommonConfigForm::ApplyOnlyButtons() { return {kCheck, kHelp, kClose}; }

CommonConfigForm::CommonConfigForm(const IconBinding* icons, QWidget* owner, const QString& caption, Pattern pattern)
    : QDialog(owner), icons_(icons), pattern_(std::move(pattern)) {
  setWindowTitle(caption);
  platform::qt::FitWidthToTitle(this);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  myToolBar_ = new QToolBar("myToolBar", this);
  myToolBar_->setObjectName("myToolBar");
  myToolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  for (const ToolbarButtons::Button& b : pattern_.buttons)
    ToolbarButtons::Add(myToolBar_, {b}, [this](const std::string& key) { ToolbarButtonClick(key); });
  layout->addWidget(myToolBar_);

  body_ = new QVBoxLayout;
  body_->setContentsMargins(9, 6, 9, 9);
  body_->setSpacing(6);
  layout->addLayout(body_, 1);
}

void CommonConfigForm::Load() {
  if (icons_) icons_->initToolbar(myToolBar_);
  if (!Guarded("RefreshUIFromConfig", [this] { return RefreshUIFromConfig(); }))
    Box("Failed to refresh UI from CONFIG", 0);
}

void CommonConfigForm::ToolbarButtonClick(const std::string& key) {
  const std::string k = core::LCase(key);
  // Only the keys of this form's own buttons act: a form without a save button never saves.
  const bool own = std::any_of(pattern_.buttons.begin(), pattern_.buttons.end(),
                               [&k](const ToolbarButtons::Button& b) { return core::LCase(b.key) == k; });
  if (!own) return;
  if (k == "check") {
    Check();
  } else if (k == "save") {
    Save();
  } else if (k == "help") {
    if (!ShowHelp()) Box("Unable to display help", kExclamation);
  } else if (k == "close") {
    reject();  // hides the form, which ends its modal show
  } else {
    OtherButtonClick(k);
  }
}

void CommonConfigForm::Check() {
  if (Guarded("ApplySettings", [this] { return ApplySettings(); })) {
    SettingsApplied();
    if (pattern_.confirmApply) Box("Settings applied.", kInformation);
  } else {
    Box("Unable to apply settings", kExclamation);
  }
  if (pattern_.closeAfterCheck) reject();
}

void CommonConfigForm::Save() {
  if (!Guarded("ApplySettings", [this] { return ApplySettings(); })) {
    Box("Unable to apply settings", kExclamation);
    return;
  }
  SettingsApplied();
  if (CommonGlobals::SaveConfiguration())
    Box("Saved successfully", kInformation);
  else
    Box("Unable to save configuration", kExclamation);
}

bool CommonConfigForm::ShowHelp() {
  return Guarded("ShowHelp", [this] {
    CommonGlobals::ShowHelpTopic(pattern_.helpTopic);
    return true;
  });
}

QGroupBox* CommonConfigForm::AddFrame(const QString& caption, QLayout* inner) {
  auto* frame = new QGroupBox(caption, this);
  frame->setLayout(inner);
  body_->addWidget(frame);
  return frame;
}

QLineEdit* CommonConfigForm::NewBox(QWidget* parent, const char* name, int maxWidth) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  if (maxWidth > 0) box->setMaximumWidth(maxWidth);
  return box;
}

QRadioButton* CommonConfigForm::NewOption(const QString& caption, QWidget* parent, const char* name) {
  auto* option = new QRadioButton(caption, parent);
  option->setObjectName(name);
  return option;
}

QGroupBox* CommonConfigForm::AddOnOffFrame(const QString& caption, QRadioButton*& on, const char* onName,
                                           QRadioButton*& off, const char* offName) {
  auto* row = new QHBoxLayout;
  on = NewOption("Enabled", this, onName);
  off = NewOption("Disabled", this, offName);
  row->addWidget(on);
  row->addWidget(off);
  row->addStretch(1);
  // The frame takes both buttons as its children, which makes them one group.
  return AddFrame(caption, row);
}

QALConfiguration& CommonConfigForm::Config() {
  QALConfiguration* config = Program().config;
  // Error 91: the program has no configuration store (object variable not set).
  if (!config) core::Raise(91, "CommonConfigForm");
  return *config;
}

std::string CommonConfigForm::Setting(const std::string& key) { return Config().item(key); }

void CommonConfigForm::Setting(const std::string& key, const std::string& value) { Config().item(key, value); }

int CommonConfigForm::Box(const std::string& prompt, int buttons, std::optional<std::string> title) {
  QALmsgBoxHandler* box = Program().msgBox;
  return box ? box->QalMsgBox(prompt, buttons, std::move(title)) : 1;
}

void CommonConfigForm::Log(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

void CommonConfigForm::ApplyNumber(QLineEdit* box, const std::string& key, std::int32_t lo, std::int32_t hi,
                                   Width width) {
  const std::string text = box->text().toStdString();
  if (!core::IsNumericText(text)) {
    RefuseNumber(box, key);
    return;
  }
  const core::Value typed(text);
  const std::int32_t whole = width == Width::Integer ? typed.ToInteger() : typed.ToLong();
  const std::string stored = std::to_string(std::clamp(whole, lo, hi));
  Setting(key, stored);
  box->setText(QString::fromStdString(stored));
}

void CommonConfigForm::RefuseNumber(QLineEdit* box, const std::string& key) {
  Box("Invalid value provided for '" + key + "'. Will use previous value.", kExclamation, "Validation failed");
  box->setText(QString::fromStdString(Setting(key)));
}

bool CommonConfigForm::Guarded(const char* operation, const std::function<bool()>& body) {
  try {
    return body();
  } catch (const core::RuntimeError& e) {
    Log(std::string(operation) + " failed: " + std::to_string(e.Number()) + " - " + core::OutsideText(e.Description()),
        0);
  } catch (const std::exception& e) {
    Log(std::string(operation) + " failed: " + core::OutsideText(e.what()), 0);
  }
  return false;
}
