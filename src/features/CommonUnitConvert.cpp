#include "features/CommonUnitConvert.h"

#include <memory>

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"

namespace {

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

struct DefaultSlot {
  const char* from;
  const char* factor;
  const char* to;
};

// Slots 1 to 28; slot 12 repeats slot 11 on purpose (the first definition wins).
constexpr DefaultSlot kDefaults[] = {
    {"ng/l", "0.000001", "mg/l"},      // 1
    {"mcg/l", "0.001", "mg/l"},        // 2
    {"ug/l", "0.001", "mg/l"},         // 3
    {"µg/l", "0.001", "mg/l"},         // 4
    {"mg/l", "1000", "mcg/l"},         // 5
    {"mg/l", "1000", "ug/l"},          // 6
    {"mg/l", "1000", "µg/l"},          // 7
    {"mcg/kg", "0.001", "mg/kg"},      // 8
    {"ug/kg", "0.001", "mg/kg"},       // 9
    {"µg/kg", "0.001", "mg/kg"},       // 10
    {"mg/kg", "1000", "mcg/kg"},       // 11
    {"mg/kg", "1000", "mcg/kg"},       // 12
    {"mg/kg", "1000", "ug/kg"},        // 13
    {"mg/kg", "1000", "µg/kg"},        // 14
    {"ppb", "0.001", "ppm"},           // 15
    {"ppm", "1000", "ppb"},            // 16
    {"cfu/1ml", "100", "cfu/100ml"},   // 17
    {"cfu/100ml", "0.01", "cfu/1ml"},  // 18
    {"degf", "-1", "degc"},            // 19
    {"deg.f", "-1", "degc"},           // 20
    {"degreesf", "-1", "degc"},        // 21
    {"degreef", "-1", "degc"},         // 22
    {"degreef.", "-1", "degc"},        // 23
    {"degc", "-2", "degf"},            // 24
    {"deg.c", "-2", "degf"},           // 25
    {"degreesc", "-2", "degf"},        // 26
    {"degreec", "-2", "degf"},         // 27
    {"degreec.", "-2", "degf"},        // 28
};
constexpr int kDefaultCount = static_cast<int>(sizeof kDefaults / sizeof kDefaults[0]);

constexpr double kFahrenheitToCelsius = -1;
constexpr double kCelsiusToFahrenheit = -2;

}  // namespace

CommonUnitConvert::CommonUnitConvert() = default;

std::string CommonUnitConvert::SlotKey(int n, std::string_view field) {
  return "TARGET\\UNITCONVERT\\UNIT" + std::to_string(n) + "\\" + std::string(field);
}

QALConfiguration& CommonUnitConvert::Config() {
  QALConfiguration* config = Program().config;
  if (config == nullptr) core::Raise(91, "CommonUnitConvert");
  return *config;
}

void CommonUnitConvert::DefineTree() {
  QALConfiguration& config = Config();
  config.DefineTree(kEnabledKey, "TRUE");
  for (int n = 1; n <= kSlotCount; ++n) {
    const bool preset = n <= kDefaultCount;
    const DefaultSlot& d = preset ? kDefaults[n - 1] : DefaultSlot{"", "1", ""};
    config.DefineTree(SlotKey(n, "ENABLED"), preset ? "TRUE" : "FALSE");
    config.DefineTree(SlotKey(n, "FROMUNIT"), d.from);
    config.DefineTree(SlotKey(n, "FACTOR"), d.factor);
    config.DefineTree(SlotKey(n, "TOUNIT"), d.to);
  }
}

void CommonUnitConvert::Init() {
  QALConfiguration& config = Config();
  // A second Init must not keep conversions that the configuration no longer enables.
  table_.RemoveAll();
  enabled_ = false;
  if (config.item(kEnabledKey) != "TRUE") return;
  for (int n = 1; n <= kSlotCount; ++n) {
    if (config.item(SlotKey(n, "ENABLED")) != "TRUE") continue;
    const auto factor = core::ParseNumber(config.item(SlotKey(n, "FACTOR")));
    AddConversion(config.item(SlotKey(n, "FROMUNIT")), config.item(SlotKey(n, "TOUNIT")), factor ? *factor : 1);
  }
  enabled_ = true;
}

std::string CommonUnitConvert::RemoveSpaces(std::string_view text) {
  std::string out;
  for (const std::string& piece : core::Split(text, " ")) out += piece;
  return out;
}

std::string CommonUnitConvert::Normalised(std::string_view unit) { return RemoveSpaces(core::LCase(core::Trim(unit))); }

void CommonUnitConvert::AddConversion(const std::string& fromUnit, const std::string& toUnit, double factor) {
  try {
    const std::string from = Normalised(fromUnit);
    const std::string to = Normalised(toUnit);
    std::shared_ptr<HashTable> targets = table_.object<HashTable>(from);
    if (targets && targets->Exists(to)) return;
    if (factor < 0) {
      const double code = core::RoundHalfEven(factor);
      if (code != kFahrenheitToCelsius && code != kCelsiusToFahrenheit) return;
    }
    if (!targets) {
      // Filled before it is entered: an empty target unit (error 1001) leaves no empty table behind.
      targets = std::make_shared<HashTable>();
      targets->Add(to, core::Value(factor));
      table_.item(from, targets);
    } else {
      targets->Add(to, core::Value(factor));
    }
    Log("UnitConverter : Added '" + from + " -> " + core::NumberText(factor) + " -> " + to + "' as a valid conversion.",
        6);
  } catch (const core::RuntimeError&) {
    // A slot that names no unit adds nothing; the other slots still load.
  }
}

double CommonUnitConvert::GetConvertedResult(double value, const std::string& fromUnit, const std::string& toUnit) {
  if (!enabled_) return value;
  try {
    const std::string from = Normalised(fromUnit);
    const std::string to = Normalised(toUnit);
    if (from.empty() || to.empty() || from == to) return value;
    const std::shared_ptr<HashTable> targets = table_.object<HashTable>(from);
    if (!targets || !targets->Exists(to)) return value;
    const double factor = targets->item(to).ToDouble();
    double result = value;
    if (factor >= 0) {
      result = value * factor;
    } else {
      const double code = core::RoundHalfEven(factor);
      if (code == kFahrenheitToCelsius)
        result = (value - 32) / 1.8;
      else if (code == kCelsiusToFahrenheit)
        result = value * 1.8 + 32;
      else
        return value;
    }
    Log("UnitConverter: Converted " + core::NumberText(value) + " [" + from + "] to " + core::NumberText(result) +
            " [" + to + "]",
        5);
    return result;
  } catch (const core::RuntimeError&) {
    return value;
  }
}
