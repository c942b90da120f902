#include "platform/qt/QtIconImages.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <array>

namespace platform::qt {
namespace {

// Colours by what a button does, so that drawn images of one kind look alike.
enum Tint { kNav, kEdit, kFile, kFormat, kAlert, kTime, kData, kGood, kBrand };

QColor TintColor(Tint t) {
  static const std::array<QColor, 9> colours = {
      QColor(0x2f, 0x6f, 0xb0), QColor(0xc8, 0x72, 0x14), QColor(0x3a, 0x8f, 0x3a),
      QColor(0x7a, 0x4f, 0xa8), QColor(0xc0, 0x39, 0x2b), QColor(0x16, 0x83, 0x8f),
      QColor(0x55, 0x60, 0x6e), QColor(0x2e, 0x9e, 0x5b), QColor(0x1f, 0x3f, 0x77)};
  return colours[t];
}

struct Look {
  const char* theme;  // a freedesktop icon name, or "" when none fits
  const char* glyph;  // what the drawn image shows
  Tint tint;
};

// Row n is position n of the icon manager's key table (its first key in the comment).
// clang-format off
constexpr Look kLooks[QtIconImages::kCount] = {
    {"go-first", "|<", kNav},                      // 1 FIRST
    {"go-previous", "<", kNav},                    // PREV
    {"go-next", ">", kNav},                        // NEXT
    {"go-last", ">|", kNav},                       // LAST
    {"list-add", "+", kGood},                      // ADDNEW
    {"edit-delete", "x", kAlert},                  // DEL
    {"edit-cut", "Ct", kEdit},                     // CUT
    {"edit-copy", "Cp", kEdit},                    // COPY
    {"edit-paste", "Pa", kEdit},                   // PASTE
    {"document-print-preview", "Pv", kFile},       // 10 PRINTPREVIEW
    {"document-open", "O", kFile},                 // OPEN
    {"document-new", "N", kFile},                  // NEW
    {"document-print", "P", kFile},                // PRINT
    {"document-save", "S", kFile},                 // SAVE
    {"edit-find", "F", kEdit},                     // FIND
    {"format-justify-center", "C", kFormat},       // CENTER
    {"format-justify-fill", "J", kFormat},         // JUSTIFY
    {"format-justify-left", "L", kFormat},         // LEFT
    {"format-justify-right", "R", kFormat},        // RIGHT
    {"format-text-bold", "B", kFormat},            // 20 BOLD
    {"format-text-italic", "I", kFormat},          // ITALIC
    {"format-text-underline", "U", kFormat},       // UNDERLINE
    {"object-rotate-right", "Ro", kFormat},        // ROTATE
    {"mail-message-new", "@", kFile},              // MAIL
    {"x-office-document", "Pg", kFile},            // PAGE
    {"view-refresh", "Rf", kNav},                  // REFRESH
    {"edit-clear", "Er", kEdit},                   // ERASE
    {"application-exit", "Ex", kAlert},            // EXIT
    {"accessories-text-editor", "BE", kData},      // BOOK_EDIT
    {"accessories-dictionary", "Bk", kData},       // 30 BOOK
    {"", "W", kGood},                              // WIZARD
    {"", "Um", kFormat},                           // UNMERGE
    {"", "Mg", kFormat},                           // MERGE
    {"edit-clear", "CC", kEdit},                   // CLEARCONTENTS
    {"edit-clear-all", "CA", kEdit},               // CLEARALL
    {"x-office-calendar", "D", kTime},             // DATE
    {"", "RD", kTime},                             // REPORTDATES
    {"insert-object", "In", kEdit},                // INSERT
    {"dialog-ok", "OK", kGood},                    // ACCEPT
    {"dialog-cancel", "Ca", kAlert},               // 40 CANCEL
    {"list-add", "+", kGood},                      // ADD
    {"", "V", kGood},                              // TICK
    {"process-stop", "St", kAlert},                // STOP
    {"help-browser", "?", kNav},                   // HELP
    {"edit-delete", "X", kAlert},                  // DELETE
    {"dialog-warning", "!", kAlert},               // EXCLAMATION
    {"dialog-error", "E", kAlert},                 // ERROR
    {"", "Vw", kData},                             // VIEW
    {"", "Co", kFormat},                           // COLOR
    {"edit-redo", "Rd", kEdit},                    // 50 REDO
    {"edit-undo", "Ud", kEdit},                    // UNDO
    {"x-office-spreadsheet", "XL", kFile},         // EXCEL
    {"mail-attachment", "At", kFile},              // ATTACH
    {"", "NP", kData},                             // NPDES
    {"", "DD", kTime},                             // DAILYDETAIL
    {"", "Dy", kTime},                             // DAILY
    {"", "Rp", kData},                             // REPORT
    {"", "Mo", kTime},                             // MONTHLY
    {"", "SA", kFile},                             // SAVEANSWERS
    {"", "LA", kFile},                             // 60 LOADANSWERS
    {"tools-check-spelling", "Sp", kEdit},         // SPELLCHECK
    {"zoom-in", "Z+", kNav},                       // ZOOMIN
    {"zoom-out", "Z-", kNav},                      // ZOOMOUT
    {"document-send", "Xp", kFile},                // EXPORT
    {"", "Sh", kFormat},                           // SHAPE
    {"", "PA", kFile},                             // PRINTALL
    {"go-home", "H", kNav},                        // HOME
    {"go-previous", "<", kNav},                    // BACK
    {"go-next", ">", kNav},                        // FORWARD
    {"", "Hr", kTime},                             // 70 HOURLY
    {"", "Sm", kData},                             // SIGMA
    {"", "Bc", kData},                             // BRIEFCASE
    {"", "Gr", kData},                             // BARCHART
    {"package-x-generic", "Zp", kFile},            // ZIP
    {"", "Pd", kFile},                             // ACROBAT
    {"", "ZP", kFile},                             // ZIPPAGE
    {"text-html", "<>", kFile},                    // HTML
    {"network-wired", "Cn", kGood},                // CONNECT
    {"network-offline", "Dc", kAlert},             // DISCONNECT
    {"", "DB", kData},                             // 80 DBBACKUP
    {"", "SS", kFile},                             // DISKMULTIPLE
    {"input-keyboard", "Kb", kData},               // KEYBOARD
    {"system-lock-screen", "Lk", kAlert},          // LOCK
    {"", "Ul", kGood},                             // UNLOCK
    {"", "Df", kData},                             // DEFAULT
    {"", "Bd", kFormat},                           // BORDER
    {"", ".+", kFormat},                           // INCREASEDECIMAL
    {"", ".-", kFormat},                           // DECREASEDECIMAL
    {"", "A", kGood},                              // ACTIVE
    {"", "Ia", kAlert},                            // 90 INACTIVE
    {"", "*", kData},                              // ALLRECORDS
    {"preferences-system", "Se", kData},           // SETUP
    {"", "Cl", kTime},                             // CLOCK
    {"", "Hi", kAlert},                            // CLOCK_RED
    {"", "T", kTime},                              // TIME
    {"view-sort-ascending", "So", kData},          // SORT
    {"", "Fi", kData},                             // FILTER
    {"dialog-information", "i", kNav},             // INFO
    {"", "L+", kGood},                             // LIGHTBULB_ON
    {"", "L-", kData},                             // 100 LIGHTBULB_OFF
    {"list-add", "+", kData},                      // PLUS
    {"list-remove", "-", kData},                   // MINUS
    {"", "*", kData},                              // MULTIPLY
    {"", "/", kData},                              // DIVIDE
    {"", "(", kData},                              // OPENPAREN
    {"", ")", kData},                              // CLOSEPAREN
    {"", "Va", kNav},                              // SELECTVAR
    {"", "Or", kData},                             // ORDER
    {"", "IC", kEdit},                             // INSCOL
    {"accessories-text-editor", "Ed", kEdit},      // 110 EDIT
    {"", "Rc", kGood},                             // RECEIVE
    {"", "LC", kAlert},                            // LCCLOSE
    {"media-skip-forward", ">>", kNav},            // SKIP
    {"document-new", "Cr", kGood},                 // CREATE
    {"system-run", "Rn", kGood},                   // RUN
    {"document-print-preview", "PV", kFile},       // PRINTVIEW
    {"", "OD", kAlert},                            // OVERDUE
    {"", "Rd", kGood},                             // RECEIVED
    {"", "An", kGood},                             // ANALYZED
    {"", "LD", kAlert},                            // 120 LCDEL
    {"", "F+", kData},                             // FILTERON
    {"", "NB", kGood},                             // NEWBOTTLE
    {"", "NS", kGood},                             // NEWSAMPLE
    {"", "RI", kData},                             // READINITIALS
    {"", "RF", kData},                             // READFINALS
    {"", "M", kEdit},                              // MARK
    {"go-up", "^", kNav},                          // UP
    {"go-down", "v", kNav},                        // DOWN
    {"", ">", kNav},                               // ADDONE
    {"", ">>", kNav},                              // 130 ADDALL
    {"", "<", kNav},                               // REMOVEONE
    {"", "<<", kNav},                              // REMOVEALL
    {"", "Xc", kAlert},                            // EXCLUDE
    {"", "Ic", kGood},                             // INCLUDE
    {"", "K", kBrand},                             // 135 VKRYM
};
// clang-format on

constexpr int kSizes[] = {16, 24, 32};

QPixmap Drawn(const Look& look, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(TintColor(look.tint));
  const qreal radius = size / 5.0;
  p.drawRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), radius, radius);
  QFont font;
  font.setBold(true);
  const int chars = static_cast<int>(QString::fromLatin1(look.glyph).size());
  font.setPixelSize(chars > 1 ? size * 9 / 16 : size * 11 / 16);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QString::fromLatin1(look.glyph));
  p.end();
  return QPixmap::fromImage(image);
}

