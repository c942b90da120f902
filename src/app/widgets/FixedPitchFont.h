#pragma once

#include <QFont>
#include <QString>

// The font of a window's column-aligned text (the activity list, the log view): the family
// asked for, with an installed fixed-pitch face behind it where that family is missing or not
// fixed-pitch, so that the columns of the lines still line up. family() stays the one asked for.
QFont FixedPitchFont(const QString& family);
