// The source reader's two queries, in their SQL Server form, run unchanged on the
// DeraRed database: one row per transaction and question of its point for the
// answers, one row per note of a notes point for the logbook.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

using platform::db::Connection;
using platform::db::Recordset;

namespace {

std::string AnswersSelect() {
  return "SELECT Tbl_Transaction_PDA.ID, Tbl_Transaction_PDA.Route_Id, "
         "Tbl_Transaction_PDA.Point_Id, Tbl_Routes_Points_Questions.external_id, "
         "Tbl_Routes_Points_Questions.external_id_logbook, Tbl_Routes_Points_Questions.Seqno,"
         "Tbl_Routes_Points_Questions.Question_ID as RoutePointQuestionID,"
         "Tbl_Routes_Points_Questions.Route_ID as RoutePointRouteID,Tbl_Transaction_PDA.Trans_Date,"
         "Tbl_Transaction_PDA.Trans_Time, Tbl_Transaction_PDA.Point_Desc, "
         "Tbl_Transaction_PDA.Guard, Tbl_Transaction_PDA.Notes,Tbl_Transaction_PDA.Inc, "
         "Tbl_Transaction_PDA.Inc1, Tbl_Transaction_PDA.Inc2, Tbl_Transaction_PDA.Inc3,"
         "Tbl_Transaction_PDA.Missed_Point, Tbl_Transaction_PDA.Question_ID1, "
         "Tbl_Transaction_PDA.Answer1,Tbl_Transaction_PDA.Question_ID2, Tbl_Transaction_PDA.Answer2, "
         "Tbl_Transaction_PDA.Question_ID3, Tbl_Transaction_PDA.Answer3, "
         "Tbl_Transaction_PDA.Question_ID4, Tbl_Transaction_PDA.Answer4, "
         "Tbl_Transaction_PDA.Question_ID5, Tbl_Transaction_PDA.Answer5,"
         "Tbl_Transaction_PDA.Question_ID6, Tbl_Transaction_PDA.Answer6,"
         "Tbl_Transaction_PDA.Question_ID7, Tbl_Transaction_PDA.Answer7,"
         "Tbl_Transaction_PDA.Question_ID8 , Tbl_Transaction_PDA.Answer8,"
         "Tbl_Transaction_PDA.Question_ID9, Tbl_Transaction_PDA.Answer9,"
         "Tbl_Transaction_PDA.Question_ID10 , Tbl_Transaction_PDA.Answer10 "
         "FROM Tbl_Transaction_PDA INNER JOIN Tbl_Routes_Points_Questions "
         "ON Tbl_Transaction_PDA.Point_Id = Tbl_Routes_Points_Questions.Point_ID "
         "WHERE (((Tbl_Routes_Points_Questions.external_id)<>0) AND "
         "((Tbl_Transaction_PDA.Missed_Point)= 'N')) ";
}

const std::string kNotesQuery =
    "SELECT distinct Tbl_Transaction_PDA.ID, Tbl_Transaction_PDA.Trans_Date,"
    "Tbl_Transaction_PDA.Trans_Time, Tbl_Transaction_PDA.Guard, Tbl_Transaction_PDA.Notes,"
    "Tbl_Routes_Points_Questions.external_id_logbook "
    "FROM Tbl_Transaction_PDA INNER JOIN Tbl_Routes_Points_Questions "
    "ON Tbl_Transaction_PDA.Point_Id = Tbl_Routes_Points_Questions.Point_ID "
    "WHERE (((Tbl_Routes_Points_Questions.external_id)=0) AND "
    "((Tbl_Transaction_PDA.Missed_Point)= 'N')) And Tbl_Transaction_PDA.Notes<>'' "
    " And  Tbl_Transaction_PDA.ID > 2  Order By Tbl_Transaction_PDA.ID";

class DeraRedQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx_.Ok());
    // Point 10 asks two questions feeding Krym variables 12 and 15; point 11 only
    // carries notes for logbook 8.
    ASSERT_TRUE(
        fx_.Exec("insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, "
                 "external_id, external_id_logbook) values (1, 10, 100, 1, 12, 7), (1, 10, 101, 2, 15, 7), "
                 "(1, 11, 0, 1, 0, 8);"
                 "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Guard, "
                 "Notes, Missed_Point, Question_ID1, Answer1, Question_ID2, Answer2) values "
                 "(2, 1, 10, '2024-03-04', '1899-12-30 09:00:00', 'JOE', '', 'N', 100, '1.0', 101, 'A'),"
                 "(3, 1, 10, '2024-03-05', '1899-12-30 23:30:00', 'JOE', 'n1', 'N', 101, 'OK', 100, '4.5'),"
                 "(4, 1, 11, '2024-03-05', '1899-12-30 10:00:00', 'JOE', 'Pump leaks', 'N', null, null, "
                 "null, null),"
                 "(5, 1, 10, '2024-03-06', '1899-12-30 10:00:00', 'ANN', '', 'Y', 100, '1', 101, 'x'),"
                 "(6, 1, 11, '2024-03-06', '1899-12-30 11:00:00', 'ANN', '', 'N', null, null, null, null),"
                 "(7, 1, 11, '2024-03-06', '1899-12-30 12:00:00', 'ANN', null, 'N', null, null, null, null),"
                 "(9, 1, 10, '2024-03-07', '1899-12-30 08:00:00', 'ANN', '', 'N', 100, '2', 101, 'y')"));
    cn_.Open(fx_.OleDbString());
  }

  std::vector<std::pair<long, long>> Fetch(const std::string& sql) {
    Recordset rs;
    rs.Open(sql, cn_);
    std::vector<std::pair<long, long>> rows;
    for (; !rs.Eof(); rs.MoveNext())
      rows.emplace_back(rs.Fields("ID").Value().ToLong(), rs.Fields("RoutePointQuestionID").Value().ToLong());
    return rows;
  }

  testsupport::KrymFixture fx_{testsupport::KrymFixture::Kind::DeraRed};
  Connection cn_;  // closed before the fixture drops the database
};

