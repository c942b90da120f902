#include "import/engine/RecoverySettings.h"

#include "core/RuntimeError.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"

RecoverySettings RecoverySettings::Read(const std::string& side) {
  QALConfiguration* config = Program().config;
  if (!config) throw core::RuntimeError(91, "Object variable or With block variable not set", "RecoverySettings");
  const std::string secondsKey = side + "\\RECOVERY\\SECONDS";
  RecoverySettings s;
  s.attempts_ = CommonGlobals::LongSetting(side + "\\RECOVERY\\ATTEMPTS");
  s.secondsText_ = config->item(secondsKey);
  const std::int64_t ms = static_cast<std::int64_t>(CommonGlobals::LongSetting(secondsKey)) * 1000;
  if (ms < INT32_MIN || ms > INT32_MAX)
    throw CommonGlobals::SettingError(core::err::kOverflow, secondsKey, s.secondsText_);
  s.waitMs_ = static_cast<std::int32_t>(ms);
  return s;
}

const RecoverySettings& RecoverySettings::Reader::Get() {
  const QALConfiguration* config = Program().config;
  if (config == nullptr || config->Revision() != revision_) {
    revision_ = 0;  // until the read below succeeds
    settings_ = Read(side_);
    revision_ = config->Revision();
  }
  return settings_;
}
