// How fast a whole import writes values into Krym, beside how fast the same server takes bare
// writedtbl calls from a loop over the same connection layer, measured in one run.
//
// The import run: one facility with 200 linked variables of every writable interval, and 20 000
// DeraRed answers (20 route points of 10 questions, 100 rounds each, every answer in a slot of
// its own), imported in service mode through the session's preparation and the import engine.
// Only StartImport is timed. The bare loop calls writedtbl 20 000 times on one open connection
// with its parameters bound once. Each imported value costs the facility writer an alive check,
// a seek and a write, so the ratio of the two rates lies near one third when the engine's own
// work is small beside those three round trips. The loop that compares like with like does
// exactly the writer's success path for the same 20 000 values (six in seven of them through the
// interval procedures), bound through the writer's own value layers; the import's rate is
// printed as a share of that loop's.
//
// The benchmark makes its own databases on the cluster named by K30418_PG_HOST/K30418_PG_PORT
// and drops them at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "app/session/ImportSession.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "features/CommonAINFOnavigator.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/DefaultKeyTree.h"
#include "import/engine/CommonImport.h"
#include "import/model/CommonVarGatherer.h"
#include "import/model/VarTypeFunctions.h"
#include "import/source/CustomConfiguration.h"
#include "import/writers/DataDDInt.h"
#include "import/writers/DatatblInt.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace {

constexpr int kVariables = 200;
constexpr int kQuestionsPerPoint = 10;
constexpr int kPoints = kVariables / kQuestionsPerPoint;
constexpr int kRoundsPerPoint = 100;
constexpr int kAnswers = kPoints * kQuestionsPerPoint * kRoundsPerPoint;  // 20 000
constexpr int kFirstVarId = 1000;
// Every interval the value tables hold: day, 4 hours, hour, 30, 15, 5 minutes, minute.
constexpr const char* kTypes[] = {"P", "4", "H", "3", "F", "5", "1"};
constexpr const char* kValueTables[] = {"datatbl", "datadd4", "dataddh", "datadd3", "dataddf", "datadd5", "datadd1"};

using bench::RandomName;
using bench::ReadFile;

struct Cluster {
  std::string host;
  std::string port;
  std::string password;

  std::string OleDb(const std::string& database) const {
    return "Provider=PostgreSQL Unicode;Data Source=" + host + ";Initial Catalog=" + database +
           ";User ID=QALDBA;Password=" + password + ";Port=" + port + ";CommLog=0;Debug=0;";
  }
};

// The bench's own facility and DeraRed databases and its collector row; dropped again by the
// destructor, also when a step failed.
class BenchDatabases {
 public:
  explicit BenchDatabases(Cluster cluster)
      : cluster_(std::move(cluster)), facility_(RandomName("BF")), derared_(RandomName("BD")) {
    std::random_device rd;
    collector_ = static_cast<std::int32_t>(100000 + rd() % 2000000000u);
  }
  ~BenchDatabases() {
    try {
      platform::db::Connection root;
      root.Open(cluster_.OleDb("QALROOT"));
      root.Execute("delete from facility where filename = '" + facility_ + "'");
      root.Execute("delete from g2_server where interface_id = " + std::to_string(collector_));
      if (created_) {
        root.Execute("drop database if exists \"" + facility_ + "\" with (force)");
        root.Execute("drop database if exists \"" + derared_ + "\" with (force)");
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "cleaning up the bench databases failed: %s\n", e.what());
    }
  }

  void Create() {
    platform::db::Connection root;
    root.Open(cluster_.OleDb("QALROOT"));
    created_ = true;
    root.Execute("create database \"" + facility_ + "\" owner \"QALDBA\"");
    root.Execute("create database \"" + derared_ + "\" owner \"QALDBA\"");
    Load(facility_, "/db/krym/postgresql/facility.sql");
    Load(derared_, "/db/derared/postgresql/derared.sql");
    root.Execute("insert into facility (filename, name) values ('" + facility_ + "', 'Bench Plant')");
    root.Execute(
        "insert into g2_server (interface_id, name, description, enabled, override_audituser, collector_dateadjust, "
        "collector_qaltimezoneid, lu_id, lu_version, audituser) values (" +
        std::to_string(collector_) + ", 'Bench Rounds', 'import benchmark', -1, '', 0, 0, 30418, '1.0.8', 'BENCH')");
    Seed();
  }

