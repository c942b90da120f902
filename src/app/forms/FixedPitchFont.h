#pragma once

#include <QFont>
#include <QString>

// The font of a window's column-aligned text (the activity list, the log view): the family
// asked for when it is installed and fixed-pitch, otherwise the system's fixed-pitch font, so
// that the columns of the lines still line up where that family is missing.
QFont FixedPitchFont(const QString& family);
