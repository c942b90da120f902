#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Date.h"
#include "platform/db/FailureClass.h"
#include "import/source/SourceConnectionString.h"
#include "import/source/SourceQueryText.h"

namespace platform::db {
class Connection;
class Recordset;
}
class CommonTypeLimsMatchRec;

// The reader of the DeraRed database. It opens its own connection from the K30418
// source settings on its first read, runs the answers query or the log-notes query,
// keeps every row as a CommonTypeLimsMatchRec and walks them with a 0-based cursor.
// It only reads.
//
// The reader holds its connection (kept open between reads until DestroyConnection)
// and owns its records; a record from Get_LimsRec is shared with the caller and stays
// valid after the reader is gone. Readers made with the same SharedConnection use one
// connection between them: the first read of any of them opens it, DestroyConnection on
// any of them drops it for all (the next read opens a new one), and the last reader
// or owner of the share to go closes it. A reader that takes over a connection another
// reader opened and finds its link gone at its first statement opens a new one quietly,
// as a reader of its own would have. Failures go to the status line and the log, and
// the read operations report them through their flag: no error leaves a member.
// The settings, the logger, the message handler and the busy pointer are taken
// from the program context at the time of each call.
class CustomSource {
 public:
  // The connection readers may share; what it holds is private to the reader.
  struct SharedConnection;
  static std::shared_ptr<SharedConnection> NewSharedConnection();

  CustomSource();  // with a connection of its own
  explicit CustomSource(std::shared_ptr<SharedConnection> shared);
  ~CustomSource();  // closes the connection unless other readers still share it
  CustomSource(const CustomSource&) = delete;
  CustomSource& operator=(const CustomSource&) = delete;

  // Query type 0 reads the transactions above StartTransId up to EndTransId:
  // -1 leaves the range open, 0 is refused, any other value is the inclusive
  // upper bound. The log-notes query reads above StartTransId.
  void StartTransId(std::int32_t id);
  void EndTransId(std::int32_t id);
  // True: a read by transaction id with an upper bound (EndTransId, for the log notes too) gives
  // StartTransId and EndTransId to the database as parameters of the statement (the import reads
  // the late commits it watched so).
  void BindTransIds(bool bind);
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

  // The ids of the transactions above after, up to and including upTo, in order, on the
  // reader's connection: the run looks in them for the gaps that late commits may fill. On
  // failure executionErrorOccured is set, the status line "Error in ReadTransIds: " & number &
  // " - " & description is written and the list is empty.
  std::vector<std::int32_t> ReadTransIds(std::int32_t after, std::int32_t upTo, bool& executionErrorOccured);

  // The lowest transaction id above after, on the reader's connection; none when there is
  // none or it could not be read (the reason goes to the log only: the caller goes on without).
  std::optional<std::int32_t> ReadNextTransId(std::int32_t after);

  // A transaction of the answers or the log-notes query that the database could not hand over
  // (a text not valid in the connection's encoding, say), with the error it gave.
  struct UnreadableRow {
    std::int32_t id = 0;
    std::string error;
  };
  // The transactions the last read left out. A read by transaction id with an upper bound
  // (EndTransId, for the log notes too) whose result the database refuses with a data error
  // (SQLSTATE class 22) reads its range again in halves until each such transaction stands
  // alone, and keeps every row it can read. A transaction that fails alone is read once more
  // with its texts as the bytes DeraRed stores (PostgreSQL), those that are no UTF-8 shown
  // escaped; the record marks such answers (CommonTypeLimsMatchRec::answersNotHandedOver).
  // Only a row that fails that way too is left out; the read then succeeds without the rows
  // listed here.
  const std::vector<UnreadableRow>& UnreadableRows() const { return unreadable_; }
  // The error of the last read that failed ("" before any): number & " - " & description.
  const std::string& LastReadError() const { return lastReadError_; }
  // Whose fault the last failed read was, as platform::db::ClassifyFailure tells it from its
  // codes: Transient (a connection that could not be opened or was lost, a timeout, a deadlock,
  // a server going down) may heal on a new connection after a wait; any other failure is the
  // statement's own on a link that works.
  platform::db::FailureClass LastReadFailure() const { return lastReadFailure_; }

  // After a failed read: whether the link to DeraRed still works (so a read whose failure is not
  // transient failed on its own statement). False without an open connection, when the driver
  // reports the link lost, or when a trivial statement on it fails.
  bool LinkAlive();

