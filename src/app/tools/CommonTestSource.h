#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Value.h"

class CustomSource;
class QDateTimeEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The window "Source Read Test": runs the DeraRed reader by hand, by transaction date, by a
// transaction-id range or by one external id, and pages through the records it returns, each
// field in a read-only box of its own exactly as the reader filled it. It only reads.
//
// The window owns the reader of its last query (replaced by every query). It is shown modal;
// its Close button only hides it, and its opener releases it. The input and result frames scroll
// when the screen is too small for them; Close stays below them in sight.
class CommonTestSource : public QDialog {
  Q_OBJECT

 public:
  explicit CommonTestSource(QWidget* owner = nullptr);
  ~CommonTestSource() override;

  // Shows a window modally over owner and releases it once it is hidden.
  static void ShowModal(QWidget* owner);

  QDateTimeEdit* dateS() const { return dateS_; }
  QDateTimeEdit* dateE() const { return dateE_; }
  QLineEdit* txtStartTransId() const { return txtStartTransId_; }
  QLineEdit* txtEndTransId() const { return txtEndTransId_; }
  QLineEdit* txtExtIdQuery() const { return txtExtIdQuery_; }
  QGroupBox* Frame1() const { return Frame1_; }
  QPushButton* Button(const QString& controlName) const;
  // A record box by its control name ("txtTransId", "txtAnswer10").
  QLineEdit* Box(const QString& controlName) const;
  // How often the window beeped (paging past either end).
  int BeepCount() const { return beeps_; }

 private:
  void BuildInputFrame(QVBoxLayout* frames);
  void BuildResultFrame(QVBoxLayout* frames);

  void QueryByDate();
  void QueryByTransactionId();
  void QueryByExternalId();
  void PrevRecord();
  void NextRecord();

  // A new reader with the given query set; reads and shows the first record.
  void RunQuery(std::int16_t queryType, std::int32_t startTransId, std::int32_t endTransId, const std::string& ids);
  // The whole number in a transaction-id box: 0 when it holds none, nothing (after a box)
  // when it is out of range.
  std::optional<std::int32_t> TransactionId(QLineEdit* box);
  void ShowCurrentRecord();
  void ShowField(QLineEdit* box, const core::Value& value);
  void ClearDisplay();
  void Beep();

  QDateTimeEdit* dateS_ = nullptr;
  QDateTimeEdit* dateE_ = nullptr;
  QLineEdit* txtStartTransId_ = nullptr;
  QLineEdit* txtEndTransId_ = nullptr;
  QLineEdit* txtExtIdQuery_ = nullptr;
  QGroupBox* Frame1_ = nullptr;
  // The 38 boxes in the order they are filled.
  std::vector<QLineEdit*> boxes_;

  std::unique_ptr<CustomSource> source_;
  std::int32_t position_ = 1;
  int beeps_ = 0;
};
