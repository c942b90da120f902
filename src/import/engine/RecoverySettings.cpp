#include "import/engine/RecoverySettings.h"

#include "core/RuntimeError.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"

RecoverySettings RecoverySettings::Read(const std::string& side) {
  QALConfiguration* config = Program().config;
  if (!config) throw core::RuntimeError(91, "Object variable or With block variable not set", "RecoverySettings");
  RecoverySettings s;
  s.attempts_ = core::Value(config->item(side + "\\RECOVERY\\ATTEMPTS")).ToLong();
  s.secondsText_ = config->item(side + "\\RECOVERY\\SECONDS");
  const std::int64_t ms = static_cast<std::int64_t>(core::Value(s.secondsText_).ToLong()) * 1000;
  if (ms < INT32_MIN || ms > INT32_MAX) core::Raise(core::err::kOverflow, "RecoverySettings");
  s.waitMs_ = static_cast<std::int32_t>(ms);
  return s;
}
