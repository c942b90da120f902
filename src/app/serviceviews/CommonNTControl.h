#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "app/widgets/WatcherLabel.h"

class IconBinding;
class QLabel;
class QStatusBar;
class QToolBar;

// The service status and control view: the service's state on a coloured label, kept current
// by the watcher's status timer, and buttons that start and stop the service. It is shown modal;
// its Close button only hides it, and its opener releases it. It owns its watcher; the icon
// binding is borrowed and must outlive the window.
class CommonNTControl : public QDialog {
  Q_OBJECT

 public:
  explicit CommonNTControl(const IconBinding* icons, QWidget* owner = nullptr);
  ~CommonNTControl() override;

  // Shows a view modally over owner and releases it once it is hidden.
  static void ShowModal(const IconBinding* icons, QWidget* owner);

  // Runs the toolbar action of a key, compared lower-cased ("Close" closes). A start or stop
  // that cannot be made or that the manager refuses says why in a box.
  void ToolbarButtonClick(const std::string& key);

  QLabel* UIsvcLabel() const { return UIsvcLabel_; }
  QToolBar* myToolBar() const { return myToolBar_; }
  QLabel* NamePanel() const { return namePanel_; }
  const QALntSvcWatcher& Watcher() const { return *watcher_; }

  // The status refresh period of a REFRESH_STATUS_SECONDS text: numeric texts rounded and held
  // to 1..99 seconds, anything else 99.
  static std::int32_t RefreshSeconds(const std::string& text);

 private:
  void BuildToolbar();
  void Load(const IconBinding* icons);

  QLabel* UIsvcLabel_ = nullptr;
  QToolBar* myToolBar_ = nullptr;
  QStatusBar* SB_ = nullptr;
  QLabel* namePanel_ = nullptr;
  // The watcher borrows the label adapter, so it is declared after it and goes first.
  std::unique_ptr<WatcherLabel> labelAdapter_;
  std::unique_ptr<QALntSvcWatcher> watcher_;
};
