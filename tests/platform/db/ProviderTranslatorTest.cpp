// The OLE DB connection strings the program writes become ODBC strings of an installed driver.
#include "platform/db/ProviderTranslator.h"

#include <gtest/gtest.h>

using platform::db::DriverFamily;
using platform::db::ProviderTranslator;

namespace {

const std::vector<std::string> kAll = {"PostgreSQL ANSI", "PostgreSQL Unicode", "FreeTDS", "Oracle 19 ODBC driver",
                                       "MDBTools", "ODBC Driver 17 for SQL Server"};
const std::vector<std::string> kDebian = {"FreeTDS", "PostgreSQL ANSI", "PostgreSQL Unicode"};
const std::vector<std::string> kNone = {};

struct Case {
  const char* what;
  std::string oledb;
  const std::vector<std::string>* installed;
  std::string odbc;  // expected ODBC string, or "" when the translation must fail
  DriverFamily family = DriverFamily::Unknown;
};

const std::string kKrymSqlServer =
    "Provider=SQLNCLI11;Persist Security Info=False;Data Source=krymsrv\\KRYM;Initial Catalog=QALROOT;"
    "User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;Application Name=30418;";
const std::string kKrymOracle =
    "Provider=OraOLEDB.Oracle;Persist Security Info=False;Data Source=KRYMDB;User ID=PLANT1;Password=Zt4wq;"
    "OLE DB Services =-2;Application Name=30418;";

const Case kCases[] = {
    {"SQL Server provider falls back to FreeTDS when no vendor driver is installed", kKrymSqlServer, &kDebian,
     "Driver={FreeTDS};Server=krymsrv\\KRYM;Database=QALROOT;UID=QALDBA;PWD=Zt4wq;APP=30418;",
     DriverFamily::SqlServer},
    {"the vendor driver 17 comes before FreeTDS", kKrymSqlServer, &kAll,
     "Driver={ODBC Driver 17 for SQL Server};Server=krymsrv\\KRYM;Database=QALROOT;UID=QALDBA;PWD=Zt4wq;"
     "APP=30418;",
     DriverFamily::SqlServer},
    {"SQLOLEDB with a version suffix, provider case ignored", "provider=sqloledb.1;data source=s;", &kDebian,
     "Driver={FreeTDS};Server=s;", DriverFamily::SqlServer},
    {"MSOLEDBSQL and a customization that passes unchanged",
     "Provider=MSOLEDBSQL;Data Source=s;Initial Catalog=F1;Port=1433;TDS_Version=7.4;", &kDebian,
     "Driver={FreeTDS};Server=s;Database=F1;Port=1433;TDS_Version=7.4;", DriverFamily::SqlServer},
    {"Oracle: DBQ, the schema is the login, no application name", kKrymOracle, &kAll,
     "Driver={Oracle 19 ODBC driver};DBQ=KRYMDB;UID=PLANT1;PWD=Zt4wq;", DriverFamily::Oracle},
    {"MSDAORA picks the Oracle driver too", "Provider=MSDAORA;Data Source=KRYMDB;User ID=QALROOT;Password=p;",
     &kAll, "Driver={Oracle 19 ODBC driver};DBQ=KRYMDB;UID=QALROOT;PWD=p;", DriverFamily::Oracle},
    {"Jet: the file becomes DBQ, the Access login is dropped",
     "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/srv/derared.mdb;User ID=Admin;Password=;", &kAll,
     "Driver={MDBTools};DBQ=/srv/derared.mdb;", DriverFamily::Access},
    {"ACE like Jet", "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=a.accdb;", &kAll, "Driver={MDBTools};DBQ=a.accdb;",
     DriverFamily::Access},
    {"an installed driver named as the provider, PostgreSQL keywords, Port passes",
     "Provider=PostgreSQL Unicode;Persist Security Info=False;Data Source=127.0.0.1;Initial Catalog=QALROOT;"
     "User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;Application Name=30418;Port=5432;",
     &kDebian,
     "Driver={PostgreSQL Unicode};BoolsAsChar=0;Server=127.0.0.1;Database=QALROOT;UID=QALDBA;PWD=Zt4wq;Port=5432;",
     DriverFamily::PostgreSQL},
    {"a password holding ; and braces is braced", "Provider=PostgreSQL Unicode;Password=\"a;b}c\";", &kDebian,
     "Driver={PostgreSQL Unicode};BoolsAsChar=0;PWD={a;b}}c};", DriverFamily::PostgreSQL},
    {"a catalog name in braces reaches psqlODBC as it stands, which keeps the braces",
     "Provider=PostgreSQL Unicode;Data Source=h;Initial Catalog=\"{SOUTH}\";", &kDebian,
     "Driver={PostgreSQL Unicode};BoolsAsChar=0;Server=h;Database={SOUTH};", DriverFamily::PostgreSQL},
    {"a catalog name in braces is braced for a SQL Server driver, which drops one pair",
     "Provider=SQLNCLI11;Data Source=h;Initial Catalog=\"{SOUTH}\";", &kDebian,
     "Driver={FreeTDS};Server=h;Database={{SOUTH}}};", DriverFamily::SqlServer},
    {"psqlODBC would percent-decode a plain password", "Provider=PostgreSQL Unicode;Password=a%41+b;", &kDebian,
     "Driver={PostgreSQL Unicode};BoolsAsChar=0;PWD={a%41+b};", DriverFamily::PostgreSQL},
    {"no provider: an ODBC string passes as it is",
     "Driver={PostgreSQL Unicode};Server=h;Port=1;Database=D;", &kDebian,
     "BoolsAsChar=0;Driver={PostgreSQL Unicode};Server=h;Port=1;Database=D;", DriverFamily::PostgreSQL},
    {"MSDASQL names its data source by DSN", "Provider=MSDASQL;Data Source=krym;User ID=u;Password=p;", &kDebian,
     "DSN=krym;UID=u;PWD=p;", DriverFamily::Unknown},
    // Failures.
    {"unknown provider", "Provider=Foo.Bar;Data Source=x;", &kAll, ""},
    {"SQL Server provider without any SQL Server driver", kKrymSqlServer, &kNone, ""},
    {"Oracle provider without an Oracle driver", kKrymOracle, &kDebian, ""},
    {"Jet without MDBTools", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb;", &kDebian, ""},
    {"no provider and nothing ODBC can use", "Data Source=;", &kDebian, ""},
    {"an empty string", "", &kDebian, ""},
    {"psqlODBC cannot be given a catalog name holding ;",
     "Provider=PostgreSQL Unicode;Data Source=h;Initial Catalog=\"SOUTH;X\";", &kDebian, ""},
    {"psqlODBC cannot be given a catalog name that reads as braced but is not",
     "Provider=PostgreSQL Unicode;Data Source=h;Initial Catalog=\"{SOUTH}}\";", &kDebian, ""},
};

TEST(ProviderTranslator, TranslatesByTheProviderTable) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    auto r = ProviderTranslator::Translate(c.oledb, *c.installed);
    if (c.odbc.empty()) {
      EXPECT_FALSE(r.ok) << r.odbc;
      EXPECT_FALSE(r.error.empty());
      continue;
    }
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.odbc, c.odbc);
    EXPECT_EQ(r.family, c.family);
  }
}

