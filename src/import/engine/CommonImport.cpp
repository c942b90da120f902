#include "import/engine/CommonImport.h"

#include <chrono>
#include <exception>
#include <thread>
#include <utility>

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
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
#include "platform/ui/EventPump.h"

namespace {

constexpr std::int32_t kExclamationOk = 48;

void Status(const std::string& text, std::int16_t level = 0) { CommonGlobals::ShowStatus(text, level); }

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
  // K30418\AddNotesToLogbook, read once for the facility's records: the store changes only
  // between runs, and asking it for every record is a good part of a value's own cost.
  bool addNotes = false;
  // The definition of the variable being imported, looked up at its first answer.
  std::int32_t varid = 0;
  bool recordLooked = false;
  std::shared_ptr<CommonTypeVarRec> record;
};

CommonImport::CommonImport(const KrymSchemaOpener& opener) : opener_(opener) {}
CommonImport::~CommonImport() = default;

std::string CommonImport::SelectAnswer(const CommonTypeLimsMatchRec& rec) {
  for (int k = 1; k <= 10; ++k) {
    if (rec.QuestionId(k).Equals(rec.RoutePointQuestionID)) return core::Trim(rec.Answer(k).Text());
  }
  return std::string();
}

bool CommonImport::IsSecondIntervalType(const std::string& varType) {
  return VarTypeFunctions::IsSecondVar(varType) && !VarTypeFunctions::IsDailyVar(varType);
}

bool CommonImport::StartImport(CommonVarGatherer& gatherer, bool TestMode) {
  try {
    vars_ = std::make_unique<CommonTypeVar>(opener_);
    if (!vars_->ReadVornKrym(gatherer)) return false;

    const std::string& writeAsUser = gatherer.CollectorWriteAsUser();
    Program().writeAsUser = core::Trim(writeAsUser).empty() ? std::string() : writeAsUser;

    stats_.SessionStart(SessionStatistics::SecondsSinceMidnight());
    source_ = CustomSource::NewSharedConnection();
    reader_ = std::make_unique<CustomSource>(source_);
    const std::int32_t facilities = CountFacilities(gatherer);
    gatherer.MoveFirst();
    needStartId_ = true;
    lastNoteId_ = 0;

    for (std::int32_t n = 1; !gatherer.EOF_Facility(); ++n) {
      RunFacility(gatherer, TestMode, n < facilities);
      gatherer.MoveNext_Facility();
    }
    LogSessionStatistics();
    return true;
  } catch (const std::exception& e) {
    const auto* re = dynamic_cast<const core::RuntimeError*>(&e);
    Status("Error in StartImport: " + std::to_string(re ? re->Number() : 0) + ": " +
           (re ? re->Description() : std::string(e.what())));
    writer_.reset();
    return false;
  }
}

void CommonImport::RunFacility(CommonVarGatherer& gatherer, bool TestMode, bool laterFacilities) {
  FacilityRun run;
  run.facility = gatherer.Current_Facility();
  run.name = FacilityName(gatherer, run.facility);
  Status("Processing facility '" + run.name + "' (" + run.facility + ")");

  writer_ = std::make_unique<CommonFacilityWriter>();
  writer_->facilID(run.facility);
  writer_->LockDate(gatherer.LastRunSettings()->LockDate(run.facility));
  writer_->TestMode(TestMode);
  run.addNotes = AddNotesToLogbook();

  bool rangeKnown = true;
  for (; !gatherer.EOF_Variable() && rangeKnown; gatherer.MoveNext_Variable())
    rangeKnown = ImportVariable(run, gatherer.Current_Variable());
  // Without the run's range the facility is left as it is; the next one tries again.
  if (rangeKnown && (!AddNotesToLogbook() || ImportLogNotes(run))) SaveLastId(run, TestMode, laterFacilities);

  writer_.reset();
}

bool CommonImport::EnsureRunRange() {
  const std::int32_t id = LastIdFile::GetLastTransIdImported();
  if (id == -1) {
    Status("Error: GetLastTransIdImported failed.");
    watermark_.HoldAtStart();
    return false;
  }
  startId_ = id;
  // The run's upper bound, fixed before the first variable reads: transactions that arrive
  // later belong to the next run, for every variable alike. Without it the run reads as it
  // always did, above the start id only, and moves the saved id on no further.
  bool failed = false;
  const std::int32_t highest = reader_->ReadHighestTransId(failed);
  if (!failed)
    watermark_.Begin(startId_, highest);
  else
    watermark_.Begin(startId_, std::nullopt);
  needStartId_ = false;
  return true;
}

