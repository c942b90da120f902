#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <vector>

namespace platform::qt {

// The program's image store: 135 small images at positions 1..135, each meaning what its key in
// the icon manager's table says. Every image is a file of the Oxygen icon set (KDE, GNU LGPL 3
// or later) as Debian's oxygen-icon-theme installs it, read straight from its folder: the
// desktop's own icon theme plays no part, so the windows look the same on every desktop and
// off screen. Each position has the set's 16, 22 and 32 pixel files.
//
// Start-up builds one store after the QApplication exists and keeps it for the life of the
// process; windows and the adapters that put images on them only borrow it. When the set is not
// installed the positions have no image (a null icon) and the windows show their captions only.
class QtIconImages {
 public:
  static constexpr int kCount = 135;
  // Where Debian installs the set.
  static constexpr const char* kDefaultFolder = "/usr/share/icons/oxygen/base";
  static constexpr int kSizes[] = {16, 22, 32};

  explicit QtIconImages(const QString& folder = QString::fromLatin1(kDefaultFolder));

  int Count() const { return kCount; }
  // A null icon or pixmap for 0 and for positions outside 1..135.
  QIcon Icon(int position) const;
  QPixmap Pixmap(int position, int size = 16) const;
  // The file that holds a position's image at one of kSizes; empty outside 1..135.
  QString File(int position, int size) const;
  // How many positions found none of their files.
  int MissingCount() const { return missing_; }

 private:
  QString folder_;
  std::vector<QIcon> icons_;
  int missing_ = 0;
};

}  // namespace platform::qt
