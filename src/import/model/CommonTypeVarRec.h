#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Value.h"
#include "foundation/HashTable.h"

// One Krym variable's definition in memory: its identity and presentation (facility, id,
// number, name, units, description, type letter, decimal places), the approval level its values
// are written with, the fields that match it to source data, its symbols with their rules, its
// list of allowed texts, and optional processing settings (SCADA tag, statistic and factor,
// range and dead-band filters, a filter tag, the interface type and a time window inside the
// variable's interval).
//
// Every field has a setter named after the field that converts what it is given (database
// values, Null included) and a getter named after the field with a "g" in front. The record
// owns its symbol lists and its text list; it holds no database handle. The time-window setters
// read VarType and InterfaceType, so those two are set first.
class CommonTypeVarRec {
 public:
  CommonTypeVarRec();

  // The number of symbols added; AddSymbol stores the next one at this index.
  std::int16_t SymbolCount() const { return symbolCount_; }
  void SymbolCount(std::int16_t n) { symbolCount_ = n; }

  // Loads the allowed texts from a TAB-separated list: each entry trimmed and upper-cased,
  // empty entries skipped, a new entry numbered after those already held, a repeated one not.
  void LoadTextListHash(const std::string& what);
  // The number of an allowed text (trimmed, any case); 1 for an empty or unlisted text.
  std::int16_t GetTextListHashIndex(const std::string& what) const;
  // Whether the text (trimmed, any case) is one of the allowed texts.
  bool IsListedText(const std::string& what) const;

  void AddSymbol(const std::string& Symbol, bool AllowNumeric, std::int16_t Rule, double factor);
  // Fills the outputs from the symbol at 0-based index i; an index outside
  // 0..SymbolCount()-1 leaves them as they were.
  void GetSymbolByIndex(std::int16_t i, std::string& Symbol, bool& AllowNumeric, std::int16_t& Rule,
                        double& factor) const;
  // Whether reading the variable's symbols failed (a lost link, a query that failed): the
  // symbols then are only those added before the failure. False when they loaded, also when
  // there were none.
  void SymbolLoadFailed(bool failed) { symbolLoadFailed_ = failed; }
  bool gSymbolLoadFailed() const { return symbolLoadFailed_; }

  // Identity, presentation and source matching. Texts given as values read Null as "".
  void AllowSymbol(bool on) { allowSymbol_ = on; }
  void LimitToLIST(bool on) { limitToList_ = on; }
  void DataApproval(std::int32_t level) { dataApproval_ = level; }
  void Desc(const core::Value& v) { desc_ = v.Text(); }
  // Rounded half to even; 5 when the value is no number that fits 16 bits (Null, text, 40000).
  void DecPlaces(const core::Value& v);
  void Name(const core::Value& v) { name_ = v.Text(); }
  void Units(const core::Value& v) { units_ = v.Text(); }
  void VarType(const std::string& code) { varType_ = code; }
  void facilID(const std::string& id) { facilID_ = id; }
  void id(std::int32_t varid) { id_ = varid; }
  void Number(std::int32_t n) { number_ = n; }
  void LimsLocation(const core::Value& v) { limsLocation_ = v.Text(); }
  void LimsTest(const core::Value& v) { limsTest_ = v.Text(); }
  void LimsUD1(const core::Value& v) { limsUd1_ = v.Text(); }
  void LimsUD2(const core::Value& v) { limsUd2_ = v.Text(); }
  void LimsUD3(const core::Value& v) { limsUd3_ = v.Text(); }

  const std::string& gFacilID() const { return facilID_; }
  std::int32_t gID() const { return id_; }
  std::int32_t gNumber() const { return number_; }
  const std::string& gName() const { return name_; }
  const std::string& gUnits() const { return units_; }
  const std::string& gVarType() const { return varType_; }
  std::int16_t gDecPlaces() const { return decPlaces_; }
  const std::string& gDesc() const { return desc_; }
  std::int32_t gDataApproval() const { return dataApproval_; }
  const std::string& gLimsLocation() const { return limsLocation_; }
  const std::string& gLimsTest() const { return limsTest_; }
  const std::string& gLimsUd1() const { return limsUd1_; }
  const std::string& gLimsUd2() const { return limsUd2_; }
  const std::string& gLimsUd3() const { return limsUd3_; }
  bool gAllowSymbol() const { return allowSymbol_; }
  bool gLimitToLIST() const { return limitToList_; }

  // Optional settings.
  void FilterValue(const core::Value& v);    // 0 when not a number
  void FilterOperand(const core::Value& v);  // trimmed
  void FilterTag(const core::Value& v);      // trimmed
  // Minutes into the interval: a time of day up to the interval's length, else 0.
  void StartTime(const core::Value& v);
  // Minutes into the interval, capped at its length (a daily type counts the minute it names,
  // and adds a day when InterfaceType is 1); the interval's length when not a date-time.
  void StopTime(const core::Value& v);
  void InterfaceType(const core::Value& v);  // 0 for "SAME" in any case, else 1
  void DeadBand(const core::Value& v) { deadBand_ = v; }
  void LowRangeFilter(const core::Value& v) { lowRangeFilter_ = v; }
  void HighRangeFilter(const core::Value& v) { highRangeFilter_ = v; }
  void ScadaFactor(const core::Value& v);  // 1 when 0 or not a number
  void ScadaStat(const core::Value& v);    // upper-cased
  void ScadaTag(const core::Value& v);     // trimmed

  const std::string& gScadaTag() const { return scadaTag_; }
  const std::string& gScadaStat() const { return scadaStat_; }
  double gScadaFactor() const { return scadaFactor_; }
  const core::Value& gHighRangeFilter() const { return highRangeFilter_; }
  const core::Value& gLowRangeFilter() const { return lowRangeFilter_; }
  const core::Value& gDeadBand() const { return deadBand_; }
  std::int32_t gInterfaceType() const { return interfaceType_; }
  std::int32_t gStartTimeMinutes() const { return startTimeMinutes_; }
  std::int32_t gStopTimeMinutes() const { return stopTimeMinutes_; }
  const std::string& gFilterTag() const { return filterTag_; }
  const std::string& gFilterOperand() const { return filterOperand_; }
  double gFilterValue() const { return filterValue_; }

 private:
  struct Symbol {
    std::string text;
    bool allowNumeric = false;
    std::int16_t rule = 0;
    double factor = 0;
  };

  std::int32_t IntervalMinutes() const;

  std::string facilID_;
  std::int32_t id_ = 0;
  std::int32_t number_ = 0;
  std::string name_, units_, desc_, varType_;
  std::int16_t decPlaces_ = 0;
  std::int32_t dataApproval_ = 0;
  std::string limsLocation_, limsTest_, limsUd1_, limsUd2_, limsUd3_;
  bool allowSymbol_ = false;
  bool symbolLoadFailed_ = false;
  bool limitToList_ = false;

  double filterValue_ = 0;
  std::string filterOperand_, filterTag_;
  std::int32_t startTimeMinutes_ = 0;
  std::int32_t stopTimeMinutes_ = 0;
  std::int32_t interfaceType_ = 0;
  core::Value deadBand_, lowRangeFilter_, highRangeFilter_;
  double scadaFactor_ = 0;
  std::string scadaStat_, scadaTag_;

  std::int16_t symbolCount_ = 0;
  std::vector<Symbol> symbols_;
  // allowed text (trimmed, upper case) -> its number as text; none until the first entry
  std::unique_ptr<HashTable> textList_;
};
