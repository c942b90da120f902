#include "import/source/CustomSource.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/source/CommonTypeLimsMatchRec.h"
#include "import/source/SourceConnectionString.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/DbException.h"
#include "platform/db/FailureClass.h"
#include "platform/db/Recordset.h"
#include "platform/db/ResultTable.h"
#include "platform/ui/BusyPointer.h"
#include "platform/ui/EventPump.h"

using platform::db::Connection;
using platform::db::Recordset;

namespace {

constexpr int kObjectNotSet = 91;  // "Object variable or With block variable not set"

// number & " - " & description of whatever was thrown, the description as lines quote the
// driver's and the server's words.
std::string ErrorText(const std::exception& e) {
  if (const auto* re = dynamic_cast<const core::RuntimeError*>(&e))
    return std::to_string(re->Number()) + " - " + core::OutsideText(re->Description());
  return "0 - " + core::OutsideText(e.what());
}

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

void MsgBox(const std::string& prompt) {
  if (QALmsgBoxHandler* box = Program().msgBox)
    box->QalMsgBox(prompt);
  else
    CommonGlobals::ShowStatus(prompt, 0);  // no handler yet: the reason still reaches the log
}

// A data exception (SQLSTATE class 22) on a link that still works: the database refused to
// hand over what some row holds, not the statement as such.
bool IsDataError(const std::exception& e) {
  const auto* db = dynamic_cast<const platform::db::DbException*>(&e);
  if (!db || db->LinkBroken()) return false;
  for (const platform::db::DbError& error : db->Errors())
    if (error.SqlState().rfind("22", 0) == 0) return true;
  return false;
}

platform::db::DbException UnusableConnection() {
  return platform::db::DbException(platform::db::dberr::kConnectionUnusable,
                                   "The connection cannot be used to perform this operation. It is either closed or "
                                   "invalid in this context.");
}

core::Value AsText(const core::Value& v) { return core::Value(v.Text()); }

// The time of day as "hh:nn:ss" on the 24-hour clock, a fraction of a second cut, never rounded:
// rounded, 23:59:59.5 would become 00:00:00 of the same day and place its value a day early.
// Null stays Null, and a value that is no time stays as it came, for the import to refuse with
// its own words.
core::Value TimeText(const core::Value& v) {
  if (v.IsNull()) return v;
  try {
    const core::Date d = v.ToDate();
    // In microseconds first, which takes off what the floating day adds or lacks.
    const auto micros = static_cast<std::int64_t>(std::llround(d.TimePart() * 86400.0 * 1e6));
    const std::int64_t seconds = std::min<std::int64_t>(micros / 1000000, 86399);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return core::Value(std::string(text));
  } catch (const core::RuntimeError&) {
    return v;
  }
}

// The day of the visit and its time of day as one date-time. Trans_Date carries
// the day (a time part it might hold is not the visit's time: Trans_Time is); without a time
// it is the day. Null when the day is missing, or when either is no date: a row of the
// handhelds must never fail a whole read.
core::Value CombinedDateTime(const core::Value& day, const core::Value& timeText, bool pushLateVisits) {
  if (day.IsNull()) return day;
  try {
    if (timeText.IsNull()) return core::Value(day.ToDate());
    const core::Date::Parts d = day.ToDate().DatePart().Split();  // the day, its time cut
    const core::Date::Parts t = timeText.ToDate().Split();
    core::Date when = core::Date::FromParts(d.year, d.month, d.day, t.hour, t.minute, t.second);
    if (pushLateVisits && t.hour * 3600 + t.minute * 60 + t.second > 23 * 3600) {
      Log("Date after 2300 hours. adding an hour to time to push it to tomorrow.", 9);
      when = core::DateAdd("h", 1, when);
    }
    return core::Value(when);
  } catch (const core::RuntimeError&) {
    return core::Value::MakeNull();
  }
}

// The columns the records are filled from, found by name once per result (the names compare
// ignoring case, which is too slow to repeat for every field of every row).
// clang-format off
enum Column {
  kID, kRoute_Id, kPoint_Id, kExternal_id, kExternal_id_logbook, kSeqno, kRoutePointQuestionID,
  kRoutePointRouteID, kTrans_Date, kTrans_Time, kPoint_Desc, kGuard, kNotes, kInc, kInc1, kInc2, kInc3,
  kMissed_Point, kFirstPair,  // then Question_ID1, Answer1 ... Question_ID10, Answer10
  kAnswerColumns = kFirstPair + 20
};
constexpr const char* kFixedColumnNames[kFirstPair] = {
    "ID", "Route_Id", "Point_Id", "external_id", "external_id_logbook", "Seqno", "RoutePointQuestionID",
    "RoutePointRouteID", "Trans_Date", "Trans_Time", "Point_Desc", "Guard", "Notes", "Inc", "Inc1", "Inc2", "Inc3",
    "Missed_Point"};
// clang-format on
// The columns a log note is filled from.
constexpr Column kLogNoteColumns[] = {kID, kExternal_id_logbook, kTrans_Date, kTrans_Time, kGuard, kNotes};

std::string ColumnName(int column) {
  if (column < kFirstPair) return kFixedColumnNames[column];
  const int pair = (column - kFirstPair) / 2 + 1;
  return ((column - kFirstPair) % 2 == 0 ? "Question_ID" : "Answer") + std::to_string(pair);
}

// The cells of one row of a result as the driver hands it over, by column; each cell is taken
// (moved out of the row) once.
class Columns {
 public:
  // Only the answer query's columns, or only the notes query's. An unknown name throws as a
  // field read by that name would. With bytes, the text columns hold the bytes DeraRed stores.
  Columns(const platform::db::ResultTable& result, bool answers, bool bytes) : bytes_(bytes) {
    index_.fill(-1);
    auto find = [&](int column) {
      const int index = result.Find(ColumnName(column));
      if (index < 0)
        throw platform::db::DbException(
            platform::db::dberr::kItemNotFound,
            "Item cannot be found in the collection corresponding to the requested name or ordinal. (" +
                ColumnName(column) + ")");
      index_[column] = index;
    };
    if (answers) {
      for (int c = 0; c < kAnswerColumns; ++c) find(c);
    } else {
      for (Column c : kLogNoteColumns) find(c);
    }
  }
  void Row(std::vector<core::Value>& row) { row_ = &row; }
  core::Value operator()(int column) { return std::move((*row_)[static_cast<std::size_t>(index_[column])]); }
  // The column as text; of a column read as bytes, what is no UTF-8 shown escaped, and
  // notHandedOver (when given) set when there was such a byte.
  core::Value Text(int column, bool* notHandedOver = nullptr) {
    const core::Value v = (*this)(column);
    if (!bytes_ || v.IsNull()) return AsText(v);
    return core::Value(core::EscapeInvalidUtf8(v.Text(), notHandedOver));
  }

