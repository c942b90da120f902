#pragma once

class IconBinding;
class QGroupBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QToolBar;
class QWidget;

// The pieces the small operator dialogs are built from alike: the toolbar, a captioned frame
// around one control, a masked text box, and the OK, Cancel and Help buttons with their images. Every
// widget made here is owned by the parent it is given.
class DialogParts {
 public:
  struct Buttons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* help = nullptr;
    QHBoxLayout* row = nullptr;  // the three side by side, for the dialog's layout to take
  };

  // A fixed toolbar named myToolBar, captions under the images.
  static QToolBar* Toolbar(QWidget* parent);
  static QGroupBox* Frame(const char* caption, QWidget* content, QWidget* parent);
  static QLineEdit* PasswordBox(const char* name, QWidget* parent);
  // btnOK (the default button), btnCancel and btnHelpMe; a null tool tip sets none. The images
  // of "ok", "cancel" and "help" come from icons when it is given.
  static Buttons OkCancelHelp(QWidget* parent, const IconBinding* icons, const char* okToolTip,
                              const char* cancelToolTip);
};
