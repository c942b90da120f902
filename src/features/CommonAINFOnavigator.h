#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Value.h"

class HashTable;

// The additional-information map: which field of a source record goes into which
// additional-information field of which Krym facility. It collects one source
// record at a time (source field id -> value) and turns it into the values of one
// facility's additional-information fields for the facility writer.
//
// The navigator owns its map and its current source record; tables handed out
// (SourceRecord_download, TransposeSource2Result) are shared with the caller.
// Tables passed in are only read during the call.
class CommonAINFOnavigator {
 public:
  CommonAINFOnavigator();
  ~CommonAINFOnavigator();
  CommonAINFOnavigator(const CommonAINFOnavigator&) = delete;
  CommonAINFOnavigator& operator=(const CommonAINFOnavigator&) = delete;

  // Called before every import and source test. No map source is configured, so
  // it only marks the map as not loaded.
  void LoadMap();

  void MoveFirst_Map();
  void MoveNext_Map();
  std::int32_t Count_Map() const { return count_; }
  // The map entry at the cursor; "" at the end of the map.
  std::string Current_Map() const;
  // True while no map is loaded, or when the cursor is past the last entry.
  bool EOF_Map() const;

  // Starts a new, empty source record sized for the map.
  void SourceRecord_New();
  // Puts a value into the current record under the upper-cased field id, but
  // only for a field the map uses and only once a record was started.
  void SourceRecord_addTo(const std::string& sourceFieldID, const core::Value& value);
  // The current record (null before the first SourceRecord_New).
  std::shared_ptr<HashTable> SourceRecord_download() const;

  // The additional-information values (field -> value as text) of facility facilID
  // for one source record (upper-case field id -> value). facilityAInfoFields maps
  // each facility to the table of its additional-information fields. Null when the
  // facility has no such fields or no mapping, or on a failure (logged).
  std::shared_ptr<HashTable> TransposeSource2Result(const HashTable* sourceHash, const std::string& facilID,
                                                    const HashTable* facilityAInfoFields) const;

 protected:
  // Maps a source field to an additional-information field of a facility; the
  // first mapping of a source field per facility wins.
  void AddMapEntry(const std::string& facility, const std::string& sourceField, const std::string& aInfoField);
  // One loaded map entry: its text (read through the cursor), its source field
  // (entered upper-cased among the fields the map uses) and its mapping. Marks the
  // map loaded. This is what a map loader does per enabled entry.
  void AppendEntry(const std::string& entryText, const std::string& facility, const std::string& sourceField,
                   const std::string& aInfoField);

 private:
  bool loaded_ = false;
  std::int32_t cursor_ = 0;  // 1-based
  std::int32_t count_ = 0;
  std::shared_ptr<HashTable> sourceFieldSet_;       // upper-case source field id -> present
  std::vector<std::string> mapEntries_;             // entry n at index n - 1
  std::shared_ptr<HashTable> facilityMap_;          // facility -> (source field -> ai field)
  std::shared_ptr<HashTable> currentSourceRecord_;  // upper-case source field id -> value
};
