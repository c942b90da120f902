// The image store's positions are the icon set's own files, at every size, and the keys the
// windows use show images that differ from one another.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <utility>

#include "platform/qt/QtIconImages.h"

namespace {

using platform::qt::QtIconImages;

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
  void SetUp() override {
    ASSERT_TRUE(QFileInfo(QtIconImages::kDefaultFolder).isDir())
        << "the icon set is not installed (Debian package oxygen-icon-theme; scripts/deps.sh installs it)";
  }
  static std::unique_ptr<QGuiApplication> app_;
};
std::unique_ptr<QGuiApplication> QtIconImagesTest::app_;

// Pixels as the screen gets them (a pixmap keeps its alpha premultiplied).
QImage Pixels(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32_Premultiplied); }
QImage Pixels(const QPixmap& pm) { return Pixels(pm.toImage()); }

TEST_F(QtIconImagesTest, EveryPositionShowsTheSetsOwnFileAtEverySize) {
  QtIconImages images;
  ASSERT_EQ(images.Count(), 135);
  EXPECT_EQ(images.MissingCount(), 0);
  const QString folder = QDir(QtIconImages::kDefaultFolder).canonicalPath();
  for (int position = 1; position <= images.Count(); ++position) {
    ASSERT_FALSE(images.Icon(position).isNull()) << position;
    for (int size : QtIconImages::kSizes) {
      const QString file = images.File(position, size);
      ASSERT_TRUE(QFileInfo(file).isFile()) << position << " " << file.toStdString();
      // Links inside the set are fine; a file from anywhere else is not the set's.
      EXPECT_TRUE(QFileInfo(file).canonicalFilePath().startsWith(folder)) << file.toStdString();
      const QImage fromFile = Pixels(QImage(file));
      ASSERT_EQ(fromFile.size(), QSize(size, size)) << file.toStdString();
      EXPECT_EQ(Pixels(images.Pixmap(position, size)), fromFile) << position << " at " << size;
    }
  }
}

TEST_F(QtIconImagesTest, TheImagesOfTheWindowsKeysDifferFromOneAnother) {
  // Positions of the keys that the program's toolbars and buttons carry.
  const std::pair<int, const char*> used[] = {
      {14, "save"},  {42, "check"},  {44, "help"},   {28, "exit/close"}, {26, "refresh"},    {41, "add"},
      {43, "stop"},  {39, "ok"},     {40, "cancel"}, {78, "connect"},    {31, "wizard"},     {107, "selectvar"},
      {92, "setup"}, {135, "vkrym"}, {108, "order"}, {130, "addall"},    {132, "removeall"},
  };
  QtIconImages images;
  for (const auto& [a, keyA] : used)
    for (const auto& [b, keyB] : used) {
      if (a >= b) continue;
      EXPECT_NE(images.File(a, 16), images.File(b, 16)) << keyA << " and " << keyB;
      EXPECT_NE(Pixels(images.Pixmap(a, 22)), Pixels(images.Pixmap(b, 22))) << keyA << " and " << keyB;
    }
}

TEST_F(QtIconImagesTest, NoImageOutsideThePositions) {
  QtIconImages images;
  for (int position : {0, -1, 136}) {
    EXPECT_TRUE(images.Pixmap(position).isNull()) << position;
    EXPECT_TRUE(images.Icon(position).isNull()) << position;
    EXPECT_TRUE(images.File(position, 16).isEmpty()) << position;
  }
}

TEST_F(QtIconImagesTest, WithoutTheSetEveryPositionIsLeftWithoutAnImage) {
  QTemporaryDir empty;
  ASSERT_TRUE(empty.isValid());
  QtIconImages images(empty.path());
  EXPECT_EQ(images.MissingCount(), 135);
  for (int position = 1; position <= images.Count(); ++position) {
    EXPECT_TRUE(images.Icon(position).isNull()) << position;
    EXPECT_TRUE(images.Pixmap(position).isNull()) << position;
  }
}

}  // namespace
