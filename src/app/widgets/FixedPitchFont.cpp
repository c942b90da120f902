#include "app/widgets/FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace {

// An installed face that the font database calls fixed-pitch: the system's own when it is one
// (some "Mono" faces hold a few wide signs and are not), else the first installed one.
QString FixedPitchFamily() {
  const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (QFontInfo(system).fixedPitch()) return QFontInfo(system).family();
  for (const QString& installed : QFontDatabase::families()) {
    if (!QFontDatabase::isPrivateFamily(installed) && QFontDatabase::isFixedPitch(installed)) return installed;
  }
  return {};
}

}  // namespace

QFont FixedPitchFont(const QString& family) {
  QFont font(family);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  // A missing family resolves to whatever the font matching finds, often a proportional face.
  if (QFontInfo(font).fixedPitch()) return font;
  // The family asked for stays first; where it is missing, a fixed-pitch face stands in.
  if (const QString fallback = FixedPitchFamily(); !fallback.isEmpty()) font.setFamilies({family, fallback});
  return font;
}
