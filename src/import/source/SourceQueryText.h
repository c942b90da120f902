#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Date.h"

// The texts of the DeraRed reader's two queries: the answers query (by transaction
// id or by transaction date, for all external ids or a list of them) and the
// log-notes query, in the dialect of the source database type (1 Oracle,
// 2 SQL Server, 3 Access/Jet). The reader fills the inputs from its own settings
// and runs the text; nothing here touches a database.
class SourceQueryText {
 public:
  std::int16_t dbType = 0;
  std::int16_t queryType = 0;  // 0 by transaction id, 1 by transaction date
  std::int32_t startTransId = 0;
  std::int32_t endTransId = 0;  // query type 0: -1 open above startTransId, 0 refused, else the inclusive upper bound
  core::Date startDate;         // query type 1
  core::Date endDate;
  std::string currentVarId;  // "ALL" (any case) or external ids separated by ","
  // The log-notes query's inclusive upper id; -1 (the query as it always is) for none.
  std::int32_t notesUpTo = -1;
  // Both queries with every text column of the transactions (Point_Desc, Guard, Notes, Inc,
  // Inc1..Inc3, Answer1..Answer10) read as the bytes it stores, under its own name, for a row
  // whose text the server cannot convert to the connection's encoding. PostgreSQL only.
  bool textAsBytes = false;
  // The answers query of type 0 with an upper bound, and the log-notes query with notesUpTo:
  // the two ids as parameters ("?") of the statement, in the order startTransId, then
  // endTransId or notesUpTo, instead of in its text.
  bool bindTransIds = false;

  // The answers query. Raises core::RuntimeError 5 for the settings the reader
  // refuses before building (query type 0 with endTransId 0, a query type other
  // than 0 and 1) and for an external-id list that is not a list of whole numbers:
  // the list goes into the text, so anything else could change the statement.
  std::string AnswersQuery() const;
  // The log-notes query: notes of the points without an external id, above
  // startTransId; the query type, endTransId, dates and currentVarId play no part.
  std::string LogNotesQuery() const;

  // The date as a literal of the source's dialect ("" for an unknown type).
  std::string DateLiteral(core::Date d) const;
  static std::string OracleDateLiteral(core::Date d);
  static std::string SqlServerDateLiteral(core::Date d);
  static std::string AccessDateLiteral(core::Date d);

  // True when text is one or more whole numbers separated by ",", blanks allowed
  // around each.
  static bool IsExternalIdList(std::string_view text);

 private:
  std::string MissedPointTest() const;
};
