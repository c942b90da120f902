#pragma once

#include <string>

class QALConfiguration;

// What is particular to the DeraRed source: its configuration section (provider,
// database, login, timeouts, logbook notes) and the hooks through which the
// common parts of the program ask the source for its specifics.
namespace CustomConfiguration {

// Declares the K30418 source section in the program's configuration store
// (nothing when start-up has not made one yet). Called right after the type
// defaults.
void DefineSourceDefaults();
void DefineSourceDefaults(QALConfiguration& config);

// The source's field identifiers offered to the additional-information map,
// separated by the character of code 0. DeraRed offers none.
std::string GetAInfoSourceFields();

// Called at the end of the main window's load for source-specific changes to it;
// DeraRed needs none.
void CustomizeMainForm();

}  // namespace CustomConfiguration
