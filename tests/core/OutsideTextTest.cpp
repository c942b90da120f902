#include <gtest/gtest.h>

#include <string>

#include "core/OutsideText.h"

namespace core {
namespace {

struct EscapeCase {
  const char* what;
  std::string in;
  std::string out;
};

TEST(OutsideText, ShowsEveryLineBreakControlAndBrokenByteEscaped) {
  const EscapeCase cases[] = {
      {"plain text and UTF-8 stay", "Zürich 12 °C \\ a\tb", "Zürich 12 °C \\ a\tb"},
      {"CR and LF", "bad\r\n12:00:00 : Import was successful.", "bad\\r\\n12:00:00 : Import was successful."},
      {"other C0 controls, NUL and DEL",
       std::string("a\x07"
                   "b\x1b[2Jc\x7f",
                   9) +
           std::string(1, '\0'),
       "a\\x07b\\x1b[2Jc\\x7f\\x00"},
      {"C1 controls and the Unicode line separators",
       "a\xc2\x85"
       "b\xe2\x80\xa8"
       "c\xe2\x80\xa9",
       "a\\u0085b\\u2028c\\u2029"},
      {"bytes that are no UTF-8",
       "\xff"
       "a\xc3"
       "b\xe0\x80\xaf"
       "\xed\xa0\x80",
       "\\xffa\\xc3b\\xe0\\x80\\xaf\\xed\\xa0\\x80"},
      {"a sequence cut at the end", "ok\xe2\x82", "ok\\xe2\\x82"},
  };
  for (const EscapeCase& c : cases) {
    EXPECT_EQ(EscapeControls(c.in), c.out) << c.what;
    EXPECT_EQ(EscapeControls(c.out), c.out) << c.what << ": an escaped text escapes to itself";
    EXPECT_EQ(OutsideText(c.in), c.out) << c.what << ": short texts are not cut";
  }
}

// Bytes read as stored keep their text, line breaks and all; only what is no UTF-8 is escaped.
TEST(OutsideText, BytesKeepTheirUtf8AndShowOnlyBrokenBytesEscaped) {
  bool invalid = true;
  EXPECT_EQ(EscapeInvalidUtf8("Z\xc3\xbcrich\r\nline 2\t\\", &invalid), "Z\xc3\xbcrich\r\nline 2\t\\");
  EXPECT_FALSE(invalid);
  EXPECT_EQ(EscapeInvalidUtf8("Pumpe \xfc\nok\xe2\x82", &invalid), "Pumpe \\xfc\nok\\xe2\\x82");
  EXPECT_TRUE(invalid);
  EXPECT_EQ(EscapeInvalidUtf8(""), "");
}

TEST(OutsideText, ALongTextIsCutWithANoteOfItsLength) {
  const std::string megabyte(1 << 20, 'x');
  const std::string cut = OutsideText(megabyte);
  EXPECT_EQ(cut, std::string(kOutsideTextLimit, 'x') + "... (cut, 1048576 bytes in all)");

  const std::string line = SafeLine(megabyte);
  EXPECT_LE(line.size(), kLineLimit + 40);
  EXPECT_NE(line.find("(cut, 1048576 bytes in all)"), std::string::npos);

  // A text exactly at the limit is whole.
  EXPECT_EQ(OutsideText(std::string(kOutsideTextLimit, 'y')), std::string(kOutsideTextLimit, 'y'));
}

TEST(OutsideText, TheCutNeverSplitsACharacterOrAnEscape) {
  // Three bytes at the cut: "é" (two bytes) and "\n" (two escaped bytes) must go whole or not at all.
  const std::string text = std::string(9, 'a') + "é" + "b";
  EXPECT_EQ(OutsideText(text, 10), std::string(9, 'a') + "... (cut, 12 bytes in all)");
  EXPECT_EQ(OutsideText(std::string(9, 'a') + "\nb", 10), std::string(9, 'a') + "... (cut, 11 bytes in all)");
  EXPECT_EQ(OutsideText(std::string(8, 'a') + "\nb", 10), std::string(8, 'a') + "\\n... (cut, 10 bytes in all)");
}

TEST(OutsideText, AWindowTextKeepsItsLineBreaksAndIsCutAlike) {
  EXPECT_EQ(WindowText("Connection refused\nIs the server running?\r\n"),
            "Connection refused\nIs the server running?\r\n");
  EXPECT_EQ(WindowText("a\x07"
                       "b\xff"),
            "a\\x07b\\xff")
      << "other controls and broken bytes are shown escaped";
  EXPECT_EQ(WindowText(std::string(1 << 20, 'x')),
            std::string(kOutsideTextLimit, 'x') + "... (cut, 1048576 bytes in all)");
}

}  // namespace
}  // namespace core
