// Every position of the image store gives a square image of each size, drawn or from the theme.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSet>
#include <memory>

#include "platform/qt/QtIconImages.h"

namespace {

class QtIconImagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QGuiApplication::instance()) {
      static int argc = 1;
      static char name[] = "test_platform_qticons";
      static char* argv[] = {name, nullptr};
      app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
  }
  // Gone before static destruction, which is too late for Qt.
  static void TearDownTestSuite() { app_.reset(); }
  static std::unique_ptr<QGuiApplication> app_;
};
std::unique_ptr<QGuiApplication> QtIconImagesTest::app_;

TEST_F(QtIconImagesTest, EveryPositionHasASixteenPixelImage) {
  platform::qt::QtIconImages images;
  ASSERT_EQ(images.Count(), 135);
  for (int position = 1; position <= images.Count(); ++position) {
    QPixmap pm = images.Pixmap(position);
    ASSERT_FALSE(pm.isNull()) << position;
    EXPECT_EQ(pm.size(), QSize(16, 16)) << position;
    EXPECT_FALSE(images.Icon(position).isNull()) << position;
    EXPECT_EQ(images.Pixmap(position, 32).size(), QSize(32, 32)) << position;
  }
}

TEST_F(QtIconImagesTest, NoImageOutsideThePositions) {
  platform::qt::QtIconImages images;
  for (int position : {0, -1, 136}) {
    EXPECT_TRUE(images.Pixmap(position).isNull()) << position;
    EXPECT_TRUE(images.Icon(position).isNull()) << position;
    EXPECT_FALSE(images.FromTheme(position)) << position;
  }
}

// Opaque colours in an image: a drawn one has its square's colour and its glyph's.
int OpaqueColours(const QPixmap& pm) {
  QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
  QSet<QRgb> colours;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qAlpha(img.pixel(x, y)) == 255) colours.insert(img.pixel(x, y));
  return static_cast<int>(colours.size());
}

TEST_F(QtIconImagesTest, DrawnImagesShowAGlyphOnAColouredSquare) {
  platform::qt::QtIconImages images;
  // The main window's own image has no counterpart in any theme.
  EXPECT_FALSE(images.FromTheme(135));
  for (int position = 1; position <= images.Count(); ++position) {
    if (images.FromTheme(position)) continue;
    EXPECT_GE(OpaqueColours(images.Pixmap(position)), 2) << position;
  }
}

TEST_F(QtIconImagesTest, ADesktopThemeGivesItsImagesWhereAKeyHasACounterpart) {
  if (!QFileInfo::exists("/usr/share/icons/Adwaita/index.theme")) GTEST_SKIP() << "no desktop icon theme installed";
  const QStringList paths = QIcon::themeSearchPaths();
  const QString theme = QIcon::themeName();
  QIcon::setThemeSearchPaths({"/usr/share/icons"});
  QIcon::setThemeName("Adwaita");
  platform::qt::QtIconImages images;
  QIcon::setThemeName(theme);
  QIcon::setThemeSearchPaths(paths);

  EXPECT_TRUE(images.FromTheme(14));    // SAVE: document-save
  EXPECT_FALSE(images.FromTheme(135));  // VKRYM: drawn
  for (int position = 1; position <= images.Count(); ++position)
    EXPECT_EQ(images.Pixmap(position).size(), QSize(16, 16)) << position;
}

}  // namespace
