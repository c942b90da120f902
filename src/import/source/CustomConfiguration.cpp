#include "import/source/CustomConfiguration.h"

#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"

namespace CustomConfiguration {

void DefineSourceDefaults() {
  if (QALConfiguration* config = Program().config) DefineSourceDefaults(*config);
}

void DefineSourceDefaults(QALConfiguration& config) {
  config.DefineTree("K30418", "");
  config.DefineTree("K30418\\SourceProvider", "Microsoft.Jet.OLEDB.4.0");
  config.DefineTree("K30418\\SourceDB", "");
  config.DefineTree("K30418\\SourceDS", "");
  config.DefineTree("K30418\\SourceUserID", "");
  config.DefineTree("K30418\\SourcePassword", "");
  config.DefineTree("K30418\\SourceCmdTimeout", "30");
  config.DefineTree("K30418\\SourceCnnTimeout", "15");
  config.DefineTree("K30418\\SourceCustomization", "");
  config.DefineTree("K30418\\SourceDBType", "3");
  config.DefineTree("K30418\\AddNotesToLogbook", "FALSE");
  config.DefineTree("K30418\\LogbookId", "0");
}

std::string GetAInfoSourceFields() { return ""; }

void CustomizeMainForm() {}

}  // namespace CustomConfiguration
