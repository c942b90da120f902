#pragma once

#include <cstdint>
#include <memory>
#include <string>

class HashTable;

namespace platform::db {
class Connection;
}

// Builds every connection to the Krym database: turns the database type (1 Oracle,
// 2 SQL Server), the OLE DB provider, the data source, the customization text and
// the timeouts into connection strings for the root schema QALROOT or for one
// facility's schema, and puts them on a connection that the caller owns.
//
// Each user of Krym creates its own manager, fills it (Init, or
// CommonGlobals::InitVornKrymConnectionManager) and configures its own connections
// with it; the manager holds no connection. It owns its data-source table (facility
// file name to data source), built by RefreshDsHASH when DataSourceReplace is on.
// The program's product name (the application name of every string) is read from
// the program context when a string is built.
class ConnectionManager {
 public:
  ConnectionManager();
  ~ConnectionManager();
  ConnectionManager(ConnectionManager&&) noexcept;
  ConnectionManager& operator=(ConnectionManager&&) noexcept;
  ConnectionManager(const ConnectionManager&) = delete;
  ConnectionManager& operator=(const ConnectionManager&) = delete;

  // Accepts type 1 or 2 with a provider and a data source that are not blank
  // (all texts are stored trimmed). False stores nothing: the earlier settings stay.
  bool Init(std::int16_t aDB_TYPE, const std::string& aDB_PROVIDER, const std::string& aDB_DATASOURCE,
            const std::string& aDB_CUSTOMIZATION = "", bool aPersistSecurityInfo = false,
            std::int32_t CnnTimeout_Sec = 0, std::int32_t CommandTimeout_Sec = 0);

  // Take a facility schema's data source from the data-source table.
  void DataSourceReplace(bool on) { dataSourceReplace_ = on; }
  bool DataSourceReplace() const { return dataSourceReplace_; }

  // The password of every Krym schema login.
  const std::string& password() const { return password_; }

  std::int32_t CONNECTION_TIMEOUT_s() const { return connectionTimeoutSec_; }
  void CONNECTION_TIMEOUT_s(std::int32_t seconds) { connectionTimeoutSec_ = seconds; }
  std::int32_t COMMAND_TIMEOUT_s() const { return commandTimeoutSec_; }
  void COMMAND_TIMEOUT_s(std::int32_t seconds) { commandTimeoutSec_ = seconds; }

  // With DataSourceReplace on, rebuilds the data-source table from the root
  // schema's Facility rows on the given open connection. True when the table was
  // built (or nothing was asked); False, with the table left empty and the reason
  // logged, when the query fails or a file name repeats.
  bool RefreshDsHASH(platform::db::Connection& LiveCnnToQALROOT);

  // Prepare a closed connection for the root schema or a facility's schema
  // (client cursors, connection string, command and connection timeouts); neither
  // opens it. An error (the connection is open) stops silently, leaving the
  // properties not yet set as they were: the failure shows when it is opened.
  void ConfigCnn4QALROOT(platform::db::Connection& objCnn2Configure);
  void ConfigCnn4FACILITY(platform::db::Connection& objCnn2Configure, const std::string& FacilityID);

  // The last string built, with "@@@" for the schema and "###" for the password.
  const std::string& TemplateCnnString() const { return templateCnnString_; }
  const std::string& DB_PROVIDER() const { return provider_; }
  const std::string& DB_DATASOURCE() const { return dataSource_; }
  const std::string& DB_CUSTOMIZATION() const { return customization_; }

  // The OLE DB connection string for a schema (upper-cased); also rebuilds
  // TemplateCnnString.
  std::string BuildConnectionString(const std::string& userString);

 private:
  std::string DataSourceOf(const std::string& schema) const;

  std::int16_t dbType_ = 1;
  std::string provider_;
  std::string dataSource_;
  std::string customization_;
  bool persistSecurityInfo_ = false;
  std::int32_t connectionTimeoutSec_ = 0;
  std::int32_t commandTimeoutSec_ = 0;
  std::string password_;
  std::string templateCnnString_;
  bool dataSourceReplace_ = false;
  std::unique_ptr<HashTable> dsHash_;  // none until RefreshDsHASH builds one
};
