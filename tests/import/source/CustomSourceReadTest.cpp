// The reader against a DeraRed database: which answers each transaction range and
// id list brings, the cursor over them, the fields of a record and their Null and
// text rules, the combined date and time with its 23:00 rule, and the notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ReaderFixture.h"
#include "core/Date.h"
#include "import/source/CommonTypeLimsMatchRec.h"
#include "import/source/CustomSource.h"

namespace {

using readertest::ReaderFixture;
using Rows = std::vector<std::pair<long, long>>;  // (transaction id, question id)

// Walks the reader from its cursor to EOF.
Rows Walk(CustomSource& source) {
  Rows rows;
  for (; !source.EOF_LimsRec(); source.MoveNext_LimsRec()) {
    auto r = source.Get_LimsRec();
    if (!r) {
      ADD_FAILURE() << "no record before EOF";
      break;
    }
    rows.emplace_back(r->ID.ToLong(), r->RoutePointQuestionID.ToLong());
  }
  return rows;
}

bool IdsAscending(const Rows& rows) {
  return std::is_sorted(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

class ReaderReads : public ReaderFixture {
 protected:
  void SetUp() override {
    ReaderFixture::SetUp();
    SeedRounds();
  }
};

TEST_F(ReaderReads, AnswersByTransactionRangeAndExternalIds) {
  const struct {
    const char* what;
    std::int32_t start, end;
    const char* ids;
    Rows expected;  // sorted
  } cases[] = {
      {"open range from 0", 0, -1, "ALL", {{2, 100}, {2, 101}, {3, 200}, {6, 100}, {6, 101}}},
      {"open range above 2", 2, -1, "ALL", {{3, 200}, {6, 100}, {6, 101}}},
      {"inclusive range 2..3", 2, 3, "all", {{2, 100}, {2, 101}, {3, 200}}},
      {"a range of one", 6, 6, "All", {{6, 100}, {6, 101}}},
      {"a range below its start", 6, 3, "ALL", {}},
      {"the list 12,15", 0, -1, "12,15", {{2, 100}, {2, 101}, {6, 100}, {6, 101}}},
      {"one id", 0, -1, "30", {{3, 200}}},
      {"a list with blanks, in a range", 0, 6, " 15 , 30 ", {{2, 101}, {3, 200}, {6, 101}}},
      {"an id nothing feeds", 0, -1, "99", {}},
  };
  for (const auto& c : cases) {
    CustomSource source;
    bool error = ReadAnswers(source, c.start, c.end, c.ids);
    EXPECT_FALSE(error) << c.what;
    EXPECT_EQ(source.RecordCount(), static_cast<std::int32_t>(c.expected.size())) << c.what;
    Rows rows = Walk(source);
    EXPECT_TRUE(IdsAscending(rows)) << c.what;
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, c.expected) << c.what;
  }
  EXPECT_TRUE(StatusLines("Error").empty());
  ExpectPointerRestored();
  EXPECT_GT(busy.shown, 0);
}

// The ids of a range are listed a part at a time, stepping over stretches without any: every
// id once, in order, whatever lies between them; the next id above one is found alike.
TEST_F(ReaderReads, TransactionIdsOfAWideSparseRangeComeEachOnceInOrder) {
  ASSERT_TRUE(db.Exec(
      "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Missed_Point) values "
      "(100000, 1, 10, 'N'), (100001, 1, 10, 'N'), (250000, 1, 10, 'N'), (2000000000, 1, 10, 'N')"));
  CustomSource source;
  bool failed = true;
  EXPECT_EQ(source.ReadTransIds(4, 1999999999, failed),
            (std::vector<std::int32_t>{5, 6, 7, 8, 9, 10, 100000, 100001, 250000}));
  EXPECT_FALSE(failed);
  EXPECT_EQ(source.ReadTransIds(0, 2147483647, failed).back(), 2000000000);
  EXPECT_EQ(source.ReadTransIds(250000, 1999999999, failed), std::vector<std::int32_t>{});
  EXPECT_FALSE(failed);
  EXPECT_EQ(source.ReadNextTransId(100001), 250000);
  EXPECT_EQ(source.ReadNextTransId(2000000000), std::nullopt);
}

TEST_F(ReaderReads, AnswersByTransactionDateComeInDateOrder) {
  CustomSource source;
  source.QueryType(1);
  source.EndTransId(0);  // no part of a date query
  source.CurrentVarId("ALL");
  source.startdate(core::Date::FromParts(2024, 3, 5));
  source.enddate(core::Date::FromParts(2024, 3, 6, 23, 59, 59));
  bool error = true;
  source.ReadLIMSdata(error);
  ASSERT_FALSE(error);
  Rows rows = Walk(source);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::pair<long, long>{3, 200}));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (Rows{{3, 200}, {6, 100}, {6, 101}}));
}

