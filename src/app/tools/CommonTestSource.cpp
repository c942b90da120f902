#include "app/tools/CommonTestSource.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include "core/Date.h"
#include "core/Text.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/source/CommonTypeLimsMatchRec.h"
#include "import/source/CustomSource.h"

namespace {

using Field = core::Value CommonTypeLimsMatchRec::*;

struct RecordBox {
  const char* control;
  const char* label;
  Field field;
};

// The boxes of the record in the order they are filled; the route-point pair sits in a frame of
// its own and the questions and answers in two columns, filled pairwise.
constexpr RecordBox kHeaderBoxes[] = {
    {"txtTransId", "TransId", &CommonTypeLimsMatchRec::ID},
    {"txtRouteId", "RouteId", &CommonTypeLimsMatchRec::Route_Id},
    {"txtPointId", "PointId", &CommonTypeLimsMatchRec::Point_Id},
    {"txtExternalId", "ExternalId", &CommonTypeLimsMatchRec::external_id},
    {"txtExternalIdLogbook", "ExternalIdLogbook", &CommonTypeLimsMatchRec::external_id_logbook},
    {"txtSeqNo", "SeqNo", &CommonTypeLimsMatchRec::Seqno},
    {"txtRoutePointQuestionID", "Question ID", &CommonTypeLimsMatchRec::RoutePointQuestionID},
    {"txtRoutePointRouteID", "Route ID", &CommonTypeLimsMatchRec::RoutePointRouteID},
    {"txtTransDate", "TransDate", &CommonTypeLimsMatchRec::Trans_Date},
    {"txtTransTime", "TransTime", &CommonTypeLimsMatchRec::Trans_Time},
    {"txtPointDesc", "PointDesc", &CommonTypeLimsMatchRec::Point_Desc},
    {"txtGuard", "Guard", &CommonTypeLimsMatchRec::Guard},
    {"txtNotes", "Notes", &CommonTypeLimsMatchRec::Notes},
    {"txtInc", "Inc", &CommonTypeLimsMatchRec::Inc},
    {"txtInc1", "Inc1", &CommonTypeLimsMatchRec::Inc1},
    {"txtInc2", "Inc2", &CommonTypeLimsMatchRec::Inc2},
    {"txtInc3", "Inc3", &CommonTypeLimsMatchRec::Inc3},
    {"txtMissedPoint", "MissedPoint", &CommonTypeLimsMatchRec::Missed_Point},
};
constexpr int kRoutePointFirst = 6;  // the two boxes of the route-point frame
constexpr int kPairs = 10;
// What a window manager adds around the window: its title bar and borders.
constexpr QSize kWindowFrame(16, 48);

void ShowBox(const std::string& prompt, int style = 0) {
  if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(prompt, style);
}

core::Date DateOf(const QDateTime& t) {
  const QDate d = t.date();
  const QTime h = t.time();
  return core::Date::FromParts(d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second());
}

QLineEdit* NewBox(QWidget* parent, const QString& control) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(control);
  box->setReadOnly(true);
  return box;
}

QPushButton* NewButton(QWidget* parent, const QString& control, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(control);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CommonTestSource::CommonTestSource(QWidget* owner) : QDialog(owner) {
  setObjectName("CommonTestSource");
  setWindowTitle("Source Read Test");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  // The two frames scroll when the screen is smaller than they are; Close stays in sight below.
  auto* content = new QWidget;
  content->setObjectName("SourceTestFrames");
  auto* frames = new QVBoxLayout(content);
  frames->setContentsMargins(0, 0, 0, 0);
  BuildInputFrame(frames);
  BuildResultFrame(frames);
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("SourceTestScroll");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);
  layout->addWidget(scroll, 1);

  auto* close = NewButton(this, "Command3", "Close");
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(close);
  layout->addLayout(bottom);
  ClearDisplay();

  // Opens with both frames whole where the screen has room for them, else as large as the
  // screen leaves room for, its title bar and frame included.
  const QMargins m = layout->contentsMargins();
  QSize whole = content->sizeHint().grownBy(m);
  whole.rheight() += layout->spacing() + bottom->sizeHint().height();
  whole.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen) whole = whole.boundedTo(screen->availableGeometry().size() - kWindowFrame);
  resize(whole);
}

CommonTestSource::~CommonTestSource() = default;

void CommonTestSource::ShowModal(QWidget* owner) {
  CommonTestSource window(owner);
  window.exec();
}

