// Keys to image positions through the manager's four operations, with adapters that record
// what they were told.
#include <gtest/gtest.h>

#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/IconManager.h"

namespace {

struct FakeToolbar : IconManager::Toolbar {
  std::vector<std::string> keys;
  std::vector<int> images;  // -1: never set
  int failAt = 0;           // a button whose image cannot be set

  explicit FakeToolbar(std::vector<std::string> k) : keys(std::move(k)), images(keys.size(), -1) {}
  int ButtonCount() const override { return static_cast<int>(keys.size()); }
  std::string ButtonKey(int button) const override { return keys.at(button - 1); }
  void SetButtonImage(int button, int position) override {
    if (button == failAt) throw std::runtime_error("image list missing");
    images.at(button - 1) = position;
  }
};

struct FakePicture : IconManager::Picture {
  int image = -1;  // -1: never set
  void SetImage(int position) override { image = position; }
};

int ToolbarPosition(const std::string& key) {
  FakeToolbar bar({key});
  IconManager().initToolbar(bar);
  return bar.images[0];
}

TEST(IconManager, KeysIgnoreCaseAndSynonymsShareAPosition) {
  struct Case {
    const char* key;
    int position;
  } cases[] = {
      {"setup", 92},         {"Settings", 92}, {"exit", 28},      {"CLOSE", 28},     {"selectvar", 107},
      {"browse", 107},       {"wizard", 31},   {"ADVANCED", 133}, {"advanced", 133}, {"Exclude", 133},
      {"include", 134},      {"vkrym", 135},   {"first", 1},      {"help", 44},      {"clock_red", 94},
      {"nosuch", 0},         {"", 0},          {" setup", 0},     {"setup ", 0},     {"setup/exit", 0},
      {"COPY/COPYBLOCK", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolbarPosition(c.key), c.position) << "key \"" << c.key << "\"";
}

// The key table as the icon set's images are ordered: positions 1 to 135, synonyms joined by "/",
// the position written after every tenth and after the shared one.
constexpr const char* kKeyTable =
    "FIRST; PREV; NEXT; LAST; ADDNEW; DEL; CUT; COPY/COPYBLOCK/NEWDEF; PASTE; PRINTPREVIEW (10); OPEN/LOAD; NEW; "
    "PRINT/PRINTTRANS/PRINTPAGE/PRINTLO; SAVE; FIND/LAUNCHBROWSER; CENTER; JUSTIFY; LEFT; RIGHT; BOLD (20); "
    "ITALIC; UNDERLINE; ROTATE/ROTATETEXT; MAIL/EMAIL; PAGE; REFRESH; ERASE/EDITVARNUM/UNMARK; EXIT/CLOSE; "
    "BOOK_EDIT; BOOK (30); WIZARD; UNMERGE/UNMERGECELLS; MERGE/MERGECELLS; CLEARCONTENTS; CLEARALL; "
    "DATE/LOCDATES; REPORTDATES; INSERT/INSVAR; ACCEPT/OK; CANCEL (40); ADD; TICK/CHECK; STOP; HELP; DELETE; "
    "EXCLAMATION; ERROR; VIEW; COLOR/COLORS; REDO/REPEAT (50); UNDO; EXCEL/EXPORTTRANS/EXPORTALL; ATTACH; "
    "NPDES; DAILYDETAIL; DAILY/LOCVAR/LOCATEVARIABLE; REPORT; MONTHLY; SAVEANSWERS; LOADANSWERS (60); "
    "SPELLCHECK; ZOOMIN; ZOOMOUT; EXPORT; SHAPE; PRINTALL/PRINTLIST; HOME; BACK; FORWARD; "
    "HOURLY/LOCATEHOURLY (70); SIGMA; BRIEFCASE; BARCHART/GRAPH; ZIP; ACROBAT/PDF; ZIPPAGE; HTML; CONNECT; "
    "DISCONNECT; DBBACKUP (80); DISKMULTIPLE/SAVEALL; KEYBOARD/ENTRYPOINT; LOCK/PROTECT; UNLOCK/UNPROTECT; "
    "DEFAULT; BORDER; INCREASEDECIMAL; DECREASEDECIMAL; ACTIVE; INACTIVE (90); ALLRECORDS; SETUP/SETTINGS/SIZE; "
    "CLOCK; CLOCK_RED/HISTORY; TIME; SORT; FILTER; INFO/INFORMATION; LIGHTBULB_ON; LIGHTBULB_OFF/MULTI (100); "
    "PLUS; MINUS; MULTIPLY; DIVIDE; OPENPAREN; CLOSEPAREN; SELECTVAR/BROWSE; ORDER; INSCOL; EDIT (110); "
    "RECEIVE; LCCLOSE; SKIP; CREATE; RUN; PRINTVIEW; OVERDUE; RECEIVED; ANALYZED; LCDEL (120); FILTERON; "
    "NEWBOTTLE; NEWSAMPLE; READINITIALS; READFINALS; MARK; UP; DOWN; ADDONE; ADDALL (130); REMOVEONE; "
    "REMOVEALL; EXCLUDE/ADVANCED (133); INCLUDE (134); VKRYM (135)";

// The keys of each position of the written table, from position 1 on; a "(n)" mark must agree with
// the count.
std::vector<std::vector<std::string>> WrittenTable() {
  std::vector<std::vector<std::string>> rows;
  std::string table = kKeyTable;
  std::size_t start = 0;
  while (start <= table.size()) {
    std::size_t end = table.find("; ", start);
    if (end == std::string::npos) end = table.size();
    std::string row = table.substr(start, end - start);
    const std::size_t mark = row.find(" (");
    if (mark != std::string::npos) {
      EXPECT_EQ(row.substr(mark), " (" + std::to_string(rows.size() + 1) + ")") << row;
      row.erase(mark);
    }
    std::vector<std::string> keys;
    for (std::size_t k = 0; k <= row.size();) {
      std::size_t slash = row.find('/', k);
      if (slash == std::string::npos) slash = row.size();
      keys.push_back(row.substr(k, slash - k));
      k = slash + 1;
    }
    rows.push_back(keys);
    start = end + 2;
  }
  return rows;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST(IconManager, EveryKeyOfTheImageTableFindsItsPosition) {
  const auto rows = WrittenTable();
  ASSERT_EQ(rows.size(), 135u);
  std::size_t keys = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int position = static_cast<int>(i) + 1;
    EXPECT_EQ(IconManager::KeysAt(position), rows[i]) << position;
    for (const std::string& key : rows[i]) {
      EXPECT_EQ(ToolbarPosition(key), position) << key;
      EXPECT_EQ(ToolbarPosition(Lower(key)), position) << Lower(key);
      ++keys;
    }
  }
  EXPECT_EQ(keys, 174u);
  EXPECT_TRUE(IconManager::KeysAt(0).empty());
  EXPECT_TRUE(IconManager::KeysAt(136).empty());
}

TEST(IconManager, ToolbarButtonsGetTheirImagesAndAnUnknownKeyNone) {
  FakeToolbar bar({"save", "nosuch", "Help", "close"});
  IconManager().initToolbar(bar);
  EXPECT_EQ(bar.images, (std::vector<int>{14, 0, 44, 28}));
}

TEST(IconManager, AToolbarThatFailsStopsTheWalkAtThatButton) {
  FakeToolbar bar({"save", "check", "help", "close"});
  bar.failAt = 2;
  EXPECT_NO_THROW(IconManager().initToolbar(bar));
  EXPECT_EQ(bar.images, (std::vector<int>{14, -1, -1, -1}));
}

TEST(IconManager, PicturesKeepWhatTheyShowedForAnUnknownKey) {
  IconManager icons;
  using Op = void (IconManager::*)(IconManager::Picture&, const std::string&) const;
  const Op ops[] = {&IconManager::initButton, &IconManager::initCtlUniButtonImageXP, &IconManager::InitForm};
  for (Op op : ops) {
    FakePicture picture;
    (icons.*op)(picture, "EXIT");
    EXPECT_EQ(picture.image, 28);
    (icons.*op)(picture, "no such key");
    EXPECT_EQ(picture.image, 28);
    (icons.*op)(picture, "vkrym");
    EXPECT_EQ(picture.image, 135);
  }
}

TEST(IconManager, TheCallersKeyIsLeftAsItWas) {
  FakePicture picture;
  std::string key = "setup";
  IconManager().initButton(picture, key);
  EXPECT_EQ(key, "setup");
  EXPECT_EQ(picture.image, 92);
}

}  // namespace
