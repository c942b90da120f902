#include "app/widgets/WatcherLabel.h"

#include <QColor>
#include <QLabel>
#include <QPalette>

WatcherLabel::WatcherLabel(QLabel* label, std::function<void(const QString&)> onChange)
    : label_(label), onChange_(std::move(onChange)) {
  label_->setAutoFillBackground(true);
}

void WatcherLabel::Caption(const std::string& text) {
  const QString caption = QString::fromStdString(text);
  const bool changed = label_->text() != caption;
  label_->setText(caption);
  if (changed && onChange_) onChange_(caption);
}

void WatcherLabel::BackColor(std::uint32_t rgb) {
  QPalette palette = label_->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(static_cast<QRgb>(rgb)));
  label_->setPalette(palette);
}
