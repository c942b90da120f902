// Readers that share one DeraRed connection: one server session for all of them, dropped for
// all by any of them, closed by the last to go, and a connection that died after one reader
// used it, met by the next reader at its first statement.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "ReaderFixture.h"
#include "core/Date.h"
#include "import/source/CommonTypeLimsMatchRec.h"
#include "import/source/CustomSource.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace {

using readertest::ReaderFixture;

class SharedSourceConnection : public ReaderFixture {
 protected:
  void SetUp() override {
    ReaderFixture::SetUp();
    if (HasFatalFailure()) return;
    SeedRounds();
    sessions.Start(db);
  }
  readertest::ServerSessions sessions;
};

TEST_F(SharedSourceConnection, ReadersOneAfterTheOtherUseOneSessionThatTheLastClosesOnItsWay) {
  auto shared = CustomSource::NewSharedConnection();
  std::set<long> first;
  {
    auto reader = std::make_unique<CustomSource>(shared);
    ASSERT_FALSE(ReadAnswers(*reader, 0, -1, "12"));
    first = sessions.Current();
    ASSERT_EQ(first.size(), 1u);
    // As the import replaces its reader for every variable: the new one is made first.
    for (const char* ids : {"15", "30"}) {
      auto next = std::make_unique<CustomSource>(shared);
      reader = std::move(next);
      ASSERT_FALSE(ReadAnswers(*reader, 0, -1, ids));
      EXPECT_EQ(reader->RecordCount(), ids == std::string("15") ? 2 : 1);
      EXPECT_EQ(sessions.Current(), first) << ids;
    }
    bool error = true;
    reader->StartTransId(0);
    reader->ReadLIMSLogNotes(error);
    EXPECT_FALSE(error);
    EXPECT_EQ(sessions.Current(), first);
  }
  EXPECT_EQ(sessions.Settled(1), first) << "the share's owner still holds the connection";
  const std::weak_ptr<CustomSource::SharedConnection> gone = shared;
  shared.reset();
  EXPECT_TRUE(gone.expired());
  EXPECT_TRUE(sessions.Settled(0).empty());
  EXPECT_TRUE(StatusLines("Error").empty());
}

TEST_F(SharedSourceConnection, DestroyingTheConnectionOfOneReaderDropsItForAll) {
  const auto shared = CustomSource::NewSharedConnection();
  CustomSource a(shared);
  CustomSource b(shared);
  ASSERT_FALSE(ReadAnswers(a, 0));
  const std::set<long> first = sessions.Current();
  ASSERT_EQ(first.size(), 1u);

  b.DestroyConnection();
  EXPECT_TRUE(sessions.Settled(0).empty());

  ASSERT_FALSE(ReadAnswers(a, 0));
  const std::set<long> second = sessions.Current();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(second, first);
  ASSERT_FALSE(ReadAnswers(b, 0));
  EXPECT_EQ(sessions.Current(), second) << "b uses the connection a opened";
}

TEST_F(SharedSourceConnection, ReadersWithoutAShareKeepAConnectionEach) {
  CustomSource a;
  CustomSource b(nullptr);  // no share given: one of its own
  ASSERT_FALSE(ReadAnswers(a, 0));
  ASSERT_FALSE(ReadAnswers(b, 0));
  EXPECT_EQ(sessions.Current().size(), 2u);
  a.DestroyConnection();
  EXPECT_EQ(sessions.Settled(1).size(), 1u);
  ASSERT_FALSE(ReadAnswers(b, 0)) << "b's connection was not a's";
}

// A connection the server ended while nobody used it. The reader that met it at its first read
// takes it as a reader with a connection of its own would have: one new session, no failure.
// The reader that opened it and used it before reports the failure as it always did, for the
// recovery to drop the connection and try again.
TEST_F(SharedSourceConnection, AConnectionEndedBetweenReadersIsOpenedAgainOnlyForTheReaderThatTakesItOver) {
  struct Case {
    const char* name;
    bool takeOver;
    bool failed;
  };
  for (const Case& c : {Case{"next reader", true, false}, Case{"same reader", false, true}}) {
    SCOPED_TRACE(c.name);
    status.lines.clear();
    const auto shared = CustomSource::NewSharedConnection();
    CustomSource first(shared);
    ASSERT_FALSE(ReadAnswers(first, 0, -1, "12"));
    sessions.EndAll();

    CustomSource next(shared);
    CustomSource& reader = c.takeOver ? next : first;
    EXPECT_EQ(ReadAnswers(reader, 0, -1, "15"), c.failed);
    if (c.failed) {
      EXPECT_EQ(StatusLines("Error in LoadResultRecords: ").size(), 1u);
      EXPECT_TRUE(sessions.Current().empty());
      continue;
    }
    EXPECT_TRUE(StatusLines("Error").empty());
    ASSERT_EQ(reader.RecordCount(), 2);
    EXPECT_EQ(reader.Get_LimsRec()->ID.ToLong(), 2);
    EXPECT_EQ(sessions.Current().size(), 1u);
    ASSERT_FALSE(ReadAnswers(first, 0)) << "the reader that opened the dead one reads on the new one";
  }
}

TEST_F(SharedSourceConnection, AReaderThatTakesOverShapesItsQueriesForTheConnectionsSourceType) {
  auto shared = CustomSource::NewSharedConnection();
  CustomSource first(shared);
  ASSERT_FALSE(ReadAnswers(first, 0));
  CustomSource next(shared);
  // Dates are literals of the source's own dialect, and its notes test differs per type.
  next.QueryType(1);
  next.startdate(core::Date::FromParts(2024, 3, 5));
  next.enddate(core::Date::FromParts(2024, 3, 6));
  next.CurrentVarId("ALL");
  bool error = true;
  next.ReadLIMSdata(error);
  EXPECT_FALSE(error);
  EXPECT_EQ(next.RecordCount(), 3);
  CustomSource notes(shared);
  notes.StartTransId(0);
  notes.ReadLIMSLogNotes(error);
  EXPECT_FALSE(error);
  EXPECT_EQ(notes.RecordCount(), 2) << "the empty note of transaction 7 is not one";
  EXPECT_TRUE(StatusLines("Error").empty());
}

}  // namespace
