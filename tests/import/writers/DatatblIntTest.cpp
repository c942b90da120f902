// The daily value table's procedures as the writer calls them, against a facility database.
#include <gtest/gtest.h>

#include "FacilityFixture.h"
#include "core/RuntimeError.h"
#include "import/writers/DatatblInt.h"

using core::Date;
using core::Value;

namespace {

class DatatblIntTest : public FacilityTest {
 protected:
  void SetUp() override {
    FacilityTest::SetUp();
    table_.Connect(cn_);
  }
  DatatblInt table_;
  const Date kDay = At(2024, 3, 5);
};

TEST_F(DatatblIntTest, ASeekWithoutARowLeavesTheCallersValuesButForcedBecomesZero) {
  EXPECT_TRUE(table_.NoMatch());  // before any seek
  double value = 99.5;
  std::string text = "keep";
  Value user("someone"), stamp(At(2020, 1, 1)), forced(std::int32_t{7}), status(std::int32_t{3});
  table_.SeekDateVarId(kDay, 42, value, text, &user, &stamp, &forced, &status);
  EXPECT_TRUE(table_.NoMatch());
  EXPECT_EQ(value, 99.5);
  EXPECT_EQ(text, "keep");
  EXPECT_EQ(user.Text(), "someone");
  EXPECT_EQ(stamp.ToDate(), At(2020, 1, 1));
  EXPECT_EQ(forced.ToLong(), 0);
  EXPECT_EQ(status.ToLong(), 3);
}

TEST_F(DatatblIntTest, AFoundRowComesBackTrimmedWithNullsReadAsTheirDefaults) {
  ASSERT_TRUE(Exec(
      "insert into datatbl (varid, datestamp, curvalue, textvalue, audituser, audittimestamp, status, forced) values "
      "(42, '2024-03-05', 7.25, '  padded  ', '  OPER ', '2024-03-06 10:11:12', 2, 1),"
      "(42, '2024-03-06', -1, null, null, null, 0, 0)"));
  struct Case {
    Date day;
    double value;
    const char* text;
    const char* user;
    Date stamp;
    std::int32_t status, forced;
  } cases[] = {
      {At(2024, 3, 5, 14, 35), 7.25, "padded", "OPER", At(2024, 3, 6, 10, 11, 12), 2, 1},
      {At(2024, 3, 6), -1, "", "", Date(), 0, 0},
  };
  for (const Case& c : cases) {
    double value = 0;
    std::string text = "before";
    Value user, stamp, forced, status;
    table_.SeekDateVarId(c.day, 42, value, text, &user, &stamp, &forced, &status);
    EXPECT_FALSE(table_.NoMatch()) << c.text;
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(user.Text(), c.user);
    EXPECT_EQ(stamp.GetKind(), Value::Kind::Date);
    EXPECT_TRUE(SameInstant(stamp.ToDate(), c.stamp)) << c.text;
    EXPECT_EQ(status.ToLong(), c.status);
    EXPECT_EQ(forced.ToLong(), c.forced);
  }
}

TEST_F(DatatblIntTest, AFoundRowWithoutAValueIsAnErrorThatChangesNothing) {
  ASSERT_TRUE(Exec("insert into datatbl (varid, datestamp, curvalue, textvalue) values (42, '2024-03-05', null, 'x')"));
  double value = 1;
  std::string text = "mine";
  EXPECT_THROW(table_.SeekDateVarId(kDay, 42, value, text), core::RuntimeError);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(text, "mine");
  EXPECT_TRUE(table_.NoMatch());
}

TEST_F(DatatblIntTest, WriteStoresWithTheValuesOwnAuditUserAndStatusZeroWhenNoneIsGiven) {
  ASSERT_TRUE(Exec("insert into datatbl (varid, datestamp, curvalue, status) values (42, '2024-03-05', 1, 3)"));
  table_.WriteData(kDay, 42, 8.5, "eight", "OPERATOR1");
  table_.WriteData(At(2024, 3, 7), 42, 2, "", "OPERATOR2", 4);
  EXPECT_EQ(Scalar("select status from datatbl where varid=42 and datestamp='2024-03-05'").ToLong(), 0);
  EXPECT_EQ(Scalar("select curvalue from datatbl where varid=42 and datestamp='2024-03-05'").ToDouble(), 8.5);
  EXPECT_EQ(Scalar("select textvalue from datatbl where varid=42 and datestamp='2024-03-05'").Text(), "eight");
  EXPECT_EQ(Scalar("select audituser from datatbl where varid=42 and datestamp='2024-03-05'").Text(), "OPERATOR1");
  EXPECT_EQ(Scalar("select status from datatbl where varid=42 and datestamp='2024-03-07'").ToLong(), 4);
}

TEST_F(DatatblIntTest, DeleteAndForcedCarryTheModuleAuditUser) {
  program_.Context().writeAsUser = "WRITER";
  table_.WriteData(kDay, 42, 1, "", "OPER");
  table_.SetForced(kDay, 42, 1);
  EXPECT_EQ(Scalar("select forced from datatbl where varid=42").ToLong(), 1);
  EXPECT_EQ(Scalar("select audituser from datatbl where varid=42").Text(), "WRITER");
  table_.deletedtbl(kDay, 42);
  EXPECT_EQ(Count("datatbl"), 0);
}

TEST_F(DatatblIntTest, SetStatusRewritesOnlyAChangedStatus) {
  ASSERT_TRUE(
      Exec("insert into datatbl (varid, datestamp, curvalue, textvalue, audituser, status) values "
           "(42, '2024-03-05', 5.5, 'five', 'OPER', 2)"));
  table_.SetStatus(kDay, 42, 2);
  EXPECT_EQ(Scalar("select audituser from datatbl where varid=42").Text(), "OPER");  // nothing written

  table_.SetStatus(kDay, 42, 3);
  EXPECT_EQ(Scalar("select status from datatbl where varid=42").ToLong(), 3);
  EXPECT_EQ(Scalar("select curvalue from datatbl where varid=42").ToDouble(), 5.5);
  EXPECT_EQ(Scalar("select textvalue from datatbl where varid=42").Text(), "five");
  EXPECT_EQ(Scalar("select audituser from datatbl where varid=42").Text(), "VIA_K30418");

  table_.SetStatus(At(2024, 3, 9), 42, 1);  // no row: nothing
  EXPECT_EQ(Count("datatbl"), 1);
}

TEST(DatatblIntUnconnected, EveryCallBeforeConnectIsError91) {
  DatatblInt table;
  double value = 0;
  std::string text;
  try {
    table.SeekDateVarId(Date(45000), 1, value, text);
    FAIL() << "no error";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 91);
  }
  EXPECT_THROW(table.WriteData(Date(45000), 1, 0, "", ""), core::RuntimeError);
  EXPECT_THROW(table.deletedtbl(Date(45000), 1), core::RuntimeError);
  EXPECT_THROW(table.SetForced(Date(45000), 1, 1), core::RuntimeError);
}

}  // namespace
