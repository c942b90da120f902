#include "platform/db/OdbcStatement.h"

#include <sqlext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/db/DbException.h"
#include "platform/db/InFlightCalls.h"
#include "platform/db/OdbcCall.h"
#include "platform/db/OdbcLink.h"
#include "platform/db/Parameter.h"
#include "platform/db/WideText.h"

namespace platform::db {

namespace {

// OffsetTimestamp is SQL Server's datetimeoffset, whose text carries its zone.
enum class Kind { Int16, Int32, Int64, Double, Bool, Date, Time, Timestamp, OffsetTimestamp, Text, Binary };

Kind KindOfColumn(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_SMALLINT:
    case SQL_TINYINT: return Kind::Int16;
    case SQL_INTEGER: return Kind::Int32;
    case SQL_BIGINT: return Kind::Int64;
    case SQL_BIT: return Kind::Bool;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL: return Kind::Double;
    case SQL_TYPE_DATE:
    case SQL_DATE: return Kind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case -154: return Kind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return Kind::Timestamp;
    case -155:
      return Kind::OffsetTimestamp;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return Kind::Binary;
    default: return Kind::Text;
  }
}

Kind KindOfParameter(DataTypeEnum t) {
  switch (t) {
    case adSmallInt:
    case adTinyInt: return Kind::Int16;
    case adInteger: return Kind::Int32;
    case adBigInt: return Kind::Int64;
    case adSingle:
    case adDouble:
    case adCurrency:
    case adNumeric: return Kind::Double;
    case adBoolean: return Kind::Bool;
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp: return Kind::Timestamp;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary: return Kind::Binary;
    default: return Kind::Text;
  }
}

core::Value Whole64(long long v) {
  if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
    return core::Value(static_cast<std::int32_t>(v));
  return core::Value(static_cast<double>(v));
}

core::Value FromTimestamp(const SQL_TIMESTAMP_STRUCT& t) {
  try {
    return core::Value(core::Date::FromParts(t.year, t.month, t.day, t.hour, t.minute,
                                             t.second + t.fraction / 1e9));
  } catch (const core::RuntimeError&) {
    // A date outside the calendar (before the year 100 or after 9999) cannot be held as a date.
    // It is kept as its text, so one such cell does not fail the whole result: whoever reads it
    // finds a text that is no date and can say so.
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", static_cast<int>(t.year),
                  static_cast<unsigned>(t.month), static_cast<unsigned>(t.day), static_cast<unsigned>(t.hour),
                  static_cast<unsigned>(t.minute), static_cast<unsigned>(t.second));
    return core::Value(std::string(text));
  }
}

SQL_TIMESTAMP_STRUCT ToTimestamp(core::Date d) {
  // Split rounds to the millisecond, which is what the value tables key on.
  const auto p = d.Split();
  SQL_TIMESTAMP_STRUCT t{};
  t.year = static_cast<SQLSMALLINT>(p.year);
  t.month = static_cast<SQLUSMALLINT>(p.month);
  t.day = static_cast<SQLUSMALLINT>(p.day);
  t.hour = static_cast<SQLUSMALLINT>(p.hour);
  t.minute = static_cast<SQLUSMALLINT>(p.minute);
  t.second = static_cast<SQLUSMALLINT>(p.second);
  t.fraction = static_cast<SQLUINTEGER>(p.millisecond) * 1000000u;
  return t;
}

// One bound parameter's memory; it must stay put from bind to the end of the run, as must a
// parameter whose own bytes are bound.
struct Slot {
  std::vector<unsigned char> data;
  SQLLEN indicator = 0;
};

constexpr size_t kTextUnitsMin = 255;

template <class T>
void Store(Slot& s, T v) {
  s.data.resize(sizeof v);
  std::memcpy(s.data.data(), &v, sizeof v);
  s.indicator = static_cast<SQLLEN>(sizeof v);
}

template <class T>
T Load(const Slot& s) {
  T v;
  std::memcpy(&v, s.data.data(), sizeof v);
  return v;
}

