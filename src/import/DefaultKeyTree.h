#pragma once

#include <string>

#include "core/Date.h"

class QALConfiguration;

// The keys that start-up declares itself, before the type and source sections:
// every option, the source and target recovery settings and the Krym connection.
// Keys must be declared before the configuration file is read, because the store
// reads and writes declared keys only.
namespace DefaultKeyTree {

// Declares the start-up keys in their fixed order. title is the program's title
// (the default service name); now is the local time that the date defaults are
// computed from.
void DefineStartupKeys(QALConfiguration& config, const std::string& title, core::Date now);

// The text form of the date defaults: month-day-year, 24-hour time.
std::string DefaultDateText(core::Date d);

}  // namespace DefaultKeyTree
