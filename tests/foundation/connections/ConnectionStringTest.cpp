// The connection strings of the Krym schemas, letter for letter: both database
// types, the persist switch, the customization, facility names, the template
// string, Init's refusals and the properties put on a connection.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "platform/db/Connection.h"

namespace {

struct StringCase {
  const char* name;
  bool init;  // false: the manager as created
  std::int16_t type;
  const char* provider;
  const char* dataSource;
  const char* customization;
  bool persist;
  const char* schema;  // as given to BuildConnectionString
  const char* expected;
  const char* expectedTemplate;
};

void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }

class ConnectionStringTest : public ::testing::TestWithParam<StringCase> {
 protected:
  ProgramContext ctx_;
  ProgramScope scope_{ctx_};
};

TEST_P(ConnectionStringTest, IsBuiltLetterForLetter) {
  const StringCase& c = GetParam();
  ConnectionManager cm;
  if (c.init) {
    ASSERT_TRUE(cm.Init(c.type, c.provider, c.dataSource, c.customization, c.persist, 15, 30));
  }
  EXPECT_EQ(cm.TemplateCnnString(), "");  // nothing built yet
  EXPECT_EQ(cm.BuildConnectionString(c.schema), c.expected);
  EXPECT_EQ(cm.TemplateCnnString(), c.expectedTemplate);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringTest,
    ::testing::Values(
        StringCase{"BeforeInitIsOracleWithNothingSet", false, 0, "", "", "", false, "QALROOT",
                   "Provider=;Persist Security Info=False;Data Source=;User ID=QALROOT;Password=Zt4wq;"
                   "OLE DB Services =-2;Application Name=30418;",
                   "Provider=;Data Source=;Persist Security Info=False;User ID=@@@;Password=###;"
                   "OLE DB Services =-2;Application Name=30418;"},
        StringCase{"OracleRoot", true, 1, "OraOLEDB.Oracle", "KRYMPROD", "", false, "QALROOT",
                   "Provider=OraOLEDB.Oracle;Persist Security Info=False;Data Source=KRYMPROD;User ID=QALROOT;"
                   "Password=Zt4wq;OLE DB Services =-2;Application Name=30418;",
                   "Provider=OraOLEDB.Oracle;Data Source=KRYMPROD;Persist Security Info=False;User ID=@@@;"
                   "Password=###;OLE DB Services =-2;Application Name=30418;"},
        StringCase{"OracleFacilityPersistedCustomized", true, 1, "MSDAORA", "KRYMPROD", "FetchSize=100;", true, "north",
                   "Provider=MSDAORA;Persist Security Info=True;Data Source=KRYMPROD;User ID=NORTH;"
                   "Password=Zt4wq;OLE DB Services =-2;Application Name=30418;FetchSize=100;",
                   "Provider=MSDAORA;Data Source=KRYMPROD;Persist Security Info=True;User ID=@@@;"
                   "Password=###;OLE DB Services =-2;Application Name=30418;FetchSize=100;"},
        StringCase{"SqlServerRoot", true, 2, "SQLNCLI", "SQLSRV01", "", false, "QALROOT",
                   "Provider=SQLNCLI;Persist Security Info=False;Data Source=SQLSRV01;Initial Catalog=QALROOT;"
                   "User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;Application Name=30418;",
                   "Provider=SQLNCLI;Data Source=SQLSRV01;Persist Security Info=False;Initial Catalog=@@@;"
                   "User ID=QALDBA;Password=###;OLE DB Services =-2;Application Name=30418;"},
        // A customization follows the last ";" as it stands, adding none of its own.
        StringCase{"SqlServerFacilityCustomizationWithoutSemicolon", true, 2, "SQLNCLI11", "SQLSRV01\\KRYM",
                   "Network Library=DBMSSOCN", true, "Plant7",
                   "Provider=SQLNCLI11;Persist Security Info=True;Data Source=SQLSRV01\\KRYM;"
                   "Initial Catalog=PLANT7;User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;"
                   "Application Name=30418;Network Library=DBMSSOCN",
                   "Provider=SQLNCLI11;Data Source=SQLSRV01\\KRYM;Persist Security Info=True;"
                   "Initial Catalog=@@@;User ID=QALDBA;Password=###;OLE DB Services =-2;"
                   "Application Name=30418;Network Library=DBMSSOCN"},
        // Init stores its texts trimmed.
        StringCase{"TextsAreTrimmed", true, 2, "  SQLOLEDB ", "  SQLSRV02  ", "  Port=1433;  ", false, "qalroot",
                   "Provider=SQLOLEDB;Persist Security Info=False;Data Source=SQLSRV02;Initial Catalog=QALROOT;"
                   "User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;Application Name=30418;Port=1433;",
                   "Provider=SQLOLEDB;Data Source=SQLSRV02;Persist Security Info=False;Initial Catalog=@@@;"
                   "User ID=QALDBA;Password=###;OLE DB Services =-2;Application Name=30418;Port=1433;"},
        // A ";" inside a name cannot end its pair early and smuggle in a pair of its own.
        StringCase{"ValueWithSemicolonIsQuoted", true, 2, "SQLNCLI", "SRV;Trusted_Connection=yes", "", false,
                   "a;Initial Catalog=QALROOT",
                   "Provider=SQLNCLI;Persist Security Info=False;Data Source=\"SRV;Trusted_Connection=yes\";"
                   "Initial Catalog=\"A;INITIAL CATALOG=QALROOT\";User ID=QALDBA;Password=Zt4wq;"
                   "OLE DB Services =-2;Application Name=30418;",
                   "Provider=SQLNCLI;Data Source=\"SRV;Trusted_Connection=yes\";Persist Security Info=False;"
                   "Initial Catalog=@@@;User ID=QALDBA;Password=###;OLE DB Services =-2;Application Name=30418;"},
        // Braces or quotes around a name are part of it: the name is quoted so that they stay.
        StringCase{"NameInBracesIsQuoted", true, 2, "SQLNCLI", "SQLSRV01", "", false, "{south}",
                   "Provider=SQLNCLI;Persist Security Info=False;Data Source=SQLSRV01;Initial Catalog=\"{SOUTH}\";"
                   "User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;Application Name=30418;",
                   "Provider=SQLNCLI;Data Source=SQLSRV01;Persist Security Info=False;Initial Catalog=@@@;"
                   "User ID=QALDBA;Password=###;OLE DB Services =-2;Application Name=30418;"},
        StringCase{"OracleNameInQuotesIsQuoted", true, 1, "MSDAORA", "KRYMPROD", "", false, "\"north\"",
                   "Provider=MSDAORA;Persist Security Info=False;Data Source=KRYMPROD;User ID=\"\"\"NORTH\"\"\";"
                   "Password=Zt4wq;OLE DB Services =-2;Application Name=30418;",
                   "Provider=MSDAORA;Data Source=KRYMPROD;Persist Security Info=False;User ID=@@@;"
                   "Password=###;OLE DB Services =-2;Application Name=30418;"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionManager, PasswordIsTheFixedSchemaPassword) {
  ConnectionManager a;
  ConnectionManager b;
  EXPECT_EQ(a.password(), "Zt4wq");
  EXPECT_EQ(b.password(), a.password());
}

TEST(ConnectionManager, DefaultsBeforeInit) {
  ConnectionManager cm;
  EXPECT_EQ(cm.DB_PROVIDER(), "");
  EXPECT_EQ(cm.DB_DATASOURCE(), "");
  EXPECT_EQ(cm.DB_CUSTOMIZATION(), "");
  EXPECT_EQ(cm.CONNECTION_TIMEOUT_s(), 0);
  EXPECT_EQ(cm.COMMAND_TIMEOUT_s(), 0);
  EXPECT_FALSE(cm.DataSourceReplace());
}

TEST(ConnectionManager, InitRefusalsKeepTheEarlierSettings) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  struct Refusal {
    const char* name;
    std::int16_t type;
    const char* provider;
    const char* dataSource;
  };
  for (const Refusal& r : {Refusal{"type 3", 3, "OraOLEDB.Oracle", "ORA"}, Refusal{"type 0", 0, "SQLNCLI", "SRV"},
                           Refusal{"type -1", -1, "SQLNCLI", "SRV"}, Refusal{"blank provider", 1, "   ", "ORA"},
                           Refusal{"empty provider", 1, "", "ORA"}, Refusal{"blank data source", 1, "MSDAORA", "  "},
                           Refusal{"empty data source", 2, "SQLNCLI", ""}}) {
    ConnectionManager cm;
    ASSERT_TRUE(cm.Init(2, "SQLNCLI", "SQLSRV01", "App=1;", true, 15, 30));
    const std::string before = cm.BuildConnectionString("QALROOT");
    const std::string templateBefore = cm.TemplateCnnString();

    EXPECT_FALSE(cm.Init(r.type, r.provider, r.dataSource, "Other=2;", false, 99, 98)) << r.name;

    EXPECT_EQ(cm.DB_PROVIDER(), "SQLNCLI") << r.name;
    EXPECT_EQ(cm.DB_DATASOURCE(), "SQLSRV01") << r.name;
    EXPECT_EQ(cm.DB_CUSTOMIZATION(), "App=1;") << r.name;
    EXPECT_EQ(cm.CONNECTION_TIMEOUT_s(), 15) << r.name;
    EXPECT_EQ(cm.COMMAND_TIMEOUT_s(), 30) << r.name;
    EXPECT_EQ(cm.BuildConnectionString("QALROOT"), before) << r.name;  // type and persist flag too
    EXPECT_EQ(cm.TemplateCnnString(), templateBefore) << r.name;
  }
}

TEST(ConnectionManager, InitWithOnlyTheRequiredValues) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  ConnectionManager cm;
  ASSERT_TRUE(cm.Init(2, "SQLNCLI", "SRV", "X=1;", true, 15, 30));
  ASSERT_TRUE(cm.Init(1, "MSDAORA", "ORA"));  // the optional values count as "", False, 0, 0
  EXPECT_EQ(cm.DB_CUSTOMIZATION(), "");
  EXPECT_EQ(cm.CONNECTION_TIMEOUT_s(), 0);
  EXPECT_EQ(cm.COMMAND_TIMEOUT_s(), 0);
  EXPECT_EQ(cm.BuildConnectionString("QALROOT"),
            "Provider=MSDAORA;Persist Security Info=False;Data Source=ORA;User ID=QALROOT;Password=Zt4wq;"
            "OLE DB Services =-2;Application Name=30418;");
}