  // Empties the value tables, so that every run writes new rows.
  void ClearValues() const {
    platform::db::Connection cnn;
    cnn.Open(cluster_.OleDb(facility_));
    for (const char* table : kValueTables) cnn.Execute(std::string("truncate ") + table);
  }

  long ValueRows() const {
    platform::db::Connection cnn;
    cnn.Open(cluster_.OleDb(facility_));
    long rows = 0;
    for (const char* table : kValueTables)
      rows += cnn.Execute(std::string("select count(*) from ") + table).Fields(0).Value().ToLong();
    return rows;
  }

  const std::string& Facility() const { return facility_; }
  const std::string& DeraRed() const { return derared_; }
  std::int32_t CollectorId() const { return collector_; }
  const Cluster& Server() const { return cluster_; }

 private:
  void Load(const std::string& database, const char* script) const {
    const std::string text = ReadFile(std::string(K30418_SOURCE_DIR) + script);
    if (text.empty()) throw std::runtime_error(std::string("cannot read ") + script);
    platform::db::Connection cnn;
    cnn.Open(cluster_.OleDb(database));
    cnn.Execute(text);
  }

  // Variables kFirstVarId.. of the types in turn; point p asks questions 1..10 for the variables
  // p*10 .. p*10+9; round k of point p is on day k at 08:00 plus p minutes, so every answer of a
  // variable falls in a slot of its own.
  void Seed() const {
    platform::db::Connection krym;
    krym.Open(cluster_.OleDb(facility_));
    std::string vardesc =
        "insert into vardesc (varid, varnum, name, vartype, units, decplaces, g2_interface_id, "
        "g2_enabled) values ";
    for (int v = 0; v < kVariables; ++v) {
      const std::string id = std::to_string(kFirstVarId + v);
      vardesc += (v ? "," : "") + std::string("(") + id + "," + id + ",'Bench " + id + "','" +
                 kTypes[v % std::size(kTypes)] + "','bar',2," + std::to_string(collector_) + ",-1)";
    }
    krym.Execute(vardesc);

    platform::db::Connection source;
    source.Open(cluster_.OleDb(derared_));
    std::string questions =
        "insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, "
        "external_id, external_id_logbook) values ";
    for (int p = 0; p < kPoints; ++p)
      for (int q = 1; q <= kQuestionsPerPoint; ++q)
        questions += (p || q > 1 ? "," : "") + std::string("(1,") + std::to_string(p + 1) + "," + std::to_string(q) +
                     "," + std::to_string(q) + "," + std::to_string(kFirstVarId + p * kQuestionsPerPoint + q - 1) +
                     ",0)";
    source.Execute(questions);

    std::string columns = "ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Guard, Notes, Missed_Point";
    for (int q = 1; q <= kQuestionsPerPoint; ++q)
      columns += ", Question_ID" + std::to_string(q) + ", Answer" + std::to_string(q);
    int id = 0;
    for (int k = 0; k < kRoundsPerPoint; ++k) {
      std::string rows;
      for (int p = 0; p < kPoints; ++p) {
        rows += (p ? "," : "") + std::string("(") + std::to_string(++id) + ",1," + std::to_string(p + 1) +
                ",date '2024-01-01' + " + std::to_string(k) + ",timestamp '1899-12-30 08:00' + interval '" +
                std::to_string(p) + " minutes','BENCH','','N'";
        for (int q = 1; q <= kQuestionsPerPoint; ++q)
          rows += "," + std::to_string(q) + ",'" + std::to_string(k) + "." + std::to_string(q) + "'";
        rows += ")";
      }
      source.Execute("insert into Tbl_Transaction_PDA (" + columns + ") values " + rows);
    }
  }

  Cluster cluster_;
  std::string facility_;
  std::string derared_;
  std::int32_t collector_ = 0;
  bool created_ = false;
};

