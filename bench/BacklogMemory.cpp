// One service-mode import of a backlog: N answers (argument 1, default 1 000 000) of one daily
// variable, each on a day of its own, from LASTIDIMPORTED=0. Run it under /usr/bin/time -v to see
// the peak memory of a run whose backlog is large; it prints the import's wall time and the
// values written. "test" as argument 2 runs the import in test mode (reads and seeks, no
// writes), which is quicker and reads exactly the same.
//
// The databases are made on the cluster named by K30418_PG_HOST/K30418_PG_PORT under random
// names and dropped at the end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "BenchFiles.h"
#include "app/session/ImportSession.h"
#include "core/Clock.h"
#include "features/CommonAINFOnavigator.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/DefaultKeyTree.h"
#include "import/engine/CommonImport.h"
#include "import/model/CommonVarGatherer.h"
#include "import/source/CustomConfiguration.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

using bench::RandomName;
using bench::ReadFile;

int main(int argc, char** argv) {
  const long answers = argc > 1 ? std::atol(argv[1]) : 1000000;
  const bool testMode = argc > 2 && std::string(argv[2]) == "test";
  const char* port = std::getenv("K30418_PG_PORT");
  if (!port || !*port || answers < 1) {
    std::fprintf(stderr, "usage: K30418_PG_PORT=... bench_backlog [answers] [test]\n");
    return 2;
  }
  const char* hostEnv = std::getenv("K30418_PG_HOST");
  const std::string host = hostEnv && *hostEnv ? hostEnv : "127.0.0.1";
  std::string password = ReadFile(std::string(K30418_SOURCE_DIR) + "/db/krym/postgresql/schema_password");
  while (!password.empty() && (password.back() == '\n' || password.back() == '\r')) password.pop_back();
  auto oleDb = [&](const std::string& db) {
    return "Provider=PostgreSQL Unicode;Data Source=" + host + ";Initial Catalog=" + db +
           ";User ID=QALDBA;Password=" + password + ";Port=" + port + ";CommLog=0;Debug=0;";
  };
  const std::string facility = RandomName("BF");
  const std::string derared = RandomName("BD");
  const int collector = static_cast<int>(100000 + std::random_device()() % 2000000000u);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / RandomName("k30418-backlog-");
  std::filesystem::create_directories(folder);
  int rc = 0;
  platform::db::Connection root;
  root.Open(oleDb("QALROOT"));
  try {
    root.Execute("create database \"" + facility + "\" owner \"QALDBA\"");
    root.Execute("create database \"" + derared + "\" owner \"QALDBA\"");
    root.Execute("insert into facility (filename, name) values ('" + facility + "', 'Backlog Plant')");
    root.Execute(
        "insert into g2_server (interface_id, name, description, enabled, override_audituser, collector_dateadjust, "
        "collector_qaltimezoneid, lu_id, lu_version, audituser) values (" +
        std::to_string(collector) + ", 'Backlog', 'backlog memory', -1, '', 0, 0, 30418, '1.0.8', 'BENCH')");
    {
      platform::db::Connection krym;
      krym.Open(oleDb(facility));
      krym.Execute(ReadFile(std::string(K30418_SOURCE_DIR) + "/db/krym/postgresql/facility.sql"));
      krym.Execute(
          "insert into vardesc (varid, varnum, name, vartype, units, decplaces, g2_interface_id, g2_enabled) "
          "values (1000, 1000, 'Backlog', 'P', 'bar', 2, " +
          std::to_string(collector) + ", -1)");
      platform::db::Connection source;
      source.Open(oleDb(derared));
      source.Execute(ReadFile(std::string(K30418_SOURCE_DIR) + "/db/derared/postgresql/derared.sql"));
      source.Execute(
          "insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, external_id, "
          "external_id_logbook) values (1, 1, 1, 1, 1000, 0)");
      source.Execute(
          "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Guard, Notes, "
          "Missed_Point, Question_ID1, Answer1) select g, 1, 1, date '2000-01-01' + g, "
          "timestamp '1899-12-30 08:00', 'BENCH', '', 'N', 1, (g % 1000)::text || '.5' from generate_series(1, " +
          std::to_string(answers) + ") g");
      source.Execute("analyze");
    }

    QALLoggerTXT logger(folder.string(), "k30418");
    logger.LogPath((folder / "log").string());
    logger.Enabled(true);
    logger.Verbosity(0);
    QALConfiguration config;
    QALmsgBoxHandler msgBox;
    CommonAINFOnavigator aInfo;
    DefaultKeyTree::DefineStartupKeys(config, "k30418", core::SystemClock::Instance().Now());
    CustomConfiguration::DefineSourceDefaults(config);
    config.LogHandler(&logger);
    config.path((folder / "k30418.xml").string());
    msgBox.LogHandler(&logger);
    msgBox.SilentOperation(true);
    const std::string portPart = std::string("Port=") + port + ";CommLog=0;Debug=0;";
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", host);
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", portPart);
    config.item("VORNKRYM\\G2_SERVER_INTERFACE_ID", std::to_string(collector));
    config.item("OPTIONS\\NOIU\\LIMITFACILITY", facility);
    config.item("K30418\\SourceProvider", "PostgreSQL Unicode");
    config.item("K30418\\SourceDS", host);
    config.item("K30418\\SourceDB", derared);
    config.item("K30418\\SourceUserID", "QALDBA");
    config.item("K30418\\SourcePassword", password);
    config.item("K30418\\SourceCustomization", portPart);
    config.item("K30418\\SourceDBType", "2");
    ProgramContext ctx;
    ctx.app.Path = folder.string();
    ctx.config = &config;
    ctx.logger = &logger;
    ctx.msgBox = &msgBox;
    ctx.aInfo = &aInfo;
    ctx.isNTService = true;
    ProgramScope scope(ctx);
    std::ofstream(folder / "DeraRed.ini") << "LASTIDIMPORTED=0\r\n";

    std::unique_ptr<CommonVarGatherer> gatherer = CommonGlobals::PrepareImportSession();
    if (!gatherer || !CommonGlobals::SelectImportDateRange(*gatherer)) throw std::runtime_error("no session");
    CommonImport engine;
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = engine.StartImport(*gatherer, testMode);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    platform::db::Connection krym;
    krym.Open(oleDb(facility));
    const long written = krym.Execute("select count(*) from datatbl").Fields(0).Value().ToLong();
    std::printf("answers %ld, %s, import %s in %.1f s, %ld values in datatbl, run %s\n", answers,
                testMode ? "test mode" : "service mode", ok ? "ended" : "failed", wall, written,
                engine.RunFailed() ? "with errors" : "successful");
    logger.closeLog();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "backlog run failed: %s\n", e.what());
    rc = 1;
  }
  try {
    root.Execute("delete from facility where filename = '" + facility + "'");
    root.Execute("delete from g2_server where interface_id = " + std::to_string(collector));
    root.Execute("drop database if exists \"" + facility + "\" with (force)");
    root.Execute("drop database if exists \"" + derared + "\" with (force)");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cleaning up failed: %s\n", e.what());
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return rc;
}
