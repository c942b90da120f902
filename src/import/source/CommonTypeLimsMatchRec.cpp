#include "import/source/CommonTypeLimsMatchRec.h"

#include "core/RuntimeError.h"

namespace {

using Rec = CommonTypeLimsMatchRec;
using Member = core::Value Rec::*;

struct FieldEntry {
  std::string_view name;
  Member member;
};

constexpr std::array<FieldEntry, Rec::kFieldCount> kFields = {{
    {"ID", &Rec::ID},
    {"Route_Id", &Rec::Route_Id},
    {"Point_Id", &Rec::Point_Id},
    {"external_id", &Rec::external_id},
    {"external_id_logbook", &Rec::external_id_logbook},
    {"Seqno", &Rec::Seqno},
    {"RoutePointQuestionID", &Rec::RoutePointQuestionID},
    {"RoutePointRouteID", &Rec::RoutePointRouteID},
    {"Trans_Date", &Rec::Trans_Date},
    {"Trans_Time", &Rec::Trans_Time},
    {"Trans_DateTime", &Rec::Trans_DateTime},
    {"Point_Desc", &Rec::Point_Desc},
    {"Guard", &Rec::Guard},
    {"Notes", &Rec::Notes},
    {"Inc", &Rec::Inc},
    {"Inc1", &Rec::Inc1},
    {"Inc2", &Rec::Inc2},
    {"Inc3", &Rec::Inc3},
    {"Missed_Point", &Rec::Missed_Point},
    {"Question_ID1", &Rec::Question_ID1},
    {"Answer1", &Rec::Answer1},
    {"Question_ID2", &Rec::Question_ID2},
    {"Answer2", &Rec::Answer2},
    {"Question_ID3", &Rec::Question_ID3},
    {"Answer3", &Rec::Answer3},
    {"Question_ID4", &Rec::Question_ID4},
    {"Answer4", &Rec::Answer4},
    {"Question_ID5", &Rec::Question_ID5},
    {"Answer5", &Rec::Answer5},
    {"Question_ID6", &Rec::Question_ID6},
    {"Answer6", &Rec::Answer6},
    {"Question_ID7", &Rec::Question_ID7},
    {"Answer7", &Rec::Answer7},
    {"Question_ID8", &Rec::Question_ID8},
    {"Answer8", &Rec::Answer8},
    {"Question_ID9", &Rec::Question_ID9},
    {"Answer9", &Rec::Answer9},
    {"Question_ID10", &Rec::Question_ID10},
    {"Answer10", &Rec::Answer10},
}};

// Question_ID1 is the 20th field; the pairs follow it.
constexpr int kFirstQuestion = 19;

const FieldEntry& Entry(int index, const char* source) {
  if (index < 0 || index >= Rec::kFieldCount) core::Raise(core::err::kSubscript, source);
  return kFields[static_cast<std::size_t>(index)];
}

int PairIndex(int pair, bool answer, const char* source) {
  if (pair < 1 || pair > 10) core::Raise(core::err::kSubscript, source);
  return kFirstQuestion + 2 * (pair - 1) + (answer ? 1 : 0);
}

}  // namespace

std::string_view CommonTypeLimsMatchRec::FieldName(int index) {
  return Entry(index, "CommonTypeLimsMatchRec.FieldName").name;
}

core::Value& CommonTypeLimsMatchRec::Field(int index) {
  return this->*Entry(index, "CommonTypeLimsMatchRec.Field").member;
}

const core::Value& CommonTypeLimsMatchRec::Field(int index) const {
  return this->*Entry(index, "CommonTypeLimsMatchRec.Field").member;
}

core::Value& CommonTypeLimsMatchRec::QuestionId(int pair) { return Field(PairIndex(pair, false, "QuestionId")); }
const core::Value& CommonTypeLimsMatchRec::QuestionId(int pair) const {
  return Field(PairIndex(pair, false, "QuestionId"));
}
core::Value& CommonTypeLimsMatchRec::Answer(int pair) { return Field(PairIndex(pair, true, "Answer")); }
const core::Value& CommonTypeLimsMatchRec::Answer(int pair) const { return Field(PairIndex(pair, true, "Answer")); }