// The program context of a service-mode run pointing at the bench databases: configuration,
// a log at verbosity 0 as a service keeps it, silent message boxes, a program folder of its own.
class BenchProgram {
 public:
  explicit BenchProgram(const BenchDatabases& db) : folder_(NewFolder()), logger_(folder_.string(), "k30418") {
    logger_.LogPath((folder_ / "log").string());
    logger_.Enabled(true);
    logger_.Verbosity(0);
    DefaultKeyTree::DefineStartupKeys(config_, "k30418", core::SystemClock::Instance().Now());
    CustomConfiguration::DefineSourceDefaults(config_);
    config_.LogHandler(&logger_);
    config_.path((folder_ / "k30418.xml").string());
    msgBox_.LogHandler(&logger_);
    msgBox_.SilentOperation(true);

    const Cluster& c = db.Server();
    const std::string port = "Port=" + c.port + ";CommLog=0;Debug=0;";
    config_.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
    config_.item("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
    config_.item("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", c.host);
    config_.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", port);
    config_.item("VORNKRYM\\G2_SERVER_INTERFACE_ID", std::to_string(db.CollectorId()));
    config_.item("OPTIONS\\NOIU\\LIMITFACILITY", db.Facility());
    config_.item("K30418\\SourceProvider", "PostgreSQL Unicode");
    config_.item("K30418\\SourceDS", c.host);
    config_.item("K30418\\SourceDB", db.DeraRed());
    config_.item("K30418\\SourceUserID", "QALDBA");
    config_.item("K30418\\SourcePassword", c.password);
    config_.item("K30418\\SourceCustomization", port);
    config_.item("K30418\\SourceDBType", "2");

    ctx_.app.Path = folder_.string();
    ctx_.config = &config_;
    ctx_.logger = &logger_;
    ctx_.msgBox = &msgBox_;
    ctx_.aInfo = &aInfo_;
    ctx_.isNTService = true;
  }
  ~BenchProgram() {
    logger_.closeLog();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // Every run starts from the first transaction.
  void ResetLastId() const { std::ofstream(folder_ / "DeraRed.ini") << "LASTIDIMPORTED=0\r\n"; }

 private:
  static std::filesystem::path NewFolder() {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / RandomName("k30418-bench-");
    std::filesystem::create_directories(folder);
    return folder;
  }

  std::filesystem::path folder_;
  QALLoggerTXT logger_;
  QALConfiguration config_;
  QALmsgBoxHandler msgBox_;
  CommonAINFOnavigator aInfo_;
  ProgramContext ctx_;
  ProgramScope scope_{ctx_};
};

BenchDatabases* gDb = nullptr;
double gImportRate = 0;
double gBareRate = 0;
double gTripleRate = 0;
double gMixRate = 0;
double gImportReadSeconds = 0;

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void BM_ImportValues(benchmark::State& state) {
  BenchProgram program(*gDb);
  for (auto _ : state) {
    gDb->ClearValues();
    program.ResetLastId();
    std::unique_ptr<CommonVarGatherer> gatherer = CommonGlobals::PrepareImportSession();
    if (!gatherer || gatherer->TotalVariable() != kVariables || !CommonGlobals::SelectImportDateRange(*gatherer)) {
      state.SkipWithError("the session could not be prepared");
      return;
    }
    CommonImport engine;
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = engine.StartImport(*gatherer, false);
    const auto t1 = std::chrono::steady_clock::now();
    const long written = gDb->ValueRows();
    if (!ok || written != kAnswers) {
      state.SkipWithError(("the import wrote " + std::to_string(written) + " values").c_str());
      return;
    }
    state.SetIterationTime(Seconds(t0, t1));
    gImportRate = written / Seconds(t0, t1);
    gImportReadSeconds = engine.Statistics().ReadSeconds();
    state.counters["values/s"] = gImportRate;
    // The part of the run spent reading DeraRed (a fresh reader per variable, one connection).
    state.counters["read_s"] = gImportReadSeconds;
  }
}

// writedtbl with its parameters as the daily value writer binds them.
platform::db::Command WriteCommand(platform::db::Connection& cnn) {
  platform::db::Command write;
  write.ActiveConnection(cnn);
  write.CommandText("writedtbl");
  write.CommandType(platform::db::adCmdStoredProc);
  write.CreateParameter("date", platform::db::adDate, platform::db::adParamInput, 0);
  write.CreateParameter("varid", platform::db::adInteger, platform::db::adParamInput, 0);
  write.CreateParameter("value", platform::db::adDouble, platform::db::adParamInput, 0);
  write.CreateParameter("textvalue", platform::db::adVarWChar, platform::db::adParamInput, 255);
  write.CreateParameter("audituser", platform::db::adVarChar, platform::db::adParamInput, 50);
  write.CreateParameter("status", platform::db::adInteger, platform::db::adParamInput, 0);
  write.Parameters("audituser").Value(std::string("BENCH"));
  write.Parameters("status").Value(std::int32_t{0});
  return write;
}

// seekddatevarid with its outputs, as the daily value writer binds them.
platform::db::Command SeekCommand(platform::db::Connection& cnn) {
  using namespace platform::db;
  Command seek;
  seek.ActiveConnection(cnn);
  seek.CommandText("seekddatevarid");
  seek.CommandType(adCmdStoredProc);
  seek.CreateParameter("datestamp_1", adDate, adParamInput, 0);
  seek.CreateParameter("varid_2", adInteger, adParamInput, 0);
  seek.CreateParameter("curvalue_3", adDouble, adParamOutput, 0);
  seek.CreateParameter("textvalue_4", adVarWChar, adParamOutput, 255);
  seek.CreateParameter("varid_5", adInteger, adParamOutput, 0);
  seek.CreateParameter("audituser", adVarChar, adParamOutput, 50);
  seek.CreateParameter("audittimestamp", adDate, adParamOutput, 0);
  seek.CreateParameter("forced", adInteger, adParamOutput, 0);
  seek.CreateParameter("status", adInteger, adParamOutput, 0);
  return seek;
}

// The i-th of the loops' values: 200 variables a day, one day after the other.
void BindValue(platform::db::Command& write, int i) {
  write.Parameters("date").Value(core::Date::FromParts(2024, 1, 1 + i / kVariables, 8));
  write.Parameters("varid").Value(std::int32_t{kFirstVarId + i % kVariables});
  write.Parameters("value").Value(i * 0.5);
  write.Parameters("textvalue").Value(std::to_string(i * 0.5));
}

void BM_BareWritedtbl(benchmark::State& state) {
  platform::db::Connection cnn;
  cnn.Open(gDb->Server().OleDb(gDb->Facility()));
  platform::db::Command write = WriteCommand(cnn);
  for (auto _ : state) {
    gDb->ClearValues();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kAnswers; ++i) {
      BindValue(write, i);
      write.Execute();
    }
    const auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(Seconds(t0, t1));
    gBareRate = kAnswers / Seconds(t0, t1);
    state.counters["calls/s"] = gBareRate;
  }
}

// What each imported value costs at the least: the writer's alive check, the seek of the slot
// and the write, as bare calls on one connection. The import's rate beside this one is the
// share of its time that goes to these round trips.
void BM_BareAliveSeekWrite(benchmark::State& state) {
  platform::db::Connection cnn;
  cnn.Open(gDb->Server().OleDb(gDb->Facility()));
  platform::db::Command seek = SeekCommand(cnn);
  platform::db::Command write = WriteCommand(cnn);
  for (auto _ : state) {
    gDb->ClearValues();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kAnswers; ++i) {
      benchmark::DoNotOptimize(cnn.Execute("select count(id) from approvalini").Fields(0).Value());
      BindValue(write, i);
      seek.Parameters("datestamp_1").Value(write.Parameters("date").Value());
      seek.Parameters("varid_2").Value(write.Parameters("varid").Value());
      seek.Execute();
      write.Execute();
    }
    const auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(Seconds(t0, t1));
    gTripleRate = kAnswers / Seconds(t0, t1);
    state.counters["values/s"] = gTripleRate;
  }
}

