#include "foundation/IconManager.h"

#include <exception>
#include <string_view>

#include "core/Text.h"

namespace {

// Position n holds the keys of row n, synonyms joined by "/".
// clang-format off
constexpr std::string_view kKeyTable[IconManager::kImageCount] = {
    "FIRST", "PREV", "NEXT", "LAST", "ADDNEW",  // 1-5
    "DEL", "CUT", "COPY/COPYBLOCK/NEWDEF", "PASTE", "PRINTPREVIEW",  // 6-10
    "OPEN/LOAD", "NEW", "PRINT/PRINTTRANS/PRINTPAGE/PRINTLO", "SAVE", "FIND/LAUNCHBROWSER",  // 11-15
    "CENTER", "JUSTIFY", "LEFT", "RIGHT", "BOLD",  // 16-20
    "ITALIC", "UNDERLINE", "ROTATE/ROTATETEXT", "MAIL/EMAIL", "PAGE",  // 21-25
    "REFRESH", "ERASE/EDITVARNUM/UNMARK", "EXIT/CLOSE", "BOOK_EDIT", "BOOK",  // 26-30
    "WIZARD", "UNMERGE/UNMERGECELLS", "MERGE/MERGECELLS", "CLEARCONTENTS", "CLEARALL",  // 31-35
    "DATE/LOCDATES", "REPORTDATES", "INSERT/INSVAR", "ACCEPT/OK", "CANCEL",  // 36-40
    "ADD", "TICK/CHECK", "STOP", "HELP", "DELETE",  // 41-45
    "EXCLAMATION", "ERROR", "VIEW", "COLOR/COLORS", "REDO/REPEAT",  // 46-50
    "UNDO", "EXCEL/EXPORTTRANS/EXPORTALL", "ATTACH", "NPDES", "DAILYDETAIL",  // 51-55
    "DAILY/LOCVAR/LOCATEVARIABLE", "REPORT", "MONTHLY", "SAVEANSWERS", "LOADANSWERS",  // 56-60
    "SPELLCHECK", "ZOOMIN", "ZOOMOUT", "EXPORT", "SHAPE",  // 61-65
    "PRINTALL/PRINTLIST", "HOME", "BACK", "FORWARD", "HOURLY/LOCATEHOURLY",  // 66-70
    "SIGMA", "BRIEFCASE", "BARCHART/GRAPH", "ZIP", "ACROBAT/PDF",  // 71-75
    "ZIPPAGE", "HTML", "CONNECT", "DISCONNECT", "DBBACKUP",  // 76-80
    "DISKMULTIPLE/SAVEALL", "KEYBOARD/ENTRYPOINT", "LOCK/PROTECT", "UNLOCK/UNPROTECT", "DEFAULT",  // 81-85
    "BORDER", "INCREASEDECIMAL", "DECREASEDECIMAL", "ACTIVE", "INACTIVE",  // 86-90
    "ALLRECORDS", "SETUP/SETTINGS/SIZE", "CLOCK", "CLOCK_RED/HISTORY", "TIME",  // 91-95
    "SORT", "FILTER", "INFO/INFORMATION", "LIGHTBULB_ON", "LIGHTBULB_OFF/MULTI",  // 96-100
    "PLUS", "MINUS", "MULTIPLY", "DIVIDE", "OPENPAREN",  // 101-105
    "CLOSEPAREN", "SELECTVAR/BROWSE", "ORDER", "INSCOL", "EDIT",  // 106-110
    "RECEIVE", "LCCLOSE", "SKIP", "CREATE", "RUN",  // 111-115
    "PRINTVIEW", "OVERDUE", "RECEIVED", "ANALYZED", "LCDEL",  // 116-120
    "FILTERON", "NEWBOTTLE", "NEWSAMPLE", "READINITIALS", "READFINALS",  // 121-125
    "MARK", "UP", "DOWN", "ADDONE", "ADDALL",  // 126-130
    "REMOVEONE", "REMOVEALL", "EXCLUDE/ADVANCED", "INCLUDE", "VKRYM",  // 131-135
};
// clang-format on

}  // namespace

int IconManager::GetImageIndex(const std::string& key) {
  // The caller's text is left alone; only the copy is upper-cased.
  const std::string wanted = core::UCase(key);
  for (int position = 1; position <= kImageCount; ++position) {
    std::string_view row = kKeyTable[position - 1];
    while (!row.empty()) {
      const std::size_t slash = row.find('/');
      if (row.substr(0, slash) == wanted) return position;
      row = slash == std::string_view::npos ? std::string_view() : row.substr(slash + 1);
    }
  }
  return 0;
}

std::vector<std::string> IconManager::KeysAt(int position) {
  if (position < 1 || position > kImageCount) return {};
  return core::Split(kKeyTable[position - 1], "/");
}

void IconManager::initToolbar(Toolbar& myToolBar) const {
  try {
    const int count = myToolBar.ButtonCount();
    for (int button = 1; button <= count; ++button)
      myToolBar.SetButtonImage(button, GetImageIndex(myToolBar.ButtonKey(button)));
  } catch (const std::exception&) {
    // A window without its images still works; the buttons set so far keep theirs.
  }
}

void IconManager::ShowImage(Picture& picture, const std::string& iconName) {
  try {
    const int position = GetImageIndex(iconName);
    if (position > 0) picture.SetImage(position);
  } catch (const std::exception&) {
    // The picture keeps what it showed.
  }
}

void IconManager::initButton(Picture& myButton, const std::string& iconName) const { ShowImage(myButton, iconName); }

void IconManager::initCtlUniButtonImageXP(Picture& myButton, const std::string& iconName) const {
  ShowImage(myButton, iconName);
}

void IconManager::InitForm(Picture& myForm, const std::string& iconName) const { ShowImage(myForm, iconName); }
