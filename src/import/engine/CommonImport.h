#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Date.h"
#include "import/engine/FailurePolicy.h"
#include "import/engine/ImportWatermark.h"
#include "import/engine/LateCommitRun.h"
#include "import/engine/RecoverySettings.h"
#include "import/engine/SessionStatistics.h"
#include "import/model/KrymSchemaOpener.h"
#include "import/source/CustomSource.h"
#include "import/writers/CommonFacilityWriter.h"

namespace core {
class Value;
}
class CommonTypeLimsMatchRec;
class CommonTypeVar;
class CommonTypeVarRec;
class CommonVarGatherer;

// The import engine: one instance per import run. StartImport walks the collector's facilities
// and, in each, its linked variables; for every variable it reads the DeraRed answers of the
// run's transaction range, turns each non-blank answer into a value and a text and writes it
// into the variable's slot through one facility writer per facility, retrying reads and writes
// after connection failures as the SOURCE\RECOVERY and TARGET\RECOVERY settings say. Operator
// notes go to the facility's logbook when K30418\AddNotesToLogbook is "TRUE". Service-mode runs
// save the last imported transaction id after each facility without failure (a test run, which
// writes nothing, saves none); which id may be saved is ImportWatermark's rule (it never passes
// an answer some linked variable has not handled). Those runs also keep the late-commit watch
// (LateCommitRun): the ids missing below the run's bound are watched, and a watched id that
// has appeared is read and written by every variable and the notes before the run's own range.
//
// Failures come in two kinds. A rejected answer or note can never be written as it stands (not
// interpretable for its variable, no usable date or time, of a Second-interval variable, which
// no value table holds, or refused by Krym on a standing link for a reason of the value's, twice:
// the immediate second try heals a race with another writer): it is reported, passed over and
// counts as handled, so the variable goes on and the last id may pass it; one variable's bad
// values never hold another's. Everything that may heal holds the last id below it, and the next
// run tries again: a source or target out of reach, a facility that could not be gathered, a
// variable whose definition or symbols did not load, the id file, a refusal by Krym's structure
// (a procedure, table or column missing, a permission refused: that procedure's remaining writes
// in the facility wait), a systemic refusal, and a refusal whose code is not known to be the
// value's while no write through the same procedure has proved it works. What a refused value
// does is FailurePolicy's rule. Whose fault a failure is comes from its codes, through
// platform::db::ClassifyFailure, which the writer and the reader both ask: a transient failure
// (a lost link, a timeout, a deadlock, a read-only standby, a server going down) goes through the
// recovery cycle, reads and writes alike, and only a failure of another class on a link that
// still works (the writer's ConnectionAlive, the reader's LinkAlive) is the statement's own. A
// source that stays out of reach through its recovery cycle ends the run's reading at once; a
// facility whose Krym database stays out of reach leaves its other values and notes for the next
// run. RunFailed tells whether anything of either kind happened. A stop request
// (platform::os::StopRequested) ends the run after the current database call, saving nothing
// more.
//
// The gatherer is borrowed for the call. The instance owns the variable definitions, the
// current source reader (a fresh one per variable, all of a run sharing one DeraRed connection,
// which a failed read's recovery drops for all of them) and the current facility writer, and
// keeps the run's statistics. The recovery waits sleep through the sleep function
// (std::this_thread::sleep_for unless one is set) and then let pending events run once
// (Program().ui.events).
class CommonImport {
 public:
  using SleepFunction = std::function<void(std::int32_t milliseconds)>;
  using WatchClock = LateCommitRun::Clock;

  // The opener reaches the Krym schemas for the variable definitions; it is borrowed and must
  // outlive the instance.
  explicit CommonImport(const KrymSchemaOpener& opener = KrymSchemaOpener::Standard());
  ~CommonImport();
  CommonImport(const CommonImport&) = delete;
  CommonImport& operator=(const CommonImport&) = delete;

  // True when the run reached its end, whatever failed for single variables or facilities on
  // the way; false when the variable definitions could not be loaded or a run-time error
  // stopped the run ("Error in StartImport: " & number & ": " & description).
  bool StartImport(CommonVarGatherer& gatherer, bool TestMode);
  // Whether anything in the last StartImport was rejected, held, failed or stopped: only a run
  // without any of them may be called successful.
  bool RunFailed() const { return runFailed_; }

