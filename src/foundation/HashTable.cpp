#include "foundation/HashTable.h"

#include <cstring>

#include "core/RuntimeError.h"
#include "core/Text.h"

namespace {

constexpr const char* kSource = "HashTable";
constexpr int kInvalidKey = 1001;
constexpr int kDuplicateKey = 457;
constexpr const char* kDuplicateText = "This key is already associated with an element of this collection";

[[noreturn]] void RaiseInvalidKey() { throw core::RuntimeError(kInvalidKey, "Invalid key", kSource); }

}  // namespace

HashTable::HashTable() { SetSize(1024, 2048, 1024); }

void HashTable::IgnoreCase(bool on) {
  if (count_ > 0) throw core::RuntimeError(kInvalidKey, "The Hash Table isn't empty", kSource);
  ignoreCase_ = on;
}

void HashTable::SetSize(std::int32_t hashSize, std::int32_t listSize, std::int32_t chunkSize) {
  // No bucket array can be made for fewer than one bucket.
  if (hashSize < 1) core::Raise(core::err::kSubscript, kSource);
  if (listSize > 0) listSize_ = listSize;
  if (chunkSize > 0) chunkSize_ = chunkSize;
  hashSize_ = hashSize;
  count_ = 0;
  freeHead_ = 0;
  buckets_.assign(static_cast<std::size_t>(hashSize_), 0);
  nodes_.clear();
  nodes_.shrink_to_fit();
  nodes_.emplace_back();  // node 0 is never used, so 0 can mean "no node"
  ExpandSlotTable(listSize_);
}

void HashTable::ExpandSlotTable(std::int32_t n) {
  if (n <= 0) return;
  const auto first = static_cast<std::int32_t>(nodes_.size());
  nodes_.resize(nodes_.size() + static_cast<std::size_t>(n));
  // The new nodes are chained in ascending order in front of the free list.
  for (std::int32_t i = first; i < first + n - 1; ++i) nodes_[static_cast<std::size_t>(i)].nextNode = i + 1;
  nodes_[static_cast<std::size_t>(first + n - 1)].nextNode = freeHead_;
  freeHead_ = first;
}

std::int32_t HashTable::HashCode(std::string_view key) {
  std::uint32_t hash = 0;
  for (std::size_t i = 0; i < key.size(); i += 4) {
    std::uint32_t word = 0;
    for (std::size_t b = 0; b < 4 && i + b < key.size(); ++b)
      word |= static_cast<std::uint32_t>(static_cast<unsigned char>(key[i + b])) << (8 * b);
    hash ^= word;
  }
  return static_cast<std::int32_t>(hash);
}

std::int32_t HashTable::Bucket(std::string_view key) const {
  // For the non-negative hashes of ASCII keys this is the plain remainder; a
  // negative hash (a key with high-bit bytes) is taken as unsigned so that it
  // still lands inside the bucket array.
  const auto hash = static_cast<std::uint32_t>(HashCode(key));
  return static_cast<std::int32_t>(hash % static_cast<std::uint32_t>(hashSize_));
}

std::string HashTable::NormalKey(std::string_view key) const {
  if (key.empty()) RaiseInvalidKey();
  return ignoreCase_ ? core::UCase(key) : std::string(key);
}

HashTable::Lookup HashTable::Find(const std::string& key) const {
  Lookup where;
  where.bucket = Bucket(key);
  for (std::int32_t n = buckets_[static_cast<std::size_t>(where.bucket)]; n != 0;
       n = nodes_[static_cast<std::size_t>(n)].nextNode) {
    if (nodes_[static_cast<std::size_t>(n)].key == key) {
      where.node = n;
      return where;
    }
    where.previous = n;
  }
  return where;
}

std::int32_t HashTable::GetSlotIndex(std::string_view rawKey, bool& create) {
  const std::string key = NormalKey(rawKey);
  const Lookup where = Find(key);
  if (where.node != 0) {
    create = false;
    return where.node;
  }
  if (!create) return 0;
  const std::int32_t node = GetFreeSlot();
  PrepareSlot(node, key, where);
  return node;
}