size_t DeclaredSize(const Parameter& p) { return static_cast<size_t>(std::max(p.Size(), 0L)); }

// Fills the slot from the parameter and binds it at position.
void Bind(SQLHSTMT st, SQLUSMALLINT position, const Parameter& p, Slot& s, DriverFamily family) {
  SQLSMALLINT io = SQL_PARAM_INPUT;
  if (p.Direction() == adParamOutput || p.Direction() == adParamReturnValue) io = SQL_PARAM_OUTPUT;
  if (p.Direction() == adParamInputOutput) io = SQL_PARAM_INPUT_OUTPUT;
  // Outputs start as NULL, so a driver that leaves one untouched gives Null, never a stale value.
  const bool has = p.IsInput() && !p.IsNull();
  const core::Value& v = p.Value();
  SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR, digits = 0;
  SQLULEN columnSize = 0;
  SQLPOINTER buffer = nullptr;  // the slot's memory unless told otherwise
  SQLLEN bufferSize = 0;

  switch (KindOfParameter(p.Type())) {
    case Kind::Int16:
      Store(s, static_cast<SQLSMALLINT>(has ? v.ToInteger() : 0));
      cType = SQL_C_SSHORT, sqlType = SQL_SMALLINT;
      break;
    case Kind::Int32:
      Store(s, static_cast<SQLINTEGER>(has ? v.ToLong() : 0));
      cType = SQL_C_SLONG, sqlType = SQL_INTEGER;
      break;
    case Kind::Int64: {
      const double d = has ? std::nearbyint(v.ToDouble()) : 0;
      if (std::fabs(d) > 9.2e18) core::Raise(core::err::kOverflow, "Command");
      Store(s, static_cast<SQLBIGINT>(d));
      cType = SQL_C_SBIGINT, sqlType = SQL_BIGINT;
      break;
    }
    case Kind::Double:
      Store(s, has ? v.ToDouble() : 0.0);
      cType = SQL_C_DOUBLE, sqlType = SQL_DOUBLE;
      break;
    case Kind::Bool:
      Store(s, static_cast<unsigned char>(has && v.ToBool() ? 1 : 0));
      cType = SQL_C_BIT, sqlType = SQL_BIT;
      break;
    case Kind::Date:
    case Kind::Time:
    case Kind::Timestamp:
    case Kind::OffsetTimestamp:
      Store(s, has ? ToTimestamp(v.ToDate()) : SQL_TIMESTAMP_STRUCT{});
      cType = SQL_C_TYPE_TIMESTAMP, sqlType = SQL_TYPE_TIMESTAMP;
      columnSize = 23;
      digits = 3;
      break;
    case Kind::Text: {
      std::vector<SQLWCHAR> units = WideText::FromUtf8(has ? v.ToString() : std::string());
      const size_t length = units.size() - 1;
      // Outputs get room for twice the declared size: the driver cuts what does not fit.
      size_t capacity = length + 1;
      if (p.IsOutput()) capacity = std::max(capacity, std::max(DeclaredSize(p), kTextUnitsMin) * 2 + 1);
      units.resize(capacity, 0);
      s.data.resize(capacity * sizeof(SQLWCHAR));
      std::memcpy(s.data.data(), units.data(), s.data.size());
      s.indicator = static_cast<SQLLEN>(length * sizeof(SQLWCHAR));
      cType = SQL_C_WCHAR;
      // Never declare less than the value holds: nothing is cut on the way in.
      columnSize = std::max<SQLULEN>({DeclaredSize(p), length, 1});
      const bool wide = p.Type() == adVarWChar || p.Type() == adWChar || p.Type() == adLongVarWChar;
      if (wide) sqlType = columnSize > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
      else sqlType = columnSize > 8000 ? SQL_LONGVARCHAR : SQL_VARCHAR;
      break;
    }
    case Kind::Binary: {
      const auto& bytes = p.Bytes();
      const size_t length = has ? bytes.size() : 0;
      if (io == SQL_PARAM_INPUT && length) {
        // An input the driver only reads is bound where the parameter keeps it: a file's
        // bytes are not copied once more.
        buffer = const_cast<unsigned char*>(bytes.data());
        bufferSize = static_cast<SQLLEN>(length);
      } else {
        size_t capacity = length;
        if (p.IsOutput()) capacity = std::max<size_t>({capacity, DeclaredSize(p), 8000});
        s.data.assign(std::max<size_t>(capacity, 1), 0);
        if (length) std::memcpy(s.data.data(), bytes.data(), length);
      }
      s.indicator = static_cast<SQLLEN>(length);
      cType = SQL_C_BINARY;
      columnSize = std::max<SQLULEN>({DeclaredSize(p), length, 1});
      // psqlODBC takes a long binary for a large object; bytea is a plain binary.
      sqlType = family == DriverFamily::PostgreSQL || columnSize <= 8000 ? SQL_VARBINARY : SQL_LONGVARBINARY;
      break;
    }
  }
  if (!has) s.indicator = SQL_NULL_DATA;
  if (!buffer) {
    buffer = s.data.data();
    bufferSize = static_cast<SQLLEN>(s.data.size());
  }
  OdbcCall::Check(SQLBindParameter(st, position, io, cType, sqlType, columnSize, digits, buffer, bufferSize,
                                   &s.indicator),
                  SQL_HANDLE_STMT, st, "SQLBindParameter");
}

