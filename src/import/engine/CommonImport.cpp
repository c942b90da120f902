#include "import/engine/CommonImport.h"

#include <chrono>
#include <cmath>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/engine/FailurePolicy.h"
#include "import/engine/LastIdFile.h"
#include "import/engine/RecoverySettings.h"
#include "import/engine/ValuePreparation.h"
#include "import/model/CommonLastRun.h"
#include "import/model/CommonTypeVar.h"
#include "import/model/CommonTypeVarRec.h"
#include "import/model/CommonVarGatherer.h"
#include "import/model/VarTypeFunctions.h"
#include "import/source/CommonTypeLimsMatchRec.h"
#include "import/source/CustomSource.h"
#include "import/writers/CommonFacilityWriter.h"
#include "platform/db/FailureClass.h"
#include "platform/os/StopRequest.h"
#include "platform/ui/EventPump.h"

namespace {

constexpr std::int32_t kExclamationOk = 48;
void Status(const std::string& text, std::int16_t level = 0) { CommonGlobals::ShowStatus(text, level); }
// A failure of the run: also on the journal while the log cannot take it.
void Alert(const std::string& text) { CommonGlobals::ShowAlert(text); }

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

void MsgBox(const std::string& prompt) {
  if (QALmsgBoxHandler* box = Program().msgBox)
    box->QalMsgBox(prompt, kExclamationOk);
  else
    Status(prompt);  // no handler: the reason still reaches the log
}

std::string TrueFalse(bool b) { return b ? "True" : "False"; }

std::string Setting(const std::string& key) {
  QALConfiguration* config = Program().config;
  if (!config) throw core::RuntimeError(91, "Object variable or With block variable not set", "CommonImport");
  return config->item(key);
}

bool AddNotesToLogbook() { return core::UCase(Setting("K30418\\AddNotesToLogbook")) == "TRUE"; }

}  // namespace

// The default logbook of the notes. A setting that is no whole number is reported once per run;
// the notes then wait (the last id is held) rather than go to a logbook nobody chose.
std::optional<std::int32_t> CommonImport::DefaultLogbook() {
  try {
    return CommonGlobals::LongSetting("K30418\\LogbookId");
  } catch (const core::RuntimeError& e) {
    ReportOnce("LogbookId", core::OutsideText(e.Description()) +
                                ": operator notes are not written, and the last imported id is held until the setting "
                                "is corrected.");
    return std::nullopt;
  }
}

namespace {

std::int32_t CountFacilities(CommonVarGatherer& gatherer) {
  std::int32_t n = 0;
  for (gatherer.MoveFirst(); !gatherer.EOF_Facility(); gatherer.MoveNext_Facility()) ++n;
  return n;
}

std::string FacilityName(const CommonVarGatherer& gatherer, const std::string& facility) {
  const std::shared_ptr<HashTable> names = gatherer.FacilityNames();
  return names ? names->item(facility).Text() : std::string();
}

}  // namespace

// What one facility's part of the run keeps.
struct CommonImport::FacilityRun {
  std::string facility;
  std::string name;
  bool facilityOk = true;
  // The facility's Krym database stayed out of reach through a write's recovery cycle: its
  // other values wait for the next run instead of each going through the cycle again.
  bool targetDown = false;
  // K30418\AddNotesToLogbook, read once for the facility's records: the store changes only
  // between runs, and asking it for every record is a good part of a value's own cost.
  bool addNotes = false;
  // K30418\LogbookId, read with the notes switch; none when it is not a whole number.
  std::optional<std::int32_t> defaultLogbook;
  // The transaction whose note was written last from an answer record of this facility.
  core::Value lastNoteId = std::int32_t{0};
  // The definition of the variable being imported, looked up at its first answer, and the
  // procedures its values go through.
  std::int32_t varid = 0;
  bool recordLooked = false;
  std::shared_ptr<CommonTypeVarRec> record;
  CommonFacilityWriter::ValueProcedureNames procedures;
  // Transactions whose note was rejected: reported once, not tried again for another variable.
  std::set<std::string> rejectedNotes;
  // While the variable's late transactions are written (see LateCommitRun::WrittenLater).
  bool writingLate = false;

  // As lines quote it: the name and id come from Krym.
  std::string Where() const {
    return "facility '" + core::OutsideText(name) + "' (" + core::OutsideText(facility) + ")";
  }
};

CommonImport::CommonImport(const KrymSchemaOpener& opener) : opener_(opener) {}
CommonImport::~CommonImport() = default;