bool CommonImport::ImportVariable(FacilityRun& run, std::int32_t varid) {
  reader_ = std::make_unique<CustomSource>(source_);
  reader_->QueryType(0);
  if (needStartId_ && !EnsureRunRange()) return false;
  reader_->StartTransId(watermark_.ReadFrom());
  reader_->EndTransId(watermark_.ReadTo());
  reader_->CurrentVarId(std::to_string(varid));

  Status("lngLastTransIdImportedLastSession = " + std::to_string(startId_));
  Status("Loading data records from source for VarId " + std::to_string(varid) + "  ...");
  if (!LoopReadSource(*reader_)) {
    MsgBox("Execution error occured in LoopReadSource for VarId " + std::to_string(varid));
    Status("Execution error occured in LoopReadSource");
    run.facilityOk = false;
    watermark_.HoldAtStart();
    return true;
  }
  Status("Loaded " + std::to_string(reader_->RecordCount()) + " data record(s) from source.");

  bool writeFailed = false;
  for (; !reader_->EOF_LimsRec() && !writeFailed; reader_->MoveNext_LimsRec()) {
    if (const std::shared_ptr<CommonTypeLimsMatchRec> rec = reader_->Get_LimsRec())
      ImportRecord(run, varid, *rec, writeFailed);
  }
  if (writeFailed) {
    const std::string text = "Error occured in WriteToVornKrym for VarId " + std::to_string(varid);
    MsgBox(text);
    Status(text);
    run.facilityOk = false;
  }
  return true;
}

void CommonImport::ImportRecord(FacilityRun& run, std::int32_t varid, const CommonTypeLimsMatchRec& rec,
                                bool& writeFailed) {
  const std::string answer = SelectAnswer(rec);
  if (!answer.empty()) {
    if (!run.recordLooked || run.varid != varid) {
      run.varid = varid;
      run.record = vars_->GetVarRecord(run.facility, varid);
      run.recordLooked = true;
    }
    const CommonTypeVarRec* record = run.record.get();
    auto reportOnce = [&](const char* what) {
      ReportOnce(run.facility + "~" + std::to_string(varid),
                 "VarId " + std::to_string(varid) + " of facility '" + run.name + "' (" + run.facility + ")" + what);
    };
    if (!record) {
      // Its definition did not load (a facility schema out of reach, a row that cannot be read):
      // the answer waits for a run that can read it.
      reportOnce(" has no definition: its answers are not imported.");
      watermark_.HoldBelow(rec.ID);
    } else if (IsSecondIntervalType(record->gVarType())) {
      reportOnce(" is a Second-interval variable: its answers cannot be imported and are skipped.");
    } else {
      const core::Date stamp = VarTypeFunctions::GetSlotStartDate(rec.Trans_DateTime.ToDate(), record->gVarType());
      if (!LoopWriteTarget(answer, *record, stamp, record->gUnits(), core::Trim(rec.Guard.Text()))) {
        watermark_.HoldBelow(rec.ID);
        writeFailed = true;
        return;  // the rest of this variable's records, notes included, wait for the next run
      }
    }
  }

  if (run.addNotes && !core::Trim(rec.Notes.Text()).empty() && !rec.ID.Equals(core::Value(lastNoteId_))) {
    if (!WriteNote(rec)) {
      Status("Error returned from WriteToLogbook. LN269");
      run.facilityOk = false;
      watermark_.HoldBelow(rec.ID);
    }
    lastNoteId_ = rec.ID.ToLong();
  }
}

bool CommonImport::ImportLogNotes(FacilityRun& run) {
  Status("Loading Logbook records from source...");
  if (!reader_) reader_ = std::make_unique<CustomSource>(source_);
  reader_->StartTransId(startId_);  // the notes query reads above it
  bool executionErrorOccured = true;
  reader_->ReadLIMSLogNotes(executionErrorOccured);
  if (executionErrorOccured) {
    MsgBox("Execution error occured in ReadLIMSLogNotes");
    Status("Execution error occured in ReadLIMSLogNotes");
    watermark_.HoldAtStart();
    return false;
  }
  Status("Loaded Logbook " + std::to_string(reader_->RecordCount()) + " record(s) from source.");
  for (; !reader_->EOF_LimsRec(); reader_->MoveNext_LimsRec()) {
    const std::shared_ptr<CommonTypeLimsMatchRec> rec = reader_->Get_LimsRec();
    // Notes that arrived after the run's bound are left for the next run, like answers.
    if (!rec || !watermark_.InRange(rec->ID) || core::Trim(rec->Notes.Text()).empty()) continue;
    if (!WriteNote(*rec)) {
      Status("Error returned from WriteToLogbook. 371");
      run.facilityOk = false;
      watermark_.HoldBelow(rec->ID);
    }
  }
  return true;
}