// Puts what the driver left in an output slot back into the parameter.
void ReadBack(Parameter& p, const Slot& s) {
  if (s.indicator == SQL_NULL_DATA) {
    if (p.IsBinary()) p.Bytes({});
    p.Value(core::Value::MakeNull());
    return;
  }
  switch (KindOfParameter(p.Type())) {
    case Kind::Int16: p.Value(core::Value(static_cast<std::int16_t>(Load<SQLSMALLINT>(s)))); break;
    case Kind::Int32: p.Value(core::Value(static_cast<std::int32_t>(Load<SQLINTEGER>(s)))); break;
    case Kind::Int64: p.Value(Whole64(Load<SQLBIGINT>(s))); break;
    case Kind::Double: p.Value(core::Value(Load<double>(s))); break;
    case Kind::Bool: p.Value(core::Value(s.data[0] != 0)); break;
    case Kind::Date:
    case Kind::Time:
    case Kind::Timestamp:
    case Kind::OffsetTimestamp:
      p.Value(FromTimestamp(Load<SQL_TIMESTAMP_STRUCT>(s)));
      break;
    case Kind::Text: {
      const size_t capacity = s.data.size() / sizeof(SQLWCHAR) - 1;
      const size_t units = s.indicator == SQL_NO_TOTAL
                               ? capacity
                               : std::min(capacity, static_cast<size_t>(s.indicator) / sizeof(SQLWCHAR));
      std::vector<SQLWCHAR> w(units + 1);
      std::memcpy(w.data(), s.data.data(), units * sizeof(SQLWCHAR));
      p.Value(core::Value(WideText::ToUtf8(w.data(), units)));
      break;
    }
    case Kind::Binary: {
      const size_t n = s.indicator == SQL_NO_TOTAL ? s.data.size()
                                                   : std::min(s.data.size(), static_cast<size_t>(s.indicator));
      p.Bytes(std::vector<unsigned char>(s.data.begin(), s.data.begin() + static_cast<std::ptrdiff_t>(n)));
      break;
    }
  }
}

}  // namespace

OdbcStatement::OdbcStatement(OdbcLink& link, int timeoutSeconds)
    : link_(link), stmt_(SQL_HANDLE_STMT, link.Dbc()), timeoutSeconds_(timeoutSeconds) {
  SetTimeout(timeoutSeconds);
}

