#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/HashTable.h"
#include "import/model/CommonTypeVarRec.h"
#include "import/model/KrymSchemaOpener.h"

class CommonVarGatherer;

namespace platform::db {
class Connection;
}

// The definitions of every Krym variable of a gathered set, loaded once per import so that the
// import can look one up for every source answer without asking the database again; and the
// root schema's global symbol table, from which each variable takes its symbols (a variable's
// symbol i is always global symbol i).
//
// Records are kept under "FACILITY~VARID" (upper case) and shared with the callers of
// GetVarRecord. The opener is borrowed and must outlive the object; connections are opened and
// closed inside ReadVornKrym.
class CommonTypeVar {
 public:
  explicit CommonTypeVar(const KrymSchemaOpener& opener = KrymSchemaOpener::Standard());

  // After a load, one more than the number of global symbols (0 for an empty table).
  std::int16_t SymbolCount() const { return symbolCount_; }
  void SymbolCount(std::int16_t n) { symbolCount_ = n; }

  // Loads the global symbols, then the definition of every variable of the set (walking it
  // from MoveFirst). A facility whose schema cannot be opened gets no records; a variable whose
  // row cannot be read gets none and a status line. False when the root schema cannot be
  // opened or its symbols cannot be loaded (more than 15 of them among them). A variable whose
  // own symbols could not be read keeps its record, marked (gSymbolLoadFailed).
  bool ReadVornKrym(CommonVarGatherer& myVarGatgerer);

  // The record of that facility (any case) and variable, or null.
  std::shared_ptr<CommonTypeVarRec> GetVarRecord(const std::string& facilID, std::int32_t varid) const;

  // "FACILITY~VARID" of every record of facilID (compared exactly, so in upper case) whose
  // source location and test equal the ones given, TAB-separated in key order; "" for none.
  std::string GetVarFromLocTest(const std::string& facilID, const std::string& aLIMS_Loc,
                                const std::string& aLIMS_Test) const;
  // Always "".
  std::string GetVarFromLocTestL(const std::string& facilID, const std::string& aLIMS_Loc,
                                 const std::string& aLIMS_TestL, const std::string& aSeparator) const;
  // As GetVarFromLocTest, where the record's test is a list split at aSeparator that must hold
  // aLIMS_TestL, and, when aLIMS_Ud1 is not "", the record's first user field must equal it.
  std::string GetVarFromLocTestLud1(const std::string& facilID, const std::string& aLIMS_Loc,
                                    const std::string& aLIMS_TestL, const std::string& aLIMS_Ud1,
                                    const std::string& aSeparator) const;

 private:
  // Positions 1..15 hold symbols; position 0 is never used.
  static constexpr std::size_t kSymbolPositions = 16;
  struct GlobalSymbol {
    std::string text;
    std::int16_t allowNumeric = 0;
  };

  static std::string RecordKey(const std::string& facility, std::int32_t varid);
  static void AppendFacilVar(std::string& list, const std::string& entry);
  static bool IsInArray(const std::vector<std::string>& items, const std::string& what);
  bool OpenDatabase(platform::db::Connection& cnn, const std::string& name) const;
  bool LoadSymbols(platform::db::Connection& root);
  void ExpandVaridToRecord(const std::string& facility, std::int32_t varid, platform::db::Connection& cnn);
  // Adds the variable's symbols to the record. False when reading them failed (the record
  // keeps the symbols added before the failure); true when they loaded or there were none.
  bool LoadVarSymbols(CommonTypeVarRec& record, std::int32_t varid, platform::db::Connection& cnn) const;
  // Calls match for the facility and record of every key of facilID, in key order.
  template <class Match>
  std::string Lookup(const std::string& facilID, Match&& match) const;

  const KrymSchemaOpener& opener_;
  std::int16_t symbolCount_ = 0;
  std::array<GlobalSymbol, kSymbolPositions> symbols_{};
  HashTable records_;  // record key -> CommonTypeVarRec
};
