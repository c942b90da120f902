#include "import/model/CommonTypeVar.h"

#include <algorithm>
#include <exception>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/model/CommonVarGatherer.h"
#include "import/model/VarTypeFunctions.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

using platform::db::Connection;
using platform::db::Recordset;

namespace {

constexpr std::int32_t kExclamation = 48;
// A failure that carries no number of its own.
constexpr int kInternalError = 51;
constexpr int kVariableSymbols = 10;

bool HoldsNumber(const core::Value& v) { return !v.IsNull() && v.IsNumeric(); }

}  // namespace

CommonTypeVar::CommonTypeVar(const KrymSchemaOpener& opener) : opener_(opener) {}

std::string CommonTypeVar::RecordKey(const std::string& facility, std::int32_t varid) {
  return core::UCase(facility + "~" + std::to_string(varid));
}

bool CommonTypeVar::OpenDatabase(Connection& cnn, const std::string& name) const {
  const KrymSchemaOpener::Outcome outcome = opener_.Open(cnn, name);
  if (outcome == KrymSchemaOpener::Outcome::NoSettings) {
    if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(KrymSchemaOpener::kNoSettingsMessage, kExclamation);
  }
  return outcome == KrymSchemaOpener::Outcome::Opened;
}

bool CommonTypeVar::ReadVornKrym(CommonVarGatherer& myVarGatgerer) {
  try {
    {
      Connection root;
      if (!OpenDatabase(root, "QALROOT")) return false;
      if (!LoadSymbols(root)) return false;
    }
    // An empty set still needs one bucket; it simply loads nothing.
    records_.SetSize(std::max<std::int32_t>(2 * myVarGatgerer.TotalVariable(), 1));
    myVarGatgerer.MoveFirst();
    for (; !myVarGatgerer.EOF_Facility(); myVarGatgerer.MoveNext_Facility()) {
      const std::string facility = myVarGatgerer.Current_Facility();
      Connection cnn;
      if (!OpenDatabase(cnn, facility)) continue;
      for (; !myVarGatgerer.EOF_Variable(); myVarGatgerer.MoveNext_Variable())
        ExpandVaridToRecord(facility, myVarGatgerer.Current_Variable(), cnn);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool CommonTypeVar::LoadSymbols(Connection& root) {
  try {
    Recordset rs;
    rs.Open("Symbols", root, platform::db::adCmdTable);
    // Positions a load does not fill hold no symbol, also after an earlier, longer load.
    symbols_.fill(GlobalSymbol{});
    if (rs.Eof()) {
      symbolCount_ = 0;
      return true;
    }
    std::size_t position = 1;
    for (; !rs.Eof(); rs.MoveNext()) {
      const core::Value symbol = rs.Fields("Symbol").Value();
      if (symbol.IsNull()) continue;  // takes no position
      if (position >= kSymbolPositions) return false;
      const core::Value allow = rs.Fields("AllowNumeric").Value();
      symbols_[position].allowNumeric = allow.IsNull() ? std::int16_t{0} : allow.ToInteger();
      symbols_[position].text = core::Trim(symbol.ToString());
      ++position;
    }
    symbolCount_ = static_cast<std::int16_t>(position);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void CommonTypeVar::ExpandVaridToRecord(const std::string& facility, std::int32_t varid, Connection& cnn) {
  const std::string key = RecordKey(facility, varid);
  if (records_.Exists(key)) return;
  auto status = [varid](int number, const std::string& description) {
    CommonGlobals::ShowStatus("Error in Sub ExpandVaridToRecord(VarId = " + std::to_string(varid) + "): Error " +
                                  std::to_string(number) + "  " + core::OutsideText(description),
                              0);
  };
  try {
    Recordset rs;
    rs.Open(
        "select varid,varnum,name,vartype,units,decplaces,description,SOURCE_CNN_APPROVAL,lims_loc,lims_test,"
        "lims_ud1,lims_ud2,lims_ud3,allowsymbol,limit_to_list,list from vardesc where varid=" +
            std::to_string(varid),
        cnn);
    if (rs.Eof()) return;
    auto field = [&rs](const char* name) { return rs.Fields(name).Value(); };

    auto record = std::make_shared<CommonTypeVarRec>();
    record->VarType(field("vartype").ToString());  // a Null type raises
    record->id(varid);
    const core::Value approval = field("SOURCE_CNN_APPROVAL");
    record->DataApproval(approval.IsNull() ? 0 : approval.ToLong());
    record->DecPlaces(field("decplaces"));
    record->Desc(field("description"));
    record->facilID(facility);
    record->Name(field("name"));
    record->Number(field("varnum").ToLong());
    record->Units(field("units"));
    record->LimsLocation(field("lims_loc"));
    record->LimsTest(field("lims_test"));
    record->LimsUD1(field("lims_ud1"));
    record->LimsUD2(field("lims_ud2"));
    record->LimsUD3(field("lims_ud3"));

    // Any number switches symbols on, 0 included.
    record->AllowSymbol(HoldsNumber(field("allowsymbol")));
    if (record->gAllowSymbol()) record->SymbolLoadFailed(!LoadVarSymbols(*record, varid, cnn));

    if (VarTypeFunctions::IsTextParameterVar(record->gVarType())) {
      const core::Value limit = field("limit_to_list");
      record->LimitToLIST(HoldsNumber(limit) && limit.ToBool());
      if (record->gLimitToLIST()) record->LoadTextListHash(field("list").Text());
    } else {
      record->LimitToLIST(false);
    }
    records_.Add(key, record);
  } catch (const core::RuntimeError& e) {
    status(e.Number(), e.Description());
  } catch (const std::exception& e) {
    status(kInternalError, e.what());
  }
}

bool CommonTypeVar::LoadVarSymbols(CommonTypeVarRec& record, std::int32_t varid, Connection& cnn) const {
  try {
    Recordset rs;
    rs.Open(std::string("select symbolrule1,symbolrule2,symbolrule3,symbolrule4,symbolrule5,symbolrule6,"
                        "symbolrule7,symbolrule8,symbolrule9,symbolrule10,") +
                "symbolfactor1,symbolfactor2,symbolfactor3,symbolfactor4,symbolfactor5,symbolfactor6,"
                "symbolfactor7,symbolfactor8,symbolfactor9,symbolfactor10" +
                " from vardesc where varid=" + std::to_string(varid),
            cnn);
    if (rs.Eof()) return true;
    for (int i = 1; i <= kVariableSymbols; ++i) {
      const core::Value rule = rs.Fields("symbolrule" + std::to_string(i)).Value();
      const core::Value factor = rs.Fields("symbolfactor" + std::to_string(i)).Value();
      const std::int16_t r = HoldsNumber(rule) ? rule.ToInteger() : std::int16_t{1};
      const double f = HoldsNumber(factor) ? factor.ToDouble() : 0.0;
      const GlobalSymbol& global = symbols_[static_cast<std::size_t>(i)];
      if (!global.text.empty()) record.AddSymbol(global.text, global.allowNumeric == 1, r, f);
    }
    return true;
  } catch (const std::exception&) {
    // The record keeps the symbols added before the failure.
    return false;
  }
}

std::shared_ptr<CommonTypeVarRec> CommonTypeVar::GetVarRecord(const std::string& facilID, std::int32_t varid) const {
  try {
    return records_.object<CommonTypeVarRec>(RecordKey(facilID, varid));
  } catch (const std::exception&) {
    return nullptr;
  }
}

void CommonTypeVar::AppendFacilVar(std::string& list, const std::string& entry) {
  if (!list.empty()) list += "\t";
  list += entry;
}

bool CommonTypeVar::IsInArray(const std::vector<std::string>& items, const std::string& what) {
  return std::find(items.begin(), items.end(), what) != items.end();
}

template <class Match>
std::string CommonTypeVar::Lookup(const std::string& facilID, Match&& match) const {
  std::string result;
  if (records_.Count() == 0) return result;
  for (const std::string& key : records_.Keys()) {
    // The id follows the last "~", so a facility id holding one still splits right.
    const std::size_t tilde = key.rfind('~');
    if (tilde == std::string::npos || key.substr(0, tilde) != facilID) continue;
    const std::shared_ptr<CommonTypeVarRec> record = records_.object<CommonTypeVarRec>(key);
    if (record && match(*record)) AppendFacilVar(result, key);
  }
  return result;
}

std::string CommonTypeVar::GetVarFromLocTest(const std::string& facilID, const std::string& aLIMS_Loc,
                                             const std::string& aLIMS_Test) const {
  return Lookup(facilID, [&](const CommonTypeVarRec& r) {
    return r.gLimsLocation() == aLIMS_Loc && r.gLimsTest() == aLIMS_Test;
  });
}

std::string CommonTypeVar::GetVarFromLocTestL(const std::string&, const std::string&, const std::string&,
                                              const std::string&) const {
  return "";
}

std::string CommonTypeVar::GetVarFromLocTestLud1(const std::string& facilID, const std::string& aLIMS_Loc,
                                                 const std::string& aLIMS_TestL, const std::string& aLIMS_Ud1,
                                                 const std::string& aSeparator) const {
  return Lookup(facilID, [&](const CommonTypeVarRec& r) {
    return r.gLimsLocation() == aLIMS_Loc && IsInArray(core::Split(r.gLimsTest(), aSeparator), aLIMS_TestL) &&
           (aLIMS_Ud1.empty() || r.gLimsUd1() == aLIMS_Ud1);
  });
}
