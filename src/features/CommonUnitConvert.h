#pragma once

#include <string>
#include <string_view>

#include "foundation/HashTable.h"

class QALConfiguration;

// Converts a result from the unit a source delivers it in to the unit of the target variable,
// by a table of conversions kept in the configuration (100 slots under TARGET\UNITCONVERT): a
// factor >= 0 multiplies, the code -1 turns degrees Fahrenheit into Celsius, -2 Celsius into
// Fahrenheit. Units are compared lower-cased and without blanks ("MG / L" is "mg/l").
//
// The converter owns its table. It reads the program's configuration store (Program().config);
// DefineTree and Init raise core::RuntimeError when there is none or a key is undeclared.
class CommonUnitConvert {
 public:
  static constexpr int kSlotCount = 100;
  static constexpr const char* kEnabledKey = "TARGET\\UNITCONVERT\\ENABLED";
  // TARGET\UNITCONVERT\UNIT<n>\<field> for field ENABLED, FROMUNIT, FACTOR or TOUNIT.
  static std::string SlotKey(int n, std::string_view field);

  CommonUnitConvert();

  // Declares the switch and the 100 slots with their defaults (slots 1 to 28 hold the usual
  // concentration, count and temperature conversions).
  void DefineTree();
  // Loads the enabled slots when the switch reads exactly "TRUE" and turns conversion on;
  // otherwise turns it off. The table is loaded anew each time.
  void Init();
  bool Enabled() const { return enabled_; }

  // The value in toUnit, or the value unchanged when conversion is off, a unit is empty, the
  // units are the same or no conversion between them is known. Never fails.
  double GetConvertedResult(double value, const std::string& fromUnit, const std::string& toUnit);

  // Adds fromUnit -> toUnit. The first definition of a pair wins; a negative factor other than
  // the codes -1 and -2 (after rounding) is refused silently. Never fails.
  void AddConversion(const std::string& fromUnit, const std::string& toUnit, double factor);

  // The text without its blanks.
  static std::string RemoveSpaces(std::string_view text);

 private:
  static std::string Normalised(std::string_view unit);
  static QALConfiguration& Config();

  bool enabled_ = false;
  HashTable table_;  // source unit -> (target unit -> factor)
};
