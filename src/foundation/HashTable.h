#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Value.h"

// A chained hash table from string keys to values: a fixed number of buckets,
// a node list that grows in chunks and a free list of nodes. The hash and the
// enumeration order (buckets from 0 upward, then insertion order within a
// bucket) are fixed on purpose: the configuration file's element order
// follows them.
//
// A key holds either a plain value (core::Value) or an object reference
// (std::shared_ptr<T>); the table shares ownership of the objects it holds and
// lets go of them when their key is removed or overwritten.
//
// Errors are core::RuntimeError: 1001 "Invalid key" (empty key) and "The Hash
// Table isn't empty" (IgnoreCase changed while keys are held), 457 (Add of an
// existing key), 5 (Remove of a missing key), 9 (Keys or Values of an empty
// table). A failed call leaves the table unchanged.
class HashTable {
 public:
  // As SetSize(1024, 2048, 1024).
  HashTable();

  bool IgnoreCase() const { return ignoreCase_; }
  void IgnoreCase(bool on);  // only while the table is empty

  // Drops everything. A list or chunk size that is 0 or negative keeps the
  // current one; a hash size below 1 is error 9 and changes nothing.
  void SetSize(std::int32_t hashSize, std::int32_t listSize = 0, std::int32_t chunkSize = 0);

  bool Exists(std::string_view key) const;
  void Add(std::string_view key, core::Value value);
  template <class T>
  void Add(std::string_view key, std::shared_ptr<T> object) {
    AddAny(key, std::any(std::move(object)));
  }

  // The plain value; Empty for a missing key or a key that holds an object.
  core::Value item(std::string_view key) const;
  // Replaces the key's value, or adds the key when missing.
  void item(std::string_view key, core::Value value);
  template <class T>
  void item(std::string_view key, std::shared_ptr<T> object) {
    SetAny(key, std::any(std::move(object)));
  }
  // The object held under the key; null when the key is missing or holds
  // something else than a T.
  template <class T>
  std::shared_ptr<T> object(std::string_view key) const {
    const std::any* held = FindAny(key);
    if (held == nullptr) return nullptr;
    const auto* p = std::any_cast<std::shared_ptr<T>>(held);
    return p ? *p : nullptr;
  }
  // True when the key exists and holds an object reference.
  bool IsObject(std::string_view key) const;

  void Remove(std::string_view key);
  void RemoveAll();
  std::int32_t Count() const { return count_; }

  // In enumeration order; error 9 when the table is empty.
  std::vector<std::string> Keys() const;
  // The plain values in the order of Keys (Empty where a key holds an object).
  std::vector<core::Value> Values() const;
  // The objects in the order of Keys (null where a key holds no T).
  template <class T>
  std::vector<std::shared_ptr<T>> Objects() const {
    std::vector<std::shared_ptr<T>> out;
    out.reserve(static_cast<std::size_t>(RequireEntries()));
    VisitInOrder([&out](const Slot& s) {
      const auto* p = std::any_cast<std::shared_ptr<T>>(&s.object);
      out.push_back(p ? *p : nullptr);
    });
    return out;
  }

  // The hash of a key: its bytes laid into 32-bit little-endian words, the last
  // one padded with zeros, all words XORed ("AB" is 16961).
  static std::int32_t HashCode(std::string_view key);
  // The bucket a key falls into (a negative hash is taken as unsigned).
  std::int32_t Bucket(std::string_view key) const;

  // Sizes and node bookkeeping, for diagnostics and tests.
  std::int32_t HashSize() const { return hashSize_; }
  std::int32_t ListSize() const { return listSize_; }
  std::int32_t ChunkSize() const { return chunkSize_; }
  std::int32_t NodeCount() const { return static_cast<std::int32_t>(nodes_.size()) - 1; }
  std::int32_t FreeNodes() const;
  // The node that holds the key, 0 when missing.
  std::int32_t NodeIndex(std::string_view key) const;

 private:
  struct Slot {
    std::string key;
    core::Value value;
    std::any object;  // holds a std::shared_ptr<T> for an object reference
    std::int32_t nextNode = 0;
  };
  struct Lookup {
    std::int32_t node = 0;      // 0 when the key is missing
    std::int32_t previous = 0;  // last node of the chain walked, 0 for the bucket head
    std::int32_t bucket = 0;
  };

  void ExpandSlotTable(std::int32_t n);
  std::string NormalKey(std::string_view key) const;
  Lookup Find(const std::string& key) const;
  std::int32_t GetSlotIndex(std::string_view key, bool& create);
  std::int32_t GetFreeSlot();
  void PrepareSlot(std::int32_t node, const std::string& key, const Lookup& where);
  const std::any* FindAny(std::string_view key) const;
  void AddAny(std::string_view key, std::any object);
  void SetAny(std::string_view key, std::any object);
  std::int32_t RequireEntries() const;
  template <class F>
  void VisitInOrder(F&& f) const {
    for (std::int32_t head : buckets_)
      for (std::int32_t n = head; n != 0; n = nodes_[static_cast<std::size_t>(n)].nextNode)
        f(nodes_[static_cast<std::size_t>(n)]);
  }

  bool ignoreCase_ = false;
  std::int32_t hashSize_ = 0;
  std::int32_t listSize_ = 2048;
  std::int32_t chunkSize_ = 1024;
  std::int32_t count_ = 0;
  std::vector<std::int32_t> buckets_;
  std::vector<Slot> nodes_;
  std::int32_t freeHead_ = 0;
};