// What a failure does is the writer's answer of whose fault it is (platform::db::ClassifyFailure).
// Krym's structure: at once Structural, nothing is tried again. The value's: tried again at once
// while the link still stands, which heals a race with another writer; a second refusal on a
// standing link is Refused (the value's, or, for several variables alike, Krym's: see
// FailurePolicy). Transient (a lost link, a timeout, a deadlock, a read-only standby), or a
// refusal whose link turns out lost: through the recovery cycle.
template <class Write>
CommonImport::WriteOutcome CommonImport::WriteWithRecovery(const RecoverySettings& recovery, Write&& write) {
  using Kind = CommonFacilityWriter::Failure::Kind;
  const std::int32_t attempts = recovery.Attempts();
  bool retried = false;
  for (std::int32_t i = 1; i <= attempts && !Stopping();) {
    if (write()) return WriteOutcome::Written;
    const Kind kind = writer_->LastFailure().kind;
    if (kind == Kind::Structure) return WriteOutcome::Structural;
    if (kind == Kind::Refused && writer_->ConnectionAlive()) {
      if (retried) return WriteOutcome::Refused;
      retried = true;
      continue;
    }
    stats_.CountTargetConnectionFailure();
    // The text says "source", as it always has.
    Status("Connection error occured while communicating with Vorn Krym. Will attempt to re-connect to source for " +
               std::to_string(attempts - i + 1) + " times",
           1);
    Status("Waiting for " + recovery.SecondsText() + " seconds before attempting to re-connect ... ", 1);
    writer_->DestroyConnection();
    Wait(recovery.WaitMilliseconds());
    ++i;
  }
  if (!stopped_) Alert("Unable to connect to Vorn Krym.");
  return WriteOutcome::Unreachable;
}

int CommonImport::SelectedPair(const CommonTypeLimsMatchRec& rec) {
  for (int k = 1; k <= 10; ++k) {
    if (rec.QuestionId(k).Equals(rec.RoutePointQuestionID)) return k;
  }
  return 0;
}

std::string CommonImport::SelectAnswer(const CommonTypeLimsMatchRec& rec) {
  const int k = SelectedPair(rec);
  return k == 0 ? std::string() : core::Trim(rec.Answer(k).Text());
}

bool CommonImport::IsSecondIntervalType(const std::string& varType) {
  return VarTypeFunctions::IsSecondVar(varType) && !VarTypeFunctions::IsDailyVar(varType);
}

bool CommonImport::StartImport(CommonVarGatherer& gatherer, bool TestMode) {
  runFailed_ = false;
  sourceDown_ = false;
  stopped_ = false;
  try {
    vars_ = std::make_unique<CommonTypeVar>(opener_);
    if (!vars_->ReadVornKrym(gatherer)) {
      runFailed_ = true;
      return false;
    }

    const std::string& writeAsUser = gatherer.CollectorWriteAsUser();
    Program().writeAsUser = core::Trim(writeAsUser).empty() ? std::string() : writeAsUser;

    stats_.SessionStart(SessionStatistics::SecondsSinceMidnight());
    source_ = CustomSource::NewSharedConnection();
    reader_ = std::make_unique<CustomSource>(source_);
    // Answers of a facility that could not be gathered (the session has named it) may lie
    // anywhere in the run's range.
    if (!gatherer.UngatheredFacilities().empty()) {
      watermark_.HoldAtStart();
      runFailed_ = true;
    }
    const std::int32_t facilities = CountFacilities(gatherer);
    gatherer.MoveFirst();
    needStartId_ = true;
    // Interactive and test runs save no id, so they neither keep nor use the late-commit watch.
    late_.Reset(Program().isNTService && !TestMode);

    for (std::int32_t n = 1; !gatherer.EOF_Facility() && !sourceDown_ && !Stopping(); ++n) {
      RunFacility(gatherer, TestMode, n < facilities);
      gatherer.MoveNext_Facility();
    }
    if (!late_.End(watermark_)) runFailed_ = true;
    LogSessionStatistics();
    return true;
  } catch (const std::exception& e) {
    const auto* re = dynamic_cast<const core::RuntimeError*>(&e);
    Alert("Error in StartImport: " + std::to_string(re ? re->Number() : 0) + ": " +
          core::OutsideText(re ? re->Description() : std::string(e.what())));
    writer_.reset();
    runFailed_ = true;
    return false;
  }
}

