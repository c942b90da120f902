#pragma once

#include <QStringList>
#include <string>

#include "app/config/CommonConfigForm.h"

class QTreeWidget;

// What the two field pickers of the additional-information map share: a toolbar of OK, Help and
// Cancel above the list lpVars (whole rows selected, no tree lines), the picked field, and how a
// pick ends: OK takes the pick and accepts; Cancel, Escape and a close through the window frame
// cancel. Each picker fills the list, says what a click on a row does and, where the pick is not
// the row clicked last, what OK takes.
class CommonConfigFieldPicker : public CommonConfigForm {
  Q_OBJECT

 public:
  bool Cancelled() const { return cancelled_; }
  const std::string& PickedField() const { return pickedField_; }
  QTreeWidget* lpVars() const { return lpVars_; }

 public slots:
  void reject() override;

 protected:
  // headers are the list's column captions.
  CommonConfigFieldPicker(const IconBinding* icons, QWidget* owner, const QString& caption, std::string helpTopic,
                          const QStringList& headers);

  bool ApplySettings() override { return true; }
  void OtherButtonClick(const std::string& key) override;

  // A click on a row of the list.
  virtual void lpVars_Click() = 0;
  // Called by OK before the dialog accepts: a picker whose pick is typed sets it here.
  virtual void TakePick() {}
  void PickField(std::string field) { pickedField_ = std::move(field); }

 private:
  bool cancelled_ = false;
  std::string pickedField_;
  QTreeWidget* lpVars_ = nullptr;
};
