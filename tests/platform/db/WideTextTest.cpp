// Texts cross to the driver as UTF-16 and come back unchanged.
#include "platform/db/WideText.h"

#include <gtest/gtest.h>

using platform::db::WideText;

TEST(WideText, RoundTripsEveryPlane) {
  for (std::string s : {"", "plain", "Ölstand über 3 m³", "温度", "\xF0\x9F\x94\xA7 wrench", "a\tb\nc"}) {
    auto w = WideText::FromUtf8(s);
    ASSERT_EQ(w.back(), 0);
    EXPECT_EQ(WideText::ToUtf8(w.data(), w.size() - 1), s);
    EXPECT_EQ(WideText::ToUtf8(w.data()), s);
  }
  // A character beyond the basic plane takes a surrogate pair.
  EXPECT_EQ(WideText::FromUtf8("\xF0\x9F\x94\xA7").size(), 3u);
}

TEST(WideText, InvalidBytesBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"a\xFF" "b", "a" + replacement + "b"},
      {"\xC3", replacement},                         // cut short at the end
      {"\xC0\xAF", replacement + replacement},       // overlong
      {"\xED\xA0\x80", replacement + replacement + replacement},  // a surrogate written as UTF-8
  };
  for (const auto& c : cases) {
    auto w = WideText::FromUtf8(c.in);
    EXPECT_EQ(WideText::ToUtf8(w.data()), c.out);
  }
  const SQLWCHAR lone[] = {'x', 0xD800, 'y'};
  EXPECT_EQ(WideText::ToUtf8(lone, 3), "x" + replacement + "y");
}