 private:
  bool bytes_;
  std::vector<core::Value>* row_ = nullptr;
  std::array<int, kAnswerColumns> index_{};
};

void FillAnswer(Columns& kept, CommonTypeLimsMatchRec& r) {
  r.ID = kept(kID);
  r.Route_Id = kept.Text(kRoute_Id);
  r.Point_Id = kept.Text(kPoint_Id);
  r.external_id = kept(kExternal_id);
  r.external_id_logbook = kept(kExternal_id_logbook);
  r.Seqno = kept(kSeqno);
  r.RoutePointQuestionID = kept(kRoutePointQuestionID);
  r.RoutePointRouteID = kept(kRoutePointRouteID);
  r.Trans_Date = kept(kTrans_Date);
  r.Trans_Time = TimeText(kept(kTrans_Time));
  r.Trans_DateTime = CombinedDateTime(r.Trans_Date, r.Trans_Time, true);
  r.Point_Desc = kept.Text(kPoint_Desc);
  r.Guard = kept.Text(kGuard);
  r.Notes = kept.Text(kNotes);
  r.Inc = kept.Text(kInc);
  r.Inc1 = kept.Text(kInc1);
  r.Inc2 = kept.Text(kInc2);
  r.Inc3 = kept.Text(kInc3);
  r.Missed_Point = kept(kMissed_Point);
  for (int pair = 1; pair <= 10; ++pair) {
    const int question = kFirstPair + (pair - 1) * 2;
    r.QuestionId(pair) = kept(question);
    bool notHandedOver = false;
    r.Answer(pair) = kept.Text(question + 1, &notHandedOver);
    if (notHandedOver) r.answersNotHandedOver |= static_cast<std::uint16_t>(1u << (pair - 1));
  }
}

void FillLogNote(Columns& kept, CommonTypeLimsMatchRec& r) {
  r.ID = kept(kID);
  r.external_id_logbook = kept(kExternal_id_logbook);
  r.Trans_Date = kept(kTrans_Date);
  r.Trans_Time = TimeText(kept(kTrans_Time));
  r.Trans_DateTime = CombinedDateTime(r.Trans_Date, r.Trans_Time, false);
  r.Guard = kept.Text(kGuard);
  r.Notes = kept.Text(kNotes);
}

}  // namespace

