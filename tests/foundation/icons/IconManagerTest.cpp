// Keys to image positions through the manager's four operations, with adapters that record
// what they were told.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/IconManager.h"

namespace {

struct FakeToolbar : IconManager::Toolbar {
  std::vector<std::string> keys;
  std::vector<int> images;  // -1: never set
  int failAt = 0;           // a button whose image cannot be set

  explicit FakeToolbar(std::vector<std::string> k) : keys(std::move(k)), images(keys.size(), -1) {}
  int ButtonCount() const override { return static_cast<int>(keys.size()); }
  std::string ButtonKey(int button) const override { return keys.at(button - 1); }
  void SetButtonImage(int button, int position) override {
    if (button == failAt) throw std::runtime_error("image list missing");
    images.at(button - 1) = position;
  }
};

struct FakePicture : IconManager::Picture {
  int image = -1;  // -1: never set
  void SetImage(int position) override { image = position; }
};

int ToolbarPosition(const std::string& key) {
  FakeToolbar bar({key});
  IconManager().initToolbar(bar);
  return bar.images[0];
}

TEST(IconManager, KeysIgnoreCaseAndSynonymsShareAPosition) {
  struct Case {
    const char* key;
    int position;
  } cases[] = {
      {"setup", 92},         {"Settings", 92}, {"exit", 28},      {"CLOSE", 28},     {"selectvar", 107},
      {"browse", 107},       {"wizard", 31},   {"ADVANCED", 133}, {"advanced", 133}, {"Exclude", 133},
      {"include", 134},      {"vkrym", 135},   {"first", 1},      {"help", 44},      {"clock_red", 94},
      {"nosuch", 0},         {"", 0},          {" setup", 0},     {"setup ", 0},     {"setup/exit", 0},
      {"COPY/COPYBLOCK", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolbarPosition(c.key), c.position) << "key \"" << c.key << "\"";
}

TEST(IconManager, EveryKeyOfTheTableFindsItsOwnPosition) {
  std::set<std::string> seen;
  for (int position = 1; position <= IconManager::kImageCount; ++position) {
    const std::vector<std::string> keys = IconManager::KeysAt(position);
    EXPECT_FALSE(keys.empty()) << position;
    for (const std::string& key : keys) {
      EXPECT_TRUE(seen.insert(key).second) << key << " twice";
      EXPECT_EQ(ToolbarPosition(key), position) << key;
    }
  }
  EXPECT_EQ(seen.size(), 174u);
  EXPECT_TRUE(IconManager::KeysAt(0).empty());
  EXPECT_TRUE(IconManager::KeysAt(136).empty());
  EXPECT_EQ(IconManager::KeysAt(133), (std::vector<std::string>{"EXCLUDE", "ADVANCED"}));
}

TEST(IconManager, ToolbarButtonsGetTheirImagesAndAnUnknownKeyNone) {
  FakeToolbar bar({"save", "nosuch", "Help", "close"});
  IconManager().initToolbar(bar);
  EXPECT_EQ(bar.images, (std::vector<int>{14, 0, 44, 28}));
}

TEST(IconManager, AToolbarThatFailsStopsTheWalkAtThatButton) {
  FakeToolbar bar({"save", "check", "help", "close"});
  bar.failAt = 2;
  EXPECT_NO_THROW(IconManager().initToolbar(bar));
  EXPECT_EQ(bar.images, (std::vector<int>{14, -1, -1, -1}));
}

TEST(IconManager, PicturesKeepWhatTheyShowedForAnUnknownKey) {
  IconManager icons;
  using Op = void (IconManager::*)(IconManager::Picture&, const std::string&) const;
  const Op ops[] = {&IconManager::initButton, &IconManager::initCtlUniButtonImageXP, &IconManager::InitForm};
  for (Op op : ops) {
    FakePicture picture;
    (icons.*op)(picture, "EXIT");
    EXPECT_EQ(picture.image, 28);
    (icons.*op)(picture, "no such key");
    EXPECT_EQ(picture.image, 28);
    (icons.*op)(picture, "vkrym");
    EXPECT_EQ(picture.image, 135);
  }
}

TEST(IconManager, TheCallersKeyIsLeftAsItWas) {
  FakePicture picture;
  std::string key = "setup";
  IconManager().initButton(picture, key);
  EXPECT_EQ(key, "setup");
  EXPECT_EQ(picture.image, 92);
}

}  // namespace
