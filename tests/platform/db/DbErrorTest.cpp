// Error texts as the program quotes them, and telling a broken link from other failures.
#include <gtest/gtest.h>

#include "platform/db/DbError.h"
#include "platform/db/DbException.h"

using platform::db::DbError;
using platform::db::DbException;

TEST(DbError, QuotesNumberDashDescription) {
  EXPECT_EQ(DbError(18456, "28000", "Login failed for user 'QALDBA'.").Text(),
            "18456 - Login failed for user 'QALDBA'.");
}

TEST(DbError, TellsALostLinkFromOtherErrors) {
  struct Case {
    std::string state, text;
    bool broken;
  };
  const Case cases[] = {
      {"08001", "could not connect to server", true},
      {"08S01", "Communication link failure", true},
      {"57P01", "FATAL: terminating connection due to administrator command", true},
      {"HY000", "server closed the connection unexpectedly", true},
      {"HY000", "Could not send Query(connection dead)", true},
      {"HY000", "no connection to the server", true},
      {"42P01", "relation \"nosuch\" does not exist", false},
      {"28P01", "password authentication failed for user \"QALDBA\"", false},
      {"57014", "canceling statement due to statement timeout", false},
      {"23505", "duplicate key value violates unique constraint", false},
      {"", "server closed the connection unexpectedly", true},
      // A code of its own decides: a trigger's or a row's words quoted in the message do not.
      {"P0001", "ERROR: pump refused (sensor lost connection?)", false},
      {"23514", "new row violates check constraint; DETAIL: Failing row contains (broken pipe)", false},
      {"42P01", "relation \"connection dead\" does not exist", false},
  };
  for (const auto& c : cases) EXPECT_EQ(DbError(1, c.state, c.text).LinkBroken(), c.broken) << c.state << " " << c.text;
}

TEST(DbException, TheFirstErrorNamesTheExceptionAndAnyErrorMarksALostLink) {
  DbException e({DbError(7, "HY000", "first"), DbError(9, "08S01", "link")});
  EXPECT_EQ(e.Number(), 7);
  EXPECT_EQ(e.Description(), "first");
  EXPECT_TRUE(e.LinkBroken());
  EXPECT_EQ(e.Errors().size(), 2u);

  DbException empty(std::vector<DbError>{});
  ASSERT_EQ(empty.Errors().size(), 1u);
  EXPECT_FALSE(empty.Description().empty());

  DbException own(platform::db::dberr::kItemNotFound, "no such item");
  EXPECT_EQ(own.Number(), 3265);
  EXPECT_FALSE(own.LinkBroken());
}