// What the readers of one share have in common: the connection, the source type it was
// configured with (the queries take their shape from it) and how many connections were made,
// so that a reader knows whether the current one is one it has used.
struct CustomSource::SharedConnection {
  std::unique_ptr<Connection> connection;
  std::int16_t dbType = 0;
  std::uint64_t openings = 0;
};

std::shared_ptr<CustomSource::SharedConnection> CustomSource::NewSharedConnection() {
  return std::make_shared<SharedConnection>();
}

CustomSource::CustomSource() : shared_(NewSharedConnection()) {}

CustomSource::CustomSource(std::shared_ptr<SharedConnection> shared)
    : shared_(shared ? std::move(shared) : NewSharedConnection()) {}

CustomSource::~CustomSource() {
  // Other readers of the share go on using the connection; the last one closes it.
  if (shared_.use_count() == 1) DestroyConnection();
}

void CustomSource::StartTransId(std::int32_t id) { startTransId_ = id; }
void CustomSource::EndTransId(std::int32_t id) { endTransId_ = id; }
void CustomSource::BindTransIds(bool bind) { bindTransIds_ = bind; }
void CustomSource::CurrentVarId(const std::string& ids) { currentVarId_ = ids; }
const std::string& CustomSource::CurrentVarId() const { return currentVarId_; }
void CustomSource::QueryType(std::int16_t type) { queryType_ = type; }
void CustomSource::startdate(core::Date d) { startDate_ = d; }
void CustomSource::enddate(core::Date d) { endDate_ = d; }

void CustomSource::PrepareForNextFacility() { facilityCounter_ = 0; }

void CustomSource::ReadLIMSdata(bool& executionErrorOccured) { Read(Query::Answers, executionErrorOccured); }

void CustomSource::ReadLIMSLogNotes(bool& executionErrorOccured) { Read(Query::LogNotes, executionErrorOccured); }

void CustomSource::Read(Query query, bool& executionErrorOccured) {
  executionErrorOccured = true;
  lastReadError_.clear();
  lastReadFailure_ = platform::db::FailureClass::Value;
  try {
    if (!EnsureSourceConnection()) {
      if (lastReadError_.empty()) lastReadError_ = "the source connection could not be opened";
      lastReadFailure_ = platform::db::FailureClass::Transient;
      return;
    }
    // Let the window breathe once between connecting and the query.
    if (platform::ui::EventPump* events = Program().ui.events) events->ProcessEvents();
    const bool loaded = query == Query::Answers ? LoadResultRecords() : LoadLogNoteRecords();
    if (loaded) executionErrorOccured = false;
  } catch (const std::exception& e) {
    lastReadError_ = ErrorText(e);
    lastReadFailure_ = platform::db::ClassifyFailure(e);
    CommonGlobals::ShowStatus(
        (query == Query::Answers ? "Error in ReadLIMSdata: " : "Error in ReadLIMSLogNotes: ") + lastReadError_, 0);
  }
}

