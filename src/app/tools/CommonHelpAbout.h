#pragma once

#include <QDialog>
#include <string>

class IconBinding;
class QLabel;
class QPushButton;
class QTableWidget;

// The About window ("About ..."): the program's identity values in a small grid (version,
// description, build numbers, product number), a credit for the toolbar images and two link
// labels that open their own caption in the desktop's browser.
//
// It is shown modal; its Exit button only hides it, and its opener releases it. The icon
// binding is borrowed and may be null; the identity values are read from the program context
// when the window is made.
class CommonHelpAbout : public QDialog {
  Q_OBJECT

 public:
  explicit CommonHelpAbout(const IconBinding* icons, QWidget* owner = nullptr);

  // Shows an About window modally over owner and releases it once it is hidden.
  static void ShowModal(const IconBinding* icons, QWidget* owner);

  QTableWidget* mySpread() const { return mySpread_; }
  QLabel* lblCopyright() const { return lblCopyright_; }
  QLabel* Label2() const { return Label2_; }
  QLabel* lblMeetOnline() const { return lblMeetOnline_; }
  QPushButton* btnExit() const { return btnExit_; }
  // The text of a cell of the grid, counted from 1 ("" for an empty cell).
  std::string Cell(int row, int column) const;

  // Open the link label's caption; what the desktop answers is not examined.
  void Label2_Click();
  void lblMeetOnline_Click();

 private:
  void Load(const IconBinding* icons);
  void SetCell(int row, int column, const std::string& text);
  static void OpenCaption(const QLabel* label);

  QLabel* Picture1_ = nullptr;
  QTableWidget* mySpread_ = nullptr;
  QLabel* lblCopyright_ = nullptr;
  QLabel* Label1_ = nullptr;
  QLabel* Label2_ = nullptr;
  QLabel* lblMeetOnline_ = nullptr;
  QLabel* lblPatents_ = nullptr;
  QPushButton* btnExit_ = nullptr;
};
