#include "platform/qt/QtActivityList.h"

#include <QListWidget>

#include "core/OutsideText.h"

namespace platform::qt {

QtActivityList::QtActivityList(QListWidget* list) : list_(list) {}

int QtActivityList::Count() const { return list_ ? list_->count() : 0; }

void QtActivityList::AddItem(const std::string& text) {
  // Lines added directly (not through the status line) are kept to one line all the same.
  if (list_) list_->addItem(QString::fromStdString(core::SafeLine(text)));
}

void QtActivityList::RemoveItem(int index) {
  if (!list_ || index < 0 || index >= list_->count()) return;
  delete list_->takeItem(index);
}

void QtActivityList::Clear() {
  if (list_) list_->clear();
}

std::string QtActivityList::Item(int index) const {
  if (!list_ || index < 0 || index >= list_->count()) return "";
  return list_->item(index)->text().toStdString();
}

void QtActivityList::SelectLast() {
  if (!list_ || list_->count() == 0) return;
  list_->setCurrentRow(list_->count() - 1);
  list_->scrollToBottom();
}

}  // namespace platform::qt