bool CustomSource::EOF_LimsRec() const { return cursor_ >= recordCount_; }
bool CustomSource::BOF_LimsRec() const { return cursor_ == 0; }
std::int32_t CustomSource::RecordCount() const { return recordCount_; }
void CustomSource::MoveNext_LimsRec() { ++cursor_; }
void CustomSource::MovePrev_LimsRec() { --cursor_; }

std::shared_ptr<CommonTypeLimsMatchRec> CustomSource::Get_LimsRec() const {
  if (EOF_LimsRec()) return nullptr;
  if (cursor_ < 0 || static_cast<std::size_t>(cursor_) >= records_.size()) {
    CommonGlobals::ShowStatus("Error in Get_LimsRec: " + std::to_string(core::err::kSubscript) + " - " +
                                  core::ErrorDescription(core::err::kSubscript),
                              0);
    return nullptr;
  }
  return records_[static_cast<std::size_t>(cursor_)];
}

void CustomSource::DestroyConnection() {
  CloseSourceConnection();
  shared_->connection.reset();
}

Connection* CustomSource::CurrentConnection() const { return shared_->connection.get(); }

std::string CustomSource::LogCustomSourceQuery() const { return "[SourceTag:] \t[SourceStat:] \t"; }

std::string CustomSource::GenerateSourceConnString(bool /*MaskPassword*/) const { return "N/A"; }

std::int32_t CustomSource::ReadHighestTransId(bool& executionErrorOccured) {
  static constexpr const char* kQuery = "SELECT MAX(ID) FROM Tbl_Transaction_PDA";
  executionErrorOccured = false;
  try {
    if (!EnsureSourceConnection()) throw core::RuntimeError(3704, "The source connection could not be opened.");
    if (QALLoggerTXT* logger = Program().logger)
      logger->WriteLog(std::string("CustomSource.ReadHighestTransId() Query : ") + kQuery, 5);
    platform::db::Recordset rs;
    OpenQuery(rs, kQuery);
    const core::Value highest = rs.Eof() ? core::Value::MakeNull() : rs.Fields(0).Value();
    rs.Close();
    return highest.IsNull() ? 0 : highest.ToLong();
  } catch (const std::exception& e) {
    executionErrorOccured = true;
    CommonGlobals::ShowStatus("Error in ReadHighestTransId: " + ErrorText(e), 0);
    return 0;
  }
}

std::vector<std::int32_t> CustomSource::ReadTransIds(std::int32_t after, std::int32_t upTo,
                                                     bool& executionErrorOccured) {
  static constexpr const char* kQuery = "SELECT ID FROM Tbl_Transaction_PDA WHERE ID > ? AND ID <= ? ORDER BY ID";
  // The ids are asked for this many at a time: a driver keeps a whole result while it is read,
  // and a backlog may hold millions.
  static constexpr std::int64_t kIdsAtATime = 100000;
  executionErrorOccured = false;
  std::vector<std::int32_t> ids;
  try {
    if (!EnsureSourceConnection()) throw core::RuntimeError(3704, "The source connection could not be opened.");
    Log(std::string("CustomSource.ReadTransIds() Query : ") + kQuery, 5);
    std::int64_t from = after;
    while (from < upTo) {
      const std::int64_t to = std::min<std::int64_t>(upTo, from + kIdsAtATime);
      const std::size_t before = ids.size();
      platform::db::Command command;
      command.ActiveConnection(*CurrentConnection());
      command.CommandText(kQuery);
      command.CreateParameter("after", platform::db::adInteger, platform::db::adParamInput, 0,
                              static_cast<std::int32_t>(from));
      command.CreateParameter("upTo", platform::db::adInteger, platform::db::adParamInput, 0,
                              static_cast<std::int32_t>(to));
      // One pass: only the ids are kept.
      command.Execute([&](const platform::db::ResultTable&, std::vector<core::Value>& row) {
        if (!row[0].IsNull()) ids.push_back(row[0].ToLong());
      });
      from = to;
      if (ids.size() == before && from < upTo) {
        // A stretch without any transaction is stepped over.
        const std::optional<std::int32_t> next = NextTransId(static_cast<std::int32_t>(from));
        if (!next || *next > upTo) break;
        from = static_cast<std::int64_t>(*next) - 1;
      }
    }
    return ids;
  } catch (const std::exception& e) {
    executionErrorOccured = true;
    CommonGlobals::ShowStatus("Error in ReadTransIds: " + ErrorText(e), 0);
    return {};
  }
}

