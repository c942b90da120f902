#pragma once

#include <QDateTime>
#include <QWidget>

#include "core/Date.h"

class QComboBox;
class QDateTimeEdit;

// The part that both date range dialogs show alike: the shortcut list of relative ranges and the
// start and end pickers, each in its frame. The pickers show and edit the clock values as they
// stand, to the second, in no time zone of their own (the dialog decides what zone they mean).
// The widget owns its controls; the dialog that holds it connects to them.
class CommonDateRangeFields : public QWidget {
 public:
  explicit CommonDateRangeFields(QWidget* parent = nullptr);

  QComboBox* cboRelDateSetting() const { return cboRelDateSetting_; }
  QDateTimeEdit* dtStart() const { return dtStart_; }
  QDateTimeEdit* dtEnd() const { return dtEnd_; }

  // Puts the range of the shortcut now chosen, from reference, into the pickers; false (and
  // nothing changed) when the shortcut has no range.
  bool ApplyKeyword(core::Date reference);

  // Puts a widget into each date's frame, under its picker (the frames take them over).
  void AddUnderDates(QWidget* underStart, QWidget* underEnd);

  core::Date Start() const;
  void Start(core::Date d);
  core::Date End() const;
  void End(core::Date d);

  // Between the program's dates and the pickers' values, to the second.
  static QDateTime ToQDateTime(core::Date d);
  static core::Date FromQDateTime(const QDateTime& t);

 private:
  QComboBox* cboRelDateSetting_ = nullptr;
  QDateTimeEdit* dtStart_ = nullptr;
  QDateTimeEdit* dtEnd_ = nullptr;
  QWidget* startFrame_ = nullptr;
  QWidget* endFrame_ = nullptr;
};