TEST_F(ReaderReads, CursorWalksTheRecordsAndStopsAtTheEnds) {
  CustomSource source;
  bool error = ReadAnswers(source, 0);
  ASSERT_FALSE(error);
  ASSERT_EQ(source.RecordCount(), 5);
  EXPECT_TRUE(source.BOF_LimsRec());
  EXPECT_FALSE(source.EOF_LimsRec());
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(source.EOF_LimsRec()) << i;
    EXPECT_NE(source.Get_LimsRec(), nullptr) << i;
    source.MoveNext_LimsRec();
  }
  EXPECT_TRUE(source.EOF_LimsRec());
  EXPECT_EQ(source.Get_LimsRec(), nullptr);
  EXPECT_FALSE(source.BOF_LimsRec());

  // Back to the first record and one step before it.
  for (int i = 0; i < 5; ++i) source.MovePrev_LimsRec();
  EXPECT_TRUE(source.BOF_LimsRec());
  const auto first = source.Get_LimsRec();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->ID.ToLong(), 2);
  source.MovePrev_LimsRec();
  EXPECT_FALSE(source.BOF_LimsRec());
  EXPECT_FALSE(source.EOF_LimsRec());
  EXPECT_EQ(source.Get_LimsRec(), nullptr);
  EXPECT_EQ(StatusLines("Error in Get_LimsRec: "),
            std::vector<std::string>{"Error in Get_LimsRec: 9 - Subscript out of range"});

  // A record handed out stays with its holder after the reader is gone.
  auto kept = first;
  source.MoveNext_LimsRec();
  {
    CustomSource other;
    ReadAnswers(other, 5);
    kept = other.Get_LimsRec();
  }
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->ID.ToLong(), 6);
}

TEST_F(ReaderReads, AnEmptyResultIsAtBothEnds) {
  CustomSource source;
  bool error = ReadAnswers(source, 1000);
  EXPECT_FALSE(error);
  EXPECT_EQ(source.RecordCount(), 0);
  EXPECT_TRUE(source.BOF_LimsRec());
  EXPECT_TRUE(source.EOF_LimsRec());
  EXPECT_EQ(source.Get_LimsRec(), nullptr);
}

TEST_F(ReaderReads, EachReadReplacesTheRecordsOfTheLast) {
  CustomSource source;
  bool error = ReadAnswers(source, 0);
  ASSERT_EQ(source.RecordCount(), 5);
  source.MoveNext_LimsRec();
  source.MoveNext_LimsRec();

  source.CurrentVarId("30");
  source.ReadLIMSdata(error);
  ASSERT_FALSE(error);
  EXPECT_TRUE(source.BOF_LimsRec()) << "the cursor starts on the first record again";
  EXPECT_EQ(Walk(source), (Rows{{3, 200}}));
  // The third of the earlier records is out of reach now.
  source.MoveNext_LimsRec();
  source.MoveNext_LimsRec();
  EXPECT_TRUE(source.EOF_LimsRec());
  EXPECT_EQ(source.Get_LimsRec(), nullptr);
}

// An answer row whose every column is filled or deliberately Null.
class ReaderRecord : public ReaderFixture {};

