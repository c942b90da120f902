#pragma once

#include <cstdint>
#include <string>

// The connection string of the DeraRed database in its three shapes, one per source
// database type (1 Oracle, 2 SQL Server, 3 Access/Jet): the reader builds it from
// the stored settings, the source configuration form from its unsaved fields. The
// customization is appended unchanged, so further "name=value;" pairs reach the
// provider. A pure function of its inputs.
class SourceConnectionString {
 public:
  struct Parts {
    std::string provider;
    std::string dataSource;
    std::string database;  // used by the SQL Server shape only
    std::string userId;
    std::string password;
    std::string customization;
  };

  // applicationName names the program to the server (the product number); any
  // other database type gives "".
  static std::string Build(std::int16_t dbType, const Parts& parts, const std::string& applicationName);
};