using Rows = std::vector<std::pair<long, long>>;

TEST_F(DeraRedQueries, AnswersComeOnePerTransactionAndQuestionOfItsPoint) {
  struct Case {
    const char* what;
    std::string filter;
    Rows expected;  // (transaction id, question id), in order
  };
  const Case cases[] = {
      {"above an id",
       " And  Tbl_Transaction_PDA.ID > 2  Order By Tbl_Transaction_PDA.ID",
       {{3, 100}, {3, 101}, {9, 100}, {9, 101}}},
      {"an id range",
       " And  Tbl_Transaction_PDA.ID >= 2 And  Tbl_Transaction_PDA.ID <= 3  "
       "Order By Tbl_Transaction_PDA.ID",
       {{2, 100}, {2, 101}, {3, 100}, {3, 101}}},
      {"some variables",
       " And  Tbl_Transaction_PDA.ID > 2  And Tbl_Routes_Points_Questions.external_id in (15) "
       " Order By Tbl_Transaction_PDA.ID",
       {{3, 101}, {9, 101}}},
      {"a date range",
       " AND Tbl_Transaction_PDA.Trans_Date >= '2024-03-05 00:00:00' And "
       "Tbl_Transaction_PDA.Trans_Date <= '2024-03-06 23:59:59'  Order By Tbl_Transaction_PDA.Trans_Date",
       {{3, 100}, {3, 101}}},
  };
  for (const Case& c : cases) {
    Rows rows = Fetch(AnswersSelect() + c.filter);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, c.expected) << c.what;
  }
}

TEST_F(DeraRedQueries, AnAnswerRowCarriesItsTransactionAndQuestion) {
  Recordset rs;
  rs.Open(AnswersSelect() +
              " And  Tbl_Transaction_PDA.ID > 2  And "
              "Tbl_Routes_Points_Questions.external_id in (12)  Order By Tbl_Transaction_PDA.ID",
          cn_);
  ASSERT_GE(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Fields("ID").Value().ToLong(), 3);
  EXPECT_EQ(rs.Fields("external_id").Value().ToLong(), 12);
  EXPECT_EQ(rs.Fields("external_id_logbook").Value().ToLong(), 7);
  EXPECT_EQ(rs.Fields("RoutePointRouteID").Value().ToLong(), 1);
  EXPECT_EQ(rs.Fields("Guard").Value().Text(), "JOE");
  EXPECT_EQ(rs.Fields("Missed_Point").Value().Text(), "N");
  EXPECT_TRUE(rs.Fields("Point_Desc").Value().IsNull());
  EXPECT_TRUE(rs.Fields("Question_ID3").Value().IsNull());
  // The question's answer is in the pair that names it, here the second.
  EXPECT_EQ(rs.Fields("Question_ID2").Value().ToLong(), 100);
  EXPECT_EQ(rs.Fields("Answer2").Value().Text(), "4.5");

  const core::Date day = rs.Fields("Trans_Date").Value().ToDate();
  EXPECT_EQ(day.Year(), 2024);
  EXPECT_EQ(day.Month(), 3);
  EXPECT_EQ(day.Day(), 5);
  EXPECT_EQ(day.TimePart(), 0.0);
  const core::Date time = rs.Fields("Trans_Time").Value().ToDate();
  EXPECT_EQ(time.DatePart().Serial(), 0.0) << "a time of day alone";
  EXPECT_EQ(time.Hour(), 23);
  EXPECT_EQ(time.Minute(), 30);
}

TEST_F(DeraRedQueries, NotesComeFromNotesPointsWithText) {
  Recordset rs;
  rs.Open(kNotesQuery, cn_);
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Fields("ID").Value().ToLong(), 4);
  EXPECT_EQ(rs.Fields("Notes").Value().Text(), "Pump leaks");
  EXPECT_EQ(rs.Fields("external_id_logbook").Value().ToLong(), 8);
  EXPECT_EQ(rs.Fields("Guard").Value().Text(), "JOE");
}

}  // namespace
