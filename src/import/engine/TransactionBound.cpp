#include "import/engine/TransactionBound.h"

#include <exception>
#include <string>

#include "core/RuntimeError.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "import/source/SourceConnectionString.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace {

constexpr const char* kQuery = "SELECT MAX(ID) FROM Tbl_Transaction_PDA";

std::string ErrorText(const std::exception& e) {
  if (const auto* re = dynamic_cast<const core::RuntimeError*>(&e))
    return std::to_string(re->Number()) + " - " + re->Description();
  return "0 - " + std::string(e.what());
}

// The source connection exactly as the reader configures its own.
void Configure(platform::db::Connection& cnn) {
  QALConfiguration* config = Program().config;
  if (!config) throw core::RuntimeError(91, "Object variable or With block variable not set", "TransactionBound");
  SourceConnectionString::Parts parts;
  parts.dataSource = config->item("K30418\\SourceDS");
  parts.userId = config->item("K30418\\SourceUserID");
  parts.password = config->item("K30418\\SourcePassword");
  parts.database = config->item("K30418\\SourceDB");
  const std::int16_t dbType = core::Value(config->item("K30418\\SourceDBType")).ToInteger();
  parts.provider = config->item("K30418\\SourceProvider");
  parts.customization = config->item("K30418\\SourceCustomization");
  const std::int16_t commandTimeout = core::Value(config->item("K30418\\SourceCmdTimeout")).ToInteger();
  const std::int16_t connectionTimeout = core::Value(config->item("K30418\\SourceCnnTimeout")).ToInteger();
  cnn.CursorLocation(platform::db::adUseClient);
  cnn.ConnectionString(SourceConnectionString::Build(dbType, parts, Program().app.ProductName));
  cnn.CommandTimeout(commandTimeout);
  cnn.ConnectionTimeout(connectionTimeout);
}

}  // namespace

bool TransactionBound::ReadHighestTransId(std::int32_t& id) {
  try {
    platform::db::Connection cnn;
    Configure(cnn);
    cnn.Open();
    if (QALLoggerTXT* logger = Program().logger)
      logger->WriteLog(std::string("TransactionBound.ReadHighestTransId() Query : ") + kQuery, 5);
    platform::db::Recordset rs;
    rs.Open(kQuery, cnn, platform::db::adCmdText);
    const core::Value highest = rs.Eof() ? core::Value::MakeNull() : rs.Fields(0).Value();
    rs.Close();
    cnn.Close();
    id = highest.IsNull() ? 0 : highest.ToLong();
    return true;
  } catch (const std::exception& e) {
    CommonGlobals::ShowStatus("Error in ReadHighestTransId: " + ErrorText(e), 0);
    return false;
  }
}