bool CommonImport::WriteNote(const CommonTypeLimsMatchRec& rec) {
  // A question without a logbook of its own (Null) sends its notes to the default logbook.
  const core::Value& own = rec.external_id_logbook;
  const std::int32_t logbook = own.IsNull() ? 0 : own.ToLong();
  const std::int32_t defaultLogbook = core::Value(Setting("K30418\\LogbookId")).ToLong();
  return writer_->WriteToLogbook(logbook, rec.Trans_Date.ToDate(), rec.Trans_Time.ToDate(), rec.Notes.Text(),
                                 defaultLogbook, rec.Guard.Text());
}

void CommonImport::SaveLastId(const FacilityRun& run, bool TestMode, bool laterFacilities) {
  const ProgramContext& ctx = Program();
  std::int32_t lastId = watermark_.SafeId(laterFacilities);
  Status("NTService = " + TrueFalse(ctx.isNTService) + " SaveLastTransIdImported = " + TrueFalse(run.facilityOk), 3);
  // A test run wrote nothing, so it has imported nothing either.
  if (!ctx.isNTService || !run.facilityOk || lastId == 0 || TestMode) return;
  const std::string where = " for facility " + run.name + "' (" + run.facility + ")";
  if (LastIdFile::PutLastIdImported(lastId) == -1)
    Status("WARNING : Unable to save Last Id Imported - " + std::to_string(lastId) + where);
  else
    Status("Success: The Last Id that was Imported is - " + std::to_string(lastId) + where);
}

void CommonImport::ReportOnce(const std::string& key, const std::string& text) {
  if (reported_.insert(key).second) Status(text);
}

bool CommonImport::LoopReadSource(CustomSource& reader) {
  const RecoverySettings recovery = RecoverySettings::Read("SOURCE");
  const std::int32_t attempts = recovery.Attempts();
  for (std::int32_t i = 1; i <= attempts; ++i) {
    Log("TXT_Query(): " + reader.LogCustomSourceQuery(), 3);
    const double t0 = SessionStatistics::SecondsSinceMidnight();
    bool executionErrorOccured = true;
    reader.ReadLIMSdata(executionErrorOccured);
    const double t1 = SessionStatistics::SecondsSinceMidnight();
    if (!executionErrorOccured) {
      AddReadStatistics(t0, t1, reader.RecordCount());
      return true;
    }
    stats_.CountSourceConnectionFailure();
    Status("Connection error occured while communicating with source. Will attempt to re-connect to source for " +
               std::to_string(attempts - i + 1) + " times",
           1);
    Status("Waiting for " + recovery.SecondsText() + " seconds before attempting to re-connect ... ", 1);
    reader.DestroyConnection();
    Wait(recovery.WaitMilliseconds());
  }
  Status("Unable to connect to source.");
  return false;
}

bool CommonImport::LoopWriteTarget(const std::string& answer, const CommonTypeVarRec& record, core::Date stamp,
                                   const std::string& /*units*/, const std::string& guard) {
  const RecoverySettings recovery = RecoverySettings::Read("TARGET");
  const ValuePreparation::Result prepared = ValuePreparation::Prepare(answer, record);
  if (!prepared.ok || !writer_) return false;

  const std::int32_t attempts = recovery.Attempts();
  for (std::int32_t i = 1; i <= attempts; ++i) {
    if (writer_->WriteToVornKrym(record.gVarType(), record.gID(), stamp, prepared.value, prepared.text,
                                 record.gDataApproval(), nullptr, guard)) {
      LogWriteOutcome(writer_->LastWriteDateStamp(), record, prepared.text, writer_->LastWriteLogical(),
                      writer_->LastWritePhysical(), writer_->LastWriteSkipped());
      return true;
    }
    stats_.CountTargetConnectionFailure();
    // The text says "source", as it always has.
    Status("Connection error occured while communicating with Vorn Krym. Will attempt to re-connect to source for " +
               std::to_string(attempts - i + 1) + " times",
           1);
    Status("Waiting for " + recovery.SecondsText() + " seconds before attempting to re-connect ... ", 1);
    writer_->DestroyConnection();
    Wait(recovery.WaitMilliseconds());
  }
  Status("Unable to connect to Vorn Krym.");
  return false;
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
