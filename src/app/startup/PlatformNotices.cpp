#include "app/startup/PlatformNotices.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <atomic>

namespace PlatformNotices {

namespace {

constexpr std::array<const char*, 2> kNoise = {
    "This plugin does not support propagateSizeHints()",
    "QStandardPaths: XDG_RUNTIME_DIR not set",
};

std::atomic<QtMessageHandler> gPrevious{nullptr};

void Filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  for (const char* noise : kNoise)
    if (message.startsWith(QLatin1String(noise))) return;
  if (QtMessageHandler previous = gPrevious.load()) previous(type, context, message);
}

}  // namespace

void Quieten() {
  if (gPrevious.load() != nullptr) return;
  gPrevious.store(qInstallMessageHandler(&Filter));
}

}  // namespace PlatformNotices
