// The record's fields by position: the order the test window lists them in and
// the question/answer pairs the import walks.
#include <gtest/gtest.h>

#include <string>

#include "core/RuntimeError.h"
#include "import/source/CommonTypeLimsMatchRec.h"

namespace {

TEST(CommonTypeLimsMatchRec, FieldsByPositionAreTheNamedFields) {
  const char* expected[] = {"ID",
                            "Route_Id",
                            "Point_Id",
                            "external_id",
                            "external_id_logbook",
                            "Seqno",
                            "RoutePointQuestionID",
                            "RoutePointRouteID",
                            "Trans_Date",
                            "Trans_Time",
                            "Trans_DateTime",
                            "Point_Desc",
                            "Guard",
                            "Notes",
                            "Inc",
                            "Inc1",
                            "Inc2",
                            "Inc3",
                            "Missed_Point"};
  for (int i = 0; i < 19; ++i) EXPECT_EQ(CommonTypeLimsMatchRec::FieldName(i), expected[i]) << i;
  for (int pair = 1; pair <= 10; ++pair) {
    EXPECT_EQ(CommonTypeLimsMatchRec::FieldName(17 + 2 * pair), "Question_ID" + std::to_string(pair));
    EXPECT_EQ(CommonTypeLimsMatchRec::FieldName(18 + 2 * pair), "Answer" + std::to_string(pair));
  }

  // Each position reaches its own member: write every field by position, read by name.
  CommonTypeLimsMatchRec r;
  for (int i = 0; i < CommonTypeLimsMatchRec::kFieldCount; ++i)
    r.Field(i) = std::string(CommonTypeLimsMatchRec::FieldName(i));
  EXPECT_EQ(r.ID.Text(), "ID");
  EXPECT_EQ(r.Trans_DateTime.Text(), "Trans_DateTime");
  EXPECT_EQ(r.Missed_Point.Text(), "Missed_Point");
  EXPECT_EQ(r.Question_ID1.Text(), "Question_ID1");
  EXPECT_EQ(r.Answer7.Text(), "Answer7");
  EXPECT_EQ(r.Answer10.Text(), "Answer10");
  for (int pair = 1; pair <= 10; ++pair) {
    EXPECT_EQ(r.QuestionId(pair).Text(), "Question_ID" + std::to_string(pair));
    EXPECT_EQ(r.Answer(pair).Text(), "Answer" + std::to_string(pair));
  }
}

TEST(CommonTypeLimsMatchRec, PositionsOutsideTheRecordRaiseSubscriptError) {
  CommonTypeLimsMatchRec r;
  EXPECT_TRUE(r.Answer10.IsEmpty()) << "a new record's fields are never set";
  for (int bad : {-1, CommonTypeLimsMatchRec::kFieldCount}) {
    try {
      r.Field(bad);
      ADD_FAILURE() << bad;
    } catch (const core::RuntimeError& e) {
      EXPECT_EQ(e.Number(), core::err::kSubscript);
    }
  }
  for (int bad : {0, 11}) {
    EXPECT_THROW(r.QuestionId(bad), core::RuntimeError) << bad;
    EXPECT_THROW(r.Answer(bad), core::RuntimeError) << bad;
  }
}

}  // namespace
