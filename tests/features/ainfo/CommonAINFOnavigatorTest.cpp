// The additional-information map: its cursor, the source record it collects and
// the transposition of a record into one facility's additional-information values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "features/CommonAINFOnavigator.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"

namespace {

// A navigator with map entries, as a map loader would give it.
class LoadedNavigator : public CommonAINFOnavigator {
 public:
  using CommonAINFOnavigator::AddMapEntry;
  using CommonAINFOnavigator::AppendEntry;
};

std::shared_ptr<HashTable> Table(std::initializer_list<std::pair<const char*, core::Value>> rows) {
  auto t = std::make_shared<HashTable>();
  for (const auto& [k, v] : rows) t->item(k, v);
  return t;
}

// Facility -> its additional-information fields, as the variable gatherer gives them.
std::shared_ptr<HashTable> FacilityFields() {
  auto all = std::make_shared<HashTable>();
  all->item("NORTH", Table({{"WEATHER", "Weather\ttext"}, {"CREW", "Crew\ttext"}}));
  all->item("SOUTH", std::make_shared<HashTable>());  // a facility without fields
  return all;
}

TEST(CommonAINFOnavigator, NewAndAfterLoadMapTheMapIsAtItsEnd) {
  CommonAINFOnavigator nav;
  EXPECT_TRUE(nav.EOF_Map());
  EXPECT_EQ(nav.Count_Map(), 0);
  EXPECT_EQ(nav.Current_Map(), "");
  nav.LoadMap();
  nav.MoveFirst_Map();
  EXPECT_TRUE(nav.EOF_Map());
  EXPECT_EQ(nav.Current_Map(), "");
  EXPECT_EQ(nav.SourceRecord_download(), nullptr);
}

TEST(CommonAINFOnavigator, CursorWalksTheLoadedEntries) {
  LoadedNavigator nav;
  nav.AppendEntry("NORTH.WEATHER=SKY", "NORTH", "sky", "WEATHER");
  nav.AppendEntry("NORTH.CREW=TEAM", "NORTH", "team", "CREW");
  EXPECT_EQ(nav.Count_Map(), 2);
  EXPECT_EQ(nav.Current_Map(), "");  // no entry before the first move
  std::vector<std::string> seen;
  for (nav.MoveFirst_Map(); !nav.EOF_Map(); nav.MoveNext_Map()) seen.push_back(nav.Current_Map());
  EXPECT_EQ(seen, (std::vector<std::string>{"NORTH.WEATHER=SKY", "NORTH.CREW=TEAM"}));
  EXPECT_EQ(nav.Current_Map(), "");

  nav.LoadMap();  // nothing to load from: the map reads as not loaded again
  nav.MoveFirst_Map();
  EXPECT_TRUE(nav.EOF_Map());
}

TEST(CommonAINFOnavigator, SourceRecordIsSizedForTheMap) {
  LoadedNavigator nav;
  nav.SourceRecord_New();
  ASSERT_NE(nav.SourceRecord_download(), nullptr);
  EXPECT_EQ(nav.SourceRecord_download()->HashSize(), 1);
  EXPECT_EQ(nav.SourceRecord_download()->Count(), 0);

  for (int i = 0; i < 3; ++i) nav.AppendEntry("e", "NORTH", "F" + std::to_string(i), "A" + std::to_string(i));
  nav.SourceRecord_New();
  EXPECT_EQ(nav.SourceRecord_download()->HashSize(), 6);
}

TEST(CommonAINFOnavigator, SourceRecordKeepsOnlyMappedFields) {
  LoadedNavigator nav;
  nav.SourceRecord_addTo("sky", core::Value("sunny"));  // no record yet, no map
  nav.SourceRecord_New();
  nav.SourceRecord_addTo("sky", core::Value("sunny"));  // no map loaded
  EXPECT_EQ(nav.SourceRecord_download()->Count(), 0);

  nav.AppendEntry("e1", "NORTH", "Sky", "WEATHER");
  nav.SourceRecord_New();
  nav.SourceRecord_addTo("sky", core::Value("sunny"));
  nav.SourceRecord_addTo("SKY", core::Value("rain"));   // the same field: replaced
  nav.SourceRecord_addTo("wind", core::Value("calm"));  // not mapped
  nav.SourceRecord_addTo("", core::Value("x"));
  const auto record = nav.SourceRecord_download();
  ASSERT_EQ(record->Count(), 1);
  EXPECT_EQ(record->item("SKY").ToString(), "rain");

  nav.SourceRecord_New();  // a new record starts empty; the old one stays with its holder
  EXPECT_EQ(nav.SourceRecord_download()->Count(), 0);
  EXPECT_EQ(record->Count(), 1);
}

TEST(CommonAINFOnavigator, TransposesMappedFieldsAsText) {
  LoadedNavigator nav;
  nav.AppendEntry("e1", "NORTH", "sky", "WEATHER");
  nav.AppendEntry("e2", "NORTH", "team", "CREW");
  nav.AppendEntry("e3", "NORTH", "sky", "OTHER");  // the first mapping of a field wins
  nav.AppendEntry("e4", "EAST", "sky", "WEATHER");

  const auto source = Table({{"SKY", core::Value(std::int32_t{42})},
                             {"TEAM", core::Value(core::Date::FromParts(2026, 12, 8, 6, 0, 0))},
                             {"WIND", core::Value("calm")}});
  const auto fields = FacilityFields();
  const auto result = nav.TransposeSource2Result(source.get(), "NORTH", fields.get());
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->Count(), 2);
  EXPECT_EQ(result->item("WEATHER").GetKind(), core::Value::Kind::String);
  EXPECT_EQ(result->item("WEATHER").ToString(), "42");
  EXPECT_EQ(result->item("CREW").ToString(), "12/8/2026 6:00:00 AM");
  EXPECT_FALSE(result->Exists("OTHER"));
}