TEST(ConnectionManager, ConfiguresAClosedConnectionWithoutOpeningIt) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  ConnectionManager cm;
  ASSERT_TRUE(cm.Init(2, "SQLNCLI", "SQLSRV01", "", false, 12, 45));

  struct Case {
    const char* facility;  // nullptr: the root schema
    const char* catalog;
  };
  for (const Case& c :
       {Case{nullptr, "QALROOT"}, Case{"  north plant ", "NORTH PLANT"}, Case{"kt3f0a19c2", "KT3F0A19C2"}}) {
    platform::db::Connection cnn;
    cnn.CursorLocation(platform::db::adUseServer);
    if (c.facility)
      cm.ConfigCnn4FACILITY(cnn, c.facility);
    else
      cm.ConfigCnn4QALROOT(cnn);
    const std::string label = c.facility ? c.facility : "root";
    EXPECT_EQ(cnn.ConnectionString(),
              std::string("Provider=SQLNCLI;Persist Security Info=False;Data Source=SQLSRV01;Initial Catalog=") +
                  c.catalog + ";User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;Application Name=30418;")
        << label;
    EXPECT_EQ(cnn.Property("Initial Catalog"), c.catalog) << label;
    EXPECT_EQ(cnn.CursorLocation(), platform::db::adUseClient) << label;
    EXPECT_EQ(cnn.CommandTimeout(), 45) << label;
    EXPECT_EQ(cnn.ConnectionTimeout(), 12) << label;
    EXPECT_FALSE(cnn.IsOpen()) << label;
  }
}

TEST(ConnectionManager, ApplicationNameIsTheProductName) {
  ProgramContext ctx;
  ctx.app.ProductName = "30419";
  ProgramScope scope(ctx);
  ConnectionManager cm;
  ASSERT_TRUE(cm.Init(1, "MSDAORA", "ORA", "", false, 0, 0));
  EXPECT_EQ(cm.BuildConnectionString("x"),
            "Provider=MSDAORA;Persist Security Info=False;Data Source=ORA;User ID=X;Password=Zt4wq;"
            "OLE DB Services =-2;Application Name=30419;");
}

}  // namespace