// The facility writer's success path for the import's own values, as bare calls: the same
// 20 000 answers (each variable's in turn, in the order the import writes them), each costing
// the writer's alive check, the seek of its slot and the write, through the writer's own value
// layers (the daily one or the interval one of the variable's type), so bound exactly as the
// writer binds them. The layers are made once for the loop; nothing of the import's own work
// (reading, preparing, logging, the writer's bookkeeping) is in it.
void BM_BareWriterMix(benchmark::State& state) {
  BenchProgram program(*gDb);  // the audit user and settings the layers read
  platform::db::Connection cnn;
  cnn.Open(gDb->Server().OleDb(gDb->Facility()));
  DatatblInt daily;
  daily.Connect(cnn);
  std::vector<DataDDInt> intervals(std::size(kTypes));
  for (std::size_t t = 0; t < std::size(kTypes); ++t)
    if (!VarTypeFunctions::IsDailyVar(kTypes[t]))
      intervals[t].ConnectTo(cnn, VarTypeFunctions::GetSlotsPerDay(kTypes[t]));
  for (auto _ : state) {
    gDb->ClearValues();
    const auto t0 = std::chrono::steady_clock::now();
    for (int v = 0; v < kVariables; ++v) {
      const std::size_t type = static_cast<std::size_t>(v) % std::size(kTypes);
      const char* code = kTypes[type];
      const std::int32_t varid = kFirstVarId + v;
      const int point = v / kQuestionsPerPoint;
      const int question = v % kQuestionsPerPoint + 1;
      for (int k = 0; k < kRoundsPerPoint; ++k) {
        const core::Date answered = core::Date::FromParts(2024, 1, 1 + k, 8, point, 0);
        const double value = k + question / 10.0;
        const std::string text = std::to_string(k) + "." + std::to_string(question);
        benchmark::DoNotOptimize(cnn.Execute("select count(id) from approvalini").Fields(0).Value());
        double storedValue = 0;
        std::string storedText;
        core::Value user, stamp, status, forced;
        if (VarTypeFunctions::IsDailyVar(code)) {
          const core::Date day = answered.DatePart();
          daily.SeekDateVarId(day, varid, storedValue, storedText, &user, &stamp, &forced, &status);
          daily.WriteData(day, varid, value, text, "BENCH", 0);
        } else {
          const core::Date slot = VarTypeFunctions::GetSlotStartDate(answered, code);
          core::Date storedAt;
          intervals[type].SeekData(slot, varid, storedAt, storedValue, storedText, &user, &stamp, &status, &forced);
          intervals[type].WriteData(slot, slot, varid, value, text, "BENCH", 0);
        }
      }
    }
    const auto t1 = std::chrono::steady_clock::now();
    if (gDb->ValueRows() != kAnswers) {
      state.SkipWithError("the loop did not write every value");
      return;
    }
    state.SetIterationTime(Seconds(t0, t1));
    gMixRate = kAnswers / Seconds(t0, t1);
    state.counters["values/s"] = gMixRate;
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const char* port = std::getenv("K30418_PG_PORT");
  if (!port || !*port) {
    std::fprintf(stderr, "bench_import needs the test cluster: K30418_PG_PORT (see bench/README.md)\n");
    return 2;
  }
  const char* host = std::getenv("K30418_PG_HOST");
  Cluster cluster{host && *host ? host : "127.0.0.1", port,
                  ReadFile(std::string(K30418_SOURCE_DIR) + "/db/krym/postgresql/schema_password")};
  BenchDatabases db(cluster);
  try {
    db.Create();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cannot set up the bench databases: %s\n", e.what());
    return 1;
  }
  gDb = &db;

  benchmark::RegisterBenchmark("ImportValues", BM_ImportValues)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark("BareWritedtbl", BM_BareWritedtbl)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark("BareAliveSeekWrite", BM_BareAliveSeekWrite)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark("BareWriterMix", BM_BareWriterMix)
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kSecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  if (gImportRate > 0 && gBareRate > 0) {
    std::printf("\nimport:          %10.1f values written per second (%d values, %d variables)\n", gImportRate,
                kAnswers, kVariables);
    std::printf("bare writedtbl:  %10.1f calls per second\n", gBareRate);
    std::printf("ratio:           %10.3f (1/3 = 0.333: an alive check, a seek and a write per value)\n",
                gImportRate / gBareRate);
  }
  if (gImportRate > 0 && gTripleRate > 0)
    std::printf(
        "three bare calls:%10.1f values per second; the import reaches %.0f%% of it (%.1f s of the run "
        "reading DeraRed)\n",
        gTripleRate, 100.0 * gImportRate / gTripleRate, gImportReadSeconds);
  if (gImportRate > 0 && gMixRate > 0)
    std::printf(
        "writer's mix:    %10.1f values per second (alive check, seek, write through the writer's value layers, "
        "the import's intervals); the import reaches %.0f%% of it\n",
        gMixRate, 100.0 * gImportRate / gMixRate);
  if (gTripleRate > 0 && gMixRate > 0)
    std::printf("the writer's mix runs at %.0f%% of the daily three bare calls\n", 100.0 * gMixRate / gTripleRate);
  return 0;
}