void OdbcStatement::SetTimeout(int seconds) {
  const SQLULEN t = seconds > 0 ? static_cast<SQLULEN>(seconds) : 0;
  try {
    OdbcCall::Check(SQLSetStmtAttr(stmt_.Get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(t), 0),
                    SQL_HANDLE_STMT, stmt_.Get(), "SQLSetStmtAttr");
  } catch (const DbException& e) {
    // A driver without statement timeouts still runs the statement.
    if (e.Errors().front().SqlState() != "HYC00") throw;
  }
}

void OdbcStatement::Begin(const InFlightCall& call) {
  const int seconds = InFlightCalls::TimeoutFor(call, timeoutSeconds_);
  if (seconds != timeoutSeconds_) SetTimeout(seconds);
}

std::unique_ptr<ResultTable> OdbcStatement::Run(const std::string& text, const std::vector<Parameter*>& params,
                                                long* recordsAffected, const RowSink* sink) {
  SQLHSTMT st = stmt_.Get();
  auto check = [st](SQLRETURN rc, const char* what) { return OdbcCall::Check(rc, SQL_HANDLE_STMT, st, what); };

  std::vector<Slot> slots(params.size());
  for (size_t i = 0; i < params.size(); ++i)
    Bind(st, static_cast<SQLUSMALLINT>(i + 1), *params[i], slots[i], link_.Family());

  auto wide = WideText::FromUtf8(text);
  // From here until every result is read, a stop may cancel the statement from another thread.
  const InFlightCall inFlight(st);
  Begin(inFlight);
  SQLRETURN rc = check(SQLExecDirectW(st, wide.data(), SQL_NTS), "SQLExecDirect");

  // Drivers fill output parameters only once every result has been read.
  std::unique_ptr<ResultTable> first;
  long affected = -1;
  bool counted = false;
  if (rc != SQL_NO_DATA) {
    for (;;) {
      SQLSMALLINT columns = 0;
      check(SQLNumResultCols(st, &columns), "SQLNumResultCols");
      if (columns > 0) {
        if (!first) first = ReadAll(sink);
      } else if (!counted) {
        SQLLEN n = -1;
        check(SQLRowCount(st, &n), "SQLRowCount");
        affected = static_cast<long>(n);
        counted = true;
      }
      if (check(SQLMoreResults(st), "SQLMoreResults") == SQL_NO_DATA) break;
    }
  } else {
    affected = 0;  // a searched statement that touched no row
  }
  if (recordsAffected) *recordsAffected = affected;

  for (size_t i = 0; i < params.size(); ++i) {
    if (params[i]->IsOutput()) ReadBack(*params[i], slots[i]);
  }
  return first;
}

namespace {

// Reads n digits at text[pos]; false when they are not all there.
bool Digits(std::string_view text, std::size_t& pos, std::size_t n, int& out) {
  if (pos + n > text.size()) return false;
  out = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  pos += n;
  return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

// "hh:mm:ss[.fff...]" at pos.
bool ReadClock(std::string_view text, std::size_t& pos, int& hour, int& minute, double& second) {
  int s = 0;
  if (!Digits(text, pos, 2, hour) || !Expect(text, pos, ':') || !Digits(text, pos, 2, minute) ||
      !Expect(text, pos, ':') || !Digits(text, pos, 2, s))
    return false;
  second = s;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    double scale = 0.1;
    const std::size_t first = pos;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, scale /= 10)
      second += (text[pos] - '0') * scale;
    if (pos == first) return false;
  }
  return hour <= 23 && minute <= 59 && s <= 59;
}