  // The recovery loops. LoopReadSource runs the reader's answers query, up to
  // SOURCE\RECOVERY\ATTEMPTS tries. LoopWriteTarget prepares the answer (ValuePreparation) and
  // writes it through the current facility's writer (there is one only while StartImport runs a
  // facility), up to TARGET\RECOVERY\ATTEMPTS tries of a lost link; false at once, without a
  // try, when the answer is not interpretable or there is no writer, at once when Krym's
  // structure refuses it, and after one immediate second try when Krym refuses it for a reason
  // of the value's on a standing link. Both raise core::RuntimeError for settings that are not
  // numbers. A read is tried again while its failures are transient or find the link lost: one
  // that fails otherwise on a link that still works would fail alike on a new connection.
  bool LoopReadSource(CustomSource& reader);
  bool LoopWriteTarget(const std::string& answer, const CommonTypeVarRec& record, core::Date stamp,
                       const std::string& units, const std::string& guard);

  void LogWriteOutcome(core::Date stamp, const CommonTypeVarRec& record, const std::string& text, bool logical,
                       bool physical, bool skipped);
  void AddReadStatistics(double startSeconds, double endSeconds, std::int32_t records);
  void LogSessionStatistics();
  const SessionStatistics& Statistics() const { return stats_; }

  void Sleep(SleepFunction sleep) { sleep_ = std::move(sleep); }
  // Whether notes go to the logbook (when K30418\AddNotesToLogbook asks for them); a test run
  // still writes them unless this is set false, as the service's test runs do, which write
  // nothing into Krym at all. The notes are read either way.
  void WriteNotes(bool on) { writeNotes_ = on; }
  // The clock the late-commit watch ages by (std::chrono::system_clock unless one is set).
  void Clock(WatchClock clock) { late_.SetClock(std::move(clock)); }
  // Called between the listing of a service run's range and its first read (for the tests).
  void AfterListing(std::function<void()> hook) { late_.AfterListing(std::move(hook)); }

  // How many transaction ids a variable's read takes at a time: a run's range wider than that
  // is read and handled in windows of it, one after the other (each with its own "Loaded N data
  // record(s) from source." line), so that one run's memory does not grow with its backlog.
  static constexpr std::int32_t kReadWindow = 10000;
  // Another window, for the tests (at least 1).
  void ReadWindow(std::int32_t ids) { readWindow_ = ids < 1 ? 1 : ids; }

  // The trimmed answer of the first of the ten question ids that equals the record's
  // RoutePointQuestionID ("" when none does; Null never equals).
  static std::string SelectAnswer(const CommonTypeLimsMatchRec& rec);
  // The pair (1..10) SelectAnswer takes its answer from; 0 when none.
  static int SelectedPair(const CommonTypeLimsMatchRec& rec);
  // A type whose writes need the Second interval's 86400 slots a day, which no value table
  // holds (the empty code is written as a daily value and is not one of them).
  static bool IsSecondIntervalType(const std::string& varType);

 private:
  struct FacilityRun;

  // Rejected: the answer cannot be written as it stands (not interpretable); Structural: Krym's
  // structure refused it; Refused: Krym refused it twice on a standing link, for a reason of the
  // value's; Unreachable: a transient failure lasted through the cycle.
  enum class WriteOutcome { Written, Rejected, Structural, Refused, Unreachable };
  // A read that failed, not transiently, while its link still worked is its own fault (Failed):
  // that variable's answers (or the notes) wait, and the run goes on. One whose failures were
  // transient or lost the link through the whole recovery cycle found DeraRed out of reach
  // (Unreachable): the run reads nothing more.
  enum class ReadOutcome { Read, Failed, Unreachable };

