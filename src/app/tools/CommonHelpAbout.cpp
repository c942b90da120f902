#include "app/tools/CommonHelpAbout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/widgets/IconBinding.h"
#include "foundation/ProgramContext.h"
#include "platform/ui/ShellOpener.h"

namespace {

// The grid keeps the identity values in column 4, rows 4 to 7, with a caption beside each;
// the rows and columns before them are not shown.
constexpr int kRows = 7;
constexpr int kColumns = 4;
constexpr int kFirstShownRow = 4;
constexpr int kCaptionColumn = 3;
constexpr int kValueColumn = 4;

// The images of every window are the Oxygen icon set, which Debian's oxygen-icon-theme installs.
constexpr const char* kIconCredit =
    "Toolbar and button images: the Oxygen icon set by the KDE community, licensed under the GNU Lesser General "
    "Public License, version 3 or later.";
constexpr const char* kIconSetAddress = "https://invent.kde.org/frameworks/oxygen-icons5";

QLabel* LinkLabel(QWidget* parent, const char* control, const QString& caption) {
  auto* label = new QLabel(parent);
  label->setObjectName(control);
  label->setTextFormat(Qt::RichText);
  label->setText("<a href=\"#\">" + caption.toHtmlEscaped() + "</a>");
  label->setProperty("caption", caption);
  label->setCursor(Qt::PointingHandCursor);
  label->setWordWrap(true);
  return label;
}

}  // namespace

CommonHelpAbout::CommonHelpAbout(const IconBinding* icons, QWidget* owner) : QDialog(owner) {
  setObjectName("CommonHelpAbout");
  setWindowTitle("About ...");
  setModal(true);

  Picture1_ = new QLabel(this);
  Picture1_->setObjectName("Picture1");
  Picture1_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  mySpread_ = new QTableWidget(kRows, kColumns, this);
  mySpread_->setObjectName("mySpread");
  mySpread_->horizontalHeader()->hide();
  mySpread_->verticalHeader()->hide();
  mySpread_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  mySpread_->setSelectionMode(QAbstractItemView::NoSelection);
  mySpread_->setFocusPolicy(Qt::NoFocus);
  mySpread_->setShowGrid(false);
  mySpread_->setWordWrap(false);
  mySpread_->setFrameShape(QFrame::NoFrame);
  for (int row = 1; row < kFirstShownRow; ++row) mySpread_->setRowHidden(row - 1, true);
  for (int column = 1; column < kCaptionColumn; ++column) mySpread_->setColumnHidden(column - 1, true);
  mySpread_->horizontalHeader()->setStretchLastSection(true);
  mySpread_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  mySpread_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  mySpread_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  lblCopyright_ = new QLabel(this);
  lblCopyright_->setObjectName("lblCopyright");
  lblCopyright_->setWordWrap(true);
  Label1_ = new QLabel(kIconCredit, this);
  Label1_->setObjectName("Label1");
  Label1_->setWordWrap(true);
  Label2_ = LinkLabel(this, "Label2", kIconSetAddress);
  // The program has no maker's web site to point at: the label stays empty and out of the way.
  lblMeetOnline_ = LinkLabel(this, "lblMeetOnline", QString());
  lblPatents_ = new QLabel(this);
  lblPatents_->setObjectName("lblPatents");
  btnExit_ = new QPushButton("Exit", this);
  btnExit_->setObjectName("btnExit");
  connect(btnExit_, &QPushButton::clicked, this, &QDialog::hide);
  connect(Label2_, &QLabel::linkActivated, this, &CommonHelpAbout::Label2_Click);
  connect(lblMeetOnline_, &QLabel::linkActivated, this, &CommonHelpAbout::lblMeetOnline_Click);

  auto* top = new QHBoxLayout;
  top->addWidget(Picture1_);
  top->addWidget(mySpread_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lblCopyright_);
  layout->addWidget(Label1_);
  layout->addWidget(Label2_);
  layout->addWidget(lblMeetOnline_);
  layout->addWidget(lblPatents_);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(btnExit_);
  layout->addLayout(bottom);

  Load(icons);
  resize(std::max(560, sizeHint().width()), sizeHint().height());
}

void CommonHelpAbout::ShowModal(const IconBinding* icons, QWidget* owner) {
  CommonHelpAbout about(icons, owner);
  about.exec();
}

void CommonHelpAbout::Load(const IconBinding* icons) {
  if (icons) {
    icons->initButton(btnExit_, "EXIT");
    // The program's picture is its window image.
    icons->InitForm(this, "vkrym");
    Picture1_->setPixmap(windowIcon().pixmap(32, 32));
  }
  const platform::os::AppIdentity& app = Program().app;
  SetCell(5, kCaptionColumn, "Version");
  SetCell(5, kValueColumn,
          std::to_string(app.Major) + "." + std::to_string(app.Minor) + "." + std::to_string(app.Revision));
  SetCell(4, kCaptionColumn, "Description");
  SetCell(4, kValueColumn, app.Comments);
  SetCell(6, kCaptionColumn, "Build");
  SetCell(6, kValueColumn, app.FileDescription + " (Application)  " + "7" + " (Type) " + "149" + " (Platform)");
  SetCell(7, kCaptionColumn, "Product");
  SetCell(7, kValueColumn, app.ProductName);
  mySpread_->resizeColumnsToContents();
  mySpread_->resizeRowsToContents();
  // The executable carries no legal notice and the program no patent notices, so both labels
  // stay empty and out of the way.
  lblCopyright_->setVisible(!lblCopyright_->text().isEmpty());
  lblPatents_->setVisible(!lblPatents_->text().isEmpty());
  lblMeetOnline_->setVisible(!lblMeetOnline_->property("caption").toString().isEmpty());
}

void CommonHelpAbout::SetCell(int row, int column, const std::string& text) {
  mySpread_->setItem(row - 1, column - 1, new QTableWidgetItem(QString::fromStdString(text)));
}

std::string CommonHelpAbout::Cell(int row, int column) const {
  const QTableWidgetItem* item = mySpread_->item(row - 1, column - 1);
  return item ? item->text().toStdString() : std::string();
}

void CommonHelpAbout::Label2_Click() { OpenCaption(Label2_); }
void CommonHelpAbout::lblMeetOnline_Click() { OpenCaption(lblMeetOnline_); }

void CommonHelpAbout::OpenCaption(const QLabel* label) {
  platform::ui::ShellOpener* shell = Program().ui.shell;
  const std::string caption = label->property("caption").toString().toStdString();
  if (!shell || caption.empty()) return;
  try {
    shell->OpenUrl(caption);
  } catch (...) {
    // A desktop without a browser opens nothing; the window carries on.
  }
}