// The theme's image at exactly size x size, centred on a transparent square when the theme
// only has another shape or a smaller size; null when the theme has none.
QPixmap Themed(const QIcon& icon, int size) {
  QPixmap got = icon.pixmap(QSize(size, size));
  if (got.isNull()) return {};
  got.setDevicePixelRatio(1.0);
  if (got.width() == size && got.height() == size) return got;
  got = got.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QImage square(size, size, QImage::Format_ARGB32_Premultiplied);
  square.fill(Qt::transparent);
  QPainter p(&square);
  p.drawPixmap((size - got.width()) / 2, (size - got.height()) / 2, got);
  p.end();
  return QPixmap::fromImage(square);
}

}  // namespace

QtIconImages::QtIconImages() {
  icons_.reserve(kCount);
  fromTheme_.reserve(kCount);
  for (const Look& look : kLooks) {
    const QIcon theme = *look.theme ? QIcon::fromTheme(QString::fromLatin1(look.theme)) : QIcon();
    QIcon icon;
    bool themed = !theme.isNull();
    // All sizes come from one source, so that an image does not change its look with its size.
    if (themed) {
      for (int size : kSizes) {
        QPixmap pm = Themed(theme, size);
        if (pm.isNull()) {
          themed = false;
          icon = QIcon();
          break;
        }
        icon.addPixmap(pm);
      }
    }
    if (!themed)
      for (int size : kSizes) icon.addPixmap(Drawn(look, size));
    icons_.push_back(icon);
    fromTheme_.push_back(themed);
  }
}

QIcon QtIconImages::Icon(int position) const {
  if (position < 1 || position > kCount) return {};
  return icons_[position - 1];
}

QPixmap QtIconImages::Pixmap(int position, int size) const {
  if (position < 1 || position > kCount || size <= 0) return {};
  return icons_[position - 1].pixmap(QSize(size, size));
}

bool QtIconImages::FromTheme(int position) const {
  return position >= 1 && position <= kCount && fromTheme_[position - 1];
}

}  // namespace platform::qt
