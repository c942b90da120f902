#include "import/model/KrymSchemaOpener.h"

#include <exception>

#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "platform/db/Connection.h"

KrymSchemaOpener::Outcome KrymSchemaOpener::Open(platform::db::Connection& cnn, const std::string& schema) const {
  try {
    ConnectionManager cm;
    if (!CommonGlobals::InitVornKrymConnectionManager(cm)) return Outcome::NoSettings;
    if (schema == "QALROOT")
      cm.ConfigCnn4QALROOT(cnn);
    else
      cm.ConfigCnn4FACILITY(cnn, schema);
    cnn.Open();
    return Outcome::Opened;
  } catch (const std::exception&) {
    // The callers decide what a failed open means; most go on quietly.
    return Outcome::Failed;
  }
}

const KrymSchemaOpener& KrymSchemaOpener::Standard() {
  static const KrymSchemaOpener opener;
  return opener;
}
