#pragma once

// Qt's platform layer prints a few notices on stderr that tell the program's users nothing and,
// for the service, only fill the journal: that the off-screen platform cannot resize windows,
// and that XDG_RUNTIME_DIR is not set (Qt then makes a runtime folder of its own, which is all
// the program needs). Quieten drops exactly those; every other message goes where it went
// before. Process-wide; call it once, before the QApplication is made.
namespace PlatformNotices {

void Quieten();

}  // namespace PlatformNotices
