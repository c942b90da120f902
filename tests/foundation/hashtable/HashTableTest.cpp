#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "foundation/HashTable.h"

namespace {

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const core::RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

std::string Key(int i) { return "KEY" + std::to_string(i); }

}  // namespace

TEST(HashTableHash, BytesXoredAsLittleEndianWords) {
  struct Case {
    const char* key;
    std::int32_t hash;
  } cases[] = {{"A", 0x41},
               {"AB", 16961},
               {"BA", 0x4142},
               {"ABCD", 0x44434241},
               {"ABCDE", 0x44434241 ^ 0x45},
               {"OPTIONS", 1225203200},
               {"ABCDABCD", 0}};
  for (const auto& c : cases) EXPECT_EQ(HashTable::HashCode(c.key), c.hash) << c.key;
}

TEST(HashTableHash, Buckets) {
  HashTable t;
  EXPECT_EQ(t.Bucket("AB"), 577);
  EXPECT_EQ(t.Bucket("OPTIONS"), 512);
  t.SetSize(4096);
  EXPECT_EQ(t.Bucket("OPTIONS"), 3584);
  EXPECT_EQ(t.Bucket("BA"), 322);
}

TEST(HashTableHash, NegativeHashesStillFallIntoTheTable) {
  // A high-bit byte at position 4 makes the hash negative.
  const std::string key = "ABC\xC3\xA9";
  ASSERT_LT(HashTable::HashCode(key), 0);
  HashTable t;
  const auto expected = static_cast<std::int32_t>(static_cast<std::uint32_t>(HashTable::HashCode(key)) % 1024u);
  EXPECT_EQ(t.Bucket(key), expected);
  t.Add(key, core::Value("accent"));
  t.Add("ABC\xFF", core::Value(1));
  EXPECT_EQ(t.item(key).ToString(), "accent");
  EXPECT_TRUE(t.Exists("ABC\xFF"));
  EXPECT_EQ(t.Keys().size(), 2u);
}

TEST(HashTableSize, ANewTableAndSetSize) {
  HashTable t;
  EXPECT_EQ(t.HashSize(), 1024);
  EXPECT_EQ(t.NodeCount(), 2048);
  EXPECT_EQ(t.FreeNodes(), 2048);
  EXPECT_EQ(t.Count(), 0);
  t.SetSize(4096);
  EXPECT_EQ(t.HashSize(), 4096);
  EXPECT_EQ(t.ListSize(), 2048);
  EXPECT_EQ(t.ChunkSize(), 1024);
  t.SetSize(16, -1, 0);  // missing sizes keep the current ones
  EXPECT_EQ(t.ListSize(), 2048);
  EXPECT_EQ(t.ChunkSize(), 1024);
  t.SetSize(16, 4, 2);
  EXPECT_EQ(t.NodeCount(), 4);
}

TEST(HashTableSize, SetSizeDropsEverything) {
  HashTable t;
  t.Add("A", core::Value(1));
  t.SetSize(64);
  EXPECT_EQ(t.Count(), 0);
  EXPECT_FALSE(t.Exists("A"));
  t.Add("A", core::Value(2));  // no 457: the key is really gone
  EXPECT_EQ(ErrorNumberOf([&] { t.SetSize(0); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { t.SetSize(-5); }), 9);
  EXPECT_EQ(t.HashSize(), 64);
  EXPECT_EQ(t.item("A").ToLong(), 2);
}

TEST(HashTableSize, TheNodeListGrowsByChunksWhenTheFreeListRunsOut) {
  HashTable t;
  for (int i = 1; i <= 2048; ++i) t.Add(Key(i), core::Value(i));
  EXPECT_EQ(t.NodeCount(), 2048);
  EXPECT_EQ(t.FreeNodes(), 0);
  t.Add(Key(2049), core::Value(2049));
  EXPECT_EQ(t.NodeCount(), 3072);
  EXPECT_EQ(t.FreeNodes(), 1023);
  EXPECT_EQ(t.NodeIndex(Key(2049)), 2049);  // the new nodes are taken in ascending order
  EXPECT_EQ(t.Count(), 2049);
  for (int i = 1; i <= 2049; ++i) ASSERT_EQ(t.item(Key(i)).ToLong(), i) << i;
}

TEST(HashTableSize, RemovedNodesAreReusedLastFreedFirst) {
  HashTable t;
  t.SetSize(16, 4, 2);
  for (int i = 1; i <= 4; ++i) t.Add(Key(i), core::Value(i));
  const auto n2 = t.NodeIndex(Key(2)), n3 = t.NodeIndex(Key(3));
  t.Remove(Key(2));
  t.Remove(Key(3));
  EXPECT_FALSE(t.Exists(Key(3)));
  EXPECT_EQ(t.Count(), 2);
  t.Add("NEW1", core::Value(1));
  t.Add("NEW2", core::Value(2));
  EXPECT_EQ(t.NodeIndex("NEW1"), n3);
  EXPECT_EQ(t.NodeIndex("NEW2"), n2);
  EXPECT_EQ(t.NodeCount(), 4);  // no growth while freed nodes are there
  t.Add("NEW3", core::Value(3));
  EXPECT_EQ(t.NodeCount(), 6);
}

TEST(HashTableKeys, ExactComparisonAndIgnoreCase) {
  HashTable t;
  t.Add("abc", core::Value(1));
  t.Add("ABC", core::Value(2));
  EXPECT_EQ(t.Count(), 2);
  EXPECT_FALSE(t.Exists("Abc"));

  HashTable u;
  u.IgnoreCase(true);
  EXPECT_TRUE(u.IgnoreCase());
  u.Add("abc", core::Value(1));
  EXPECT_TRUE(u.Exists("Abc"));
  EXPECT_EQ(u.Keys(), std::vector<std::string>{"ABC"});
  EXPECT_EQ(ErrorNumberOf([&] { u.Add("ABC", core::Value(2)); }), 457);
  EXPECT_EQ(ErrorNumberOf([&] { u.IgnoreCase(false); }), 1001);
  EXPECT_TRUE(u.IgnoreCase());
  u.Remove("aBc");
  u.IgnoreCase(false);  // allowed again once empty
  EXPECT_FALSE(u.IgnoreCase());
}

TEST(HashTableKeys, KeysSharingABucketAreBothFound) {
  const std::string a = "ABCDABCDX", b = "X";
  ASSERT_EQ(HashTable::HashCode(a), HashTable::HashCode(b));
  HashTable t;
  t.Add(a, core::Value("long"));
  t.Add(b, core::Value("short"));
  EXPECT_EQ(t.item(a).ToString(), "long");
  EXPECT_EQ(t.item(b).ToString(), "short");
  EXPECT_EQ(t.Keys(), (std::vector<std::string>{a, b}));  // insertion order inside the bucket
  t.Remove(a);
  EXPECT_EQ(t.item(b).ToString(), "short");
  EXPECT_EQ(t.Keys(), std::vector<std::string>{b});
}

TEST(HashTableKeys, EnumerationFollowsBucketsNotInsertion) {
  HashTable t;
  t.Add("AB", core::Value("ab"));            // bucket 577
  t.Add("OPTIONS", core::Value("options"));  // bucket 512
  t.Add("A", core::Value("a"));              // bucket 65
  EXPECT_EQ(t.Keys(), (std::vector<std::string>{"A", "OPTIONS", "AB"}));
  const auto values = t.Values();
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].ToString(), "a");
  EXPECT_EQ(values[1].ToString(), "options");
  EXPECT_EQ(values[2].ToString(), "ab");
}

