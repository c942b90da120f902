#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/db/OdbcHandle.h"
#include "platform/db/ResultTable.h"

namespace platform::db {

class InFlightCall;
class OdbcLink;
class Parameter;

// One run of one statement on an open link: binds the parameters by position,
// executes, copies the first result's rows, consumes any further results (so
// output parameters are filled, as drivers deliver them last) and reads the
// outputs back. The statement handle lives only for the run; while it runs, a
// stop may cancel it from another thread (InFlightCalls.h).
class OdbcStatement {
 public:
  // timeoutSeconds: 0 = no limit. Throws DbException.
  OdbcStatement(OdbcLink& link, int timeoutSeconds);

  // The rows of the first result that has columns; null when none has.
  // recordsAffected, when given, gets the driver's row count (-1 when none). With a sink, the
  // first result's rows go to it one by one as they are fetched and the table comes back
  // without rows: nothing is copied twice.
  std::unique_ptr<ResultTable> Run(const std::string& text, const std::vector<Parameter*>& params,
                                   long* recordsAffected, const RowSink* sink = nullptr);

  // The names of the table's primary-key columns in key order, as the driver's catalog
  // gives them (names compared as the catalog stores them); empty when it has none.
  // schema may be "" for the connection's default. Throws DbException.
  std::vector<std::string> PrimaryKeyColumns(const std::string& schema, const std::string& table);

 private:
  std::unique_ptr<ResultTable> ReadAll(const RowSink* sink = nullptr);
  void SetTimeout(int seconds);
  // Cuts the timeout of a call begun after a stop request.
  void Begin(const InFlightCall& call);

  OdbcLink& link_;
  OdbcHandle stmt_;
  int timeoutSeconds_;
};

}  // namespace platform::db
