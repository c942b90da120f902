#include "import/CommonTypeGlobals.h"

#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"

namespace CommonTypeGlobals {

void DefineTypeDefaults() {
  if (QALConfiguration* config = Program().config) DefineTypeDefaults(*config);
}

void DefineTypeDefaults(QALConfiguration& config) { config.DefineTree("TARGET\\COMMENTWRITER\\ENABLED", "TRUE"); }

}  // namespace CommonTypeGlobals
