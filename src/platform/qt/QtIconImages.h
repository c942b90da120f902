#pragma once

#include <QIcon>
#include <QPixmap>
#include <vector>

namespace platform::qt {

// The program's image store: 135 small images at positions 1..135, each meaning what its key in
// the icon manager's table says. An image comes from the desktop's icon theme where the key has
// an obvious counterpart there (document-save for SAVE), otherwise it is drawn: a short glyph on
// a coloured square. Every position has 16, 24 and 32 pixel sizes, all square.
//
// Start-up builds one store after the QApplication exists and keeps it for the life of the
// process; windows and the adapters that put images on them only borrow it.
class QtIconImages {
 public:
  static constexpr int kCount = 135;

  QtIconImages();

  int Count() const { return kCount; }
  // A null icon or pixmap for 0 and for positions outside 1..135.
  QIcon Icon(int position) const;
  QPixmap Pixmap(int position, int size = 16) const;
  // True when the position's image came from the icon theme rather than being drawn.
  bool FromTheme(int position) const;

 private:
  std::vector<QIcon> icons_;
  std::vector<bool> fromTheme_;
};

}  // namespace platform::qt