TEST_F(ReaderRecord, FieldsKeepNullOrBecomeTextByTheirRule) {
  ASSERT_TRUE(db.Exec(
      "insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, external_id, "
      "external_id_logbook) values (4, 40, 403, 3, 77, null);"
      "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Point_Desc, Guard, "
      "Notes, Inc, Inc1, Inc2, Inc3, Missed_Point, Question_ID1, Answer1, Question_ID2, Answer2, Question_ID3, "
      "Answer3, Question_ID10, Answer10) values (41, null, 40, '2024-03-04', '1899-12-30 09:05:07', "
      "'Pump house', 'MARY', null, 'i0', null, 'i2', '', 'N', 401, '12.5', 402, null, null, null, 403, 'OPEN')"));
  CustomSource source;
  bool error = ReadAnswers(source, 40, -1, "77");
  ASSERT_FALSE(error);
  ASSERT_EQ(source.RecordCount(), 1);
  const auto r = source.Get_LimsRec();
  ASSERT_NE(r, nullptr);

  using K = core::Value::Kind;
  const struct {
    const char* field;
    K kind;
    const char* text;  // for kinds other than Null
  } expected[] = {
      {"ID", K::Long, "41"},
      {"Route_Id", K::String, ""},    // Null as text
      {"Point_Id", K::String, "40"},  // a number as text
      {"external_id", K::Long, "77"},
      {"external_id_logbook", K::Null, ""},
      {"Seqno", K::Long, "3"},
      {"RoutePointQuestionID", K::Long, "403"},
      {"RoutePointRouteID", K::Long, "4"},
      {"Trans_Date", K::Date, "3/4/2024"},
      {"Trans_Time", K::String, "09:05:07"},
      {"Trans_DateTime", K::Date, "3/4/2024 9:05:07 AM"},
      {"Point_Desc", K::String, "Pump house"},
      {"Guard", K::String, "MARY"},
      {"Notes", K::String, ""},
      {"Inc", K::String, "i0"},
      {"Inc1", K::String, ""},
      {"Inc2", K::String, "i2"},
      {"Inc3", K::String, ""},
      {"Missed_Point", K::String, "N"},
      {"Question_ID1", K::Long, "401"},
      {"Answer1", K::String, "12.5"},
      {"Question_ID2", K::Long, "402"},
      {"Answer2", K::String, ""},
      {"Question_ID3", K::Null, ""},
      {"Answer3", K::String, ""},
      {"Question_ID4", K::Null, ""},
      {"Answer4", K::String, ""},
      {"Question_ID10", K::Long, "403"},
      {"Answer10", K::String, "OPEN"},
  };
  for (const auto& e : expected) {
    int index = -1;
    for (int i = 0; i < CommonTypeLimsMatchRec::kFieldCount; ++i)
      if (CommonTypeLimsMatchRec::FieldName(i) == e.field) index = i;
    ASSERT_GE(index, 0) << e.field;
    const core::Value& v = r->Field(index);
    EXPECT_EQ(v.GetKind(), e.kind) << e.field;
    if (e.kind != K::Null) {
      EXPECT_EQ(v.Text(), e.text) << e.field;
    }
  }
}

TEST_F(ReaderRecord, VisitsAfter2300CountForTheNextDay) {
  ASSERT_TRUE(
      db.Exec("insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, external_id, "
              "external_id_logbook) values (5, 50, 500, 1, 55, 0);"
              "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Missed_Point, "
              "Question_ID1, Answer1) values "
              "(51, 5, 50, '2024-03-05', '1899-12-30 23:00:00', 'N', 500, '1'),"
              "(52, 5, 50, '2024-03-05', '1899-12-30 23:00:01', 'N', 500, '2'),"
              "(53, 5, 50, '2024-03-05', '1899-12-30 22:59:59', 'N', 500, '3'),"
              "(54, 5, 50, '2024-12-31', '1899-12-30 23:30:00', 'N', 500, '4'),"
              "(55, 5, 50, '2024-03-05', null, 'N', 500, '5'),"
              "(56, 5, 50, null, '1899-12-30 23:30:00', 'N', 500, '6'),"
              "(57, 5, 50, '2024-03-05', '1899-12-30 00:00:00', 'N', 500, '7')"));
  CustomSource source;
  bool error = ReadAnswers(source, 50, -1, "55");
  ASSERT_FALSE(error);
  ASSERT_EQ(source.RecordCount(), 7);

  const core::Value null = core::Value::MakeNull();
  const struct {
    long id;
    core::Value time;      // Trans_Time
    core::Value combined;  // Trans_DateTime
  } expected[] = {
      {51, "23:00:00", core::Date::FromParts(2024, 3, 5, 23, 0, 0)},
      {52, "23:00:01", core::Date::FromParts(2024, 3, 6, 0, 0, 1)},
      {53, "22:59:59", core::Date::FromParts(2024, 3, 5, 22, 59, 59)},
      {54, "23:30:00", core::Date::FromParts(2025, 1, 1, 0, 30, 0)},
      {55, null, core::Date::FromParts(2024, 3, 5)},
      {56, "23:30:00", null},
      {57, "00:00:00", core::Date::FromParts(2024, 3, 5)},
  };
  for (const auto& e : expected) {
    ASSERT_FALSE(source.EOF_LimsRec());
    const auto r = source.Get_LimsRec();
    ASSERT_EQ(r->ID.ToLong(), e.id);
    EXPECT_EQ(r->Trans_Time.IsNull(), e.time.IsNull()) << e.id;
    if (!e.time.IsNull()) {
      EXPECT_EQ(r->Trans_Time.Text(), e.time.Text()) << e.id;
    }
    EXPECT_EQ(r->Trans_DateTime.IsNull(), e.combined.IsNull()) << e.id;
    if (!e.combined.IsNull()) {
      EXPECT_EQ(r->Trans_DateTime.GetKind(), core::Value::Kind::Date) << e.id;
      EXPECT_EQ(r->Trans_DateTime.ToDate().GeneralText(), e.combined.ToDate().GeneralText()) << e.id;
    }
    source.MoveNext_LimsRec();
  }
  const std::string log = LogText();
  std::size_t pushes = 0;
  for (std::size_t at = 0; (at = log.find("Date after 2300 hours. adding an hour to time to push it to tomorrow.",
                                          at)) != std::string::npos;
       ++at)
    ++pushes;
  EXPECT_EQ(pushes, 2u) << "rows 52 and 54";
}

