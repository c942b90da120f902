#include "platform/db/ProviderTranslator.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "platform/db/ConnectionStringParts.h"
#include "platform/db/OdbcCall.h"
#include "platform/db/OdbcHandle.h"

namespace platform::db {

namespace {

using Parts = ConnectionStringParts;

constexpr std::array<std::string_view, 3> kSqlServerDrivers = {
    "ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS"};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Parts::SameName(text.substr(0, prefix.size()), prefix);
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (Parts::SameName(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

std::optional<std::string> Installed(std::string_view name, const std::vector<std::string>& installed) {
  for (const auto& d : installed) {
    if (Parts::SameName(d, name)) return d;
  }
  return std::nullopt;
}

// "SQLOLEDB.1" names the same provider as "SQLOLEDB": version suffixes are common
// in saved connection strings.
std::string_view WithoutVersion(std::string_view provider) {
  size_t dot = provider.find_last_of('.');
  if (dot == std::string_view::npos || dot + 1 == provider.size()) return provider;
  auto digits = provider.substr(dot + 1);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return provider;
  return provider.substr(0, dot);
}

enum class Known { None, SqlServer, Oracle, Access, Odbc };

Known KnownProvider(std::string_view p) {
  for (std::string_view s : {"SQLNCLI", "SQLNCLI10", "SQLNCLI11", "SQLOLEDB", "MSOLEDBSQL", "MSOLEDBSQL19"})
    if (Parts::SameName(p, s)) return Known::SqlServer;
  for (std::string_view s : {"OraOLEDB.Oracle", "MSDAORA"})
    if (Parts::SameName(p, s)) return Known::Oracle;
  for (std::string_view s : {"Microsoft.Jet.OLEDB.4.0", "Microsoft.ACE.OLEDB.12.0"})
    if (Parts::SameName(p, s)) return Known::Access;
  if (Parts::SameName(p, "MSDASQL")) return Known::Odbc;
  return Known::None;
}

Known KnownProviderOrVersioned(std::string_view p) {
  Known k = KnownProvider(p);
  if (k == Known::None) k = KnownProvider(WithoutVersion(p));
  return k;
}

// The family's keyword for one of the OLE DB names it renames; "" drops the pair.
std::optional<std::string> Keyword(DriverFamily family, std::string_view name, bool odbcPassThrough) {
  struct Row {
    std::string_view oledb;
    std::string_view postgres, sqlServer, oracle, access, other;
  };
  static constexpr std::array<Row, 7> kRows = {{
      {"Data Source", "Server", "Server", "DBQ", "DBQ", "Server"},
      {"Initial Catalog", "Database", "Database", "", "", "Database"},
      {"User ID", "UID", "UID", "UID", "", "UID"},
      {"Password", "PWD", "PWD", "PWD", "", "PWD"},
      {"Application Name", "", "APP", "", "", ""},
      {"Persist Security Info", "", "", "", "", ""},
      {"OLE DB Services", "", "", "", "", ""},
  }};
  for (const auto& r : kRows) {
    if (!Parts::SameName(name, r.oledb)) continue;
    // A plain ODBC string names its data source by DSN.
    if (odbcPassThrough && r.oledb == "Data Source") return std::string("DSN");
    switch (family) {
      case DriverFamily::PostgreSQL: return std::string(r.postgres);
      case DriverFamily::SqlServer: return std::string(r.sqlServer);
      case DriverFamily::Oracle: return std::string(r.oracle);
      case DriverFamily::Access: return std::string(r.access);
      case DriverFamily::Unknown: return std::string(r.other);
    }
  }
  return std::nullopt;  // not renamed: passes unchanged
}

std::string Quoted(const std::vector<std::string_view>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) out += ", ";
    out += "\"" + std::string(names[i]) + "\"";
  }
  return out;
}

// psqlODBC reads a braced value as one value but keeps its braces, except for the password,
// ConnSettings and pqopt, which lose them ("}}" standing for "}"); a plain password, ConnSettings
// or pqopt is percent-decoded instead.
bool PostgresUnbraces(std::string_view odbcKey) {
  for (std::string_view k : {"PWD", "Password", "ConnSettings", "pqopt"})
    if (Parts::SameName(odbcKey, k)) return true;
  return false;
}

// The value as the driver family reads it back exactly, or nothing when that driver cannot be
// given the value exactly. Most drivers read a braced value without its braces; psqlODBC keeps
// them for most keywords, so there a value stands as it is, which is exact as long as it holds
// no ";" and does not read as a braced value of another length.
std::optional<std::string> ValueFor(DriverFamily family, std::string_view odbcKey, const std::string& value) {
  if (family != DriverFamily::PostgreSQL) return Parts::OdbcValue(value);
  if (PostgresUnbraces(odbcKey)) {
    const bool plain = value.find_first_of("%+") == std::string::npos && Parts::OdbcValue(value) == value;
    return plain ? value : Parts::BracedValue(value);
  }
  if (value.find(';') != std::string::npos) return std::nullopt;
  if (!value.empty() && value.front() == '{' && value.find('}') != value.size() - 1) return std::nullopt;
  return value;
}

ProviderTranslator::Result Failure(std::string text) {
  ProviderTranslator::Result r;
  r.error = std::move(text);
  return r;
}

}  // namespace

DriverFamily ProviderTranslator::FamilyOf(std::string_view driver) {
  if (ContainsIgnoringCase(driver, "PostgreSQL") || ContainsIgnoringCase(driver, "psqlodbc"))
    return DriverFamily::PostgreSQL;
  if (ContainsIgnoringCase(driver, "SQL Server") || ContainsIgnoringCase(driver, "FreeTDS") ||
      ContainsIgnoringCase(driver, "tdsodbc"))
    return DriverFamily::SqlServer;
  if (StartsWithIgnoringCase(driver, "Oracle")) return DriverFamily::Oracle;
  if (ContainsIgnoringCase(driver, "MDBTools")) return DriverFamily::Access;
  return DriverFamily::Unknown;
}

ProviderTranslator::Result ProviderTranslator::Translate(std::string_view oledb,
                                                         const std::vector<std::string>& installed) {
  Parts parts(oledb);
  std::string provider = parts.Get("Provider").value_or("");
  Known known = provider.empty() ? Known::Odbc : KnownProviderOrVersioned(provider);

  Result r;
  switch (known) {
    case Known::SqlServer: {
      for (auto candidate : kSqlServerDrivers) {
        if (auto d = Installed(candidate, installed)) {
          r.driver = *d;
          break;
        }
      }
      if (r.driver.empty()) {
        std::vector<std::string_view> names(kSqlServerDrivers.begin(), kSqlServerDrivers.end());
        return Failure("Provider '" + provider + "' needs one of the ODBC drivers " + Quoted(names) +
                       ", and none of them is installed.");
      }
      break;
    }
    case Known::Oracle:
      for (const auto& d : installed) {
        if (StartsWithIgnoringCase(d, "Oracle")) {
          r.driver = d;
          break;
        }
      }
      if (r.driver.empty())
        return Failure("Provider '" + provider +
                       "' needs an Oracle ODBC driver (a driver whose name begins with \"Oracle\"), "
                       "and none is installed.");
      break;
    case Known::Access:
      if (auto d = Installed("MDBTools", installed)) {
        r.driver = *d;
      } else {
        return Failure("Provider '" + provider +
                       "' needs the ODBC driver \"MDBTools\", and it is not installed.");
      }
      break;
    case Known::Odbc:
      break;
    case Known::None:
      if (auto d = Installed(provider, installed)) {
        r.driver = *d;
      } else {
        return Failure("Provider '" + provider +
                       "' cannot be found: it is neither a known OLE DB provider nor an installed "
                       "ODBC driver.");
      }
      break;
  }

  const bool passThrough = known == Known::Odbc;
  std::string odbc;
  if (passThrough) {
    // The string already speaks ODBC; its driver, if named, gives the family.
    auto given = [&](std::string_view name) { return !parts.Get(name).value_or("").empty(); };
    auto driver = parts.Get("Driver");
    if (!given("Driver") && !given("DSN") && !given("Data Source") && !given("FILEDSN"))
      return Failure(provider.empty()
                         ? "The connection string names no provider, no ODBC driver and no data source."
                         : "Provider '" + provider + "' needs a Driver or a DSN in the connection string.");
    r.family = driver ? FamilyOf(*driver) : DriverFamily::Unknown;
  } else {
    r.family = FamilyOf(r.driver);
    odbc = "Driver={" + r.driver + "};";
  }
  // psqlODBC reports booleans as text unless told otherwise; the program reads them as Booleans.
  if (r.family == DriverFamily::PostgreSQL) odbc += "BoolsAsChar=0;";

  for (const auto& [name, value] : parts.Pairs()) {
    if (Parts::SameName(name, "Provider")) continue;
    std::string key = name;
    if (auto k = Keyword(r.family, name, passThrough)) {
      if (k->empty()) continue;
      key = *k;
    }
    // Driver names are braced whatever they hold, as the driver manager expects.
    if (Parts::SameName(key, "Driver")) {
      odbc += key + "={" + value + "};";
      continue;
    }
    const std::optional<std::string> odbcValue = ValueFor(r.family, key, value);
    if (!odbcValue)
      return Failure("The value \"" + value + "\" of \"" + name + "\" cannot be passed to the ODBC driver \"" +
                     (r.driver.empty() ? parts.Get("Driver").value_or("") : r.driver) +
                     "\" as it stands: that driver reads a \";\" or braces in it differently.");
    odbc += key + "=" + *odbcValue + ";";
  }
  r.odbc = std::move(odbc);
  r.ok = true;
  return r;
}

std::vector<std::string> ProviderTranslator::InstalledDrivers() {
  std::vector<std::string> out;
  OdbcHandle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  OdbcCall::Check(SQLSetEnvAttr(env.Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                  SQL_HANDLE_ENV, env.Get(), "SQLSetEnvAttr");
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLCHAR name[512] = {};
    SQLCHAR attrs[2048] = {};
    SQLSMALLINT nameLen = 0, attrsLen = 0;
    SQLRETURN rc = OdbcCall::Check(SQLDrivers(env.Get(), direction, name, sizeof name, &nameLen, attrs,
                                              sizeof attrs, &attrsLen),
                                   SQL_HANDLE_ENV, env.Get(), "SQLDrivers");
    if (rc == SQL_NO_DATA) break;
    out.emplace_back(reinterpret_cast<const char*>(name));
    direction = SQL_FETCH_NEXT;
  }
  return out;
}

}  // namespace platform::db
