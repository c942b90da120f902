#include "app/session/ImportSession.h"

// The session driver is not built yet: sessions do nothing.
namespace CommonGlobals {

bool ImportAllVariables(bool) { return false; }
bool ImportSelectedVariables(bool) { return false; }

}  // namespace CommonGlobals