void CommonImport::RunFacility(CommonVarGatherer& gatherer, bool TestMode, bool laterFacilities) {
  FacilityRun run;
  run.facility = gatherer.Current_Facility();
  run.name = FacilityName(gatherer, run.facility);
  policy_.BeginFacility(run.Where());
  Status("Processing facility '" + core::OutsideText(run.name) + "' (" + core::OutsideText(run.facility) + ")");

  writer_ = std::make_unique<CommonFacilityWriter>();
  writer_->facilID(run.facility);
  writer_->LockDate(gatherer.LastRunSettings()->LockDate(run.facility));
  writer_->TestMode(TestMode);
  run.addNotes = AddNotesToLogbook();
  if (run.addNotes) run.defaultLogbook = DefaultLogbook();

  bool rangeKnown = true;
  for (; !gatherer.EOF_Variable() && rangeKnown && !run.targetDown && !sourceDown_ && !Stopping();
       gatherer.MoveNext_Variable())
    rangeKnown = ImportVariable(run, gatherer.Current_Variable());

  // Without the run's range the facility is left as it is; the next one tries again. Nothing
  // more is read once the source is out of reach, and nothing more is written once the program
  // is ending.
  if (rangeKnown && !sourceDown_ && !stopped_) {
    const bool notesRead = !run.addNotes || run.targetDown || ImportLogNotes(run);
    policy_.Settle();
    // The late transactions leave the watch before the last facility's id is saved: a kill
    // between the two saves then leaves them imported once and forgotten, and the next run
    // reads this run's range again from the same start (see LateCommitRun).
    if (!laterFacilities && !stopped_ && !late_.End(watermark_)) runFailed_ = true;
    if (notesRead && !stopped_) SaveLastId(run, TestMode, laterFacilities);
  }
  policy_.Settle();
  if (!run.facilityOk) runFailed_ = true;
  writer_.reset();
}

bool CommonImport::EnsureRunRange() {
  const std::int32_t id = LastIdFile::GetLastTransIdImported();
  if (id == -1) {
    Alert("Error: GetLastTransIdImported failed.");
    watermark_.HoldAtStart();
    runFailed_ = true;
    return false;
  }
  startId_ = id;
  // The run's upper bound, fixed before the first variable reads: transactions that arrive
  // later belong to the next run, for every variable alike. Without it the run reads as it
  // always did, above the start id only, moves the saved id on no further, and is no success.
  bool failed = false;
  const std::int32_t highest = reader_->ReadHighestTransId(failed);
  if (!failed) {
    watermark_.Begin(startId_, highest);
    if (!late_.Begin(*reader_, watermark_)) runFailed_ = true;
  } else {
    watermark_.Begin(startId_, std::nullopt);
    runFailed_ = true;
  }
  needStartId_ = false;
  return true;
}

