// The configuration key tree: what a first start writes, letter for letter, and
// how files of older builds meet it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <pugixml.hpp>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/Date.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "import/CommonTypeGlobals.h"
#include "import/DefaultKeyTree.h"
#include "import/source/CustomConfiguration.h"
#include "support/KeyTreeTable.h"

namespace {

using KeyList = std::vector<std::pair<std::string, std::string>>;

// Every key of a first start with its default, for a start on 8 December 2026 at
// 14:05:09 of a program titled "K30418 Test".
const KeyList& ExpectedKeys() {
  static const KeyList keys = testsupport::ProgramKeyTree("K30418 Test", true);
  return keys;
}

// A function, not a global: the date routines must not run before their own statics exist.
core::Date Start() { return core::Date::FromParts(2026, 12, 8, 14, 5, 9); }

class KeyTreeTest : public ::testing::Test {
 protected:
  KeyTreeTest() : logger_(dir_.string(), "k30418") {
    std::filesystem::create_directories(dir_);
    logger_.LogPath((dir_ / "log").string());
    logger_.BufferLength(1);
    logger_.Verbosity(9);
    logger_.Enabled(true);
    ctx_.app.Title = "K30418 Test";
  }

  // Reads the file; on failure the store's log lines say why.
  ::testing::AssertionResult Read(QALConfiguration& config) {
    if (config.ReadConfig()) return ::testing::AssertionSuccess();
    std::ifstream in(logger_.CurrentFilePath());
    std::stringstream log;
    log << in.rdbuf();
    return ::testing::AssertionFailure() << "ReadConfig failed:\n" << log.str();
  }
  ~KeyTreeTest() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // A store declared as start-up declares it, at Start().
  std::unique_ptr<QALConfiguration> NewStore(bool withSourceSection = true) {
    auto config = std::make_unique<QALConfiguration>();
    config->LogHandler(&logger_);
    config->path(file_.string());
    ctx_.config = config.get();
    ProgramScope scope(ctx_);
    DefaultKeyTree::DefineStartupKeys(*config, ctx_.app.Title, Start());
    CommonTypeGlobals::DefineTypeDefaults();
    if (withSourceSection) CustomConfiguration::DefineSourceDefaults();
    return config;
  }

  pugi::xml_node Data(pugi::xml_document& doc) const {
    EXPECT_TRUE(doc.load_file(file_.c_str())) << file_;
    return doc.child("qalconfigurationxml").child("data");
  }

  // Every element below data as a key path with its text, in document order.
  static void Collect(pugi::xml_node node, const std::string& prefix, KeyList& out) {
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string key = prefix.empty() ? child.name() : prefix + "\\" + child.name();
      out.emplace_back(key, child.text().get());
      Collect(child, key, out);
    }
  }

  std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() / ("k30418-keytree-" + std::to_string(std::random_device{}()));
  std::filesystem::path file_ = dir_ / "k30418.xml";
  QALLoggerTXT logger_;
  ProgramContext ctx_;
};

TEST_F(KeyTreeTest, FirstStartWritesEveryKeyWithItsDefault) {
  auto config = NewStore();
  ASSERT_TRUE(Read(*config));

  pugi::xml_document doc;
  KeyList written;
  Collect(Data(doc), "", written);
  for (const auto& [key, value] : ExpectedKeys()) {
    const auto it = std::find_if(written.begin(), written.end(), [&](const auto& w) { return w.first == key; });
    ASSERT_NE(it, written.end()) << key << " is missing from the file";
    EXPECT_EQ(it->second, value) << key;
    EXPECT_EQ(config->item(key), value) << key;
  }
  // Besides the keys, the file holds only the elements on their paths that no key
  // of their own declares (OPTIONS\PERFORMANCE, say), and those hold no text.
  for (const auto& [element, text] : written) {
    const bool isKey =
        std::any_of(ExpectedKeys().begin(), ExpectedKeys().end(), [&](const auto& k) { return k.first == element; });
    if (isKey) continue;
    const bool onAPath = std::any_of(ExpectedKeys().begin(), ExpectedKeys().end(),
                                     [&](const auto& k) { return k.first.rfind(element + "\\", 0) == 0; });
    EXPECT_TRUE(onAPath) << element << " is not a key";
    EXPECT_EQ(text, "") << element;
  }
  EXPECT_EQ(written.size(), ExpectedKeys().size() + 4);  // PERFORMANCE, NOIU, ASKFORDATES, COMMENTWRITER
}