std::optional<std::int32_t> CustomSource::NextTransId(std::int32_t after) {
  static constexpr const char* kQuery = "SELECT MIN(ID) FROM Tbl_Transaction_PDA WHERE ID > ?";
  Log(std::string("CustomSource.ReadNextTransId() Query : ") + kQuery, 5);
  platform::db::Command command;
  command.ActiveConnection(*CurrentConnection());
  command.CommandText(kQuery);
  command.CreateParameter("after", platform::db::adInteger, platform::db::adParamInput, 0, after);
  Recordset rs = command.Execute();
  if (rs.State() != platform::db::adStateOpen || rs.Eof()) return std::nullopt;
  const core::Value next = rs.Fields(0).Value();
  if (next.IsNull()) return std::nullopt;
  return next.ToLong();
}

std::optional<std::int32_t> CustomSource::ReadNextTransId(std::int32_t after) {
  try {
    if (!EnsureSourceConnection()) return std::nullopt;
    return NextTransId(after);
  } catch (const std::exception& e) {
    Log("CustomSource.ReadNextTransId(): " + ErrorText(e), 1);
    return std::nullopt;
  }
}

bool CustomSource::LinkAlive() {
  Connection* cnn = CurrentConnection();
  if (!cnn || !cnn->IsOpen() || cnn->LinkBroken()) return false;
  try {
    cnn->Execute(sourceDbType_ == 1 ? "SELECT 1 FROM DUAL" : "SELECT 1");
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool CustomSource::OpenSourceConnection() {
  shared_->connection = std::make_unique<Connection>();
  usedOpening_ = ++shared_->openings;
  Connection& cnn = *shared_->connection;
  ConfigureSourceConnection(cnn);
  shared_->dbType = sourceDbType_;
  try {
    cnn.Open();
    return true;
  } catch (const platform::db::DbException&) {
    const auto& errors = cnn.Errors();
    if (errors.empty()) throw;  // the read reports it with its own line
    lastReadError_ = std::to_string(errors[0].Number()) + " - " + core::OutsideText(errors[0].Description());
    CommonGlobals::ShowStatus("Unable to Open Connection to database. Error : " + lastReadError_, 1);
    return false;
  }
}

bool CustomSource::EnsureSourceConnection() {
  // An existing connection is used as it is, open or not: only DestroyConnection
  // makes the next read open a new one (the import's recovery calls it between attempts).
  if (!shared_->connection && !OpenSourceConnection()) return false;
  // A connection another reader of the share configured: its source type shapes the queries.
  if (usedOpening_ != shared_->openings) sourceDbType_ = shared_->dbType;
  return IsSourceConnectionAlive();
}

bool CustomSource::IsSourceConnectionAlive() const { return true; }

void CustomSource::CloseSourceConnection() {
  if (Connection* cnn = CurrentConnection()) cnn->Close();  // never throws
}

void CustomSource::ConfigureSourceConnection(Connection& cnn) {
  try {
    QALConfiguration* config = Program().config;
    if (!config) throw core::RuntimeError(kObjectNotSet, "Object variable or With block variable not set", "ConfigCnn");
    SourceConnectionString::Parts parts;
    parts.dataSource = config->item("K30418\\SourceDS");
    parts.userId = config->item("K30418\\SourceUserID");
    parts.password = config->item("K30418\\SourcePassword");
    parts.database = config->item("K30418\\SourceDB");
    sourceDbType_ = CommonGlobals::IntegerSetting("K30418\\SourceDBType");
    parts.provider = config->item("K30418\\SourceProvider");
    parts.customization = config->item("K30418\\SourceCustomization");
    const std::int16_t commandTimeout = CommonGlobals::IntegerSetting("K30418\\SourceCmdTimeout");
    const std::int16_t connectionTimeout = CommonGlobals::IntegerSetting("K30418\\SourceCnnTimeout");

    cnn.CursorLocation(platform::db::adUseClient);
    cnn.ConnectionString(BuildSourceConnectionString(parts));
    cnn.CommandTimeout(commandTimeout);
    cnn.ConnectionTimeout(connectionTimeout);
  } catch (const std::exception& e) {
    // The open is still attempted with what was set so far, and reports its own failure.
    CommonGlobals::ShowStatus("Error in ConfigCnn: " + ErrorText(e), 0);
  }
}

std::string CustomSource::BuildSourceConnectionString(const SourceConnectionString::Parts& parts) const {
  return SourceConnectionString::Build(sourceDbType_, parts, Program().app.ProductName);
}

SourceQueryText CustomSource::QueryText() const {
  SourceQueryText q;
  q.dbType = sourceDbType_;
  q.queryType = queryType_;
  q.startTransId = startTransId_;
  q.endTransId = endTransId_;
  q.startDate = startDate_;
  q.endDate = endDate_;
  q.currentVarId = currentVarId_;
  q.bindTransIds = bindTransIds_;
  return q;
}

bool CustomSource::LoadResultRecords() {
  try {
    std::optional<platform::ui::BusyScope> busy(std::in_place, Program().ui.busy);
    cursor_ = 0;
    if (queryType_ == 0 && endTransId_ == 0) {
      busy.reset();
      MsgBox("Error: End Transaction Id is set incorrectly.");
      return false;
    }
    if (queryType_ != 0 && queryType_ != 1) {
      busy.reset();
      MsgBox("Error: QueryType is not set correctly.");
      return false;
    }
    const std::string text = QueryText().AnswersQuery();
    Log("CustomSource.LoadResultRecords() Query : " + text, 5);
    if (bindTransIds_ && queryType_ == 0 && endTransId_ != -1)
      LoadBoundRows(text, Query::Answers);
    else
      LoadRowsAroundUnreadable(text, Query::Answers, "CustomSource.LoadResultRecords()");
    return true;
  } catch (const std::exception& e) {
    lastReadError_ = ErrorText(e);
    lastReadFailure_ = platform::db::ClassifyFailure(e);
    CommonGlobals::ShowStatus("Error in LoadResultRecords: " + lastReadError_, 0);
    return false;
  }
}

void CustomSource::LoadRowsAroundUnreadable(const std::string& text, Query query, const char* loader) {
  unreadable_.clear();
  try {
    LoadRows(text, query);
  } catch (const std::exception& e) {
    if (!CanReadAroundRows(query, e)) throw;
    const std::string error = ErrorText(e);
    Log(std::string(loader) + ": DeraRed could not hand over the rows (" + error +
            "): the range is read again in parts.",
        1);
    recordCount_ = 0;
    // The answers query reads the range that failed. The notes query reads everything above its
    // start: the row it failed on may lie above the bound, where the range read here ends (the
    // next run reads it), so the range is read before it is halved.
    if (query == Query::Answers) {
      ReadAroundUnreadableRows(query, startTransId_, endTransId_, error, PartReader(query));
    } else if (startTransId_ < endTransId_) {
      ReadAroundUnreadableRows(query, startTransId_ + 1, endTransId_, "", PartReader(query));
    }
  }
  records_.resize(static_cast<std::size_t>(recordCount_));  // what an earlier read left beyond
}

void CustomSource::LoadBoundRows(const std::string& text, Query query) {
  unreadable_.clear();
  // The inclusive ids of the read; the notes query's first parameter is the id it reads above.
  const std::int32_t from = query == Query::LogNotes ? startTransId_ + 1 : startTransId_;
  try {
    ReadBound(text, query, from, endTransId_, false, true);
  } catch (const std::exception& e) {
    if (!IsDataError(e) || from > endTransId_) throw;
    recordCount_ = 0;
    ReadAroundUnreadableRows(query, from, endTransId_, ErrorText(e), [&](std::int32_t partFrom, std::int32_t partTo) {
      ReadBound(text, query, partFrom, partTo, false, false);
    });
  }
  records_.resize(static_cast<std::size_t>(recordCount_));  // what an earlier read left beyond
}

void CustomSource::ReadBound(const std::string& text, Query query, std::int32_t from, std::int32_t to,
                             bool textAsBytes, bool replace) {
  const std::array<std::int32_t, 2> ids = {query == Query::LogNotes ? from - 1 : from, to};
  ReadRows(text, query, textAsBytes, replace, &ids);
}

std::string CustomSource::PartText(Query query, std::int32_t from, std::int32_t to, bool textAsBytes) const {
  SourceQueryText part = QueryText();
  part.textAsBytes = textAsBytes;
  part.bindTransIds = false;  // the ids go into the text
  if (query == Query::LogNotes) {
    part.startTransId = from - 1;
    part.notesUpTo = to;
    return part.LogNotesQuery();
  }
  part.startTransId = from;
  part.endTransId = to;
  return part.AnswersQuery();
}

bool CustomSource::CanReadAroundRows(Query query, const std::exception& e) {
  // Only a bounded range of ids can be halved; a date range or an open one is read whole.
  if (!IsDataError(e) || endTransId_ == -1 || endTransId_ == 0) return false;
  if (query == Query::Answers && (queryType_ != 0 || startTransId_ < 1)) return false;
  if (query == Query::LogNotes && startTransId_ < 0) return false;
  // An error that an empty range gives too is the statement's, not a row's.
  try {
    Recordset rs;
    OpenQuery(rs, PartText(query, 2, 1));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

CustomSource::PartRead CustomSource::PartReader(Query query) {
  return [this, query](std::int32_t from, std::int32_t to) { AppendRows(PartText(query, from, to), query, false); };
}

void CustomSource::ReadAroundUnreadableRows(Query query, std::int32_t from, std::int32_t to, std::string error,
                                            const PartRead& readPart) {
  if (error.empty()) {
    const std::int32_t before = recordCount_;
    try {
      readPart(from, to);
      return;
    } catch (const std::exception& e) {
      recordCount_ = before;  // the part is read again in halves, from its first row
      if (!IsDataError(e)) throw;
      error = ErrorText(e);
    }
  }
  if (from >= to) {
    if (ReadTextsAsBytes(query, from, error)) return;
    Log("CustomSource: transaction " + std::to_string(from) + " cannot be read (" + error + ").", 1);
    unreadable_.push_back({from, error});
    return;
  }
  const auto middle = static_cast<std::int32_t>(from + (static_cast<std::int64_t>(to) - from) / 2);
  ReadAroundUnreadableRows(query, from, middle, "", readPart);
  ReadAroundUnreadableRows(query, middle + 1, to, "", readPart);
}

bool CustomSource::ReadTextsAsBytes(Query query, std::int32_t id, const std::string& error) {
  // Only PostgreSQL hands over what a text column stores as bytes (a SQL_ASCII database keeps
  // any bytes it is given and then cannot convert them).
  const Connection* cnn = CurrentConnection();
  if (!cnn || cnn->Family() != platform::db::DriverFamily::PostgreSQL) return false;
  const std::int32_t before = recordCount_;
  try {
    if (bindTransIds_) {
      SourceQueryText bytes = QueryText();
      bytes.textAsBytes = true;
      if (query == Query::LogNotes) bytes.notesUpTo = id;
      ReadBound(query == Query::Answers ? bytes.AnswersQuery() : bytes.LogNotesQuery(), query, id, id, true, false);
    } else {
      AppendRows(PartText(query, id, id, true), query, true);
    }
  } catch (const std::exception& e) {
    recordCount_ = before;
    if (!IsDataError(e)) throw;
    return false;
  }
  Log("CustomSource: the texts of transaction " + std::to_string(id) + " cannot be handed over as they stand (" +
          error + "): they are read as bytes, those that are no UTF-8 shown escaped.",
      1);
  return true;
}

bool CustomSource::LoadLogNoteRecords() {
  try {
    platform::ui::BusyScope busy(Program().ui.busy);
    cursor_ = 0;
    SourceQueryText q = QueryText();
    const bool bound = bindTransIds_ && endTransId_ != -1;
    if (bound) q.notesUpTo = endTransId_;
    const std::string text = q.LogNotesQuery();
    Log("CustomSource.LoadLogNoteRecords() Query : " + text, 5);
    if (bound)
      LoadBoundRows(text, Query::LogNotes);
    else
      LoadRowsAroundUnreadable(text, Query::LogNotes, "CustomSource.LoadLogNoteRecords()");
    return true;
  } catch (const std::exception& e) {
    lastReadError_ = ErrorText(e);
    lastReadFailure_ = platform::db::ClassifyFailure(e);
    CommonGlobals::ShowStatus("Error in LoadLogNoteRecords: " + lastReadError_, 0);
    return false;
  }
}

void CustomSource::OnConnection(const std::function<void(Connection&)>& run) {
  Connection* cnn = CurrentConnection();
  if (!cnn) throw UnusableConnection();
  const bool takenOver = usedOpening_ != shared_->openings;
  usedOpening_ = shared_->openings;
  try {
    run(*cnn);
    return;
  } catch (const platform::db::DbException& e) {
    if (!takenOver || !(e.LinkBroken() || cnn->LinkBroken())) throw;
  }
  // The link died after another reader last used it. A reader with a connection of its own
  // would have opened a new one before this statement, so this one does, without a word; a
  // new connection that fails again fails the read as usual.
  DestroyConnection();
  if (!OpenSourceConnection()) throw UnusableConnection();
  run(*CurrentConnection());
}

void CustomSource::OpenQuery(Recordset& rs, const std::string& text) {
  OnConnection([&](Connection& cnn) {
    rs = Recordset();
    rs.Open(text, cnn, platform::db::adCmdText);
  });
}

void CustomSource::LoadRows(const std::string& text, Query query) {
  // The previous records stay until the new result is open; from then on they are replaced
  // one by one, and the count says how many of the new rows are in.
  ReadRows(text, query, false, true);
}

void CustomSource::AppendRows(const std::string& text, Query query, bool textAsBytes) {
  ReadRows(text, query, textAsBytes, false);
}

void CustomSource::ReadRows(const std::string& text, Query query, bool textAsBytes, bool replace,
                            const std::array<std::int32_t, 2>* ids) {
  const std::int32_t first = recordCount_;
  OnConnection([&](Connection& cnn) {
    bool open = false;
    auto opened = [&] {
      if (open) return;
      open = true;
      recordCount_ = replace ? 0 : first;
    };
    std::optional<Columns> columns;  // found at the first row, as a read by name would fail there
    platform::db::Command command;
    command.ActiveConnection(cnn);
    command.CommandText(text);
    if (ids) {
      command.CreateParameter("from", platform::db::adInteger, platform::db::adParamInput, 0, (*ids)[0]);
      command.CreateParameter("to", platform::db::adInteger, platform::db::adParamInput, 0, (*ids)[1]);
    }
    // One pass: each row the driver hands over becomes a record, and nothing else keeps it.
    command.Execute([&](const platform::db::ResultTable& result, std::vector<core::Value>& row) {
      opened();
      if (!columns) columns.emplace(result, query == Query::Answers, textAsBytes);
      columns->Row(row);
      auto record = std::make_shared<CommonTypeLimsMatchRec>();
      if (query == Query::Answers)
        FillAnswer(*columns, *record);
      else
        FillLogNote(*columns, *record);
      const auto at = static_cast<std::size_t>(recordCount_);
      if (at < records_.size())
        records_[at] = std::move(record);
      else
        records_.push_back(std::move(record));
      ++recordCount_;
    });
    opened();
  });
}