namespace {

std::optional<std::int32_t> IdOf(const core::Value& id) {
  try {
    return id.ToLong();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

bool CommonImport::ImportVariable(FacilityRun& run, std::int32_t varid) {
  reader_ = std::make_unique<CustomSource>(source_);
  if (needStartId_ && !EnsureRunRange()) return false;
  const std::vector<LateCommitWatch::Range>& lateRanges = late_.LateRanges();
  if (!lateRanges.empty()) {
    // What earlier runs wrote above the lowest late transaction, then the late ones.
    // A read that fails leaves the late transactions watched for the next run; the variable's
    // own range goes on unless DeraRed is out of reach.
    late_.StartLatePasses();
    const std::int32_t lowest = lateRanges.front().first;
    bool read = lowest >= startId_ || ReadAndImport(run, varid, lowest + 1, startId_, Pass::Later);
    run.writingLate = true;
    for (auto late = lateRanges.begin(); read && late != lateRanges.end() && !run.targetDown && !stopped_; ++late)
      read = ReadAndImport(run, varid, late->first, late->last, Pass::Late);
    run.writingLate = false;
    late_.StartLatePasses();
    if (run.targetDown || sourceDown_ || stopped_) return true;
  }
  ReadAndImport(run, varid, watermark_.ReadFrom(), watermark_.ReadTo(), Pass::Range);
  return true;
}

bool CommonImport::ReadAndImport(FacilityRun& run, std::int32_t varid, std::int32_t from, std::int32_t to, Pass pass) {
  reader_->QueryType(0);
  reader_->BindTransIds(pass != Pass::Range);
  reader_->CurrentVarId(std::to_string(varid));

  const std::string ids = std::to_string(from) + (to > from ? " to " + std::to_string(to) : "");
  if (pass == Pass::Late) {
    Status("Loading the late transaction(s) " + ids + " from source for VarId " + std::to_string(varid) + "  ...");
  } else if (pass == Pass::Later) {
    Status("Loading the transactions " + ids + " after a late one from source for VarId " + std::to_string(varid) +
           "  ...");
  } else {
    Status("lngLastTransIdImportedLastSession = " + std::to_string(startId_));
    Status("Loading data records from source for VarId " + std::to_string(varid) + "  ...");
  }
  // A bounded range is read and handled a window of ids at a time, so that a backlog of any
  // size never sits in memory at once; an open one (the bound could not be read) is read whole.
  for (std::int32_t windowFrom = from;;) {
    const bool last = to == -1 || static_cast<std::int64_t>(to) - windowFrom < readWindow_;
    const std::int32_t windowTo = last ? to : windowFrom + readWindow_ - 1;
    if (!ImportWindow(run, varid, windowFrom, windowTo, pass, windowFrom == from)) return false;
    if (last || run.targetDown || Stopping()) return true;
    // A stretch of ids without any transaction is stepped over.
    const std::optional<std::int32_t> next = reader_->ReadNextTransId(windowTo);
    if (next && *next > to) return true;
    windowFrom = next ? *next : windowTo + 1;
  }
}

bool CommonImport::ImportWindow(FacilityRun& run, std::int32_t varid, std::int32_t from, std::int32_t to, Pass pass,
                                bool first) {
  reader_->StartTransId(from);
  reader_->EndTransId(to);
  const ReadOutcome read = ReadSource(*reader_, false);
  if (read != ReadOutcome::Read) {
    if (stopped_) return false;
    MsgBox("Execution error occured in LoopReadSource for VarId " + std::to_string(varid));
    Status("Execution error occured in LoopReadSource");
    if (read == ReadOutcome::Unreachable) {
      run.facilityOk = false;
      SourceOutOfReach();
      return false;
    }
    runFailed_ = true;
    if (pass != Pass::Range) {
      watermark_.HoldLate();
      Alert("The late transactions of VarId " + std::to_string(varid) + " of " + run.Where() +
            " could not be read from DeraRed, which is reachable (" + reader_->LastReadError() +
            "): they stay watched for the next run.");
      return false;
    }
    // DeraRed is there and refused this variable's read: its answers from the window on, anywhere
    // in it, wait for the next run, and the other variables go on.
    run.facilityOk = false;
    if (first)
      watermark_.HoldAtStart();
    else
      watermark_.HoldBelow(core::Value(from));
    Alert("The answers of VarId " + std::to_string(varid) + " of " + run.Where() +
          (first ? std::string() : " from transaction " + std::to_string(from) + " on") +
          " could not be read from DeraRed, which is reachable (" + reader_->LastReadError() +
          "): they wait for the next run, and the last imported id is held.");
    return false;
  }
  Status("Loaded " + std::to_string(reader_->RecordCount()) + " data record(s) from source.");
  for (const CustomSource::UnreadableRow& row : reader_->UnreadableRows()) RejectUnreadableRow(run, varid, row);

  for (; !reader_->EOF_LimsRec() && !run.targetDown && !Stopping(); reader_->MoveNext_LimsRec()) {
    const std::shared_ptr<CommonTypeLimsMatchRec> rec = reader_->Get_LimsRec();
    if (!rec) continue;
    // A transaction its listing did not see is the watch's, answers and notes alike.
    if (pass != Pass::Late) {
      const std::optional<std::int32_t> id = IdOf(rec->ID);
      if (id && late_.LeftToWatch(*id)) continue;
    }
    if (pass == Pass::Later)
      NoteWrittenLater(run, varid, *rec);
    else
      ImportRecord(run, varid, *rec);
  }
  return true;
}

namespace {

// The reason a record's date cannot place a value of a variable of that type, or "" when it can.
std::string UnusableDateTime(const CommonTypeLimsMatchRec& rec, const std::string& varType) {
  if (rec.Trans_Date.IsNull()) return "it has no date (Trans_Date is Null)";
  // A daily value needs its day only, which Trans_DateTime then is; any shorter slot is unknown
  // without the time.
  const bool daily = VarTypeFunctions::GetDataTableName(varType) == "DATATBL";
  if (rec.Trans_Time.IsNull() && !daily) return "it has no time (Trans_Time is Null)";
  if (!rec.Trans_Date.IsDate() || (!rec.Trans_Time.IsNull() && !rec.Trans_Time.IsDate()) ||
      !rec.Trans_DateTime.IsDate())
    return "its date or time cannot be read (Trans_Date '" + core::OutsideText(rec.Trans_Date.Text()) +
           "', Trans_Time '" + core::OutsideText(rec.Trans_Time.Text()) + "')";
  return std::string();
}

// The box and status line of a value that could not be written.
std::string WriteErrorText(std::int32_t varid) {
  return "Error occured in WriteToVornKrym for VarId " + std::to_string(varid);
}

std::string NotInterpretable(const std::string& answer, const CommonTypeVarRec& record) {
  if (VarTypeFunctions::IsTextParameterVar(record.gVarType()))
    return "it is not one of the texts the variable's list allows";
  std::string why = record.gAllowSymbol() ? "it is neither a number nor one of the variable's symbols"
                                          : "it is not a number and the variable allows no symbols";
  if (answer.find(',') != std::string::npos) why += " (a comma only separates thousands, as in 1,234)";
  return why;
}

}  // namespace

void CommonImport::NoteWrittenLater(FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec) {
  const std::optional<std::int32_t> id = IdOf(rec.ID);
  const std::string answer = SelectAnswer(rec);
  if (!id || late_.IsLate(*id) || answer.empty()) return;
  const std::shared_ptr<CommonTypeVarRec> record = vars_->GetVarRecord(run.facility, varid);
  if (!record || IsSecondIntervalType(record->gVarType()) || !UnusableDateTime(rec, record->gVarType()).empty()) return;
  core::Date stamp;
  try {
    stamp = VarTypeFunctions::GetSlotStartDate(rec.Trans_DateTime.ToDate(), record->gVarType());
  } catch (const core::RuntimeError&) {
    return;
  }
  // Only an answer that could be written holds its slot.
  const ValuePreparation::Result prepared = ValuePreparation::Prepare(answer, *record);
  if (!prepared.ok || !std::isfinite(prepared.value)) return;
  late_.NoteWrittenLater(stamp, *id);
}

void CommonImport::ImportRecord(FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec) {
  const std::string answer = SelectAnswer(rec);
  if (!answer.empty()) {
    if (!run.recordLooked || run.varid != varid) {
      run.varid = varid;
      run.record = vars_->GetVarRecord(run.facility, varid);
      run.recordLooked = true;
      if (run.record && !IsSecondIntervalType(run.record->gVarType()))
        run.procedures = CommonFacilityWriter::ValueProcedures(run.record->gVarType());
    }
    const CommonTypeVarRec* record = run.record.get();
    auto hold = [&](const char* what) {
      ReportOnce(run.facility + "~" + std::to_string(varid),
                 "VarId " + std::to_string(varid) + " of " + run.Where() + what);
      watermark_.HoldBelow(rec.ID);
      runFailed_ = true;
    };
    if (!record) {
      // Its definition did not load (a facility schema out of reach, a row that cannot be read):
      // the answer waits for a run that can read it.
      hold(
          " has no definition: it could not be read from Vorn Krym (the facility's schema could not be opened or "
          "the variable's row could not be read), so its answers are not imported, and the last imported id is held "
          "until it can be read.");
    } else if (record->gSymbolLoadFailed()) {
      // Read without its symbols, a good symbol answer would be taken for a bad one.
      hold(" could not load its symbols: its answers are not imported, and the last imported id is held.");
    } else if (IsSecondIntervalType(record->gVarType())) {
      // No value table holds such a variable's slots: its answers can never be written.
      RejectAnswer(run, varid, rec, answer, "its variable is of the Second interval, which no value table holds");
    } else if (!ImportAnswer(run, varid, rec, answer, *record)) {
      return;  // the facility's Krym database is out of reach: the note waits with the value
    }
  }

  if (run.addNotes && !rec.ID.Equals(run.lastNoteId) && !core::Trim(rec.Notes.Text()).empty()) {
    ImportNote(run, rec, "Error returned from WriteToLogbook. LN269");
    run.lastNoteId = rec.ID;
  }
}

bool CommonImport::ImportAnswer(FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec,
                                const std::string& answer, const CommonTypeVarRec& record) {
  std::string why = UnusableDateTime(rec, record.gVarType());
  // Bytes DeraRed could not hand over as text: what they stand for cannot be known.
  if (!rec.AnswerHandedOver(SelectedPair(rec)))
    why = "DeraRed cannot hand over its text as it stands (bytes that are no UTF-8, shown escaped)";
  core::Date stamp;
  if (why.empty()) {
    try {
      stamp = VarTypeFunctions::GetSlotStartDate(rec.Trans_DateTime.ToDate(), record.gVarType());
    } catch (const core::RuntimeError& e) {
      why = "its date cannot be placed in a slot (" + std::to_string(e.Number()) + ": " + e.Description() + ")";
    }
  }
  if (!why.empty()) {
    RejectAnswer(run, varid, rec, answer, why);
    return true;
  }
  if (run.writingLate) {
    const std::optional<std::int32_t> id = IdOf(rec.ID);
    const std::optional<std::int32_t> later = id ? late_.WrittenLater(stamp, *id) : std::nullopt;
    if (later) {
      Status("The late answer '" + core::OutsideText(answer) + "' of transaction " + std::to_string(*id) +
                 " for VarId " + std::to_string(varid) + " is not written: its slot holds the answer of the later "
                 "transaction " + std::to_string(*later) + ".",
             1);
      return true;
    }
  }
  // Krym refuses, by its structure or systemically, one of the variable's procedures.
  if (policy_.Refusing(run.procedures.seek) || policy_.Refusing(run.procedures.write)) {
    watermark_.HoldBelow(rec.ID);
    return true;
  }
  switch (WriteValue(answer, record, stamp, core::Trim(rec.Guard.Text()), why)) {
    case WriteOutcome::Written:
      // Only a write breaks a streak: a value skipped by the lock date or the approval level
      // has not gone through the procedure that refused.
      if (writer_->LastWriteLogical()) policy_.WroteThrough(run.procedures.seek);
      if (writer_->LastWritePhysical()) policy_.WroteThrough(run.procedures.write);
      return true;
    case WriteOutcome::Rejected:
      RejectAnswer(run, varid, rec, answer, why);
      return true;
    case WriteOutcome::Structural:
      policy_.StructureRefuses(writer_->LastFailure(), rec.ID);
      return true;
    case WriteOutcome::Refused: {
      const core::Value id = rec.ID;
      policy_.Refused(writer_->LastFailure(), "VarId " + std::to_string(varid), rec.ID,
                      [this, &run, varid, id, answer, why] { RejectAnswer(run, varid, id, answer, why); });
      return true;
    }
    case WriteOutcome::Unreachable:
      break;
  }
  if (stopped_) return false;
  const std::string text = WriteErrorText(varid);
  MsgBox(text);
  Status(text);
  run.facilityOk = false;
  TargetOutOfReach(run);
  return false;
}

void CommonImport::RejectAnswer(const FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec,
                                const std::string& answer, const std::string& why) {
  RejectAnswer(run, varid, rec.ID, answer, why);
}

void CommonImport::RejectAnswer(const FacilityRun& run, std::int32_t varid, const core::Value& id,
                                const std::string& answer, const std::string& why) {
  const std::string text = WriteErrorText(varid);
  // One box per variable and run: fifty bad answers are not fifty boxes.
  if (reported_.insert("box~" + run.facility + "~" + std::to_string(varid)).second) MsgBox(text);
  Status(text);
  Alert("Rejected the answer '" + core::OutsideText(answer) + "' of transaction " + id.Text() + " for VarId " +
        std::to_string(varid) + " of " + run.Where() + ": " + why + ". It is not imported; the import goes on.");
  runFailed_ = true;
}

void CommonImport::ImportNote(FacilityRun& run, const CommonTypeLimsMatchRec& rec, const char* failLine) {
  if (core::Trim(rec.Notes.Text()).empty()) return;
  const std::string id = core::OutsideText(rec.ID.Text());
  if (run.rejectedNotes.count(id)) return;  // reported once, when its first variable met it
  auto rejectNote = [this, &run, id](const std::string& why) {
    run.rejectedNotes.insert(id);
    Alert("Rejected the note of transaction " + id + " for the logbook of " + run.Where() + ": " + why +
          ". It is not imported; the import goes on.");
    runFailed_ = true;
  };
  auto reject = [&](const std::string& why) { rejectNote(why); };
  // Krym is out of reach, or refuses every note: the note waits, unwritten.
  if (run.targetDown || policy_.Refusing(CommonFacilityWriter::kLogbookTable)) {
    watermark_.HoldBelow(rec.ID);
    return;
  }
  if (rec.Trans_Date.IsNull()) return reject("it has no date (Trans_Date is Null)");
  if (!rec.Trans_Date.IsDate())
    return reject("its date cannot be read ('" + core::OutsideText(rec.Trans_Date.Text()) + "')");
  // A note without a readable time is written at the start of its day.
  const core::Date time = rec.Trans_Time.IsDate() ? rec.Trans_Time.ToDate() : core::Date();
  // A question without a logbook of its own (Null, or no number) sends its notes to the default.
  const core::Value& own = rec.external_id_logbook;
  std::int32_t logbook = 0;
  try {
    if (!own.IsNull()) logbook = own.ToLong();
  } catch (const core::RuntimeError&) {
    logbook = 0;
  }
  // Without a usable default logbook the note waits until the setting is corrected.
  if (!run.defaultLogbook) {
    Status(failLine);
    run.facilityOk = false;
    watermark_.HoldBelow(rec.ID);
    return;
  }
  if (!writeNotes_) return;
  const RecoverySettings recovery = targetRecovery_.Get();
  switch (WriteWithRecovery(recovery, [&] {
    return writer_->WriteToLogbook(logbook, rec.Trans_Date.ToDate(), time, rec.Notes.Text(), *run.defaultLogbook,
                                   rec.Guard.Text());
  })) {
    case WriteOutcome::Written:
      // A note that was there already added nothing: that is no write through the table.
      if (!writer_->LastWriteSkipped()) policy_.WroteThrough(CommonFacilityWriter::kLogbookTable);
      return;
    case WriteOutcome::Structural:
      policy_.StructureRefuses(writer_->LastFailure(), rec.ID);
      return;
    case WriteOutcome::Refused: {
      // Met again for another variable, it is not tried again while its fate is open.
      run.rejectedNotes.insert(id);
      const std::string why = RefusedText(writer_->LastFailure());
      policy_.Refused(writer_->LastFailure(), "note " + id, rec.ID, [rejectNote, why] { rejectNote(why); });
      return;
    }
    case WriteOutcome::Rejected:
    case WriteOutcome::Unreachable:
      break;
  }
  if (stopped_) return;  // the stop has held the id
  Status(failLine);
  run.facilityOk = false;
  watermark_.HoldBelow(rec.ID);
  TargetOutOfReach(run);
}

bool CommonImport::ImportLogNotes(FacilityRun& run) {
  if (!reader_) reader_ = std::make_unique<CustomSource>(source_);
  // The notes of the late transactions first, each range with its ids bound.
  for (const LateCommitWatch::Range& late : late_.LateRanges()) {
    if (!ReadAndImportNotes(run, late.first - 1, late.last, true)) return false;
    if (run.targetDown || stopped_) return true;
  }
  return ReadAndImportNotes(run, startId_, watermark_.ReadTo(), false);
}

bool CommonImport::ReadAndImportNotes(FacilityRun& run, std::int32_t above, std::int32_t upTo, bool late) {
  Status("Loading Logbook records from source...");
  reader_->StartTransId(above);  // the notes query reads above it
  // Only a read that fails is bounded by it, to read around rows DeraRed cannot hand over; a
  // late range is read with its ids bound.
  reader_->EndTransId(upTo);
  reader_->BindTransIds(late);
  const ReadOutcome read = ReadSource(*reader_, true);
  reader_->BindTransIds(false);
  if (read != ReadOutcome::Read) {
    if (stopped_) return false;
    MsgBox("Execution error occured in ReadLIMSLogNotes");
    Status("Execution error occured in ReadLIMSLogNotes");
    if (read == ReadOutcome::Unreachable) {
      SourceOutOfReach();
    } else {
      watermark_.HoldAtStart();
      runFailed_ = true;
      Alert("The operator notes of " + run.Where() + " could not be read from DeraRed, which is reachable (" +
            reader_->LastReadError() + "): they wait for the next run, and the last imported id is held.");
    }
    return false;
  }
  Status("Loaded Logbook " + std::to_string(reader_->RecordCount()) + " record(s) from source.");
  for (const CustomSource::UnreadableRow& row : reader_->UnreadableRows()) {
    Alert("Rejected the note of transaction " + std::to_string(row.id) + " for the logbook of " + run.Where() +
          ": DeraRed cannot hand over its row (" + row.error + "). It is not imported; the import goes on.");
    runFailed_ = true;
  }
  for (; !reader_->EOF_LimsRec() && !Stopping(); reader_->MoveNext_LimsRec()) {
    const std::shared_ptr<CommonTypeLimsMatchRec> rec = reader_->Get_LimsRec();
    // Notes that arrived after the run's bound are left for the next run, like answers.
    if (!rec) continue;
    const std::optional<std::int32_t> id = IdOf(rec->ID);
    if (late || (watermark_.InRange(rec->ID) && !(id && late_.LeftToWatch(*id))))
      ImportNote(run, *rec, "Error returned from WriteToLogbook. 371");
  }
  return true;
}

void CommonImport::SaveLastId(const FacilityRun& run, bool TestMode, bool laterFacilities) {
  const ProgramContext& ctx = Program();
  std::int32_t lastId = watermark_.SafeId(laterFacilities);
  Status("NTService = " + TrueFalse(ctx.isNTService) + " SaveLastTransIdImported = " + TrueFalse(run.facilityOk), 3);
  // A test run wrote nothing, so it has imported nothing either.
  if (!ctx.isNTService || !run.facilityOk || lastId == 0 || TestMode) return;
  const std::string where = " for facility " + run.name + "' (" + run.facility + ")";
  if (LastIdFile::PutLastIdImported(lastId) == -1) {
    Alert("WARNING : Unable to save Last Id Imported - " + std::to_string(lastId) + where);
    runFailed_ = true;
  } else {
    Status("Success: The Last Id that was Imported is - " + std::to_string(lastId) + where);
  }
}

void CommonImport::SourceOutOfReach() {
  sourceDown_ = true;
  runFailed_ = true;
  watermark_.HoldAtStart();
  Alert(
      "DeraRed could not be read after every recovery attempt: the rest of this run's reading is skipped, and "
      "the last imported id is held until DeraRed can be read.");
}

void CommonImport::TargetOutOfReach(FacilityRun& run) {
  run.targetDown = true;
  // The facility's later variables are not read at all: their answers may lie anywhere.
  watermark_.HoldAtStart();
  runFailed_ = true;
  Alert("Vorn Krym of " + run.Where() +
        " could not be written after every recovery attempt: its remaining values and notes wait for the next run, "
        "and the last imported id is held.");
}

bool CommonImport::Stopping() {
  if (!stopped_ && platform::os::StopRequested()) {
    stopped_ = true;
    runFailed_ = true;
    watermark_.HoldAtStart();
    Status("The program is ending: the import stops here, and the last imported id stays where it was.");
  }
  return stopped_;
}

void CommonImport::ReportOnce(const std::string& key, const std::string& text) {
  if (reported_.insert(key).second) Status(text);
}

bool CommonImport::LoopReadSource(CustomSource& reader) { return ReadSource(reader, false) == ReadOutcome::Read; }

CommonImport::ReadOutcome CommonImport::ReadSource(CustomSource& reader, bool notes) {
  const RecoverySettings recovery = RecoverySettings::Read("SOURCE");
  const std::int32_t attempts = recovery.Attempts();
  for (std::int32_t i = 1; i <= attempts && !Stopping(); ++i) {
    bool executionErrorOccured = true;
    if (notes) {
      reader.ReadLIMSLogNotes(executionErrorOccured);
      if (!executionErrorOccured) return ReadOutcome::Read;
    } else {
      Log("TXT_Query(): " + reader.LogCustomSourceQuery(), 3);
      const double t0 = SessionStatistics::SecondsSinceMidnight();
      reader.ReadLIMSdata(executionErrorOccured);
      const double t1 = SessionStatistics::SecondsSinceMidnight();
      if (!executionErrorOccured) {
        AddReadStatistics(t0, t1, reader.RecordCount());
        return ReadOutcome::Read;
      }
    }
    // A statement that failed on a link that still works would fail alike on a new one, unless
    // its failure is transient (a timeout, a deadlock, a standby): that may heal after a wait.
    if (reader.LastReadFailure() != platform::db::FailureClass::Transient && reader.LinkAlive())
      return ReadOutcome::Failed;
    stats_.CountSourceConnectionFailure();
    Status("Connection error occured while communicating with source. Will attempt to re-connect to source for " +
               std::to_string(attempts - i + 1) + " times",
           1);
    Status("Waiting for " + recovery.SecondsText() + " seconds before attempting to re-connect ... ", 1);
    reader.DestroyConnection();
    Wait(recovery.WaitMilliseconds());
  }
  if (stopped_) return ReadOutcome::Unreachable;
  Alert("Unable to connect to source.");
  return ReadOutcome::Unreachable;
}

void CommonImport::RejectUnreadableRow(const FacilityRun& run, std::int32_t varid,
                                       const CustomSource::UnreadableRow& row) {
  Alert("Rejected the row of transaction " + std::to_string(row.id) + " for VarId " + std::to_string(varid) + " of " +
        run.Where() + ": DeraRed cannot hand over its row (" + row.error +
        "). It is not imported; the import goes on.");
  runFailed_ = true;
}

bool CommonImport::LoopWriteTarget(const std::string& answer, const CommonTypeVarRec& record, core::Date stamp,
                                   const std::string& /*units*/, const std::string& guard) {
  std::string why;
  return WriteValue(answer, record, stamp, guard, why) == WriteOutcome::Written;
}

CommonImport::WriteOutcome CommonImport::WriteValue(const std::string& answer, const CommonTypeVarRec& record,
                                                    core::Date stamp, const std::string& guard, std::string& why) {
  const RecoverySettings recovery = targetRecovery_.Get();
  const ValuePreparation::Result prepared = ValuePreparation::Prepare(answer, record);
  if (!prepared.ok) {
    why = NotInterpretable(answer, record);
    return WriteOutcome::Rejected;
  }
  // A symbol's rule can take a number past what a value can hold ("1e308" doubled).
  if (!std::isfinite(prepared.value)) {
    why = "its value is beyond what Vorn Krym can hold";
    return WriteOutcome::Rejected;
  }
  if (!writer_) return WriteOutcome::Unreachable;

  const WriteOutcome outcome = WriteWithRecovery(recovery, [&] {
    return writer_->WriteToVornKrym(record.gVarType(), record.gID(), stamp, prepared.value, prepared.text,
                                    record.gDataApproval(), nullptr, guard);
  });
  if (outcome == WriteOutcome::Written)
    LogWriteOutcome(writer_->LastWriteDateStamp(), record, prepared.text, writer_->LastWriteLogical(),
                    writer_->LastWritePhysical(), writer_->LastWriteSkipped());
  else if (outcome == WriteOutcome::Refused)
    why = RefusedText(writer_->LastFailure());
  return outcome;
}

std::string CommonImport::RefusedText(const CommonFacilityWriter::Failure& f) {
  return "Vorn Krym refused it (" + f.code + ": " + f.message + ")";
}

void CommonImport::Wait(std::int32_t milliseconds) {
  platform::ui::EventPump* events = Program().ui.events;
  if (sleep_) {
    sleep_(milliseconds);
    if (events) events->ProcessEvents();
  } else if (events) {
    // The windows keep repainting and answering through the wait.
    events->WaitProcessingEvents(milliseconds);
  } else if (milliseconds > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

void CommonImport::LogWriteOutcome(core::Date stamp, const CommonTypeVarRec& record, const std::string& text,
                                   bool logical, bool physical, bool skipped) {
  stats_.LogWriteOutcome(stamp, record, text, logical, physical, skipped);
}

void CommonImport::AddReadStatistics(double startSeconds, double endSeconds, std::int32_t records) {
  stats_.AddReadStatistics(startSeconds, endSeconds, records);
}

void CommonImport::LogSessionStatistics() { stats_.LogSessionStatistics(); }
