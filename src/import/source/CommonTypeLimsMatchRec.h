#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/Value.h"

// One record of the DeraRed reader: a row of the answers query (every field) or of
// the log-notes query (ID, external_id_logbook, Trans_Date, Trans_Time,
// Trans_DateTime, Guard and Notes; the others stay Empty). Fields are plain values
// that may be Null; the reader fills them and the import and the source test window
// read them. Records are shared: the reader keeps its records and hands out shared
// references to them.
class CommonTypeLimsMatchRec {
 public:
  core::Value ID;
  core::Value Route_Id;
  core::Value Point_Id;
  core::Value external_id;
  core::Value external_id_logbook;
  core::Value Seqno;
  core::Value RoutePointQuestionID;
  core::Value RoutePointRouteID;
  core::Value Trans_Date;
  core::Value Trans_Time;
  core::Value Trans_DateTime;
  core::Value Point_Desc;
  core::Value Guard;
  core::Value Notes;
  core::Value Inc;
  core::Value Inc1;
  core::Value Inc2;
  core::Value Inc3;
  core::Value Missed_Point;
  core::Value Question_ID1;
  core::Value Answer1;
  core::Value Question_ID2;
  core::Value Answer2;
  core::Value Question_ID3;
  core::Value Answer3;
  core::Value Question_ID4;
  core::Value Answer4;
  core::Value Question_ID5;
  core::Value Answer5;
  core::Value Question_ID6;
  core::Value Answer6;
  core::Value Question_ID7;
  core::Value Answer7;
  core::Value Question_ID8;
  core::Value Answer8;
  core::Value Question_ID9;
  core::Value Answer9;
  core::Value Question_ID10;
  core::Value Answer10;

  // The fields by position, in the order above, for callers that list a whole
  // record (the source test window). Index 0 is ID; an index outside
  // 0..kFieldCount-1 raises core::RuntimeError 9.
  static constexpr int kFieldCount = 39;
  static std::string_view FieldName(int index);
  core::Value& Field(int index);
  const core::Value& Field(int index) const;
  // Question_IDn and Answern of pair n = 1..10; error 9 outside.
  core::Value& QuestionId(int pair);
  const core::Value& QuestionId(int pair) const;
  core::Value& Answer(int pair);
  const core::Value& Answer(int pair) const;

  // The answers DeraRed could not hand over as text (bit n-1 for pair n): the reader read them
  // as bytes, those that are no UTF-8 shown escaped, so what they hold is not the operator's
  // text. No field of the record; Field and kFieldCount do not list it.
  std::uint16_t answersNotHandedOver = 0;
  bool AnswerHandedOver(int pair) const {
    return pair < 1 || pair > 10 || (answersNotHandedOver & (1u << (pair - 1))) == 0;
  }
};