  // Closes and drops the connection (errors of the close ignored); the next read
  // opens a new one.
  void DestroyConnection();

  // The fixed prefix the import logs before each read.
  std::string LogCustomSourceQuery() const;
  // "N/A" whatever the argument.
  std::string GenerateSourceConnString(bool MaskPassword) const;

 private:
  bool OpenSourceConnection();
  // ReadNextTransId on an open connection; failures throw.
  std::optional<std::int32_t> NextTransId(std::int32_t after);
  bool EnsureSourceConnection();
  bool IsSourceConnectionAlive() const;
  void CloseSourceConnection();
  void ConfigureSourceConnection(platform::db::Connection& cnn);
  std::string BuildSourceConnectionString(const SourceConnectionString::Parts& parts) const;
  bool LoadResultRecords();
  bool LoadLogNoteRecords();
  platform::db::Connection* CurrentConnection() const;
  // Opens the text as a recordset on the connection; see the class comment for a
  // connection taken over dead.
  void OpenQuery(platform::db::Recordset& rs, const std::string& text);

  enum class Query { Answers, LogNotes };
  void Read(Query query, bool& executionErrorOccured);
  // Runs run on the connection; see the class comment for a connection taken over dead.
  void OnConnection(const std::function<void(platform::db::Connection&)>& run);
  // Runs the text on the connection and replaces the records by its rows.
  void LoadRows(const std::string& text, Query query);
  // Runs the text and appends its rows to the records; textAsBytes: its text columns hold bytes.
  void AppendRows(const std::string& text, Query query, bool textAsBytes);
  // Reads the text's rows into records as the driver hands them over; replace: they replace
  // the records from the first row on (or, for an empty result, when it is open).
  // ids, when given, are bound to the text's two parameters.
  void ReadRows(const std::string& text, Query query, bool textAsBytes, bool replace,
                const std::array<std::int32_t, 2>* ids = nullptr);
  // The query text for the ids from..to (inclusive).
  std::string PartText(Query query, std::int32_t from, std::int32_t to, bool textAsBytes = false) const;
  // Reads the row of the transaction that failed with error with its texts as bytes, into the
  // records; false when that is not possible or fails too.
  bool ReadTextsAsBytes(Query query, std::int32_t id, const std::string& error);
  // Whether the read that failed with this error may be read again in parts.
  bool CanReadAroundRows(Query query, const std::exception& e);
  // Reads the rows of the inclusive ids from..to into the records.
  using PartRead = std::function<void(std::int32_t from, std::int32_t to)>;
  // The part reader of the query with the ids in its text.
  PartRead PartReader(Query query);
  // Reads the rows of the ids from..to (inclusive) with readPart into the records, halving a
  // part that fails with a data error and leaving out the rows that fail alone (after a read of
  // their texts as bytes); error is the one the whole range already gave ("" when it is still
  // to be read).
  void ReadAroundUnreadableRows(Query query, std::int32_t from, std::int32_t to, std::string error,
                                const PartRead& readPart);
  // Runs the loader's text; a data error reads around the rows that cause it.
  void LoadRowsAroundUnreadable(const std::string& text, Query query, const char* loader);
  // Runs the text with StartTransId and EndTransId bound to its parameters; a data error reads
  // the range again in halves, as a read of the text's own ids does.
  void LoadBoundRows(const std::string& text, Query query);
  // ReadRows of the text with the inclusive ids from..to bound to its parameters.
  void ReadBound(const std::string& text, Query query, std::int32_t from, std::int32_t to, bool textAsBytes,
                 bool replace);
  SourceQueryText QueryText() const;

  core::Date startDate_;
  core::Date endDate_;
  std::int32_t startTransId_ = 0;
  std::int32_t endTransId_ = 0;
  std::int32_t facilityCounter_ = 0;
  std::int16_t sourceDbType_ = 0;
  std::int16_t queryType_ = 0;
  bool bindTransIds_ = false;
  std::string currentVarId_;

  std::shared_ptr<SharedConnection> shared_;  // never null
  // Which opening of the shared connection this reader has used (0: none yet).
  std::uint64_t usedOpening_ = 0;
  std::vector<std::shared_ptr<CommonTypeLimsMatchRec>> records_;
  std::vector<UnreadableRow> unreadable_;
  std::string lastReadError_;
  platform::db::FailureClass lastReadFailure_ = platform::db::FailureClass::Value;
  std::int32_t cursor_ = 0;
  std::int32_t recordCount_ = 0;
};