// A date, time or timestamp in the text form every ODBC driver gives for SQL_C_CHAR
// ("yyyy-mm-dd", "hh:mm:ss[.f]", "yyyy-mm-dd hh:mm:ss[.f]"); none when the text is not one
// exactly, or its date is outside the calendar.
std::optional<core::Date> ParseOdbcDateText(std::string_view text, Kind kind) {
  std::size_t pos = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double second = 0;
  if (kind == Kind::Time) {
    if (!ReadClock(text, pos, hour, minute, second) || pos != text.size()) return std::nullopt;
    return core::Date::FromTime(hour, minute, second);
  }
  if (!Digits(text, pos, 4, year) || !Expect(text, pos, '-') || !Digits(text, pos, 2, month) ||
      !Expect(text, pos, '-') || !Digits(text, pos, 2, day))
    return std::nullopt;
  if (pos < text.size() && (!Expect(text, pos, ' ') || !ReadClock(text, pos, hour, minute, second)))
    return std::nullopt;
  if (pos != text.size() || month < 1 || month > 12 || day < 1) return std::nullopt;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) return std::nullopt;
  try {
    return core::Date::FromParts(year, month, day, hour, minute, second);
  } catch (const core::RuntimeError&) {
    return std::nullopt;  // before the year 100
  }
}

// One cell of the current row, read as its column's kind.
core::Value ReadCell(SQLHSTMT st, SQLUSMALLINT column, Kind kind) {
  SQLLEN ind = 0;
  auto get = [&](SQLSMALLINT cType, void* buf, SQLLEN len) {
    return OdbcCall::Check(SQLGetData(st, column, cType, buf, len, &ind), SQL_HANDLE_STMT, st, "SQLGetData");
  };
  // Each conversion runs only on a value that is there: a NULL leaves the buffer unset.
  auto got = [&](SQLSMALLINT cType, void* buf) { return get(cType, buf, 0) != SQL_NO_DATA && ind != SQL_NULL_DATA; };
  const core::Value null = core::Value::MakeNull();

  switch (kind) {
    case Kind::Int16: {
      SQLSMALLINT x = 0;
      return got(SQL_C_SSHORT, &x) ? core::Value(static_cast<std::int16_t>(x)) : null;
    }
    case Kind::Int32: {
      SQLINTEGER x = 0;
      return got(SQL_C_SLONG, &x) ? core::Value(static_cast<std::int32_t>(x)) : null;
    }
    case Kind::Int64: {
      SQLBIGINT x = 0;
      return got(SQL_C_SBIGINT, &x) ? Whole64(x) : null;
    }
    case Kind::Double: {
      double x = 0;
      return got(SQL_C_DOUBLE, &x) ? core::Value(x) : null;
    }
    case Kind::Bool: {
      unsigned char x = 0;
      return got(SQL_C_BIT, &x) ? core::Value(x != 0) : null;
    }
    case Kind::Date:
    case Kind::Time:
    case Kind::Timestamp: {
      // Read as text and parsed here: psqlODBC hands a date it cannot parse (a year of five
      // digits) over as today's, with success. A text that is no date of the calendar is kept
      // as it came, so one such cell does not fail the whole result: whoever reads it finds a
      // text that is no date and can say so.
      char text[64] = {};
      if (get(SQL_C_CHAR, text, static_cast<SQLLEN>(sizeof text)) == SQL_NO_DATA || ind == SQL_NULL_DATA) return null;
      const std::string_view view(text, strnlen(text, sizeof text - 1));
      if (const std::optional<core::Date> d = ParseOdbcDateText(view, kind)) return core::Value(*d);
      return core::Value(std::string(view));
    }
    case Kind::OffsetTimestamp: {
      SQL_TIMESTAMP_STRUCT x{};
      return got(SQL_C_TYPE_TIMESTAMP, &x) ? FromTimestamp(x) : null;
    }
    case Kind::Text: {
      // Long texts come in pieces, each ended by a 0 unit.
      SQLWCHAR buf[4096];
      constexpr size_t kUnits = sizeof buf / sizeof buf[0];
      constexpr SQLLEN kBytes = static_cast<SQLLEN>(sizeof buf);
      std::vector<SQLWCHAR> all;
      for (;;) {
        const SQLRETURN rc = get(SQL_C_WCHAR, buf, kBytes);
        if (rc == SQL_NO_DATA) break;
        if (ind == SQL_NULL_DATA) return null;
        const bool more = rc == SQL_SUCCESS_WITH_INFO &&
                          (ind == SQL_NO_TOTAL || ind >= kBytes - static_cast<SQLLEN>(sizeof(SQLWCHAR)));
        const size_t units = more ? kUnits - 1 : static_cast<size_t>(ind) / sizeof(SQLWCHAR);
        all.insert(all.end(), buf, buf + units);
        if (!more) break;
      }
      return core::Value(WideText::ToUtf8(all.data(), all.size()));
    }
    case Kind::Binary: {
      std::vector<unsigned char> buf(65536);
      const SQLLEN bytes = static_cast<SQLLEN>(buf.size());
      std::string all;
      for (;;) {
        const SQLRETURN rc = get(SQL_C_BINARY, buf.data(), bytes);
        if (rc == SQL_NO_DATA) break;
        if (ind == SQL_NULL_DATA) return null;
        const bool more = rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > bytes);
        all.append(reinterpret_cast<const char*>(buf.data()), more ? buf.size() : static_cast<size_t>(ind));
        if (!more) break;
      }
      return core::Value(std::move(all));
    }
  }
  return null;
}

}  // namespace

