#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/DbTypes.h"

namespace platform::db {

// Turns a connection string in its OLE DB form into the ODBC connection string
// of an installed driver. The provider picks the driver:
//   SQLNCLI, SQLNCLI11, SQLOLEDB, MSOLEDBSQL   the first installed of
//       "ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS";
//   OraOLEDB.Oracle, MSDAORA                   an installed driver named "Oracle...";
//   Microsoft.Jet.OLEDB.4.0, Microsoft.ACE.OLEDB.12.0   "MDBTools";
//   the name of an installed ODBC driver       that driver itself;
//   MSDASQL, or no provider at all             the string is already an ODBC one
//                                              (Driver=... or DSN=...) and passes unchanged.
// "Data Source", "Initial Catalog", "User ID", "Password" and "Application Name"
// become the driver family's keywords; "Persist Security Info" and
// "OLE DB Services" are dropped; every other pair passes unchanged, in its place.
// Provider names compare ignoring case. A pure function of its inputs.
class ProviderTranslator {
 public:
  struct Result {
    bool ok = false;
    std::string odbc;    // the ODBC connection string
    std::string driver;  // the chosen driver ("" for a pass-through string)
    DriverFamily family = DriverFamily::Unknown;
    std::string error;   // when !ok: what is wrong, naming the provider
  };

  static Result Translate(std::string_view oledb, const std::vector<std::string>& installedDrivers);

  // The family a driver belongs to, from its name.
  static DriverFamily FamilyOf(std::string_view driverName);

  // The ODBC drivers the driver manager lists (odbcinst -q -d).
  static std::vector<std::string> InstalledDrivers();
};

}  // namespace platform::db
