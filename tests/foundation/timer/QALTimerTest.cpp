// The window timer object over a scripted timer service, and new GUIDs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALTimer.h"
#include "foundation/QALguid.h"
#include "support/ScriptedTimers.h"

using testsupport::ScriptedTimers;

TEST(QALTimer, RunsOnlyWhileEnabledWithAPositiveInterval) {
  ScriptedTimers timers;
  QALTimer t(&timers);
  int ticks = 0;
  t.OnTimer([&] { ++ticks; });

  t.Enabled(true);  // interval 0: enabled but no platform timer
  EXPECT_TRUE(t.Enabled());
  EXPECT_FALSE(t.Running());
  EXPECT_TRUE(timers.records.empty());

  t.Interval(100);  // now it starts
  ASSERT_TRUE(t.Running());
  EXPECT_EQ(timers.records.back()->intervalMs, 100);
  timers.TickAll();
  EXPECT_EQ(ticks, 1);

  t.Interval(60000);  // restarts with the new period
  EXPECT_EQ(timers.records.size(), 2u);
  EXPECT_FALSE(timers.records[0]->active);
  EXPECT_EQ(timers.records[1]->intervalMs, 60000);

  t.Interval(-5);  // ignored
  EXPECT_EQ(t.Interval(), 60000);
  EXPECT_EQ(timers.records.size(), 2u);

  t.Enabled(false);
  EXPECT_FALSE(t.Running());
  timers.TickAll();
  EXPECT_EQ(ticks, 1);
}

TEST(QALTimer, TwoTimersTickIndependentlyAndEachTickIsLoggedByName) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("k30418-timer-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  core::ManualClock clock(core::Date::FromParts(2026, 12, 8, 10, 0, 0));
  QALLoggerTXT log(dir.string(), "k30418", clock);
  log.LogPath((dir / "log").string());
  log.Enabled(true);
  log.Verbosity(2);
  ProgramContext ctx;
  ctx.logger = &log;
  ScriptedTimers timers;
  ctx.ui.timers = &timers;
  ProgramScope scope(ctx);

  QALTimer a, b;  // the program's timer service
  a.id("A");
  b.id("B");
  std::string order;
  a.OnTimer([&] {
    order += "a";
    log.WriteLog("handler A", 0);
  });
  b.OnTimer([&] { order += "b"; });
  a.Interval(10);
  b.Interval(20);
  a.Enabled(true);
  b.Enabled(true);
  timers.records[0]->tick();
  timers.TickAll();
  EXPECT_EQ(order, "aab");
  b.Enabled(false);
  timers.TickAll();
  EXPECT_EQ(order, "aaba");

  const std::string path = log.CurrentFilePath();
  log.closeLog();
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  EXPECT_NE(text.find("A callback entered.\r\n10:00:00 : handler A\r\n10:00:00 : A callback exited."),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("B callback entered."), std::string::npos);
  fs::remove_all(dir);
}

TEST(QALguid, IsThirtySixUpperCaseHexCharactersInRegistryGroups) {
  std::set<std::string> seen;
  const std::regex form("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
  for (int i = 0; i < 50; ++i) {
    std::string g = QALguid::GetNewGUID();
    EXPECT_TRUE(std::regex_match(g, form)) << g;
    seen.insert(g);
  }
  EXPECT_EQ(seen.size(), 50u);
  QALTimer t(nullptr);
  EXPECT_EQ(t.id().size(), 36u);
}
