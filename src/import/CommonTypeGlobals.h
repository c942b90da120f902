#pragma once

class QALConfiguration;

// Settings of the Krym value type that this build writes. Start-up calls
// DefineTypeDefaults after its own keys and before the source section.
namespace CommonTypeGlobals {

// Declares the type's keys in the program's configuration store (nothing when
// start-up has not made one yet).
void DefineTypeDefaults();
void DefineTypeDefaults(QALConfiguration& config);

}  // namespace CommonTypeGlobals
