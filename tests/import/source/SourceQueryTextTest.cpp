// The reader's two query texts, letter for letter, in every variant of database
// type, query type, transaction range and external-id filter; the date literals of
// each dialect; and the settings and id lists that are refused before any text is built.
#include <gtest/gtest.h>

#include <string>

#include "core/Date.h"
#include "core/RuntimeError.h"
#include "import/source/SourceQueryText.h"

namespace {

const std::string kSelect =
    "SELECT Tbl_Transaction_PDA.ID, Tbl_Transaction_PDA.Route_Id, Tbl_Transaction_PDA.Point_Id, "
    "Tbl_Routes_Points_Questions.external_id, Tbl_Routes_Points_Questions.external_id_logbook, "
    "Tbl_Routes_Points_Questions.Seqno,Tbl_Routes_Points_Questions.Question_ID as RoutePointQuestionID,"
    "Tbl_Routes_Points_Questions.Route_ID as RoutePointRouteID,Tbl_Transaction_PDA.Trans_Date,"
    "Tbl_Transaction_PDA.Trans_Time, Tbl_Transaction_PDA.Point_Desc, Tbl_Transaction_PDA.Guard, "
    "Tbl_Transaction_PDA.Notes,Tbl_Transaction_PDA.Inc, Tbl_Transaction_PDA.Inc1, Tbl_Transaction_PDA.Inc2, "
    "Tbl_Transaction_PDA.Inc3,Tbl_Transaction_PDA.Missed_Point, Tbl_Transaction_PDA.Question_ID1, "
    "Tbl_Transaction_PDA.Answer1,Tbl_Transaction_PDA.Question_ID2, Tbl_Transaction_PDA.Answer2, "
    "Tbl_Transaction_PDA.Question_ID3, Tbl_Transaction_PDA.Answer3, Tbl_Transaction_PDA.Question_ID4, "
    "Tbl_Transaction_PDA.Answer4, Tbl_Transaction_PDA.Question_ID5, Tbl_Transaction_PDA.Answer5,"
    "Tbl_Transaction_PDA.Question_ID6, Tbl_Transaction_PDA.Answer6,Tbl_Transaction_PDA.Question_ID7, "
    "Tbl_Transaction_PDA.Answer7,Tbl_Transaction_PDA.Question_ID8 , Tbl_Transaction_PDA.Answer8,"
    "Tbl_Transaction_PDA.Question_ID9, Tbl_Transaction_PDA.Answer9,Tbl_Transaction_PDA.Question_ID10 , "
    "Tbl_Transaction_PDA.Answer10 FROM Tbl_Transaction_PDA INNER JOIN Tbl_Routes_Points_Questions ON "
    "Tbl_Transaction_PDA.Point_Id = Tbl_Routes_Points_Questions.Point_ID ";
const std::string kWhereSingle =
    "WHERE (((Tbl_Routes_Points_Questions.external_id)<>0) AND ((Tbl_Transaction_PDA.Missed_Point)= 'N')) ";
const std::string kWhereDouble =
    "WHERE (((Tbl_Routes_Points_Questions.external_id)<>0) AND ((Tbl_Transaction_PDA.Missed_Point)= \"N\")) ";
const std::string kById = " Order By Tbl_Transaction_PDA.ID";
const std::string kByDate = " Order By Tbl_Transaction_PDA.Trans_Date";

// Built when a test runs, not at start-up: the calendar's own constants may not be
// set up yet while other files' statics are made.
core::Date StartDate() { return core::Date::FromParts(2026, 12, 8, 0, 0, 0); }
core::Date EndDate() { return core::Date::FromParts(2026, 12, 9, 13, 5, 9); }

struct AnswersCase {
  const char* what;
  std::int16_t dbType, queryType;
  std::int32_t start, end;
  const char* ids;
  std::string expected;
  bool bindTransIds = false;
};

TEST(SourceQueryText, AnswersQueryInEveryVariant) {
  const AnswersCase cases[] = {
      {"open range, all ids", 2, 0, 100, -1, "ALL",
       kSelect + kWhereSingle + " And  Tbl_Transaction_PDA.ID > 100 " + kById},
      {"inclusive range and a list, Access quotes", 3, 0, 100, 250, "12,15",
       kSelect + kWhereDouble +
           " And  Tbl_Transaction_PDA.ID >= 100 And  Tbl_Transaction_PDA.ID <= 250 "
           " And Tbl_Routes_Points_Questions.external_id in (12,15) " +
           kById},
      {"a range below its start is built as given", 2, 0, 10, 5, "all",
       kSelect + kWhereSingle + " And  Tbl_Transaction_PDA.ID >= 10 And  Tbl_Transaction_PDA.ID <= 5 " + kById},
      {"negative ids are written with their sign", 1, 0, -7, -1, "All",
       kSelect + kWhereSingle + " And  Tbl_Transaction_PDA.ID > -7 " + kById},
      {"a list with blanks goes in as typed", 2, 0, 0, -1, " 12 , 15 ",
       kSelect + kWhereSingle + " And  Tbl_Transaction_PDA.ID > 0 " +
           " And Tbl_Routes_Points_Questions.external_id in ( 12 , 15 ) " + kById},
      {"by date, Oracle", 1, 1, 0, 0, "ALL",
       kSelect + kWhereSingle +
           " AND Tbl_Transaction_PDA.Trans_Date >=  TO_DATE('08-Dec-2026 12:00:00 AM', 'dd-Mon-yyyy HH:MI:SS AM') "
           " And Tbl_Transaction_PDA.Trans_Date <=  TO_DATE('09-Dec-2026 01:05:09 PM', 'dd-Mon-yyyy HH:MI:SS AM')  " +
           kByDate},
      {"by date, SQL Server, end id 0 plays no part", 2, 1, 5, 0, "15",
       kSelect + kWhereSingle +
           " AND Tbl_Transaction_PDA.Trans_Date >= '2026-12-08 00:00:00' And Tbl_Transaction_PDA.Trans_Date <= "
           "'2026-12-09 13:05:09' "
           " And Tbl_Routes_Points_Questions.external_id in (15) " +
           kByDate},
      {"by date, Access", 3, 1, 0, -1, "ALL",
       kSelect + kWhereDouble +
           " AND Tbl_Transaction_PDA.Trans_Date >= #12/8/2026# And Tbl_Transaction_PDA.Trans_Date <= "
           "#12/9/2026 1:05:09 PM# " +
           kByDate},
      {"a range whose ids are bound parameters", 2, 0, 100, 250, "12",
       kSelect + kWhereSingle + " And  Tbl_Transaction_PDA.ID >= ? And  Tbl_Transaction_PDA.ID <= ? " +
           " And Tbl_Routes_Points_Questions.external_id in (12) " + kById,
       true},
      {"an open range binds nothing", 2, 0, 100, -1, "ALL",
       kSelect + kWhereSingle + " And  Tbl_Transaction_PDA.ID > 100 " + kById, true},
      {"by date, unknown type: empty literals", 4, 1, 0, -1, "ALL",
       kSelect + kWhereSingle +
           " AND Tbl_Transaction_PDA.Trans_Date >=  And Tbl_Transaction_PDA.Trans_Date <=  " + kByDate},
  };
  for (const AnswersCase& c : cases) {
    SourceQueryText q;
    q.dbType = c.dbType;
    q.queryType = c.queryType;
    q.startTransId = c.start;
    q.endTransId = c.end;
    q.startDate = StartDate();
    q.endDate = EndDate();
    q.currentVarId = c.ids;
    q.bindTransIds = c.bindTransIds;
    EXPECT_EQ(q.AnswersQuery(), c.expected) << c.what;
  }
}

TEST(SourceQueryText, LogNotesQueryByDatabaseType) {
  const std::string head =
      "SELECT distinct Tbl_Transaction_PDA.ID, Tbl_Transaction_PDA.Trans_Date,Tbl_Transaction_PDA.Trans_Time, "
      "Tbl_Transaction_PDA.Guard, Tbl_Transaction_PDA.Notes,Tbl_Routes_Points_Questions.external_id_logbook "
      "FROM Tbl_Transaction_PDA INNER JOIN Tbl_Routes_Points_Questions ON Tbl_Transaction_PDA.Point_Id = "
      "Tbl_Routes_Points_Questions.Point_ID WHERE (((Tbl_Routes_Points_Questions.external_id)=0) AND ";
  const std::string tail = " And  Tbl_Transaction_PDA.ID > 42  Order By Tbl_Transaction_PDA.ID";
  const struct {
    std::int16_t dbType;
    std::string expected;
  } cases[] = {
      {1, head + "((Tbl_Transaction_PDA.Missed_Point)= 'N')) And Tbl_Transaction_PDA.Notes is not null " + tail},
      {2, head + "((Tbl_Transaction_PDA.Missed_Point)= 'N')) And Tbl_Transaction_PDA.Notes<>'' " + tail},
      {3, head + "((Tbl_Transaction_PDA.Missed_Point)= \"N\")) And Trim(Tbl_Transaction_PDA.Notes)<>\"\" " + tail},
      {0, head + "((Tbl_Transaction_PDA.Missed_Point)= 'N')) And Tbl_Transaction_PDA.Notes is not null " + tail},
  };
  for (const auto& c : cases) {
    SourceQueryText q;
    q.dbType = c.dbType;
    q.startTransId = 42;
    // None of these take part in the notes query.
    q.queryType = 7;
    q.endTransId = 0;
    q.currentVarId = "not a list";
    EXPECT_EQ(q.LogNotesQuery(), c.expected) << "type " << c.dbType;
  }
  // Bounded above only to read around a row DeraRed cannot hand over.
  SourceQueryText bounded;
  bounded.dbType = 2;
  bounded.startTransId = 42;
  bounded.notesUpTo = 50;
  EXPECT_EQ(
      bounded.LogNotesQuery(),
      head + "((Tbl_Transaction_PDA.Missed_Point)= 'N')) And Tbl_Transaction_PDA.Notes<>'' " +
          " And  Tbl_Transaction_PDA.ID > 42  And  Tbl_Transaction_PDA.ID <= 50  Order By Tbl_Transaction_PDA.ID");
  // The same range with its ids as parameters of the statement; without an upper id nothing is bound.
  bounded.bindTransIds = true;
  EXPECT_EQ(
      bounded.LogNotesQuery(),
      head + "((Tbl_Transaction_PDA.Missed_Point)= 'N')) And Tbl_Transaction_PDA.Notes<>'' " +
          " And  Tbl_Transaction_PDA.ID > ?  And  Tbl_Transaction_PDA.ID <= ?  Order By Tbl_Transaction_PDA.ID");
  bounded.notesUpTo = -1;
  EXPECT_EQ(bounded.LogNotesQuery(), head + "((Tbl_Transaction_PDA.Missed_Point)= 'N')) And Tbl_Transaction_PDA.Notes<>'' " +
                                         tail);
}

// The same queries with the typed texts read as their bytes: only the text columns of the
// transactions change, each keeping its name; the join, filters and order stay.
TEST(SourceQueryText, TextColumnsAsBytesKeepEveryNameAndFilter) {
  SourceQueryText q;
  q.dbType = 2;
  q.startTransId = 102;
  q.endTransId = 102;
  q.currentVarId = "ALL";
  q.textAsBytes = true;
  const std::string answers = q.AnswersQuery();
  auto bytes = [](const std::string& c) {
    return "convert_to(Tbl_Transaction_PDA." + c + ", 'SQL_ASCII') AS " + c;
  };
  EXPECT_EQ(answers.rfind("SELECT Tbl_Transaction_PDA.ID, Tbl_Transaction_PDA.Route_Id, ", 0), 0u) << answers;
  for (const std::string c : {"Point_Desc", "Guard", "Notes", "Inc", "Inc1", "Inc3", "Answer1", "Answer10"})
    EXPECT_NE(answers.find(bytes(c) + (c == "Answer10" ? " FROM" : ",")), std::string::npos) << c << ": " << answers;
  for (const std::string c : {"Trans_Time", "Missed_Point", "Question_ID10"})
    EXPECT_NE(answers.find(", Tbl_Transaction_PDA." + c + ","), std::string::npos) << c << ": " << answers;
  q.textAsBytes = false;
  const std::string plain = q.AnswersQuery();
  const std::string join = "FROM Tbl_Transaction_PDA INNER JOIN";
  EXPECT_EQ(answers.substr(answers.find(join)), plain.substr(plain.find(join)));

  q.textAsBytes = true;
  EXPECT_EQ(q.LogNotesQuery().rfind("SELECT distinct Tbl_Transaction_PDA.ID, Tbl_Transaction_PDA.Trans_Date, "
                                    "Tbl_Transaction_PDA.Trans_Time, " +
                                        bytes("Guard") + ", " + bytes("Notes") +
                                        ", Tbl_Routes_Points_Questions.external_id_logbook FROM ",
                                    0),
            0u)
      << q.LogNotesQuery();
}

TEST(SourceQueryText, DateLiteralsOfEachDialect) {
  const core::Date afternoon = core::Date::FromParts(2026, 12, 8, 13, 5, 9);
  const core::Date midnight = core::Date::FromParts(2026, 1, 2);
  EXPECT_EQ(SourceQueryText::OracleDateLiteral(afternoon),
            " TO_DATE('08-Dec-2026 01:05:09 PM', 'dd-Mon-yyyy HH:MI:SS AM') ");
  EXPECT_EQ(SourceQueryText::OracleDateLiteral(midnight),
            " TO_DATE('02-Jan-2026 12:00:00 AM', 'dd-Mon-yyyy HH:MI:SS AM') ");
  EXPECT_EQ(SourceQueryText::SqlServerDateLiteral(afternoon), "'2026-12-08 13:05:09'");
  EXPECT_EQ(SourceQueryText::SqlServerDateLiteral(midnight), "'2026-01-02 00:00:00'");
  EXPECT_EQ(SourceQueryText::AccessDateLiteral(afternoon), "#12/8/2026 1:05:09 PM#");
  EXPECT_EQ(SourceQueryText::AccessDateLiteral(midnight), "#1/2/2026#");
}

TEST(SourceQueryText, RefusedSettingsBuildNoText) {
  const struct {
    const char* what;
    std::int16_t queryType;
    std::int32_t end;
    const char* ids;
  } cases[] = {
      {"end id 0 by transaction id", 0, 0, "ALL"},
      {"query type 2", 2, -1, "ALL"},
      {"query type -1", -1, 5, "ALL"},
      {"an empty list", 0, -1, ""},
      {"a closing parenthesis", 0, -1, "12) OR (1=1"},
      {"a statement after a semicolon", 0, -1, "12; DROP TABLE Tbl_Transaction_PDA"},
      {"a quote", 0, -1, "12'"},
      {"an empty item", 0, -1, "12,,15"},
      {"a trailing comma", 0, -1, "12,"},
      {"a decimal", 0, -1, "12.5"},
      {"two numbers without a comma", 0, -1, "1 2"},
      {"a word", 0, -1, "ALLE"},
  };
  for (const auto& c : cases) {
    SourceQueryText q;
    q.dbType = 2;
    q.queryType = c.queryType;
    q.endTransId = c.end;
    q.currentVarId = c.ids;
    try {
      q.AnswersQuery();
      ADD_FAILURE() << c.what << ": a text was built";
    } catch (const core::RuntimeError& e) {
      EXPECT_EQ(e.Number(), core::err::kInvalidCall) << c.what;
      EXPECT_FALSE(e.Description().empty()) << c.what;
    }
  }
}

TEST(SourceQueryText, ExternalIdLists) {
  for (const char* ok : {"12", "12,15", " 12 , 15 ", "\t7", "-3", "+4", "007,8,9"})
    EXPECT_TRUE(SourceQueryText::IsExternalIdList(ok)) << ok;
  for (const char* bad : {"", " ", ",", "12,", ",12", "1 2", "1e3", "0x10", "12)", "+", "- 3"})
    EXPECT_FALSE(SourceQueryText::IsExternalIdList(bad)) << bad;
}

}  // namespace
