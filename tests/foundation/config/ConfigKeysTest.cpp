#include <filesystem>
#include <functional>

#include "ConfigFixture.h"
#include "core/RuntimeError.h"
#include "core/Text.h"

namespace {

int ErrorNumberOf(const std::function<void()>& f, std::string* description = nullptr) {
  try {
    f();
  } catch (const core::RuntimeError& e) {
    if (description) *description = e.Description();
    return e.Number();
  }
  return 0;
}

}  // namespace

TEST_F(ConfigTest, DeclarationTrimsAndUpperCasesAndKeepsTheFirstDefault) {
  QALConfiguration c;
  c.DefineTree("  options\\Log_Verbosity  ", "0");
  c.DefineTree("OPTIONS\\LOG_VERBOSITY", "5");
  c.DefineTree("options\\log_verbosity", "7");
  EXPECT_EQ(c.item("OPTIONS\\LOG_VERBOSITY"), "0");
  EXPECT_TRUE(c.ItemExists("OPTIONS\\LOG_VERBOSITY"));
  EXPECT_FALSE(c.ChangeWasMade());  // declaring is not a change
}

TEST_F(ConfigTest, ItemUpperCasesButItemExistsTakesTheKeyAsItIs) {
  QALConfiguration c;
  c.DefineTree("OPTIONS\\LOG_VERBOSITY", "3");
  EXPECT_EQ(c.item("options\\log_verbosity"), "3");
  EXPECT_FALSE(c.ItemExists("options\\log_verbosity"));
  EXPECT_FALSE(c.ItemExists(" OPTIONS\\LOG_VERBOSITY"));
  EXPECT_EQ(ErrorNumberOf([&] { c.ItemExists(""); }), 1001);  // no key is no key to test
  // item does not trim: a blank makes it another, undeclared key
  EXPECT_EQ(ErrorNumberOf([&] { c.item("OPTIONS\\LOG_VERBOSITY "); }), 10781);
}

TEST_F(ConfigTest, UndeclaredKeysRaise10781AndAreNeverAdded) {
  QALConfiguration c;
  c.DefineTree("OPTIONS", "");
  std::string description;
  EXPECT_EQ(ErrorNumberOf([&] { c.item("collector_options\\collector_id"); }, &description), 10781);
  EXPECT_EQ(description, "Key does not exist in TreeHash (KB10781): COLLECTOR_OPTIONS\\COLLECTOR_ID");
  EXPECT_EQ(ErrorNumberOf([&] { c.item("Options\\New", "x"); }, &description), 10781);
  EXPECT_EQ(description, "Key does not exist in TreeHash (KB10781): OPTIONS\\NEW");
  EXPECT_FALSE(c.ItemExists("OPTIONS\\NEW"));
  EXPECT_FALSE(c.ChangeWasMade());
}

TEST_F(ConfigTest, EveryWriteMarksAChange) {
  QALConfiguration c;
  c.DefineTree("A\\B", "same");
  c.item("a\\b", "same");
  EXPECT_TRUE(c.ChangeWasMade());
  EXPECT_EQ(c.item("A\\B"), "same");
  c.ChangeWasMade(false);
  c.item("A\\B", "other");
  EXPECT_TRUE(c.ChangeWasMade());
  EXPECT_EQ(c.item("A\\B"), "other");
}

TEST_F(ConfigTest, AnEmptyKeyIsRefusedWhenDeclared) {
  for (const char* path : {"", "   "}) {
    QALConfiguration store;
    EXPECT_EQ(ErrorNumberOf([&] { store.DefineTree(path, "v"); }), 1001) << "'" << path << "'";
  }
}

// The file cannot hold such a key: it is declared, and a save fails without writing a file.
TEST_F(ConfigTest, AKeyThatCannotBeAnElementPathFailsTheSaveAndWritesNothing) {
  for (const char* path : {"A\\\\B", "A\\", "\\A", "A B\\C", "OPTIONS\\1ST", "A<B", "A&B"}) {
    std::filesystem::remove(ConfigPath());
    QALConfiguration store;
    store.LogHandler(logger_.get());
    store.path(ConfigPath());
    store.DefineTree("OPTIONS", "");
    EXPECT_EQ(ErrorNumberOf([&] { store.DefineTree(path, "v"); }), 0) << path;
    EXPECT_TRUE(store.ItemExists(core::UCase(path))) << path;
    store.item("OPTIONS", "changed");
    EXPECT_FALSE(store.SaveConfig()) << path;
    EXPECT_FALSE(std::filesystem::exists(ConfigPath())) << path;
    EXPECT_TRUE(store.ChangeWasMade()) << path;
  }
}

TEST_F(ConfigTest, PathIsTrimmedAndFlagsStartOff) {
  QALConfiguration c;
  EXPECT_EQ(c.path(), "");
  EXPECT_FALSE(c.EncryptData());
  EXPECT_FALSE(c.ChangeWasMade());
  c.path("  /some/where/k30418.xml  ");
  EXPECT_EQ(c.path(), "/some/where/k30418.xml");
}

TEST_F(ConfigTest, DumpListsEveryKeyInTableOrderAtVerbosityTwo) {
  QALConfiguration c;
  c.LogHandler(logger_.get());
  c.DefineTree("AB", "1");      // bucket 577
  c.DefineTree("OPTIONS", "");  // bucket 3584
  c.DefineTree("BA", "pw");     // bucket 322
  const std::string separator = ">>>" + std::string(62, '-');

  logger_->Verbosity(1);
  c.dumpConfiguration();
  EXPECT_TRUE(LogLines().empty());

  logger_->Verbosity(2);
  c.dumpConfiguration();
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{separator, "Configuration Settings :", "BA : pw", "AB : 1",
                                                     "OPTIONS : ", separator}));
}

TEST_F(ConfigTest, DumpOfAnEmptyStoreListsNoKeys) {
  QALConfiguration c;
  c.LogHandler(logger_.get());
  c.dumpConfiguration();
  EXPECT_EQ(LogLines().size(), 3u);
}

TEST_F(ConfigTest, AStoreWithoutLoggerStillWorks) {
  QALConfiguration c;
  c.path(ConfigPath());
  c.DefineTree("A\\B", "1");
  EXPECT_TRUE(c.ReadConfig());
  c.item("A\\B", "2");
  EXPECT_TRUE(c.SaveConfig());
  c.dumpConfiguration();
  QALConfiguration again;
  again.path(ConfigPath());
  again.DefineTree("A\\B", "1");
  ASSERT_TRUE(again.ReadConfig());
  EXPECT_EQ(again.item("A\\B"), "2");
}
