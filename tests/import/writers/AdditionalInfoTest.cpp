// Additional-information fields stored beside a value in the value table's _I table.
#include <gtest/gtest.h>

#include <string>

#include "FacilityFixture.h"
#include "foundation/HashTable.h"
#include "import/writers/CommonFacilityWriter.h"

using core::Date;

namespace {

const char* const kFailureLine =
    "CommonFacilityWriter.WriteToVornKrym() : WriteToVornKrymainfo returned failure during write of Additional Info "
    "Fields";

class AdditionalInfoTest : public FacilityTest {
 protected:
  void SetUp() override {
    FacilityTest::SetUp();
    ASSERT_TRUE(Exec("alter table datatbl_i add shift varchar(20), add crew integer, add checked timestamp"));
    ASSERT_TRUE(Exec("alter table dataddh_i add shift varchar(20)"));
    writer_.facilID(fx_.Name());
    writer_.LockDate(At(2024, 1, 1));
  }
  bool Write(const std::string& type, Date stamp, const HashTable& fields, std::int32_t approval = 1) {
    return writer_.WriteToVornKrym(type, 42, stamp, 1.0, "", approval, &fields, "OPER");
  }

  CommonFacilityWriter writer_;
};

TEST_F(AdditionalInfoTest, FieldsAreStoredInTheirColumnsAndReplacedByALaterWrite) {
  HashTable fields;
  fields.Add("shift", "Night");
  fields.Add("CREW", "4");
  fields.Add("checked", "3/5/2024 6:15:00 AM");
  ASSERT_TRUE(Write("P", At(2024, 3, 5, 14, 35), fields));
  EXPECT_EQ(writer_.LastWriteAInfoLogical(), 3);
  EXPECT_EQ(writer_.LastWriteAInfoPhysical(), 3);
  EXPECT_EQ(Scalar("select shift from datatbl_i where varid=42 and datestamp='2024-03-05'").Text(), "Night");
  EXPECT_EQ(Scalar("select crew from datatbl_i where varid=42").ToLong(), 4);
  EXPECT_TRUE(SameInstant(Scalar("select checked from datatbl_i where varid=42").ToDate(), At(2024, 3, 5, 6, 15)));
  EXPECT_EQ(Scalar("select audituser from datatbl_i where varid=42").Text(), "VIA_K30418");
  EXPECT_TRUE(
      SameInstant(Scalar("select audittimestamp from datatbl_i where varid=42").ToDate(), program_.Clock().Now()));
  EXPECT_TRUE(program_.Logged("Wrote Additional Info [Field] Value : [shift] Night"));

  HashTable later;
  later.Add("shift", "");  // an empty field clears its column
  ASSERT_TRUE(Write("P", At(2024, 3, 5), later));
  EXPECT_EQ(Count("datatbl_i"), 1);
  EXPECT_TRUE(Scalar("select shift from datatbl_i where varid=42").IsNull());
  EXPECT_EQ(Scalar("select crew from datatbl_i where varid=42").ToLong(), 4);
}

TEST_F(AdditionalInfoTest, IntervalValuesUseTheirOwnTable) {
  HashTable fields;
  fields.Add("shift", "Day");
  ASSERT_TRUE(Write("H", At(2024, 3, 5, 8, 20), fields));
  EXPECT_EQ(Scalar("select shift from dataddh_i where varid=42 and datestamp='2024-03-05 08:00:00'").Text(), "Day");
}

TEST_F(AdditionalInfoTest, TestModeCountsTheFieldsButStoresNone) {
  writer_.TestMode(true);
  HashTable fields;
  fields.Add("shift", "Night");
  ASSERT_TRUE(Write("P", At(2024, 3, 5), fields));
  EXPECT_EQ(writer_.LastWriteAInfoLogical(), 1);
  EXPECT_EQ(writer_.LastWriteAInfoPhysical(), 0);
  EXPECT_EQ(Count("datatbl_i"), 0);
  EXPECT_TRUE(program_.Logged("(Test) Wrote Additional Info [Field] Value : [shift] Night"));
}

TEST_F(AdditionalInfoTest, NothingIsStoredForASkippedValueOrAnEmptyTable) {
  ASSERT_TRUE(Exec("insert into datatbl (varid, datestamp, curvalue, status) values (42, '2024-03-05', 1, 5)"));
  HashTable fields;
  fields.Add("shift", "Night");
  ASSERT_TRUE(Write("P", At(2024, 3, 5), fields, 1));
  EXPECT_TRUE(writer_.LastWriteSkipped());
  EXPECT_EQ(writer_.LastWriteAInfoLogical(), 0);
  HashTable none;
  ASSERT_TRUE(Write("P", At(2024, 3, 6), none));
  EXPECT_EQ(Count("datatbl_i"), 0);
}

// A field that names no column, or a value its column cannot hold, fails the additional
// information alone: the value itself stays written and the write reports success.
TEST_F(AdditionalInfoTest, AFieldThatCannotBeStoredIsLoggedAndTheValueStaysWritten) {
  struct Case {
    const char* key;
    const char* value;
  } cases[] = {{"nosuchcolumn", "x"}, {"crew", "four"}, {"shift\" = null; --", "x"}};
  for (const Case& c : cases) {
    HashTable fields;
    fields.Add("shift", "Night");
    fields.Add(c.key, c.value);
    EXPECT_TRUE(Write("P", At(2024, 3, 5), fields)) << c.key;
    EXPECT_TRUE(writer_.LastWriteLogical()) << c.key;
    EXPECT_EQ(writer_.LastWriteAInfoPhysical(), 0) << c.key;
  }
  EXPECT_EQ(Count("datatbl where varid=42"), 1);
  EXPECT_EQ(Count("datatbl_i"), 0);
  EXPECT_TRUE(program_.Logged(kFailureLine));
  EXPECT_TRUE(program_.Logged(
      "CommonFacilityWriter.WriteToVornKrymainfo():  Error Handler dump BEGIN --------------------------"));
  EXPECT_TRUE(program_.Logged("CommonFacilityWriter.WriteToVornKrymainfo():  WHEN_KEY = crew, WHEN_VALUE = four"));
  EXPECT_TRUE(program_.Logged("CommonFacilityWriter.WriteToVornKrymainfo():  WHEN_FACILID = " + fx_.Name() +
                              ", WHEN_VARID = 42, WHEN_DATESTAMP = 3/5/2024"));
  EXPECT_TRUE(
      program_.Logged("CommonFacilityWriter.WriteToVornKrymainfo(): Generic Error # 13 - 'Type mismatch ' occured"));
  EXPECT_TRUE(program_.Logged("CommonFacilityWriter.WriteToVornKrymainfo(): HASH_DUMP : crew = four"));
  EXPECT_TRUE(program_.Logged(
      "CommonFacilityWriter.WriteToVornKrymainfo():  Error Handler dump END   --------------------------"));
}

}  // namespace
