#include "platform/qt/QtShellOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace platform::qt {

bool QtShellOpener::OpenUrl(const std::string& target) {
  const QString text = QString::fromStdString(target);
  // An address with a scheme is opened as it stands; anything else is a file path,
  // which QUrl would otherwise misread (a relative path, a ':' or '#' in a name).
  const QUrl url = text.contains(QStringLiteral("://")) ? QUrl(text) : QUrl::fromLocalFile(text);
  if (!url.isValid()) return false;
  return QDesktopServices::openUrl(url);
}

}  // namespace platform::qt
