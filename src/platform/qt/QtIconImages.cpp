#include "platform/qt/QtIconImages.h"

#include <QFileInfo>
#include <QSize>
#include <QtGlobal>

namespace platform::qt {
namespace {

// Row n is position n of the icon manager's key table: the image's file inside each size
// folder of the set, without ".png". A few keys whose own word has no picture in the set take
// the one of what the program does with them: "add" starts the service, "stop" stops it.
// clang-format off
constexpr const char* kFiles[QtIconImages::kCount] = {
    "actions/go-first",                      // 1 FIRST
    "actions/go-previous",                   // 2 PREV
    "actions/go-next",                       // 3 NEXT
    "actions/go-last",                       // 4 LAST
    "actions/list-add",                      // 5 ADDNEW
    "actions/edit-delete",                   // 6 DEL
    "actions/edit-cut",                      // 7 CUT
    "actions/edit-copy",                     // 8 COPY
    "actions/edit-paste",                    // 9 PASTE
    "actions/document-print-preview",        // 10 PRINTPREVIEW
    "actions/document-open",                 // 11 OPEN
    "actions/document-new",                  // 12 NEW
    "actions/document-print",                // 13 PRINT
    "actions/document-save",                 // 14 SAVE
    "actions/edit-find",                     // 15 FIND
    "actions/format-justify-center",         // 16 CENTER
    "actions/format-justify-fill",           // 17 JUSTIFY
    "actions/format-justify-left",           // 18 LEFT
    "actions/format-justify-right",          // 19 RIGHT
    "actions/format-text-bold",              // 20 BOLD
    "actions/format-text-italic",            // 21 ITALIC
    "actions/format-text-underline",         // 22 UNDERLINE
    "actions/object-rotate-right",           // 23 ROTATE
    "actions/mail-message-new",              // 24 MAIL
    "actions/page-simple",                   // 25 PAGE
    "actions/view-refresh",                  // 26 REFRESH
    "actions/draw-eraser",                   // 27 ERASE
    "actions/application-exit",              // 28 EXIT
    "actions/document-edit",                 // 29 BOOK_EDIT
    "apps/accessories-dictionary",           // 30 BOOK
    "actions/tools-wizard",                  // 31 WIZARD
    "actions/edit-table-cell-split",         // 32 UNMERGE
    "actions/edit-table-cell-merge",         // 33 MERGE
    "actions/edit-clear",                    // 34 CLEARCONTENTS
    "actions/edit-clear-list",               // 35 CLEARALL
    "actions/view-calendar-day",             // 36 DATE
    "actions/view-calendar-list",            // 37 REPORTDATES
    "actions/edit-table-insert-row-above",   // 38 INSERT
    "actions/dialog-ok",                     // 39 ACCEPT
    "actions/dialog-cancel",                 // 40 CANCEL
    "actions/media-playback-start",          // 41 ADD
    "actions/dialog-ok-apply",               // 42 TICK
    "actions/media-playback-stop",           // 43 STOP
    "actions/help-contents",                 // 44 HELP
    "actions/edit-delete-shred",             // 45 DELETE
    "status/dialog-warning",                 // 46 EXCLAMATION
    "status/dialog-error",                   // 47 ERROR
    "actions/document-preview",              // 48 VIEW
    "actions/format-fill-color",             // 49 COLOR
    "actions/edit-redo",                     // 50 REDO
    "actions/edit-undo",                     // 51 UNDO
    "mimetypes/x-office-spreadsheet",        // 52 EXCEL
    "status/mail-attachment",                // 53 ATTACH
    "actions/view-pim-journal",              // 54 NPDES
    "actions/view-pim-tasks",                // 55 DAILYDETAIL
    "actions/view-calendar-day",             // 56 DAILY
    "mimetypes/x-office-document",           // 57 REPORT
    "actions/view-calendar-month",           // 58 MONTHLY
    "actions/document-save-as",              // 59 SAVEANSWERS
    "actions/document-import",               // 60 LOADANSWERS
    "actions/tools-check-spelling",          // 61 SPELLCHECK
    "actions/zoom-in",                       // 62 ZOOMIN
    "actions/zoom-out",                      // 63 ZOOMOUT
    "actions/document-export",               // 64 EXPORT
    "actions/draw-rectangle",                // 65 SHAPE
    "actions/document-print-direct",         // 66 PRINTALL
    "actions/go-home",                       // 67 HOME
    "actions/draw-arrow-back",               // 68 BACK
    "actions/draw-arrow-forward",            // 69 FORWARD
    "actions/view-calendar-timeline",        // 70 HOURLY
    "actions/view-pim-summary",              // 71 SIGMA
    "places/document-multiple",              // 72 BRIEFCASE
    "actions/office-chart-bar",              // 73 BARCHART
    "mimetypes/application-zip",             // 74 ZIP
    "mimetypes/application-pdf",             // 75 ACROBAT
    "actions/archive-insert",                // 76 ZIPPAGE
    "mimetypes/text-html",                   // 77 HTML
    "actions/network-connect",               // 78 CONNECT
    "actions/network-disconnect",            // 79 DISCONNECT
    "places/server-database",                // 80 DBBACKUP
    "actions/document-save-all",             // 81 DISKMULTIPLE
    "devices/input-keyboard",                // 82 KEYBOARD
    "status/object-locked",                  // 83 LOCK
    "status/object-unlocked",                // 84 UNLOCK
    "actions/document-revert",               // 85 DEFAULT
    "actions/draw-rectangle",                // 86 BORDER
    "actions/format-font-size-more",         // 87 INCREASEDECIMAL
    "actions/format-font-size-less",         // 88 DECREASEDECIMAL
    "actions/flag-green",                    // 89 ACTIVE
    "actions/flag-red",                      // 90 INACTIVE
    "actions/view-list-details",             // 91 ALLRECORDS
    "actions/configure",                     // 92 SETUP
    "apps/clock",                            // 93 CLOCK
    "actions/view-history",                  // 94 CLOCK_RED
    "actions/chronometer",                   // 95 TIME
    "actions/view-sort-ascending",           // 96 SORT
    "actions/view-filter",                   // 97 FILTER
    "status/dialog-information",             // 98 INFO
    "actions/help-hint",                     // 99 LIGHTBULB_ON
    "actions/games-hint",                    // 100 LIGHTBULB_OFF
    "actions/list-add",                      // 101 PLUS
    "actions/list-remove",                   // 102 MINUS
    "actions/draw-cross",                    // 103 MULTIPLY
    "actions/insert-horizontal-rule",        // 104 DIVIDE
    "actions/format-indent-more",            // 105 OPENPAREN
    "actions/format-indent-less",            // 106 CLOSEPAREN
    "actions/view-list-text",                // 107 SELECTVAR
    "actions/format-list-ordered",           // 108 ORDER
    "actions/edit-table-insert-column-right",// 109 INSCOL
    "actions/document-edit",                 // 110 EDIT
    "actions/mail-receive",                  // 111 RECEIVE
    "actions/document-close",                // 112 LCCLOSE
    "actions/media-skip-forward",            // 113 SKIP
    "actions/document-new",                  // 114 CREATE
    "actions/system-run",                    // 115 RUN
    "actions/document-print-preview",        // 116 PRINTVIEW
    "status/appointment-reminder",           // 117 OVERDUE
    "actions/mail-mark-read",                // 118 RECEIVED
    "actions/view-statistics",               // 119 ANALYZED
    "actions/edit-delete",                   // 120 LCDEL
    "actions/view-filter",                   // 121 FILTERON
    "actions/list-add",                      // 122 NEWBOTTLE
    "actions/document-new",                  // 123 NEWSAMPLE
    "actions/document-open",                 // 124 READINITIALS
    "actions/document-open",                 // 125 READFINALS
    "actions/flag",                          // 126 MARK
    "actions/go-up",                         // 127 UP
    "actions/go-down",                       // 128 DOWN
    "actions/arrow-right",                   // 129 ADDONE
    "actions/edit-select-all",               // 130 ADDALL
    "actions/arrow-left",                    // 131 REMOVEONE
    "actions/edit-select-none",              // 132 REMOVEALL
    "actions/list-remove",                   // 133 EXCLUDE
    "actions/list-add",                      // 134 INCLUDE
    "places/network-server-database",        // 135 VKRYM
};
// clang-format on

}  // namespace

QtIconImages::QtIconImages(const QString& folder) : folder_(folder) {
  icons_.reserve(kCount);
  for (int position = 1; position <= kCount; ++position) {
    QIcon icon;
    for (int size : kSizes) {
      const QString file = File(position, size);
      if (QFileInfo(file).isFile()) icon.addFile(file, QSize(size, size));
    }
    if (icon.isNull()) ++missing_;
    icons_.push_back(icon);
  }
  // Said once, where an administrator reads it (the terminal, or the service's journal).
  if (missing_ > 0)
    qWarning("k30418: %d toolbar image(s) not found in %s; install the Debian package oxygen-icon-theme", missing_,
             qUtf8Printable(folder_));
}

QString QtIconImages::File(int position, int size) const {
  if (position < 1 || position > kCount) return {};
  return QStringLiteral("%1/%2x%2/%3.png").arg(folder_).arg(size).arg(QString::fromLatin1(kFiles[position - 1]));
}

QIcon QtIconImages::Icon(int position) const {
  if (position < 1 || position > kCount) return {};
  return icons_[position - 1];
}

QPixmap QtIconImages::Pixmap(int position, int size) const {
  if (position < 1 || position > kCount || size <= 0) return {};
  return icons_[position - 1].pixmap(QSize(size, size));
}

}  // namespace platform::qt