TEST_F(KeyTreeTest, SectionsAppearInHashOrderHoldingTheirChildren) {
  auto config = NewStore();
  ASSERT_TRUE(Read(*config));
  pugi::xml_document doc;
  std::vector<std::string> sections;
  for (pugi::xml_node child : Data(doc).children()) sections.emplace_back(child.name());
  EXPECT_EQ(sections, (std::vector<std::string>{"TARGET", "SOURCE", "VORNKRYM", "OPTIONS", "K30418"}));
  EXPECT_STREQ(doc.child("qalconfigurationxml").child("spec").attribute("encrypted").value(), "False");
}

TEST_F(KeyTreeTest, SourceKeysAreStoredUpperCased) {
  auto config = NewStore();
  EXPECT_TRUE(config->ItemExists("K30418\\SOURCEPROVIDER"));
  EXPECT_FALSE(config->ItemExists("K30418\\SourceProvider"));
  EXPECT_EQ(config->item("K30418\\SourceProvider"), "Microsoft.Jet.OLEDB.4.0");
}

TEST_F(KeyTreeTest, KeysOutsideTheTreeAreNotDeclared) {
  auto config = NewStore();
  for (const char* key : {"COLLECTOR_OPTIONS\\COLLECTOR_ID", "TARGET\\AINFO\\ENABLED", "TARGET\\UNITCONVERT\\ENABLED"})
    EXPECT_FALSE(config->ItemExists(key)) << key;
}

TEST_F(KeyTreeTest, OlderFileWithoutSourceSectionGainsItOnTheNextSave) {
  {
    auto older = NewStore(/*withSourceSection=*/false);
    ASSERT_TRUE(Read(*older));
  }
  {
    pugi::xml_document doc;
    EXPECT_FALSE(Data(doc).child("K30418"));
  }
  auto config = NewStore();
  ASSERT_TRUE(Read(*config));
  EXPECT_EQ(config->item("K30418\\SourceDBType"), "3");
  config->item("K30418\\SourceDS", "dera01");
  ASSERT_TRUE(config->SaveConfig());

  pugi::xml_document doc;
  pugi::xml_node section = Data(doc).child("K30418");
  ASSERT_TRUE(section);
  EXPECT_STREQ(section.child("SOURCEDS").text().get(), "dera01");
  EXPECT_STREQ(section.child("SOURCEPROVIDER").text().get(), "Microsoft.Jet.OLEDB.4.0");
}

TEST_F(KeyTreeTest, AnExistingFilesValuesWinOverTheDefaults) {
  {
    auto first = NewStore();
    ASSERT_TRUE(Read(*first));
    first->item("OPTIONS\\LOG_VERBOSITY", "5");
    first->item("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", "01-02-2020 00:00:00");
    ASSERT_TRUE(first->SaveConfig());
  }
  auto config = NewStore();
  ASSERT_TRUE(Read(*config));
  EXPECT_EQ(config->item("OPTIONS\\LOG_VERBOSITY"), "5");
  EXPECT_EQ(config->item("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN"), "01-02-2020 00:00:00");
}

TEST(DefaultKeyTree, DateDefaultsFollowTheStartTime) {
  struct Case {
    core::Date now;
    const char* lastRun;
    const char* fixStart;
    const char* fixEnd;
  };
  for (const Case& c : {
           Case{Start(), "12-07-2026 00:00:00", "12-07-2026 14:05:09", "12-08-2026 14:05:09"},
           // Across a year's end, and a 24-hour clock.
           Case{core::Date::FromParts(2027, 1, 1, 0, 0, 30), "12-31-2026 00:00:00", "12-31-2026 00:00:30",
                "01-01-2027 00:00:30"},
           Case{core::Date::FromParts(2024, 3, 1, 23, 59, 59), "02-29-2024 00:00:00", "02-29-2024 23:59:59",
                "03-01-2024 23:59:59"},
       }) {
    QALConfiguration config;
    DefaultKeyTree::DefineStartupKeys(config, "t", c.now);
    EXPECT_EQ(config.item("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN"), c.lastRun);
    EXPECT_EQ(config.item("OPTIONS\\NOIU\\ASKFORDATES\\FIX_STARTDATE"), c.fixStart);
    EXPECT_EQ(config.item("OPTIONS\\NOIU\\ASKFORDATES\\FIX_ENDDATE"), c.fixEnd);
  }
}

TEST(DefaultKeyTree, WithoutAStoreTheModuleDefaultsDoNothing) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  CommonTypeGlobals::DefineTypeDefaults();
  CustomConfiguration::DefineSourceDefaults();
  EXPECT_EQ(CustomConfiguration::GetAInfoSourceFields(), "");
}

}  // namespace
