// The About box: the identity values in the grid, the link labels opening their captions, and
// the Exit button.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <stdexcept>

#include "ShellProgram.h"
#include "app/forms/CommonHelpAbout.h"

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
  about.show();
  EXPECT_EQ(about.windowTitle().toStdString(), "About ...");
  EXPECT_EQ(about.Cell(5, 4), "1.0.8");
  EXPECT_EQ(about.Cell(4, 4), "Vorn Krym Direct Server-Side Interface to FlexSystems DeraRED");
  EXPECT_EQ(about.Cell(6, 4), "124 (Application)  7 (Type) 149 (Platform)");
  EXPECT_EQ(about.Cell(7, 4), "30418");
  EXPECT_FALSE(about.btnExit()->icon().isNull());
  Screenshot(about, "about-box");

  about.btnExit()->click();
  EXPECT_FALSE(about.isVisible());
}

TEST_F(AboutBox, ALinkLabelOpensItsOwnCaptionAndADesktopWithoutBrowserIsNoFailure) {
  CommonHelpAbout about(objects_->icons.get());
  about.Label2_Click();
  about.lblMeetOnline_Click();
  ASSERT_EQ(shell.opened.size(), 2u);
  EXPECT_EQ(QString::fromStdString(shell.opened[0]), about.Label2()->property("caption").toString());
  EXPECT_EQ(shell.opened[0].rfind("https://", 0), 0u) << shell.opened[0];
  // The program has no web page of its own: the second link is its local help contents.
  EXPECT_EQ(shell.opened[1], HelpPage("12036"));
  EXPECT_TRUE(about.lblMeetOnline()->text().contains(QString::fromStdString(HelpPage("12036"))));

  FailingShell failing;
  objects_->context.ui.shell = &failing;
  EXPECT_NO_THROW(about.Label2_Click());
  objects_->context.ui.shell = nullptr;
  EXPECT_NO_THROW(about.lblMeetOnline_Click());
}
