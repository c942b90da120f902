#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "app/widgets/ToolbarButtons.h"

class IconBinding;
class QALConfiguration;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QToolBar;
class QVBoxLayout;

// What every configuration window has in common: the toolbar myToolBar whose buttons are
// dispatched on their lower-cased key ("check" applies, "save" applies and saves, "help" opens
// the window's help page, "close" hides the window), the three operations RefreshUIFromConfig,
// ApplySettings and ShowHelp, each returning success, and the fixed message of every outcome.
//
// The values live in the program's configuration store (Program().config) and are read and
// written there at each event; a form keeps no copy of them. A form is made for one opening,
// shown modal, and released by its opener once its close button (or the window frame) has
// hidden it. The icon binding is borrowed and must outlive the form; without one the toolbar
// has no images.
class CommonConfigForm : public QDialog {
  Q_OBJECT

 public:
  // Runs the toolbar action of a key, compared lower-cased; a key that none of the form's buttons
  // carries does nothing.
  void ToolbarButtonClick(const std::string& key);
  QToolBar* myToolBar() const { return myToolBar_; }

 protected:
  // The toolbar of most forms: Apply Settings, Save Settings, Help, Close.
  static std::vector<ToolbarButtons::Button> StandardButtons();
  // Apply Settings, Help, Close: the feature forms, which have no save of their own.
  static std::vector<ToolbarButtons::Button> ApplyOnlyButtons();

  struct Pattern {
    std::vector<ToolbarButtons::Button> buttons = StandardButtons();
    std::string helpTopic;
    bool confirmApply = false;     // "check" says "Settings applied." on success
    bool closeAfterCheck = false;  // "check" hides the window whatever the outcome
  };

  CommonConfigForm(const IconBinding* icons, QWidget* owner, const QString& caption, Pattern pattern);

  // The load of the form: the toolbar gets its images, then the controls are filled from the
  // configuration, with "Failed to refresh UI from CONFIG" when that fails. The most derived
  // form calls it once its controls exist.
  void Load();

  virtual bool RefreshUIFromConfig() = 0;
  virtual bool ApplySettings() = 0;
  // The window's help page.
  virtual bool ShowHelp();
  // After an apply that succeeded, by "check" or by "save" (before the file is written).
  virtual void SettingsApplied() {}
  // A lower-cased key that is none of the four common ones.
  virtual void OtherButtonClick(const std::string& key) { (void)key; }

  // The body below the toolbar, where a form puts its frames.
  QVBoxLayout* Body() const { return body_; }
  QGroupBox* AddFrame(const QString& caption, QLayout* inner);
  // A frame holding the option pair "Enabled" / "Disabled" of one switch.
  QGroupBox* AddOnOffFrame(const QString& caption, QRadioButton*& on, const char* onName, QRadioButton*& off,
                           const char* offName);
  const IconBinding* Icons() const { return icons_; }
  // Controls named as the form names them; maxWidth 0 leaves the box its natural width.
  static QLineEdit* NewBox(QWidget* parent, const char* name, int maxWidth = 0);
  static QRadioButton* NewOption(const QString& caption, QWidget* parent, const char* name);

  static QALConfiguration& Config();
  static std::string Setting(const std::string& key);
  static void Setting(const std::string& key, const std::string& value);
  // A box through the message handler; icon 48 for failures and validation, 64 for success.
  static int Box(const std::string& prompt, int buttons = 0, std::optional<std::string> title = std::nullopt);
  static void Log(const std::string& text, int level);

  enum class Width { Integer, Long };
  // A number typed into box for key: a numeric text is rounded to a whole number (halves to
  // even), held to lo..hi and written as decimal text into the key and the box; a whole number
  // beyond the width raises the overflow error. Any other text gives the "Validation failed"
  // box and the box shows the stored value again; the key keeps its value.
  static void ApplyNumber(QLineEdit* box, const std::string& key, std::int32_t lo, std::int32_t hi, Width width);
  // The validation box for a text that is not a number, and the stored value back in the box.
  static void RefuseNumber(QLineEdit* box, const std::string& key);

  // Runs an operation of the form; a run-time error ends it with False and its reason logged.
  static bool Guarded(const char* operation, const std::function<bool()>& body);

 private:
  void Check();
  void Save();

  const IconBinding* icons_;
  Pattern pattern_;
  QToolBar* myToolBar_ = nullptr;
  QVBoxLayout* body_ = nullptr;
};
