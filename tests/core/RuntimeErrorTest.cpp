#include <gtest/gtest.h>

#include <string>

#include "core/RuntimeError.h"

namespace core {
namespace {

TEST(RuntimeError, RaiseCarriesStandardDescriptions) {
  const struct {
    int number;
    const char* description;
  } cases[] = {
      {err::kInvalidCall, "Invalid procedure call or argument"},
      {err::kOverflow, "Overflow"},
      {err::kSubscript, "Subscript out of range"},
      {err::kTypeMismatch, "Type mismatch"},
      {err::kInvalidUseOfNull, "Invalid use of Null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    try {
      Raise(c.number, "Tester.Run");
      ADD_FAILURE() << "Raise returned";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), c.number);
      EXPECT_EQ(e.Description(), c.description);
      EXPECT_EQ(e.Source(), "Tester.Run");
      EXPECT_STREQ(e.what(), c.description);
    }
  }
}

TEST(RuntimeError, OwnNumbersKeepTheirText) {
  const RuntimeError e(10781, "Key not declared", "QALConfiguration");
  EXPECT_EQ(e.Number(), 10781);
  EXPECT_EQ(e.Description(), "Key not declared");
  EXPECT_EQ(e.Source(), "QALConfiguration");
  EXPECT_EQ(RuntimeError(1001, "x").Source(), "");
  EXPECT_FALSE(ErrorDescription(31999).empty());
  // Caught as a standard exception too, for code that only knows those.
  EXPECT_THROW(Raise(err::kOverflow), std::runtime_error);
}

}  // namespace
}  // namespace core