TEST(CommonAINFOnavigator, NoTableWithoutFieldsOrMapping) {
  LoadedNavigator nav;
  nav.AppendEntry("e1", "NORTH", "sky", "WEATHER");
  nav.AppendEntry("e2", "SOUTH", "sky", "WEATHER");
  const auto source = Table({{"SKY", core::Value("sunny")}});
  const auto fields = FacilityFields();
  fields->item("WEST", Table({{"WEATHER", "Weather\ttext"}}));

  struct Case {
    const char* facility;
    const HashTable* fields;
  };
  for (const Case& c : {Case{"SOUTH", fields.get()},    // facility without fields
                        Case{"MISSING", fields.get()},  // facility unknown
                        Case{"WEST", fields.get()},     // fields, but nothing mapped
                        Case{"NORTH", nullptr}, Case{"", fields.get()}})
    EXPECT_EQ(nav.TransposeSource2Result(source.get(), c.facility, c.fields), nullptr) << c.facility;

  CommonAINFOnavigator empty;  // nothing mapped at all
  EXPECT_EQ(empty.TransposeSource2Result(source.get(), "NORTH", fields.get()), nullptr);
}

TEST(CommonAINFOnavigator, EmptySourceGivesAnEmptyTable) {
  LoadedNavigator nav;
  nav.AppendEntry("e1", "NORTH", "sky", "WEATHER");
  const auto fields = FacilityFields();
  HashTable none;
  for (const HashTable* source : {static_cast<const HashTable*>(&none), static_cast<const HashTable*>(nullptr)}) {
    const auto result = nav.TransposeSource2Result(source, "NORTH", fields.get());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Count(), 0);
  }
}

TEST(CommonAINFOnavigator, NullSourceValueIsLeftOutWithoutLosingTheOthers) {
  LoadedNavigator nav;
  nav.AppendEntry("e1", "NORTH", "sky", "WEATHER");
  nav.AppendEntry("e2", "NORTH", "team", "CREW");
  const auto source = Table({{"SKY", core::Value::MakeNull()}, {"TEAM", core::Value("blue")}});
  const auto fields = FacilityFields();
  const auto result = nav.TransposeSource2Result(source.get(), "NORTH", fields.get());
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->Exists("WEATHER"));
  EXPECT_EQ(result->item("CREW").ToString(), "blue");
}

TEST(CommonAINFOnavigator, AFailureIsLoggedAndGivesNoTable) {
  const auto dir = std::filesystem::temp_directory_path() / ("k30418-ainfo-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  {
    QALLoggerTXT logger(dir.string(), "k30418");
    logger.LogPath((dir / "log").string());
    logger.BufferLength(1);
    logger.Enabled(true);
    logger.Verbosity(9);
    ProgramContext ctx;
    ctx.logger = &logger;
    ProgramScope scope(ctx);

    LoadedNavigator nav;
    nav.AppendEntry("e1", "NORTH", "sky", "");  // maps onto an empty field id, which no table takes
    const auto source = Table({{"SKY", core::Value("sunny")}});
    const auto fields = FacilityFields();
    EXPECT_EQ(nav.TransposeSource2Result(source.get(), "NORTH", fields.get()), nullptr);

    logger.closeLog();
    std::ifstream in(logger.CurrentFilePath());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find(" : CommonAINFOnavigator.TransposeSource2Result() : Failed with the following error "
                              "1001 : Invalid key"),
              std::string::npos)
        << text.str();
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