void CommonTestSource::BuildInputFrame(QVBoxLayout* frames) {
  auto* frame = new QGroupBox("Input");
  auto* grid = new QGridLayout(frame);
  const QDateTime now = QDateTime::currentDateTime();
  auto picker = [frame](const char* control, const QDateTime& value) {
    auto* edit = new QDateTimeEdit(value, frame);
    edit->setObjectName(control);
    edit->setDisplayFormat("MM/dd/yyyy HH:mm:ss");
    edit->setCalendarPopup(true);
    return edit;
  };
  dateS_ = picker("dateS", QDateTime(now.date(), QTime(0, 0)));
  dateE_ = picker("dateE", now);
  txtStartTransId_ = new QLineEdit(frame);
  txtStartTransId_->setObjectName("txtStartTransId");
  txtEndTransId_ = new QLineEdit(frame);
  txtEndTransId_->setObjectName("txtEndTransId");
  txtExtIdQuery_ = new QLineEdit(frame);
  txtExtIdQuery_->setObjectName("txtExtIdQuery");

  auto* byDate = NewButton(frame, "btnQueryByDate", "Query Source by Date");
  auto* byId = NewButton(frame, "btnQueryByTransactionId", "Query Source by Transaction Id");
  auto* byExternal = NewButton(frame, "btnQueryByExternalId", "Query Source by External Id");
  connect(byDate, &QPushButton::clicked, this, &CommonTestSource::QueryByDate);
  connect(byId, &QPushButton::clicked, this, &CommonTestSource::QueryByTransactionId);
  connect(byExternal, &QPushButton::clicked, this, &CommonTestSource::QueryByExternalId);

  grid->addWidget(new QLabel("Start Date", frame), 0, 0);
  grid->addWidget(dateS_, 0, 1);
  grid->addWidget(new QLabel("End Date", frame), 0, 2);
  grid->addWidget(dateE_, 0, 3);
  grid->addWidget(byDate, 0, 4);
  grid->addWidget(new QLabel("Start Transaction Id", frame), 1, 0);
  grid->addWidget(txtStartTransId_, 1, 1);
  grid->addWidget(new QLabel("End Transaction Id", frame), 1, 2);
  grid->addWidget(txtEndTransId_, 1, 3);
  grid->addWidget(byId, 1, 4);
  grid->addWidget(new QLabel("External Id", frame), 2, 0);
  grid->addWidget(txtExtIdQuery_, 2, 1);
  grid->addWidget(byExternal, 2, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  frames->addWidget(frame);
}

void CommonTestSource::BuildResultFrame(QVBoxLayout* frames) {
  Frame1_ = new QGroupBox;
  Frame1_->setObjectName("Frame1");
  auto* columns = new QHBoxLayout(Frame1_);

  auto* header = new QFormLayout;
  auto* routePoint = new QGroupBox("Tbl_Routes_Points_Questions", Frame1_);
  auto* routePointForm = new QFormLayout(routePoint);
  for (int i = 0; i < static_cast<int>(std::size(kHeaderBoxes)); ++i) {
    const RecordBox& b = kHeaderBoxes[i];
    const bool inFrame = i == kRoutePointFirst || i == kRoutePointFirst + 1;
    QLineEdit* box = NewBox(inFrame ? routePoint : Frame1_, b.control);
    boxes_.push_back(box);
    if (inFrame) {
      routePointForm->addRow(b.label, box);
      if (i == kRoutePointFirst + 1) header->addRow(routePoint);
    } else {
      header->addRow(b.label, box);
    }
  }
  columns->addLayout(header, 3);

  auto* questions = new QGroupBox("QuestionId1-10", Frame1_);
  auto* answers = new QGroupBox("Answer1-10", Frame1_);
  auto* questionsForm = new QFormLayout(questions);
  auto* answersForm = new QFormLayout(answers);
  for (int n = 1; n <= kPairs; ++n) {
    QLineEdit* q = NewBox(questions, QString("txtQuestionId%1").arg(n));
    QLineEdit* a = NewBox(answers, QString("txtAnswer%1").arg(n));
    boxes_.push_back(q);
    boxes_.push_back(a);
    questionsForm->addRow(QString::number(n), q);
    answersForm->addRow(QString::number(n), a);
  }
  auto* pairs = new QVBoxLayout;
  auto* pairColumns = new QHBoxLayout;
  pairColumns->addWidget(questions, 1);
  pairColumns->addWidget(answers, 2);
  pairs->addLayout(pairColumns);
  pairs->addStretch(1);
  auto* paging = new QHBoxLayout;
  auto* prev = NewButton(Frame1_, "btnPrevRec", "Previous Record");
  auto* next = NewButton(Frame1_, "btnNextRec", "Next Record");
  connect(prev, &QPushButton::clicked, this, &CommonTestSource::PrevRecord);
  connect(next, &QPushButton::clicked, this, &CommonTestSource::NextRecord);
  paging->addStretch(1);
  paging->addWidget(prev);
  paging->addWidget(next);
  pairs->addLayout(paging);
  columns->addLayout(pairs, 4);
  frames->addWidget(Frame1_, 1);
}

QPushButton* CommonTestSource::Button(const QString& controlName) const { return findChild<QPushButton*>(controlName); }

QLineEdit* CommonTestSource::Box(const QString& controlName) const {
  for (QLineEdit* box : boxes_)
    if (box->objectName() == controlName) return box;
  return nullptr;
}

void CommonTestSource::QueryByDate() {
  ClearDisplay();
  const std::optional<std::int32_t> start = TransactionId(txtStartTransId_);
  const std::optional<std::int32_t> end = start ? TransactionId(txtEndTransId_) : std::nullopt;
  if (!end) return;
  RunQuery(1, *start, *end, "ALL");
}

void CommonTestSource::QueryByTransactionId() {
  ClearDisplay();
  const std::optional<std::int32_t> start = TransactionId(txtStartTransId_);
  const std::optional<std::int32_t> end = start ? TransactionId(txtEndTransId_) : std::nullopt;
  if (!end) return;
  RunQuery(0, *start, *end, "ALL");
}

void CommonTestSource::QueryByExternalId() {
  ClearDisplay();
  const std::string typed = txtExtIdQuery_->text().toStdString();
  if (core::Trim(typed).empty()) {
    ShowBox("Error: Enter an external Id.");
    txtExtIdQuery_->setFocus();
    return;
  }
  if (!core::IsNumericText(typed)) {
    ShowBox("Error: Enter a numeric Id.");
    txtExtIdQuery_->setFocus();
    return;
  }
  RunQuery(0, 0, 999999999, typed);
}

std::optional<std::int32_t> CommonTestSource::TransactionId(QLineEdit* box) {
  const std::optional<double> number = core::ParseNumber(box->text().toStdString());
  if (!number) return 0;
  const double rounded = core::RoundHalfEven(*number);
  // A number beyond the id range would overflow the reader's id; it is refused, not wrapped.
  if (rounded < -2147483648.0 || rounded > 2147483647.0) {
    ShowBox("Error: Enter a transaction id between -2147483648 and 2147483647.", 48);
    box->setFocus();
    return std::nullopt;
  }
  return static_cast<std::int32_t>(rounded);
}

void CommonTestSource::RunQuery(std::int16_t queryType, std::int32_t startTransId, std::int32_t endTransId,
                                const std::string& ids) {
  source_.reset();
  source_ = std::make_unique<CustomSource>();
  source_->PrepareForNextFacility();
  source_->startdate(DateOf(dateS_->dateTime()));
  source_->enddate(DateOf(dateE_->dateTime()));
  source_->StartTransId(startTransId);
  source_->EndTransId(endTransId);
  source_->QueryType(queryType);
  source_->CurrentVarId(ids);
  position_ = 1;
  bool failed = true;
  source_->ReadLIMSdata(failed);
  if (failed) {
    ShowBox("Execution error occured", 48);
    Frame1_->hide();
  } else {
    Frame1_->show();
  }
  ShowCurrentRecord();
}

void CommonTestSource::ShowCurrentRecord() {
  if (!source_ || source_->RecordCount() < 1 || source_->EOF_LimsRec()) return;
  const std::shared_ptr<CommonTypeLimsMatchRec> record = source_->Get_LimsRec();
  if (!record) return;
  Frame1_->setTitle(QString("Showing Record %1 out of %2").arg(position_).arg(source_->RecordCount()));
  std::size_t i = 0;
  for (const RecordBox& b : kHeaderBoxes) ShowField(boxes_[i++], (*record).*(b.field));
  for (int n = 1; n <= kPairs; ++n) {
    ShowField(boxes_[i++], record->QuestionId(n));
    ShowField(boxes_[i++], record->Answer(n));
  }
}

void CommonTestSource::ShowField(QLineEdit* box, const core::Value& value) {
  if (value.IsNull()) {
    box->setText("NULL");
    box->setEnabled(false);
  } else {
    box->setText(QString::fromStdString(value.Text()));
    box->setEnabled(true);
  }
}

void CommonTestSource::ClearDisplay() {
  Frame1_->setTitle("Showing Record 0 out of 0");
  for (QLineEdit* box : boxes_) box->clear();
}

void CommonTestSource::PrevRecord() {
  if (!source_ || source_->BOF_LimsRec()) {
    Beep();
  } else {
    source_->MovePrev_LimsRec();
    --position_;
  }
  ShowCurrentRecord();
}

void CommonTestSource::NextRecord() {
  if (!source_ || source_->RecordCount() < 1 || position_ >= source_->RecordCount()) {
    Beep();
  } else {
    source_->MoveNext_LimsRec();
    ++position_;
  }
  ShowCurrentRecord();
}

void CommonTestSource::Beep() {
  ++beeps_;
  QApplication::beep();
}