TEST(HashTableItems, ReadWriteAddRemove) {
  HashTable t;
  EXPECT_TRUE(t.item("missing").IsEmpty());
  EXPECT_EQ(t.Count(), 0);  // a read adds nothing
  t.item("new", core::Value(5));
  EXPECT_TRUE(t.Exists("new"));
  t.item("new", core::Value("text"));
  EXPECT_EQ(t.item("new").ToString(), "text");
  EXPECT_EQ(t.Count(), 1);
  EXPECT_EQ(ErrorNumberOf([&] { t.Add("new", core::Value(1)); }), 457);
  EXPECT_EQ(t.item("new").ToString(), "text");
  t.Add("null", core::Value::MakeNull());
  EXPECT_TRUE(t.item("null").IsNull());
  t.RemoveAll();
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(t.HashSize(), 1024);
}

TEST(HashTableItems, NumberedErrors) {
  HashTable t;
  struct Case {
    const char* what;
    std::function<void()> call;
    int error;
  } cases[] = {
      {"Add empty", [&] { t.Add("", core::Value(1)); }, 1001},
      {"Exists empty", [&] { t.Exists(""); }, 1001},
      {"item read empty", [&] { t.item(""); }, 1001},
      {"item write empty", [&] { t.item("", core::Value(1)); }, 1001},
      {"Remove empty", [&] { t.Remove(""); }, 1001},
      {"Remove missing", [&] { t.Remove("none"); }, 5},
      {"Keys of empty", [&] { t.Keys(); }, 9},
      {"Values of empty", [&] { t.Values(); }, 9},
      {"Objects of empty", [&] { t.Objects<int>(); }, 9},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorNumberOf(c.call), c.error) << c.what;
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(t.FreeNodes(), 2048);

  try {
    t.Add("k", core::Value(1));
    t.Add("k", core::Value(2));
    FAIL() << "a second Add of the same key raised nothing";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 457);
    EXPECT_EQ(e.Description(), "This key is already associated with an element of this collection");
  }
}

TEST(HashTableObjects, ReferencesAreSharedAndReleasedWithTheirKey) {
  struct Record {
    int id;
  };
  HashTable t;
  auto rec = std::make_shared<Record>(Record{42});
  std::weak_ptr<Record> watch = rec;
  t.Add("R", rec);
  t.item("S", std::make_shared<Record>(Record{7}));
  t.Add("V", core::Value("plain"));
  rec.reset();

  EXPECT_EQ(t.object<Record>("R")->id, 42);
  t.object<Record>("R")->id = 43;  // a reference, not a copy
  EXPECT_EQ(t.object<Record>("R")->id, 43);
  EXPECT_TRUE(t.IsObject("R"));
  EXPECT_FALSE(t.IsObject("V"));
  EXPECT_FALSE(t.object<Record>("V"));
  EXPECT_FALSE(t.object<int>("R"));  // another type
  EXPECT_FALSE(t.object<Record>("missing"));
  EXPECT_TRUE(t.item("R").IsEmpty());

  {
    const auto objects = t.Objects<Record>();
    ASSERT_EQ(objects.size(), 3u);  // R (82), S (83), V (86)
    EXPECT_EQ(objects[0]->id, 43);
    EXPECT_EQ(objects[1]->id, 7);
    EXPECT_FALSE(objects[2]);
  }

  t.Remove("R");
  EXPECT_TRUE(watch.expired());
  t.item("S", core::Value("now plain"));
  EXPECT_FALSE(t.IsObject("S"));
  EXPECT_EQ(t.item("S").ToString(), "now plain");
}
