#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Date.h"
#include "import/source/SourceConnectionString.h"
#include "import/source/SourceQueryText.h"

namespace platform::db {
class Connection;
}
class CommonTypeLimsMatchRec;

// The reader of the DeraRed database. It opens its own connection from the K30418
// source settings on its first read, runs the answers query or the log-notes query,
// keeps every row as a CommonTypeLimsMatchRec and walks them with a 0-based cursor.
// It only reads.
//
// The reader owns its connection (kept open between reads until DestroyConnection)
// and its records; a record from Get_LimsRec is shared with the caller and stays
// valid after the reader is gone. Failures go to the status line and the log, and
// the read operations report them through their flag: no error leaves a member.
// The settings, the logger, the message handler and the busy pointer are taken
// from the program context at the time of each call.
class CustomSource {
 public:
  CustomSource();
  ~CustomSource();  // closes the connection
  CustomSource(const CustomSource&) = delete;
  CustomSource& operator=(const CustomSource&) = delete;

  // Query type 0 reads the transactions above StartTransId up to EndTransId:
  // -1 leaves the range open, 0 is refused, any other value is the inclusive
  // upper bound. The log-notes query reads above StartTransId.
  void StartTransId(std::int32_t id);
  void EndTransId(std::int32_t id);
  // "ALL" (any case) or external ids separated by commas.
  void CurrentVarId(const std::string& ids);
  const std::string& CurrentVarId() const;
  // 0 by transaction id, 1 by transaction date; other values make the answers query fail.
  void QueryType(std::int16_t type);
  // The date range of query type 1.
  void startdate(core::Date d);
  void enddate(core::Date d);

  void PrepareForNextFacility();

  // Run the answers query or the log-notes query. The flag is false only when
  // connecting and loading both succeeded.
  void ReadLIMSdata(bool& executionErrorOccured);
  void ReadLIMSLogNotes(bool& executionErrorOccured);

  bool EOF_LimsRec() const;  // cursor at or past the record count
  bool BOF_LimsRec() const;  // cursor exactly on the first record
  std::int32_t RecordCount() const;
  // The moves are not bounded: the cursor may go past either end.
  void MoveNext_LimsRec();
  void MovePrev_LimsRec();
  // The record at the cursor; null at EOF, and null (with a status line) when the
  // cursor is outside the records.
  std::shared_ptr<CommonTypeLimsMatchRec> Get_LimsRec() const;

  // The highest transaction id the database holds (0 when it holds none), on the
  // reader's connection, so that an import run can fix its upper bound once at its
  // start. On failure executionErrorOccured is set, the status line "Error in
  // ReadHighestTransId: " & number & " - " & description is written and 0 returned.
  std::int32_t ReadHighestTransId(bool& executionErrorOccured);

  // Closes and drops the connection (errors of the close ignored); the next read
  // opens a new one.
  void DestroyConnection();

  // The fixed prefix the import logs before each read.
  std::string LogCustomSourceQuery() const;
  // "N/A" whatever the argument.
  std::string GenerateSourceConnString(bool MaskPassword) const;

 private:
  bool OpenSourceConnection();
  bool EnsureSourceConnection();
  bool IsSourceConnectionAlive() const;
  void CloseSourceConnection();
  void ConfigureSourceConnection(platform::db::Connection& cnn);
  std::string BuildSourceConnectionString(const SourceConnectionString::Parts& parts) const;
  bool LoadResultRecords();
  bool LoadLogNoteRecords();

  enum class Query { Answers, LogNotes };
  void Read(Query query, bool& executionErrorOccured);
  // Runs the text on the connection and replaces the records by its rows.
  void LoadRows(const std::string& text, Query query);
  SourceQueryText QueryText() const;

  core::Date startDate_;
  core::Date endDate_;
  std::int32_t startTransId_ = 0;
  std::int32_t endTransId_ = 0;
  std::int32_t facilityCounter_ = 0;
  std::int16_t sourceDbType_ = 0;
  std::int16_t queryType_ = 0;
  std::string currentVarId_;

  std::unique_ptr<platform::db::Connection> connection_;
  std::vector<std::shared_ptr<CommonTypeLimsMatchRec>> records_;
  std::int32_t cursor_ = 0;
  std::int32_t recordCount_ = 0;
};