TEST(ProviderTranslator, FailuresNameTheProviderAndWhatIsMissing) {
  struct Named {
    std::string oledb;
    std::vector<std::string> mentions;
  };
  const Named cases[] = {
      {"Provider=Foo.Bar;Data Source=x;", {"'Foo.Bar'"}},
      {"Provider=SQLNCLI11;Data Source=x;",
       {"'SQLNCLI11'", "\"ODBC Driver 18 for SQL Server\"", "\"ODBC Driver 17 for SQL Server\"", "\"FreeTDS\""}},
      {"Provider=OraOLEDB.Oracle;Data Source=x;", {"'OraOLEDB.Oracle'", "Oracle"}},
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x;", {"'Microsoft.Jet.OLEDB.4.0'", "\"MDBTools\""}},
      {"Provider=PostgreSQL Unicode;Initial Catalog=\"A;B\";",
       {"\"A;B\"", "\"Initial Catalog\"", "\"PostgreSQL Unicode\""}},
  };
  for (const auto& c : cases) {
    auto r = ProviderTranslator::Translate(c.oledb, c.oledb.find("PostgreSQL") == std::string::npos ? kNone : kDebian);
    ASSERT_FALSE(r.ok) << c.oledb;
    for (const auto& m : c.mentions) EXPECT_NE(r.error.find(m), std::string::npos) << r.error << " lacks " << m;
  }
}

TEST(ProviderTranslator, FamilyFollowsTheDriverName) {
  EXPECT_EQ(ProviderTranslator::FamilyOf("PostgreSQL ANSI"), DriverFamily::PostgreSQL);
  EXPECT_EQ(ProviderTranslator::FamilyOf("FreeTDS"), DriverFamily::SqlServer);
  EXPECT_EQ(ProviderTranslator::FamilyOf("ODBC Driver 18 for SQL Server"), DriverFamily::SqlServer);
  EXPECT_EQ(ProviderTranslator::FamilyOf("Oracle 21 ODBC driver"), DriverFamily::Oracle);
  EXPECT_EQ(ProviderTranslator::FamilyOf("MDBTools"), DriverFamily::Access);
  EXPECT_EQ(ProviderTranslator::FamilyOf("SQLite3"), DriverFamily::Unknown);
}

TEST(ProviderTranslator, ListsTheInstalledDrivers) {
  // The test machine carries psqlODBC; the driver manager must list it.
  auto drivers = ProviderTranslator::InstalledDrivers();
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), "PostgreSQL Unicode"), drivers.end());
}

}  // namespace
