#include "app/forms/FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

QFont FixedPitchFont(const QString& family) {
  QFont font(family);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  // A missing family resolves to whatever the font matching finds, often a proportional face.
  if (QFontInfo(font).fixedPitch()) return font;
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (QFontInfo(fixed).fixedPitch()) return fixed;
  // The system's choice may be a face that its font database does not call fixed-pitch (some
  // "Mono" faces hold a few wide signs): the first installed face that is.
  for (const QString& installed : QFontDatabase::families()) {
    if (QFontDatabase::isPrivateFamily(installed) || !QFontDatabase::isFixedPitch(installed)) continue;
    QFont candidate(installed);
    candidate.setStyleHint(QFont::Monospace);
    if (QFontInfo(candidate).fixedPitch()) return candidate;
  }
  return font;
}
