#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "core/Text.h"

namespace core {
namespace {

TEST(Text, TrimsOnlySpaces) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\tx\t"), "\tx\t");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(LTrim("  a  "), "a  ");
  EXPECT_EQ(RTrim("  a  "), "  a");
}

TEST(Text, CaseChangesLeaveUtf8Alone) {
  EXPECT_EQ(UCase("abc Zürich"), "ABC ZüRICH");
  EXPECT_EQ(LCase("OPTIONS\\LOG_Verbosity"), "options\\log_verbosity");
  EXPECT_TRUE(EqualsIgnoreCase("NTService", "ntservice"));
  EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
  EXPECT_FALSE(EqualsIgnoreCase("é", "É"));
}

TEST(Text, Pieces) {
  EXPECT_EQ(Left("abcdef", 2), "ab");
  EXPECT_EQ(Left("ab", 5), "ab");
  EXPECT_EQ(Right("abcdef", 2), "ef");
  EXPECT_EQ(Right("ab", 5), "ab");
  EXPECT_EQ(Right("ab", 0), "");
  EXPECT_EQ(Mid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Mid("abcdef", 4), "def");
  EXPECT_EQ(Mid("abcdef", 7), "");
  EXPECT_EQ(Mid("abcdef", 5, 10), "ef");
  EXPECT_THROW(Mid("abc", 0), RuntimeError);
}

TEST(Text, InStrTable) {
  const struct {
    const char* s;
    const char* what;
    std::size_t start;
    bool ignoreCase;
    std::size_t want;
  } cases[] = {
      {"abcabc", "c", 1, false, 3}, {"abcabc", "c", 4, false, 6}, {"abcabc", "c", 7, false, 0},
      {"abcabc", "x", 1, false, 0}, {"abcABC", "AB", 2, false, 4}, {"abcABC", "AB", 1, true, 1},
      {"abc", "", 2, false, 2},     {"", "", 1, false, 0},         {"", "a", 1, false, 0},
      {"abc", "abcd", 1, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.s << " / " << c.what << " @" << c.start);
    EXPECT_EQ(InStr(c.s, c.what, c.start, c.ignoreCase), c.want);
  }
  EXPECT_THROW(InStr("abc", "a", 0), RuntimeError);
}

TEST(Text, ReplaceAndSplit) {
  EXPECT_EQ(Replace("a-b-c", "-", "--"), "a--b--c");
  EXPECT_EQ(Replace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(Replace("abc", "b", ""), "ac");

  EXPECT_EQ(Split("a,b,,c", ","), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(Split("a::b", "::"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Split(",", ","), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Split("abc", ""), (std::vector<std::string>{"abc"}));
  EXPECT_TRUE(Split("", ",").empty());
}

TEST(Text, SqlQuotedDoublesApostrophes) {
  EXPECT_EQ(SqlQuoted("O'Brien"), "O''Brien");
  EXPECT_EQ(SqlQuoted("''"), "''''");
  EXPECT_EQ(SqlQuoted("x'; drop table vardesc; --"), "x''; drop table vardesc; --");
  EXPECT_EQ(SqlQuoted("plain"), "plain");
}

}  // namespace
}  // namespace core
