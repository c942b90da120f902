// Reading the name=value pairs of connection strings.
#include "platform/db/ConnectionStringParts.h"

#include <gtest/gtest.h>

using platform::db::ConnectionStringParts;
using Pairs = std::vector<ConnectionStringParts::Pair>;

// Connection texts and the pairs read from them.
const struct PairsCase {
  std::string text;
  Pairs pairs;
} kPairsCases[] = {
    {"Provider=SQLNCLI11;Data Source=srv;", {{"Provider", "SQLNCLI11"}, {"Data Source", "srv"}}},
    {"OLE DB Services =-2;Application Name=30418", {{"OLE DB Services", "-2"}, {"Application Name", "30418"}}},
    {"  User ID = QALDBA ;; ;Password=", {{"User ID", "QALDBA"}, {"Password", ""}}},
    {"Password=\"a;b\"\"c\";X=1", {{"Password", "a;b\"c"}, {"X", "1"}}},
    {"Password='it''s';", {{"Password", "it's"}}},
    {"Driver={PostgreSQL Unicode};PWD={a;b}}c}", {{"Driver", "PostgreSQL Unicode"}, {"PWD", "a;b}c"}}},
    {"Trusted_Connection;Server=s", {{"Trusted_Connection", ""}, {"Server", "s"}}},
    {"Password=\"unclosed;Next=1", {{"Password", "\"unclosed"}, {"Next", "1"}}},
    {"Data Source=a=b;", {{"Data Source", "a=b"}}},
    {"", {}},
};

TEST(ConnectionStringParts, ReadsPairsInOrder) {
  for (const auto& c : kPairsCases) {
    EXPECT_EQ(ConnectionStringParts(c.text).Pairs(), c.pairs) << c.text;
  }
}

TEST(ConnectionStringParts, LooksUpNamesIgnoringCaseLastOneWins) {
  ConnectionStringParts p("Data Source=one;DATA SOURCE=two;Port=5432;");
  EXPECT_EQ(p.Get("data source"), "two");
  EXPECT_EQ(p.Get("PORT"), "5432");
  EXPECT_FALSE(p.Get("Initial Catalog").has_value());
}

TEST(ConnectionStringParts, BracesOdbcValuesOnlyWhenNeeded) {
  EXPECT_EQ(ConnectionStringParts::OdbcValue("Zt4wq"), "Zt4wq");
  EXPECT_EQ(ConnectionStringParts::OdbcValue("srv\\KRYM"), "srv\\KRYM");
  EXPECT_EQ(ConnectionStringParts::OdbcValue("a;b"), "{a;b}");
  EXPECT_EQ(ConnectionStringParts::OdbcValue("x}y"), "{x}}y}");
  EXPECT_EQ(ConnectionStringParts::OdbcValue(" pad"), "{ pad}");
}

// What the program writes into the OLE DB form is read back as it was, whatever it holds.
const struct OleDbCase {
  std::string value;
  std::string written;
} kOleDbCases[] = {
    {"SOUTH", "SOUTH"},
    {"O'NEIL", "O'NEIL"},
    {"A{B}", "A{B}"},
    {"", ""},
    {"{SOUTH}", "\"{SOUTH}\""},
    {"{SOUTH}}", "\"{SOUTH}}\""},
    {"'SOUTH'", "\"'SOUTH'\""},
    {"\"SOUTH\"", "\"\"\"SOUTH\"\"\""},
    {"A;Initial Catalog=QALROOT", "\"A;Initial Catalog=QALROOT\""},
    {" PAD\t", "\" PAD\t\""},
};

TEST(ConnectionStringParts, OleDbValuesReadBackExactly) {
  for (const OleDbCase& c : kOleDbCases) {
    EXPECT_EQ(ConnectionStringParts::OleDbValue(c.value), c.written) << c.value;
    const ConnectionStringParts read("Initial Catalog=" + ConnectionStringParts::OleDbValue(c.value) + ";Next=1");
    EXPECT_EQ(read.Get("Initial Catalog"), c.value) << c.value;
    EXPECT_EQ(read.Get("Next"), "1") << c.value;
  }
}