TEST_F(ReaderReads, LogNotesHoldOnlyTheirSevenFields) {
  CustomSource source;
  source.StartTransId(0);
  source.EndTransId(0);      // no part of the notes query
  source.QueryType(9);       // nor this
  source.CurrentVarId("x");  // nor this
  bool error = true;
  source.ReadLIMSLogNotes(error);
  ASSERT_FALSE(error);
  ASSERT_EQ(source.RecordCount(), 2) << "one row per noted transaction, empty and missing notes left out";

  const auto first = source.Get_LimsRec();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->ID.ToLong(), 5);
  EXPECT_EQ(first->external_id_logbook.ToLong(), 8);
  EXPECT_EQ(first->Notes.Text(), "Pump leaks");
  EXPECT_EQ(first->Guard.Text(), "ANN");
  EXPECT_EQ(first->Trans_Time.Text(), "23:30:00");
  EXPECT_EQ(first->Trans_Date.ToDate(), core::Date::FromParts(2024, 3, 5));
  // A note keeps the day it was written on, late or not.
  EXPECT_EQ(first->Trans_DateTime.ToDate().GeneralText(), "3/5/2024 11:30:00 PM");
  const char* filled[] = {"ID", "external_id_logbook", "Trans_Date", "Trans_Time", "Trans_DateTime", "Guard", "Notes"};
  for (int i = 0; i < CommonTypeLimsMatchRec::kFieldCount; ++i) {
    const std::string_view name = CommonTypeLimsMatchRec::FieldName(i);
    const bool isFilled = std::find(std::begin(filled), std::end(filled), name) != std::end(filled);
    EXPECT_EQ(first->Field(i).IsEmpty(), !isFilled) << name;
  }

  source.MoveNext_LimsRec();
  EXPECT_EQ(source.Get_LimsRec()->Notes.Text(), "Gauge cracked");

  CustomSource later;
  later.StartTransId(5);
  later.ReadLIMSLogNotes(error);
  ASSERT_FALSE(error);
  ASSERT_EQ(later.RecordCount(), 1);
  EXPECT_EQ(later.Get_LimsRec()->ID.ToLong(), 10);
  ExpectPointerRestored();
}

TEST_F(ReaderReads, EachQueryIsLoggedAndTheWindowBreathesOncePerRead) {
  CustomSource source;
  EXPECT_FALSE(ReadAnswers(source, 5));
  bool error = true;
  source.ReadLIMSLogNotes(error);
  EXPECT_FALSE(error);
  EXPECT_EQ(events.runs, 2);
  const std::string log = LogText();
  EXPECT_NE(log.find("CustomSource.LoadResultRecords() Query : SELECT Tbl_Transaction_PDA.ID, "), std::string::npos);
  EXPECT_NE(log.find(" And  Tbl_Transaction_PDA.ID > 5  Order By Tbl_Transaction_PDA.ID\r\n"), std::string::npos);
  EXPECT_NE(log.find("CustomSource.LoadLogNoteRecords() Query : SELECT distinct Tbl_Transaction_PDA.ID, "),
            std::string::npos);
}

TEST(CustomSourceTexts, FixedTexts) {
  CustomSource source;
  EXPECT_EQ(source.LogCustomSourceQuery(), "[SourceTag:] \t[SourceStat:] \t");
  EXPECT_EQ(source.GenerateSourceConnString(true), "N/A");
  EXPECT_EQ(source.GenerateSourceConnString(false), "N/A");
  source.CurrentVarId("12,15");
  EXPECT_EQ(source.CurrentVarId(), "12,15");
  EXPECT_EQ(source.RecordCount(), 0);
  EXPECT_TRUE(source.BOF_LimsRec());
  EXPECT_TRUE(source.EOF_LimsRec());
}

}  // namespace