std::vector<std::string> OdbcStatement::PrimaryKeyColumns(const std::string& schema, const std::string& table) {
  SQLHSTMT st = stmt_.Get();
  auto wideSchema = WideText::FromUtf8(schema);
  auto wideTable = WideText::FromUtf8(table);
  const InFlightCall inFlight(st);
  Begin(inFlight);
  OdbcCall::Check(SQLPrimaryKeysW(st, nullptr, 0, schema.empty() ? nullptr : wideSchema.data(),
                                  schema.empty() ? 0 : SQL_NTS, wideTable.data(), SQL_NTS),
                  SQL_HANDLE_STMT, st, "SQLPrimaryKeys");
  // The result's columns: TABLE_CAT, TABLE_SCHEM, TABLE_NAME, COLUMN_NAME, KEY_SEQ, PK_NAME.
  std::unique_ptr<ResultTable> keys = ReadAll();
  std::vector<std::pair<std::int32_t, std::string>> ordered;
  for (const auto& row : keys->rows) {
    if (row.size() < 5 || row[3].IsNull()) continue;
    ordered.emplace_back(row[4].IsNull() ? 0 : row[4].ToLong(), row[3].Text());
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> columns;
  for (auto& [seq, name] : ordered) columns.push_back(std::move(name));
  return columns;
}

std::unique_ptr<ResultTable> OdbcStatement::ReadAll(const RowSink* sink) {
  SQLHSTMT st = stmt_.Get();
  auto check = [st](SQLRETURN rc, const char* what) { return OdbcCall::Check(rc, SQL_HANDLE_STMT, st, what); };
  auto table = std::make_unique<ResultTable>();
  SQLSMALLINT count = 0;
  check(SQLNumResultCols(st, &count), "SQLNumResultCols");
  std::vector<Kind> kinds;
  for (SQLUSMALLINT c = 1; c <= count; ++c) {
    SQLWCHAR name[512] = {};
    constexpr SQLSMALLINT kNameUnits = static_cast<SQLSMALLINT>(sizeof name / sizeof name[0]);
    SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    check(SQLDescribeColW(st, c, name, kNameUnits, &nameLen, &type, &size, &digits, &nullable), "SQLDescribeCol");
    ResultTable::Column col;
    col.name = WideText::ToUtf8(name, static_cast<size_t>(std::min<SQLSMALLINT>(nameLen, kNameUnits - 1)));
    col.sqlType = type;
    col.type = ResultTable::TypeOf(type);
    col.size = size;
    table->columns.push_back(std::move(col));
    kinds.push_back(KindOfColumn(type));
  }
  while (check(SQLFetch(st), "SQLFetch") != SQL_NO_DATA) {
    std::vector<core::Value> row;
    row.reserve(static_cast<size_t>(count));
    for (SQLUSMALLINT c = 1; c <= count; ++c) row.push_back(ReadCell(st, c, kinds[c - 1]));
    if (sink)
      (*sink)(*table, row);
    else
      table->rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace platform::db
