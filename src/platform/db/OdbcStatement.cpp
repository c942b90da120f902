#include "platform/db/OdbcStatement.h"

#include <sqlext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/db/DbException.h"
#include "platform/db/OdbcCall.h"
#include "platform/db/OdbcLink.h"
#include "platform/db/Parameter.h"
#include "platform/db/WideText.h"

namespace platform::db {

namespace {

enum class Kind { Int16, Int32, Int64, Double, Bool, Date, Time, Timestamp, Text, Binary };

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
    case -155: return Kind::Timestamp;
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
  return core::Value(core::Date::FromParts(t.year, t.month, t.day, t.hour, t.minute,
                                           t.second + t.fraction / 1e9));
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

// One bound parameter's memory; it must stay put from bind to the end of the run.
struct Slot {
  std::vector<unsigned char> data;
  SQLLEN indicator = 0;
};

constexpr size_t kTextUnitsMin = 255;

}  // namespace

OdbcStatement::OdbcStatement(OdbcLink& link, int timeoutSeconds)
    : link_(link), stmt_(SQL_HANDLE_STMT, link.Dbc()) {
  const SQLULEN t = timeoutSeconds > 0 ? static_cast<SQLULEN>(timeoutSeconds) : 0;
  try {
    OdbcCall::Check(SQLSetStmtAttr(stmt_.Get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(t), 0),
                    SQL_HANDLE_STMT, stmt_.Get(), "SQLSetStmtAttr");
  } catch (const DbException& e) {
    // A driver without statement timeouts still runs the statement.
    if (e.Errors().front().SqlState() != "HYC00") throw;
  }
}

std::unique_ptr<ResultTable> OdbcStatement::Run(const std::string& text, const std::vector<Parameter*>& params,
                                                long* recordsAffected) {
  SQLHSTMT st = stmt_.Get();
  auto check = [st](SQLRETURN rc, const char* what) { return OdbcCall::Check(rc, SQL_HANDLE_STMT, st, what); };
  const bool postgres = link_.Family() == DriverFamily::PostgreSQL;

  std::vector<Slot> slots(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    const Parameter& p = *params[i];
    Slot& s = slots[i];
    const Kind kind = KindOfParameter(p.Type());
    SQLSMALLINT io = SQL_PARAM_INPUT;
    if (p.Direction() == adParamOutput || p.Direction() == adParamReturnValue) io = SQL_PARAM_OUTPUT;
    if (p.Direction() == adParamInputOutput) io = SQL_PARAM_INPUT_OUTPUT;
    const bool in = p.IsInput();
    const bool null = in ? p.IsNull() : true;
    SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR, digits = 0;
    SQLULEN columnSize = 0;

    auto fixed = [&](auto v, SQLSMALLINT c, SQLSMALLINT sql) {
      s.data.resize(sizeof v);
      std::memcpy(s.data.data(), &v, sizeof v);
      cType = c;
      sqlType = sql;
    };
    switch (kind) {
      case Kind::Int16: fixed(static_cast<SQLSMALLINT>(in && !null ? p.Value().ToInteger() : 0), SQL_C_SSHORT, SQL_SMALLINT); break;
      case Kind::Int32: fixed(static_cast<SQLINTEGER>(in && !null ? p.Value().ToLong() : 0), SQL_C_SLONG, SQL_INTEGER); break;
      case Kind::Int64: {
        const double d = in && !null ? std::nearbyint(p.Value().ToDouble()) : 0;
        if (std::fabs(d) > 9.2e18) core::Raise(core::err::kOverflow, "Command");
        fixed(static_cast<SQLBIGINT>(d), SQL_C_SBIGINT, SQL_BIGINT);
        break;
      }
      case Kind::Double: fixed(in && !null ? p.Value().ToDouble() : 0.0, SQL_C_DOUBLE, SQL_DOUBLE); break;
      case Kind::Bool: fixed(static_cast<unsigned char>(in && !null && p.Value().ToBool() ? 1 : 0), SQL_C_BIT, SQL_BIT); break;
      case Kind::Date:
      case Kind::Time:
      case Kind::Timestamp:
        fixed(in && !null ? ToTimestamp(p.Value().ToDate()) : SQL_TIMESTAMP_STRUCT{}, SQL_C_TYPE_TIMESTAMP,
              SQL_TYPE_TIMESTAMP);
        columnSize = 23;
        digits = 3;
        break;
      case Kind::Text: {
        const bool wide = p.Type() == adVarWChar || p.Type() == adWChar || p.Type() == adLongVarWChar;
        std::vector<SQLWCHAR> units = WideText::FromUtf8(in && !null ? p.Value().ToString() : std::string());
        const size_t length = units.size() - 1;
        // Outputs get room for the declared size at least, generously: the
        // driver cuts what does not fit.
        size_t capacity = length + 1;
        if (p.IsOutput()) capacity = std::max(capacity, std::max<size_t>(p.Size(), kTextUnitsMin) * 2 + 1);
        units.resize(capacity, 0);
        s.data.resize(capacity * sizeof(SQLWCHAR));
        std::memcpy(s.data.data(), units.data(), s.data.size());
        s.indicator = static_cast<SQLLEN>(length * sizeof(SQLWCHAR));
        cType = SQL_C_WCHAR;
        // Never declare less than the value holds: nothing is cut on the way in.
        columnSize = std::max<SQLULEN>({static_cast<SQLULEN>(std::max(p.Size(), 0L)), length, 1});
        if (wide) sqlType = columnSize > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
        else sqlType = columnSize > 8000 ? SQL_LONGVARCHAR : SQL_VARCHAR;
        break;
      }
      case Kind::Binary: {
        const auto& bytes = p.Bytes();
        size_t capacity = in && !null ? bytes.size() : 0;
        if (p.IsOutput()) capacity = std::max<size_t>({capacity, static_cast<size_t>(std::max(p.Size(), 0L)), 8000});
        s.data.assign(std::max<size_t>(capacity, 1), 0);
        if (in && !null && !bytes.empty()) std::memcpy(s.data.data(), bytes.data(), bytes.size());
        s.indicator = static_cast<SQLLEN>(in && !null ? bytes.size() : 0);
        cType = SQL_C_BINARY;
        columnSize = std::max<SQLULEN>({static_cast<SQLULEN>(std::max(p.Size(), 0L)), bytes.size(), 1});
        // psqlODBC takes a long binary for a large object; bytea is a plain binary.
        sqlType = postgres || columnSize <= 8000 ? SQL_VARBINARY : SQL_LONGVARBINARY;
        break;
      }
    }
    if (kind != Kind::Text && kind != Kind::Binary) s.indicator = static_cast<SQLLEN>(s.data.size());
    if (null) s.indicator = SQL_NULL_DATA;
    check(SQLBindParameter(st, static_cast<SQLUSMALLINT>(i + 1), io, cType, sqlType, columnSize, digits,
                           s.data.data(), static_cast<SQLLEN>(s.data.size()), &s.indicator),
          "SQLBindParameter");
  }

  auto wide = WideText::FromUtf8(text);
  SQLRETURN rc = check(SQLExecDirectW(st, wide.data(), SQL_NTS), "SQLExecDirect");

  std::unique_ptr<ResultTable> first;
  long affected = -1;
  bool counted = false;
  if (rc != SQL_NO_DATA) {
    for (;;) {
      SQLSMALLINT columns = 0;
      check(SQLNumResultCols(st, &columns), "SQLNumResultCols");
      if (columns > 0) {
        if (!first) first = ReadAll();
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
    Parameter& p = *params[i];
    if (!p.IsOutput()) continue;
    const Slot& s = slots[i];
    if (s.indicator == SQL_NULL_DATA) {
      if (p.IsBinary()) p.Bytes({});
      p.Value(core::Value::MakeNull());
      continue;
    }
    const unsigned char* d = s.data.data();
    switch (KindOfParameter(p.Type())) {
      case Kind::Int16: { SQLSMALLINT v; std::memcpy(&v, d, sizeof v); p.Value(core::Value(static_cast<std::int16_t>(v))); break; }
      case Kind::Int32: { SQLINTEGER v; std::memcpy(&v, d, sizeof v); p.Value(core::Value(static_cast<std::int32_t>(v))); break; }
      case Kind::Int64: { SQLBIGINT v; std::memcpy(&v, d, sizeof v); p.Value(Whole64(v)); break; }
      case Kind::Double: { double v; std::memcpy(&v, d, sizeof v); p.Value(core::Value(v)); break; }
      case Kind::Bool: p.Value(core::Value(d[0] != 0)); break;
      case Kind::Date:
      case Kind::Time:
      case Kind::Timestamp: { SQL_TIMESTAMP_STRUCT v; std::memcpy(&v, d, sizeof v); p.Value(FromTimestamp(v)); break; }
      case Kind::Text: {
        const size_t capacityUnits = s.data.size() / sizeof(SQLWCHAR) - 1;
        size_t units = s.indicator == SQL_NO_TOTAL ? capacityUnits
                                                   : std::min(capacityUnits, static_cast<size_t>(s.indicator) / sizeof(SQLWCHAR));
        std::vector<SQLWCHAR> w(units + 1);
        std::memcpy(w.data(), d, units * sizeof(SQLWCHAR));
        w.pop_back();
        p.Value(core::Value(WideText::ToUtf8(w.data(), w.size())));
        break;
      }
      case Kind::Binary: {
        size_t n = s.indicator == SQL_NO_TOTAL ? s.data.size() : std::min(s.data.size(), static_cast<size_t>(s.indicator));
        p.Bytes(std::vector<unsigned char>(d, d + n));
        break;
      }
    }
  }
  return first;
}

std::unique_ptr<ResultTable> OdbcStatement::ReadAll() {
  SQLHSTMT st = stmt_.Get();
  auto check = [st](SQLRETURN rc, const char* what) { return OdbcCall::Check(rc, SQL_HANDLE_STMT, st, what); };
  auto table = std::make_unique<ResultTable>();
  SQLSMALLINT count = 0;
  check(SQLNumResultCols(st, &count), "SQLNumResultCols");
  std::vector<Kind> kinds;
  for (SQLUSMALLINT c = 1; c <= count; ++c) {
    SQLWCHAR name[512] = {};
    SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    check(SQLDescribeColW(st, c, name, static_cast<SQLSMALLINT>(sizeof name / sizeof name[0]), &nameLen, &type,
                          &size, &digits, &nullable),
          "SQLDescribeCol");
    ResultTable::Column col;
    col.name = WideText::ToUtf8(name, std::min<size_t>(nameLen, sizeof name / sizeof name[0] - 1));
    col.sqlType = type;
    col.type = ResultTable::TypeOf(type);
    col.size = size;
    table->columns.push_back(std::move(col));
    kinds.push_back(KindOfColumn(type));
  }

  std::vector<SQLWCHAR> textBuf(4096);
  std::vector<unsigned char> binBuf(65536);
  while (check(SQLFetch(st), "SQLFetch") != SQL_NO_DATA) {
    std::vector<core::Value> row;
    row.reserve(static_cast<size_t>(count));
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
      SQLLEN ind = 0;
      auto get = [&](SQLSMALLINT cType, void* buf, SQLLEN len) {
        return check(SQLGetData(st, c, cType, buf, len, &ind), "SQLGetData");
      };
      auto got = [&](SQLSMALLINT cType, void* buf) { return get(cType, buf, 0) != SQL_NO_DATA && ind != SQL_NULL_DATA; };
      core::Value v;
      switch (kinds[c - 1]) {
        // Each conversion runs only on a value that is there: a NULL leaves the buffer unset.
        case Kind::Int16: { SQLSMALLINT x = 0; if (got(SQL_C_SSHORT, &x)) v = core::Value(static_cast<std::int16_t>(x)); break; }
        case Kind::Int32: { SQLINTEGER x = 0; if (got(SQL_C_SLONG, &x)) v = core::Value(static_cast<std::int32_t>(x)); break; }
        case Kind::Int64: { SQLBIGINT x = 0; if (got(SQL_C_SBIGINT, &x)) v = Whole64(x); break; }
        case Kind::Double: { double x = 0; if (got(SQL_C_DOUBLE, &x)) v = core::Value(x); break; }
        case Kind::Bool: { unsigned char x = 0; if (got(SQL_C_BIT, &x)) v = core::Value(x != 0); break; }
        case Kind::Date: {
          SQL_DATE_STRUCT x{};
          if (got(SQL_C_TYPE_DATE, &x)) v = core::Value(core::Date::FromParts(x.year, x.month, x.day));
          break;
        }
        case Kind::Time: {
          SQL_TIME_STRUCT x{};
          if (got(SQL_C_TYPE_TIME, &x)) v = core::Value(core::Date::FromTime(x.hour, x.minute, x.second));
          break;
        }
        case Kind::Timestamp: { SQL_TIMESTAMP_STRUCT x{}; if (got(SQL_C_TYPE_TIMESTAMP, &x)) v = FromTimestamp(x); break; }
        case Kind::Text: {
          // Long texts come in pieces, each ended by a 0 unit.
          std::vector<SQLWCHAR> all;
          const SQLLEN bufBytes = static_cast<SQLLEN>(textBuf.size() * sizeof(SQLWCHAR));
          for (;;) {
            SQLRETURN rc = get(SQL_C_WCHAR, textBuf.data(), bufBytes);
            if (rc == SQL_NO_DATA || ind == SQL_NULL_DATA) break;
            const bool more = rc == SQL_SUCCESS_WITH_INFO &&
                              (ind == SQL_NO_TOTAL || ind >= bufBytes - static_cast<SQLLEN>(sizeof(SQLWCHAR)));
            const size_t units = more ? textBuf.size() - 1 : static_cast<size_t>(ind) / sizeof(SQLWCHAR);
            all.insert(all.end(), textBuf.begin(), textBuf.begin() + static_cast<std::ptrdiff_t>(units));
            if (!more) break;
          }
          if (ind != SQL_NULL_DATA) v = core::Value(WideText::ToUtf8(all.data(), all.size()));
          break;
        }
        case Kind::Binary: {
          std::string all;
          const SQLLEN bufBytes = static_cast<SQLLEN>(binBuf.size());
          for (;;) {
            SQLRETURN rc = get(SQL_C_BINARY, binBuf.data(), bufBytes);
            if (rc == SQL_NO_DATA || ind == SQL_NULL_DATA) break;
            const bool more = rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > bufBytes);
            const size_t n = more ? binBuf.size() : static_cast<size_t>(ind);
            all.append(reinterpret_cast<const char*>(binBuf.data()), n);
            if (!more) break;
          }
          if (ind != SQL_NULL_DATA) v = core::Value(std::move(all));
          break;
        }
      }
      if (ind == SQL_NULL_DATA) v = core::Value::MakeNull();
      row.push_back(std::move(v));
    }
    table->rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace platform::db
