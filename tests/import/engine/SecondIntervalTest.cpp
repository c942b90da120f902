// A Second-interval variable has no value table this program can write: its answers are
// rejected like any answer that cannot be written (one line each, naming the transaction and
// the answer, the box once for the variable), nothing reaches the other tables, the session
// goes on and the saved id does not wait for them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "EngineFixture.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;

class SecondIntervalTest : public EngineTest {};

TEST_F(SecondIntervalTest, AnswersAreRejectedOneByOneAndTheSessionGoesOn) {
  ServiceMode();
  auto& plant = AddFacility("Plant One");
  AddVariable(plant, 41, "9", 0);  // walked first
  AddVariable(plant, 42, "H", 0);
  AddQuestion(1, 4, 41);
  AddQuestion(1, 5, 42);
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{4, "5"}, {5, "1"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:10:00", .answers = {{4, "6"}, {5, "2"}}});

  ASSERT_TRUE(Run());

  for (const auto& [id, answer] : {std::pair{101, "5"}, std::pair{102, "6"}})
    EXPECT_EQ(LogCount("Rejected the answer '" + std::string(answer) + "' of transaction " + std::to_string(id) +
                       " for VarId 41 of facility 'Plant One' (" + plant.Name() +
                       "): its variable is of the Second interval, which no value table holds. It is not imported; "
                       "the import goes on."),
              1);
  EXPECT_EQ(LogCount("PROMPT= Error occured in WriteToVornKrym for VarId 41"), 1);
  EXPECT_EQ(LogCount("Error in StartImport: 6: Overflow"), 0);
  EXPECT_THAT(Values(plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  for (const char* table : {"datatbl", "datadd1", "datadd5", "dataddf", "datadd3", "datadd4"})
    EXPECT_TRUE(Values(plant, table).empty()) << table;
  EXPECT_EQ(engine->Statistics().LogicalWrites(), 2);
  EXPECT_EQ(LogCount("NTService = True SaveLastTransIdImported = True"), 1);
  EXPECT_EQ(SavedId(), 102);
  EXPECT_TRUE(LogHas("Session Statistics :"));
}

}  // namespace
}  // namespace enginetest
