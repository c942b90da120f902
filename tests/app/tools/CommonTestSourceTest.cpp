// The source test window against a DeraRed database of the test's own: queries by transaction
// id, date and external id, the boxes of a record with their Null rule, paging with its beeps,
// and the refusals of bad input.
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "../mainwindow/ShellProgram.h"
#include "app/tools/CommonTestSource.h"
#include "support/KrymFixture.h"

namespace {

class SourceTestWindow : public shelltest::ShellProgram {
 protected:
  void SetUp() override {
    ShellProgram::SetUp();
    ASSERT_TRUE(derared_.Ok());
    PointSourceAt(derared_);
    // One question per point, so that every transaction gives one record and the order is known.
    // Transaction 5 is a missed point, which the reader leaves out.
    ASSERT_TRUE(derared_.Exec(
        "insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, external_id, "
        "external_id_logbook) values (1, 10, 100, 1, 12, 7), (1, 20, 200, null, 30, 7);"
        "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Point_Desc, Guard, Notes, "
        "Inc, Missed_Point, Question_ID1, Answer1, Question_ID2, Answer2, Question_ID10, Answer10) values "
        "(2, 1, 10, '2024-03-04', '1899-12-30 09:05:07', 'Pump P-1', 'JOE', 'Gauge ok', 'I0', 'N', 100, '1.5', "
        "null, null, null, null),"
        "(3, 1, 20, '2024-03-05', '1899-12-30 10:00:00', null, 'ANN', '', null, 'N', 200, '', null, null, null, null),"
        "(4, 1, 10, '2024-03-06', '1899-12-30 08:00:00', 'Pump P-1', 'ANN', null, null, 'N', 100, '2.25', null, "
        "null, 100, 'x'),"
        "(5, 1, 10, '2024-03-07', '1899-12-30 08:00:00', 'Pump P-1', 'ANN', null, null, 'Y', 100, '9', null, null, "
        "null, null)"));
  }

  void Click(CommonTestSource& w, const char* button) { w.Button(button)->click(); }
  std::string Text(CommonTestSource& w, const char* box) { return w.Box(box)->text().toStdString(); }
  std::string Caption(CommonTestSource& w) { return w.Frame1()->title().toStdString(); }
  static void SetDate(QDateTimeEdit* edit, int y, int m, int d, int h, int n) {
    edit->setDateTime(QDateTime(QDate(y, m, d), QTime(h, n)));
  }

  testsupport::KrymFixture derared_{testsupport::KrymFixture::Kind::DeraRed};
};

}  // namespace

TEST_F(SourceTestWindow, ARecordFillsItsBoxesAsTheReaderFilledItAndPagesWithBeepsAtBothEnds) {
  CommonTestSource w;
  w.show();
  EXPECT_EQ(Caption(w), "Showing Record 0 out of 0");
  w.txtEndTransId()->setText("-1");  // open range above the start, which is empty: 0
  Click(w, "btnQueryByTransactionId");
  EXPECT_TRUE(presenter.boxes.empty()) << presenter.Prompts().front();
  EXPECT_TRUE(w.Frame1()->isVisible());
  EXPECT_EQ(Caption(w), "Showing Record 1 out of 3");

  const struct {
    const char* box;
    const char* text;
    bool enabled;
  } first[] = {
      {"txtTransId", "2", true},
      {"txtRouteId", "1", true},
      {"txtPointId", "10", true},
      {"txtExternalId", "12", true},
      {"txtExternalIdLogbook", "7", true},
      {"txtSeqNo", "1", true},
      {"txtRoutePointQuestionID", "100", true},
      {"txtRoutePointRouteID", "1", true},
      {"txtTransDate", "3/4/2024", true},
      {"txtTransTime", "09:05:07", true},
      {"txtPointDesc", "Pump P-1", true},
      {"txtGuard", "JOE", true},
      {"txtNotes", "Gauge ok", true},
      {"txtInc", "I0", true},
      {"txtInc1", "", true},
      {"txtMissedPoint", "N", true},
      {"txtQuestionId1", "100", true},
      {"txtAnswer1", "1.5", true},
      {"txtQuestionId2", "NULL", false},
      {"txtAnswer2", "", true},
      {"txtQuestionId10", "NULL", false},
      {"txtAnswer10", "", true},
  };
  for (const auto& b : first) {
    ASSERT_NE(w.Box(b.box), nullptr) << b.box;
    EXPECT_EQ(Text(w, b.box), b.text) << b.box;
    EXPECT_EQ(w.Box(b.box)->isEnabled(), b.enabled) << b.box;
  }
  ExpectWhole(w);

  Click(w, "btnPrevRec");  // on the first record
  EXPECT_EQ(w.BeepCount(), 1);
  EXPECT_EQ(Caption(w), "Showing Record 1 out of 3");

  Click(w, "btnNextRec");
  EXPECT_EQ(Caption(w), "Showing Record 2 out of 3");
  EXPECT_EQ(Text(w, "txtTransId"), "3");
  EXPECT_EQ(Text(w, "txtSeqNo"), "NULL");  // the question row has no sequence number
  EXPECT_FALSE(w.Box("txtSeqNo")->isEnabled());
  EXPECT_EQ(Text(w, "txtAnswer1"), "");  // an empty answer text
  EXPECT_TRUE(w.Box("txtAnswer1")->isEnabled());

  Click(w, "btnNextRec");
  EXPECT_EQ(Text(w, "txtTransId"), "4");
  EXPECT_EQ(Text(w, "txtAnswer10"), "x");
  EXPECT_EQ(Text(w, "txtQuestionId10"), "100");
  EXPECT_TRUE(w.Box("txtQuestionId10")->isEnabled()) << "a box shown NULL before is enabled again";
  Click(w, "btnNextRec");  // on the last record
  EXPECT_EQ(w.BeepCount(), 2);
  EXPECT_EQ(Caption(w), "Showing Record 3 out of 3");
  EXPECT_EQ(Text(w, "txtTransId"), "4");

  Click(w, "btnPrevRec");
  EXPECT_EQ(Caption(w), "Showing Record 2 out of 3");
  EXPECT_EQ(Text(w, "txtTransId"), "3");
}

