// The daily comment procedures, against a facility database.
#include <gtest/gtest.h>

#include "FacilityFixture.h"
#include "core/RuntimeError.h"
#include "import/writers/CommentsInt.h"

namespace {

using CommentsIntTest = FacilityTest;

TEST_F(CommentsIntTest, CommentsCarryTheModuleAuditUserNotTheOperator) {
  CommentsInt comments;
  comments.Connect(cn_);
  comments.WriteData(At(2024, 3, 5, 14, 35), 42, "pump restarted");
  EXPECT_EQ(Scalar("select comment from datatbl_c where varid=42 and datestamp='2024-03-05'").Text(), "pump restarted");
  EXPECT_EQ(Scalar("select audituser from datatbl_c where varid=42").Text(), "VIA_K30418");

  program_.Context().writeAsUser = "NIGHTSHIFT";
  comments.WriteData(At(2024, 3, 5), 42, "replaced");
  EXPECT_EQ(Scalar("select comment from datatbl_c where varid=42").Text(), "replaced");
  EXPECT_EQ(Scalar("select audituser from datatbl_c where varid=42").Text(), "NIGHTSHIFT");

  comments.deletecmts(At(2024, 3, 5), 42);
  EXPECT_EQ(Count("datatbl_c"), 0);
}

TEST_F(CommentsIntTest, TheSeekReadsNothing) {
  ASSERT_TRUE(Exec("insert into datatbl_c (varid, datestamp, comment) values (42, '2024-03-05', 'stored')"));
  CommentsInt comments;
  comments.Connect(cn_);
  std::string comment = "mine";
  core::Value user("u");
  comments.Seekcmts(At(2024, 3, 5), 42, comment, &user);
  EXPECT_EQ(comment, "mine");
  EXPECT_EQ(user.Text(), "u");
  EXPECT_TRUE(comments.NoMatch());
}

TEST(CommentsIntUnconnected, AWriteBeforeConnectIsAnError) {
  CommentsInt comments;
  EXPECT_THROW(comments.WriteData(core::Date(45000), 1, "x"), core::RuntimeError);
}

}  // namespace