std::int32_t HashTable::GetFreeSlot() {
  if (freeHead_ == 0) ExpandSlotTable(chunkSize_);
  const std::int32_t node = freeHead_;
  Slot& slot = nodes_[static_cast<std::size_t>(node)];
  freeHead_ = slot.nextNode;
  slot.nextNode = 0;
  ++count_;
  return node;
}

void HashTable::PrepareSlot(std::int32_t node, const std::string& key, const Lookup& where) {
  Slot& slot = nodes_[static_cast<std::size_t>(node)];
  slot.key = key;
  slot.value = core::Value();
  slot.object.reset();
  if (where.previous != 0)
    nodes_[static_cast<std::size_t>(where.previous)].nextNode = node;
  else
    buckets_[static_cast<std::size_t>(where.bucket)] = node;
}

bool HashTable::Exists(std::string_view key) const { return NodeIndex(key) != 0; }

std::int32_t HashTable::NodeIndex(std::string_view key) const { return Find(NormalKey(key)).node; }

void HashTable::Add(std::string_view key, core::Value value) {
  bool created = true;
  const std::int32_t node = GetSlotIndex(key, created);
  if (!created) throw core::RuntimeError(kDuplicateKey, kDuplicateText, kSource);
  nodes_[static_cast<std::size_t>(node)].value = std::move(value);
}

void HashTable::AddAny(std::string_view key, std::any object) {
  bool created = true;
  const std::int32_t node = GetSlotIndex(key, created);
  if (!created) throw core::RuntimeError(kDuplicateKey, kDuplicateText, kSource);
  nodes_[static_cast<std::size_t>(node)].object = std::move(object);
}

core::Value HashTable::item(std::string_view key) const {
  const std::int32_t node = NodeIndex(key);
  if (node == 0) return core::Value();
  return nodes_[static_cast<std::size_t>(node)].value;
}

void HashTable::item(std::string_view key, core::Value value) {
  bool create = true;
  Slot& slot = nodes_[static_cast<std::size_t>(GetSlotIndex(key, create))];
  slot.value = std::move(value);
  slot.object.reset();
}

void HashTable::SetAny(std::string_view key, std::any object) {
  bool create = true;
  Slot& slot = nodes_[static_cast<std::size_t>(GetSlotIndex(key, create))];
  slot.value = core::Value();
  slot.object = std::move(object);
}

const std::any* HashTable::FindAny(std::string_view key) const {
  const std::int32_t node = NodeIndex(key);
  if (node == 0) return nullptr;
  const Slot& slot = nodes_[static_cast<std::size_t>(node)];
  return slot.object.has_value() ? &slot.object : nullptr;
}

bool HashTable::IsObject(std::string_view key) const { return FindAny(key) != nullptr; }

void HashTable::Remove(std::string_view rawKey) {
  const Lookup where = Find(NormalKey(rawKey));
  if (where.node == 0) core::Raise(core::err::kInvalidCall, kSource);
  Slot& slot = nodes_[static_cast<std::size_t>(where.node)];
  if (where.previous != 0)
    nodes_[static_cast<std::size_t>(where.previous)].nextNode = slot.nextNode;
  else
    buckets_[static_cast<std::size_t>(where.bucket)] = slot.nextNode;
  slot.nextNode = freeHead_;
  freeHead_ = where.node;
  --count_;
  // The node keeps its key until it is reused, but an object it held is let go
  // now, so that removing a key really releases what it referred to.
  slot.value = core::Value();
  slot.object.reset();
}

void HashTable::RemoveAll() { SetSize(hashSize_, listSize_, chunkSize_); }

std::int32_t HashTable::RequireEntries() const {
  if (count_ == 0) core::Raise(core::err::kSubscript, kSource);
  return count_;
}

std::vector<std::string> HashTable::Keys() const {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(RequireEntries()));
  VisitInOrder([&out](const Slot& s) { out.push_back(s.key); });
  return out;
}

std::vector<core::Value> HashTable::Values() const {
  std::vector<core::Value> out;
  out.reserve(static_cast<std::size_t>(RequireEntries()));
  VisitInOrder([&out](const Slot& s) { out.push_back(s.value); });
  return out;
}

std::int32_t HashTable::FreeNodes() const {
  std::int32_t n = 0;
  for (std::int32_t f = freeHead_; f != 0; f = nodes_[static_cast<std::size_t>(f)].nextNode) ++n;
  return n;
}