TEST_F(SourceTestWindow, QueryRangesAndTheirRecords) {
  const struct {
    const char* what;
    const char* button;
    const char* start;
    const char* end;
    const char* external;
    const char* caption;
    const char* firstId;
  } cases[] = {
      {"an inclusive id range", "btnQueryByTransactionId", "3", "4", "", "Showing Record 1 out of 2", "3"},
      {"-1 reads everything above the start", "btnQueryByTransactionId", "2", "-1", "", "Showing Record 1 out of 2",
       "3"},
      {"text in an id box counts as 0", "btnQueryByTransactionId", "abc", "2", "", "Showing Record 1 out of 1", "2"},
      {"the date range ignores the id boxes", "btnQueryByDate", "4", "4", "", "Showing Record 1 out of 1", "3"},
      {"one external id", "btnQueryByExternalId", "", "", "30", "Showing Record 1 out of 1", "3"},
      {"an external id as typed", "btnQueryByExternalId", "", "", " 12 ", "Showing Record 1 out of 2", "2"},
  };
  for (const auto& c : cases) {
    CommonTestSource w;
    SetDate(w.dateS(), 2024, 3, 5, 0, 0);
    SetDate(w.dateE(), 2024, 3, 5, 23, 59);
    w.txtStartTransId()->setText(c.start);
    w.txtEndTransId()->setText(c.end);
    w.txtExtIdQuery()->setText(c.external);
    presenter.boxes.clear();
    Click(w, c.button);
    EXPECT_TRUE(presenter.boxes.empty()) << c.what << ": " << presenter.Prompts().front();
    EXPECT_EQ(Caption(w), c.caption) << c.what;
    EXPECT_EQ(Text(w, "txtTransId"), c.firstId) << c.what;
  }
}

TEST_F(SourceTestWindow, AQueryWithoutRowsShowsAnEmptyFrameAndPagingOnlyBeeps) {
  CommonTestSource w;
  w.show();
  w.txtStartTransId()->setText("100");
  w.txtEndTransId()->setText("-1");
  Click(w, "btnQueryByTransactionId");
  EXPECT_TRUE(presenter.boxes.empty());
  EXPECT_TRUE(w.Frame1()->isVisible());
  EXPECT_EQ(Caption(w), "Showing Record 0 out of 0");
  Click(w, "btnNextRec");
  Click(w, "btnPrevRec");
  EXPECT_EQ(w.BeepCount(), 2);
  EXPECT_EQ(Caption(w), "Showing Record 0 out of 0");
  EXPECT_EQ(Text(w, "txtTransId"), "");
}

TEST_F(SourceTestWindow, AFailedReadIsReportedAndHidesTheEmptiedFrame) {
  CommonTestSource w;
  w.show();
  w.txtEndTransId()->setText("-1");
  Click(w, "btnQueryByTransactionId");
  ASSERT_EQ(Text(w, "txtTransId"), "2");

  w.txtEndTransId()->clear();  // end 0 selects no range
  presenter.boxes.clear();
  Click(w, "btnQueryByTransactionId");
  ASSERT_EQ(presenter.boxes.size(), 2u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Error: End Transaction Id is set incorrectly.");
  EXPECT_EQ(presenter.boxes[1].prompt, "Execution error occured");
  EXPECT_EQ(presenter.boxes[1].style, 48);
  EXPECT_FALSE(w.Frame1()->isVisible());
  EXPECT_EQ(Caption(w), "Showing Record 0 out of 0");
  EXPECT_EQ(Text(w, "txtTransId"), "");
  EXPECT_EQ(Text(w, "txtAnswer1"), "");

  // The next good query shows the frame again.
  w.txtEndTransId()->setText("-1");
  Click(w, "btnQueryByTransactionId");
  EXPECT_TRUE(w.Frame1()->isVisible());
}

TEST_F(SourceTestWindow, BadInputIsRefusedWithoutAQuery) {
  const struct {
    const char* button;
    const char* start;
    const char* external;
    const char* box;
  } cases[] = {
      {"btnQueryByExternalId", "", "", "Error: Enter an external Id."},
      {"btnQueryByExternalId", "", "   ", "Error: Enter an external Id."},
      {"btnQueryByExternalId", "", "12a", "Error: Enter a numeric Id."},
      {"btnQueryByTransactionId", "3000000000", "",
       "Error: Enter a transaction id between -2147483648 and 2147483647."},
      {"btnQueryByDate", "-3000000000", "", "Error: Enter a transaction id between -2147483648 and 2147483647."},
  };
  for (const auto& c : cases) {
    CommonTestSource w;
    w.show();
    w.txtEndTransId()->setText("-1");
    Click(w, "btnQueryByTransactionId");  // a record on show, which the refusal clears
    w.txtStartTransId()->setText(c.start);
    w.txtExtIdQuery()->setText(c.external);
    presenter.boxes.clear();
    Click(w, c.button);
    EXPECT_EQ(presenter.Prompts(), std::vector<std::string>{c.box}) << c.button << " " << c.start << c.external;
    EXPECT_EQ(Caption(w), "Showing Record 0 out of 0");
    EXPECT_EQ(Text(w, "txtTransId"), "");
  }
}
