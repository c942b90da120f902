#include "features/CommonAINFOnavigator.h"

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"

CommonAINFOnavigator::CommonAINFOnavigator() = default;
CommonAINFOnavigator::~CommonAINFOnavigator() = default;

void CommonAINFOnavigator::LoadMap() { loaded_ = false; }

void CommonAINFOnavigator::MoveFirst_Map() { cursor_ = count_ < 1 ? count_ : 1; }

void CommonAINFOnavigator::MoveNext_Map() { ++cursor_; }

bool CommonAINFOnavigator::EOF_Map() const { return !loaded_ || cursor_ > count_; }

std::string CommonAINFOnavigator::Current_Map() const {
  // Before MoveFirst_Map the cursor stands at 0, which is no entry either.
  if (EOF_Map() || cursor_ < 1 || cursor_ > static_cast<std::int32_t>(mapEntries_.size())) return "";
  return mapEntries_[static_cast<std::size_t>(cursor_ - 1)];
}

void CommonAINFOnavigator::SourceRecord_New() {
  auto record = std::make_shared<HashTable>();
  record->SetSize(count_ < 1 ? 1 : 2 * count_);
  currentSourceRecord_ = std::move(record);
}

void CommonAINFOnavigator::SourceRecord_addTo(const std::string& sourceFieldID, const core::Value& value) {
  const std::string key = core::UCase(sourceFieldID);
  // Without a loaded map no field is wanted; an empty id names no field.
  if (key.empty() || !sourceFieldSet_ || !currentSourceRecord_) return;
  if (!sourceFieldSet_->Exists(key)) return;
  currentSourceRecord_->item(key, value);
}

std::shared_ptr<HashTable> CommonAINFOnavigator::SourceRecord_download() const { return currentSourceRecord_; }

std::shared_ptr<HashTable> CommonAINFOnavigator::TransposeSource2Result(const HashTable* sourceHash,
                                                                        const std::string& facilID,
                                                                        const HashTable* facilityAInfoFields) const {
  try {
    if (!facilityAInfoFields || facilID.empty()) return nullptr;
    const auto fields = facilityAInfoFields->object<HashTable>(facilID);
    if (!fields || fields->Count() == 0) return nullptr;
    if (!facilityMap_) return nullptr;
    const auto mapping = facilityMap_->object<HashTable>(facilID);
    if (!mapping || mapping->Count() == 0) return nullptr;

    auto result = std::make_shared<HashTable>();
    if (sourceHash && sourceHash->Count() > 0) {
      for (const std::string& sourceField : sourceHash->Keys()) {
        if (!mapping->Exists(sourceField)) continue;
        const core::Value value = sourceHash->item(sourceField);
        // A Null source value has nothing to write; it must not cost the record's
        // other fields.
        if (value.IsNull()) continue;
        result->item(mapping->item(sourceField).Text(), core::Value(value.ToString()));
      }
    }
    return result;
  } catch (const core::RuntimeError& e) {
    if (QALLoggerTXT* logger = Program().logger)
      logger->WriteLog("CommonAINFOnavigator.TransposeSource2Result() : Failed with the following error " +
                           std::to_string(e.Number()) + " : " + e.Description(),
                       9);
    return nullptr;
  }
}

void CommonAINFOnavigator::AddMapEntry(const std::string& facility, const std::string& sourceField,
                                       const std::string& aInfoField) {
  if (!facilityMap_) facilityMap_ = std::make_shared<HashTable>();
  auto mapping = facilityMap_->object<HashTable>(facility);
  if (!mapping) {
    mapping = std::make_shared<HashTable>();
    facilityMap_->item(facility, mapping);
  }
  if (!mapping->Exists(sourceField)) mapping->Add(sourceField, core::Value(aInfoField));
}

void CommonAINFOnavigator::AppendEntry(const std::string& entryText, const std::string& facility,
                                       const std::string& sourceField, const std::string& aInfoField) {
  const std::string source = core::UCase(sourceField);
  if (!sourceFieldSet_) sourceFieldSet_ = std::make_shared<HashTable>();
  sourceFieldSet_->item(source, core::Value(true));
  AddMapEntry(facility, source, aInfoField);
  mapEntries_.push_back(entryText);
  count_ = static_cast<std::int32_t>(mapEntries_.size());
  loaded_ = true;
}
