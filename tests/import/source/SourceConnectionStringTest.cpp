// The DeraRed connection string in its three shapes, and values that would
// otherwise be cut where the string is read back into its pairs.
#include <gtest/gtest.h>

#include <string>

#include "import/source/SourceConnectionString.h"
#include "platform/db/ConnectionStringParts.h"

namespace {

TEST(SourceConnectionString, ShapeOfEachDatabaseType) {
  const SourceConnectionString::Parts parts{"SomeProvider", "srv01", "DERARED", "rounds", "pw", "Port=5432;Foo=1;"};
  const struct {
    std::int16_t dbType;
    std::string expected;
  } cases[] = {
      {1,
       "Provider=SomeProvider;Persist Security Info=False;Data Source=srv01;User ID=rounds;Password=pw;"
       "OLE DB Services =-2;Application Name=30418;Port=5432;Foo=1;"},
      {2,
       "Provider=SomeProvider;Persist Security Info=False;Data Source=srv01;Initial Catalog=DERARED;"
       "User ID=rounds;Password=pw;OLE DB Services =-2;Application Name=30418;Port=5432;Foo=1;"},
      {3, "Provider=SomeProvider;Data Source=srv01;User ID=rounds;Password=pw;Port=5432;Foo=1;"},
      {4, ""},
      {0, ""},
      {-1, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SourceConnectionString::Build(c.dbType, parts, "30418"), c.expected) << "type " << c.dbType;
}

TEST(SourceConnectionString, TheAccessDefaultsWithEmptyFields) {
  const SourceConnectionString::Parts parts{"Microsoft.Jet.OLEDB.4.0", "/data/DeraRed.mdb", "", "", "", ""};
  EXPECT_EQ(SourceConnectionString::Build(3, parts, "30418"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/DeraRed.mdb;User ID=;Password=;");
}

TEST(SourceConnectionString, ValuesSurviveBeingReadBack) {
  for (const char* password : {"ab;c", " lead", "trail ", "\"quoted\"", "'single", "{braced}", "plain=x"}) {
    const SourceConnectionString::Parts parts{"P", "srv", "DB", "user", password, "Port=1;"};
    const std::string text = SourceConnectionString::Build(2, parts, "30418");
    platform::db::ConnectionStringParts read(text);
    EXPECT_EQ(read.Get("Password").value_or("<none>"), password) << text;
    EXPECT_EQ(read.Get("User ID").value_or("<none>"), "user") << text;
    EXPECT_EQ(read.Get("Port").value_or("<none>"), "1") << text;
  }
}

}  // namespace