  void RunFacility(CommonVarGatherer& gatherer, bool TestMode, bool laterFacilities);
  // Reads the last imported id and the run's bound once per run; false when the id could not
  // be read.
  bool EnsureRunRange();
  // The reads of a variable: its late transactions, the answers earlier runs imported above
  // the lowest of them (only their slots are noted, see LateCommitRun::WrittenLater), and the run's
  // own range.
  enum class Pass { Late, Later, Range };
  // Reads the variable's answers from..to (bound ids but for the run's range) with the
  // variable's reader, a window at a time, and imports or notes them; false when a read failed
  // (the variable is done then).
  bool ReadAndImport(FacilityRun& run, std::int32_t varid, std::int32_t from, std::int32_t to, Pass pass);
  // One window of ReadAndImport: the ids from..to (to -1: the open range above from); false
  // when the read failed (handled there: a range's answers are held from the window on) or
  // the run is stopping. first: the first window of the read.
  bool ImportWindow(FacilityRun& run, std::int32_t varid, std::int32_t from, std::int32_t to, Pass pass, bool first);
  void NoteWrittenLater(FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec);
  // The recovery cycle of a read of the answers or (notes) of the log notes.
  ReadOutcome ReadSource(CustomSource& reader, bool notes);
  // A row of the variable's answers that DeraRed could not hand over.
  void RejectUnreadableRow(const FacilityRun& run, std::int32_t varid, const CustomSource::UnreadableRow& row);
  // False when the facility must be left at once (the run's range could not be read).
  bool ImportVariable(FacilityRun& run, std::int32_t varid);
  void ImportRecord(FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec);
  // False when the facility's Krym database could not be reached: the record's note and the
  // facility's other values wait for the next run.
  bool ImportAnswer(FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec, const std::string& answer,
                    const CommonTypeVarRec& record);
  // The write part of LoopWriteTarget; why holds the reason of a rejection or refusal.
  WriteOutcome WriteValue(const std::string& answer, const CommonTypeVarRec& record, core::Date stamp,
                          const std::string& guard, std::string& why);
  // One write through the current writer (write() true on success) with the target recovery:
  // Written, Refused or Unreachable.
  template <class Write>
  WriteOutcome WriteWithRecovery(const RecoverySettings& recovery, Write&& write);
  static std::string RefusedText(const CommonFacilityWriter::Failure& f);
  void RejectAnswer(const FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec,
                    const std::string& answer, const std::string& why);
  void RejectAnswer(const FacilityRun& run, std::int32_t varid, const core::Value& id, const std::string& answer,
                    const std::string& why);
  // False when the notes could not be read: the facility's id is not saved then.
  bool ImportLogNotes(FacilityRun& run);
  // Reads the notes above..upTo (bound ids for a late range; upTo bounds only a read around
  // unreadable rows otherwise) and writes them; false when the read failed.
  bool ReadAndImportNotes(FacilityRun& run, std::int32_t above, std::int32_t upTo, bool late);
  // Writes a record's note to the facility's logbook (nothing for a blank note); failLine is
  // the status line of a write that may heal.
  void ImportNote(FacilityRun& run, const CommonTypeLimsMatchRec& rec, const char* failLine);
  void SaveLastId(const FacilityRun& run, bool TestMode, bool laterFacilities);
  std::optional<std::int32_t> DefaultLogbook();
  void SourceOutOfReach();
  void TargetOutOfReach(FacilityRun& run);
  // Whether the program has been asked to end; the first time, the run is marked stopped.
  bool Stopping();
  void Wait(std::int32_t milliseconds);
  void ReportOnce(const std::string& key, const std::string& text);

  const KrymSchemaOpener& opener_;
  std::unique_ptr<CommonTypeVar> vars_;
  std::shared_ptr<CustomSource::SharedConnection> source_;  // the run's DeraRed connection
  std::unique_ptr<CustomSource> reader_;
  std::unique_ptr<CommonFacilityWriter> writer_;  // the current facility's
  SessionStatistics stats_;
  SleepFunction sleep_;
  std::int32_t readWindow_ = kReadWindow;
  RecoverySettings::Reader targetRecovery_{"TARGET"};  // read for every value and note
  bool writeNotes_ = true;

  // The run's state, kept across facilities.
  bool needStartId_ = true;
  std::int32_t startId_ = 0;
  ImportWatermark watermark_;
  // What a refused value does, for the current facility.
  FailurePolicy policy_{watermark_, [this] { runFailed_ = true; }};
  // The late-commit part of a service run: what happens to a gap.
  LateCommitRun late_;
  bool runFailed_ = false;
  bool sourceDown_ = false;  // the source stayed out of reach: no more reading in this run
  bool stopped_ = false;
  std::set<std::string> reported_;  // what was reported once per run
};
