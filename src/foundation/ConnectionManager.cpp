#include "foundation/ConnectionManager.h"

#include <exception>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionStringParts.h"
#include "platform/db/Recordset.h"

namespace {

// The schema password is joined from its pieces when a manager is made, so that
// it never stands whole in the program's data.
constexpr char kPiece3 = '4';
constexpr char kPiece1 = 'Z';
constexpr char kPiece5 = 'q';
constexpr char kPiece2 = 't';
constexpr char kPiece4 = 'w';

std::string JoinPassword() {
  std::string p;
  p += kPiece1;
  p += kPiece2;
  p += kPiece3;
  p += kPiece4;
  p += kPiece5;
  return p;
}

// A value that would otherwise end its pair early or be read as quoted or braced is
// written in double quotes, so a facility file name or a data source holding ";" cannot
// add pairs of its own, and one in braces reaches the database of exactly that name.
// Plain values stand as given.
std::string PairValue(const std::string& value) { return platform::db::ConnectionStringParts::OleDbValue(value); }

void LogLine(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

}  // namespace

ConnectionManager::ConnectionManager() : password_(JoinPassword()) {}
ConnectionManager::~ConnectionManager() = default;
ConnectionManager::ConnectionManager(ConnectionManager&&) noexcept = default;
ConnectionManager& ConnectionManager::operator=(ConnectionManager&&) noexcept = default;

bool ConnectionManager::Init(std::int16_t aDB_TYPE, const std::string& aDB_PROVIDER, const std::string& aDB_DATASOURCE,
                             const std::string& aDB_CUSTOMIZATION, bool aPersistSecurityInfo,
                             std::int32_t CnnTimeout_Sec, std::int32_t CommandTimeout_Sec) {
  std::string provider = core::Trim(aDB_PROVIDER);
  std::string dataSource = core::Trim(aDB_DATASOURCE);
  if ((aDB_TYPE != 1 && aDB_TYPE != 2) || provider.empty() || dataSource.empty()) return false;
  dbType_ = aDB_TYPE;
  provider_ = std::move(provider);
  dataSource_ = std::move(dataSource);
  customization_ = core::Trim(aDB_CUSTOMIZATION);
  connectionTimeoutSec_ = CnnTimeout_Sec;
  commandTimeoutSec_ = CommandTimeout_Sec;
  persistSecurityInfo_ = aPersistSecurityInfo;
  return true;
}

std::string ConnectionManager::DataSourceOf(const std::string& schema) const {
  if (!dsHash_) return "";
  return dsHash_->item(schema).Text();
}

std::string ConnectionManager::BuildConnectionString(const std::string& userString) {
  if (dbType_ != 1 && dbType_ != 2) return "";
  const std::string schema = core::UCase(userString);
  const std::string dataSource = dataSourceReplace_ && schema != "QALROOT" ? DataSourceOf(schema) : dataSource_;
  const std::string persist = persistSecurityInfo_ ? "Persist Security Info=True" : "Persist Security Info=False";
  const std::string appName = Program().app.ProductName;
  const std::string provider = "Provider=" + PairValue(provider_) + ";";
  const std::string source = "Data Source=" + PairValue(dataSource) + ";";
  const std::string tail = "OLE DB Services =-2;Application Name=" + appName + ";";

  // Oracle: every schema is a login of its own; SQL Server: a catalog behind QALDBA.
  std::string cnn = provider + persist + ";" + source;
  std::string tpl = provider + source + persist + ";";
  if (dbType_ == 1) {
    cnn += "User ID=" + PairValue(schema) + ";";
    tpl += "User ID=@@@;";
  } else {
    cnn += "Initial Catalog=" + PairValue(schema) + ";User ID=QALDBA;";
    tpl += "Initial Catalog=@@@;User ID=QALDBA;";
  }
  cnn += "Password=" + password_ + ";" + tail + customization_;
  tpl += "Password=###;" + tail + customization_;
  templateCnnString_ = std::move(tpl);
  return cnn;
}

void ConnectionManager::ConfigCnn4QALROOT(platform::db::Connection& objCnn2Configure) {
  try {
    objCnn2Configure.CursorLocation(platform::db::adUseClient);
    objCnn2Configure.ConnectionString(BuildConnectionString("QALROOT"));
    objCnn2Configure.CommandTimeout(commandTimeoutSec_);
    objCnn2Configure.ConnectionTimeout(connectionTimeoutSec_);
  } catch (const std::exception&) {
    // An open connection refuses a new string; opening it is where the caller
    // learns about that, so nothing is reported here.
  }
}

void ConnectionManager::ConfigCnn4FACILITY(platform::db::Connection& objCnn2Configure, const std::string& FacilityID) {
  try {
    objCnn2Configure.CursorLocation(platform::db::adUseClient);
    objCnn2Configure.ConnectionString(BuildConnectionString(core::Trim(FacilityID)));
    objCnn2Configure.CommandTimeout(commandTimeoutSec_);
    objCnn2Configure.ConnectionTimeout(connectionTimeoutSec_);
  } catch (const std::exception&) {
    // As for the root schema: the open reports it.
  }
}

bool ConnectionManager::RefreshDsHASH(platform::db::Connection& LiveCnnToQALROOT) {
  if (!dataSourceReplace_) return true;
  // A failure leaves an empty table rather than half of one, so no facility is
  // sent to a data source from a list that was never completely read.
  dsHash_ = std::make_unique<HashTable>();
  try {
    platform::db::Recordset rs;
    rs.Open("select filename, directory from facility order by lower(filename)", LiveCnnToQALROOT,
            platform::db::adCmdText);
    if (rs.RecordCount() == 0) return true;
    auto table = std::make_unique<HashTable>();
    table->SetSize(static_cast<std::int32_t>(rs.RecordCount() * 2));
    for (; !rs.Eof(); rs.MoveNext()) {
      const core::Value directory = rs.Fields("directory").Value();
      table->Add(core::UCase(rs.Fields("filename").Value().ToString()), core::Value(core::Trim(directory.Text())));
    }
    rs.Close();
    dsHash_ = std::move(table);
    return true;
  } catch (const core::RuntimeError& e) {
    LogLine("RefreshDsHASH failed: " + std::to_string(e.Number()) + " - " + core::OutsideText(e.Description()), 0);
  } catch (const std::exception& e) {
    LogLine("RefreshDsHASH failed: " + core::OutsideText(e.what()), 0);
  }
  return false;
}
