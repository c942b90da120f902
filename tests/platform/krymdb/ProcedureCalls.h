#pragma once

// The Krym procedures' parameter lists exactly as the collector creates them (names,
// types, sizes, directions, in binding order), and a helper that prepares one of
// them as a stored-procedure command. The tests call the procedures only through
// these lists, so a procedure whose signature drifts from the collector's binding
// fails here first.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/Date.h"
#include "core/Value.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/DbTypes.h"

namespace krymdb {

using platform::db::adDate;
using platform::db::adDouble;
using platform::db::adInteger;
using platform::db::adParamInput;
using platform::db::adParamOutput;
using platform::db::adVarChar;
using platform::db::adVarWChar;

struct Arg {
  const char* name;
  platform::db::DataTypeEnum type;
  platform::db::ParameterDirectionEnum direction;
  long size;
};
using ArgList = std::vector<Arg>;

// Daily value table.
inline const ArgList kSeekDaily = {
    {"datestamp_1", adDate, adParamInput, 0},     {"varid_2", adInteger, adParamInput, 0},
    {"curvalue_3", adDouble, adParamOutput, 0},   {"textvalue_4", adVarWChar, adParamOutput, 255},
    {"varid_5", adInteger, adParamOutput, 0},     {"audituser", adVarChar, adParamOutput, 50},
    {"audittimestamp", adDate, adParamOutput, 0}, {"forced", adInteger, adParamOutput, 0},
    {"status", adInteger, adParamOutput, 0}};
inline const ArgList kDeleteDaily = {{"date", adDate, adParamInput, 0},
                                     {"varid", adInteger, adParamInput, 0},
                                     {"audituser", adVarChar, adParamInput, 50}};
inline const ArgList kWriteDaily = {
    {"date", adDate, adParamInput, 0},          {"varid", adInteger, adParamInput, 0},
    {"value", adDouble, adParamInput, 0},       {"textvalue", adVarWChar, adParamInput, 255},
    {"audituser", adVarChar, adParamInput, 50}, {"status", adInteger, adParamInput, 0}};
inline const ArgList kSetForcedDaily = {{"date", adDate, adParamInput, 0},
                                        {"varid", adInteger, adParamInput, 0},
                                        {"audituser", adVarChar, adParamInput, 50},
                                        {"forced", adInteger, adParamInput, 0}};

// Daily comments.
inline const ArgList kWriteDailyComment = {{"date", adDate, adParamInput, 0},
                                           {"varId", adInteger, adParamInput, 0},
                                           {"comment_in", adVarWChar, adParamInput, 2000},
                                           {"audittuser", adVarChar, adParamInput, 50}};
inline const ArgList kDeleteDailyComment = {{"date", adDate, adParamInput, 0},
                                            {"varId", adInteger, adParamInput, 0},
                                            {"audituser", adVarChar, adParamInput, 50}};

// Interval value tables (the procedure name ends in the interval's suffix).
inline const ArgList kWriteSlot = {
    {"date", adDate, adParamInput, 0},          {"varid", adInteger, adParamInput, 0},
    {"value", adDouble, adParamInput, 0},       {"textvalue", adVarWChar, adParamInput, 255},
    {"audituser", adVarChar, adParamInput, 50}, {"slotstarttime", adDate, adParamInput, 0},
    {"slotendtime", adDate, adParamInput, 0},   {"status", adInteger, adParamInput, 0}};
inline const ArgList kSeekSlot = {
    {"datestamp_1", adDate, adParamInput, 0},     {"varid_2", adInteger, adParamInput, 0},
    {"curvalue_3", adDouble, adParamOutput, 0},   {"textvalue_4", adVarWChar, adParamOutput, 255},
    {"varid_5", adInteger, adParamOutput, 0},     {"audituser", adVarChar, adParamOutput, 50},
    {"audittimestamp", adDate, adParamOutput, 0}, {"datestamp_out", adDate, adParamOutput, 0},
    {"slotstarttime", adDate, adParamInput, 0},   {"slotendtime", adDate, adParamInput, 0},
    {"status", adInteger, adParamOutput, 0},      {"forced", adInteger, adParamOutput, 0}};
inline const ArgList kSeekNext = {
    {"varid_in", adInteger, adParamInput, 0},        {"slotstart_in", adDate, adParamInput, 0},
    {"slotend_in", adDate, adParamInput, 0},         {"topnum_in", adInteger, adParamInput, 0},
    {"varid_out", adInteger, adParamOutput, 0},      {"datestamp_out", adDate, adParamOutput, 0},
    {"curvalue_out", adDouble, adParamOutput, 0},    {"textvalue_out", adVarWChar, adParamOutput, 255},
    {"audituser_out", adVarChar, adParamOutput, 50}, {"audittimestamp_out", adDate, adParamOutput, 0},
    {"status_out", adInteger, adParamOutput, 0},     {"forced_out", adInteger, adParamOutput, 0}};
inline const ArgList kDeleteSlot = {{"slotstarttime", adDate, adParamInput, 0},
                                    {"varid", adInteger, adParamInput, 0},
                                    {"audituser", adVarChar, adParamInput, 50},
                                    {"slotendtime", adDate, adParamInput, 0}};
inline const ArgList kSetForcedSlot = {{"slotstarttime", adDate, adParamInput, 0},
                                       {"slotendtime", adDate, adParamInput, 0},
                                       {"varid", adInteger, adParamInput, 0},
                                       {"audituser", adVarChar, adParamInput, 50},
                                       {"forced", adInteger, adParamInput, 0}};
inline const ArgList kSeekSlotComment = {
    {"varid_in", adInteger, adParamInput, 0},    {"comment_out", adVarWChar, adParamOutput, 2000},
    {"audituser", adVarChar, adParamOutput, 50}, {"audittimestamp", adDate, adParamOutput, 0},
    {"slotstarttime", adDate, adParamInput, 0},  {"slotendtime", adDate, adParamInput, 0}};
inline const ArgList kWriteSlotComment = {
    {"datestamp_1", adDate, adParamInput, 0},       {"varid_2", adInteger, adParamInput, 0},
    {"comment_in", adVarWChar, adParamInput, 2000}, {"audituser", adVarChar, adParamInput, 50},
    {"slotstarttime", adDate, adParamInput, 0},     {"slotendtime", adDate, adParamInput, 0}};
inline const ArgList kDeleteSlotComment = {{"slotstarttime", adDate, adParamInput, 0},
                                           {"varid_2", adInteger, adParamInput, 0},
                                           {"slotendtime", adDate, adParamInput, 0},
                                           {"audituser", adVarChar, adParamInput, 50}};

// The interval tables' suffixes with their slot lengths in minutes.
struct Interval {
  const char* suffix;
  int minutes;
};
inline const std::vector<Interval> kIntervals = {{"4", 240}, {"H", 60}, {"3", 30}, {"F", 15}, {"5", 5}, {"1", 1}};

inline std::string IntervalName(const ::testing::TestParamInfo<Interval>& info) {
  return std::string("Suffix_") + info.param.suffix;
}

// A stored-procedure command for name on cn with the given parameters, no values set.
inline platform::db::Command Prepare(platform::db::Connection& cn, const std::string& name, const ArgList& args) {
  platform::db::Command cmd;
  cmd.ActiveConnection(cn);
  cmd.CommandText(name);
  cmd.CommandType(platform::db::adCmdStoredProc);
  for (const Arg& a : args) cmd.CreateParameter(a.name, a.type, a.direction, a.size);
  return cmd;
}

// Prepares, sets the inputs by name and executes once; returns the command so
// that its outputs can be read.
inline platform::db::Command Call(platform::db::Connection& cn, const std::string& name, const ArgList& args,
                                  const std::vector<std::pair<std::string, core::Value>>& inputs) {
  platform::db::Command cmd = Prepare(cn, name, args);
  for (const auto& [param, value] : inputs) cmd.Parameters(param).Value(value);
  cmd.Execute();
  return cmd;
}

inline core::Date At(int year, int month, int day, int hour = 0, int minute = 0, double second = 0) {
  return core::Date::FromParts(year, month, day, hour, minute, second);
}

inline core::Date PlusMinutes(core::Date d, double minutes) { return core::Date(d.Serial() + minutes / 1440.0); }

// Two dates that the database stored to the millisecond.
inline bool SameInstant(core::Date a, core::Date b) { return std::abs(a.Serial() - b.Serial()) * 86400.0 < 0.0005; }

}  // namespace krymdb
