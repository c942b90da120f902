// The About box: the identity values in the grid, the link labels opening their captions, and
// the Exit button.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <stdexcept>

#include "../mainwindow/ShellProgram.h"
#include "app/tools/CommonHelpAbout.h"

namespace {

class AboutBox : public shelltest::ShellProgram {};

// A desktop without a browser.
class FailingShell : public platform::ui::ShellOpener {
 public:
  bool OpenUrl(const std::string&) override { throw std::runtime_error("no browser"); }
};

}  // namespace

TEST_F(AboutBox, TheGridShowsVersionDescriptionBuildAndProduct) {
  CommonHelpAbout about(objects_->icons.get());
  EXPECT_EQ(about.windowTitle().toStdString(), "About ...");
  EXPECT_EQ(about.Cell(5, 4), "1.0.8");
  EXPECT_EQ(about.Cell(4, 4), "Vorn Krym Direct Server-Side Interface to FlexSystems DeraRED");
  EXPECT_EQ(about.Cell(6, 4), "124 (Application)  7 (Type) 149 (Platform)");
  EXPECT_EQ(about.Cell(7, 4), "30418");

  about.show();
  windowchecks::Click(about, "btnExit");
  EXPECT_FALSE(about.isVisible());
}

TEST_F(AboutBox, TheCreditNamesTheIconSetItsLicenceAndItsHomePage) {
  CommonHelpAbout about(objects_->icons.get());
  const QString credit = about.findChild<QLabel*>("Label1")->text();
  EXPECT_TRUE(credit.contains("Oxygen")) << credit.toStdString();
  EXPECT_TRUE(credit.contains("GNU Lesser General Public License")) << credit.toStdString();
  EXPECT_FALSE(credit.contains("glyph", Qt::CaseInsensitive)) << credit.toStdString();
  EXPECT_EQ(about.Label2()->property("caption").toString().toStdString(),
            "https://invent.kde.org/frameworks/oxygen-icons5");
  // No file path of this machine anywhere in the box.
  for (const QLabel* label : about.findChildren<QLabel*>())
    EXPECT_FALSE(label->isVisibleTo(&about) && label->text().contains(QString::fromStdString(folder_.string())))
        << label->objectName().toStdString();
}

TEST_F(AboutBox, ALinkLabelOpensItsOwnCaptionAndADesktopWithoutBrowserIsNoFailure) {
  CommonHelpAbout about(objects_->icons.get());
  emit about.Label2()->linkActivated("#");
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(QString::fromStdString(shell.opened[0]), about.Label2()->property("caption").toString());
  // The program has no maker's web page: the second link label is empty, out of sight, and
  // opens nothing.
  EXPECT_FALSE(about.lblMeetOnline()->isVisibleTo(&about));
  emit about.lblMeetOnline()->linkActivated("#");
  EXPECT_EQ(shell.opened.size(), 1u);

  FailingShell failing;
  objects_->context.ui.shell = &failing;
  EXPECT_NO_THROW(emit about.Label2()->linkActivated("#"));
  objects_->context.ui.shell = nullptr;
  EXPECT_NO_THROW(emit about.Label2()->linkActivated("#"));
}
