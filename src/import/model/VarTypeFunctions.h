#pragma once

#include <cstdint>
#include <string_view>

#include "core/Date.h"

// The one place that reads a Krym variable's one-letter type code (vardesc.vartype). The letter
// names both the interval at which the variable holds values and its kind:
//
//   interval     parameter calculated text   value table  slots per day
//   Day              P        C        T     DATATBL          1
//   4 Hours          4        G        E     DATADD4          6
//   Hour             H        N        B     DATADDH         24
//   30 Minutes       3        W        Q     DATADD3         48
//   15 Minutes       F        V        X     DATADDF         96
//   5 Minutes        5        Y        R     DATADD5        288
//   Minute           1        S        A     DATADD1       1440
//   Second           9        0        8     DATADDX      86400 (does not fit: overflow)
//
// A code belongs to a letter set when it occurs in it as a run of letters, ignoring case, so the
// empty code belongs to every set and "PC" to the Day set. Each function below tests the sets in
// an order of its own and takes the first that holds the code; for the empty code the order
// decides the answer. All functions are stateless.
namespace VarTypeFunctions {

bool IsDailyVar(std::string_view code);
bool Is4HourVar(std::string_view code);
bool IsHourlyVar(std::string_view code);
bool Is30MinuteVar(std::string_view code);
bool Is15MinuteVar(std::string_view code);
bool Is5MinuteVar(std::string_view code);
bool IsMinuteVar(std::string_view code);
bool IsSecondVar(std::string_view code);

bool IsParameterVar(std::string_view code);
bool IsCalculatedVar(std::string_view code);
bool IsTextParameterVar(std::string_view code);

// "Parameter", "Calculated" or "Text Parameter"; "Parameter" for a code in no kind set.
std::string_view GetVarKindName(std::string_view code);
// "Day", "4 Hours", ... "Second"; "Day" for a code in no interval set.
std::string_view GetVarIntervalName(std::string_view code);
// DATATBL for daily variables, DATADD plus the interval's suffix otherwise; DATATBL for a code
// in no set.
std::string_view GetDataTableName(std::string_view code);
// Raises core::RuntimeError 6 (overflow) for a Second code: 86400 does not fit 16 bits.
std::int16_t GetSlotsPerDay(std::string_view code);
// The start of the slot of the code's interval that holds d (milliseconds are dropped); midnight
// of d's day for a code in no set.
core::Date GetSlotStartDate(core::Date d, std::string_view code);

}  // namespace VarTypeFunctions
