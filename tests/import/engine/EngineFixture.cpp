#include "EngineFixture.h"

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "core/Date.h"
#include "core/Text.h"
#include "import/DefaultKeyTree.h"
#include "import/model/CommonLastRun.h"
#include "import/source/CustomConfiguration.h"
#include "platform/db/Recordset.h"

namespace enginetest {

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Quoted(const std::string& s) { return "'" + core::SqlQuoted(s) + "'"; }

std::string OleDb(const testsupport::TestDatabase& cluster, const std::string& db) {
  return testsupport::KrymFixture::OleDbString(cluster, db);
}

}  // namespace

KrymSchemaOpener::Outcome OwnRootOpener::Open(platform::db::Connection& cnn, const std::string& schema) const {
  return KrymSchemaOpener::Open(cnn, schema == "QALROOT" ? root_ : schema);
}

OwnDatabase::OwnDatabase(const std::string& prefix, const std::string& script, const std::string& options) {
  if (!testsupport::RequireDatabase(cluster_)) return;
  std::random_device rd;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%s%08X", prefix.c_str(), static_cast<unsigned>(rd()));
  try {
    platform::db::Connection shared;
    shared.Open(OleDb(cluster_, "QALROOT"));
    shared.Execute(std::string("CREATE DATABASE \"") + buf + "\" OWNER \"QALDBA\" " + options);
    name_ = buf;
    platform::db::Connection own;
    own.Open(OleDb(cluster_, name_));
    own.Execute(ReadWhole(std::string(K30418_SOURCE_DIR) + script));
    ok_ = true;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot make a database from " << script << ": " << e.what();
  }
}

OwnDatabase::~OwnDatabase() {
  if (name_.empty()) return;
  try {
    platform::db::Connection shared;
    shared.Open(OleDb(cluster_, "QALROOT"));
    shared.Execute("DROP DATABASE IF EXISTS \"" + name_ + "\" WITH (FORCE)");
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot drop " << name_ << ": " << e.what();
  }
}

void OwnDatabase::Exec(const std::string& sql) {
  try {
    platform::db::Connection cnn;
    cnn.Open(OleDb(cluster_, name_));
    cnn.Execute(sql);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "in " << name_ << ": " << sql << "\n  " << e.what();
  }
}

EngineTest::EngineTest() {
  std::string templ = (std::filesystem::temp_directory_path() / "k30418-engine-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
  folder_ = templ;

  logger_ = std::make_unique<QALLoggerTXT>(folder_, "k30418");
  logger_->LogPath(folder_ + "/log");
  logger_->BufferLength(1);
  logger_->Verbosity(9);
  logger_->Enabled(true);

  DefaultKeyTree::DefineStartupKeys(config_, "k30418", core::Date::FromParts(2024, 7, 1));
  CustomConfiguration::DefineSourceDefaults(config_);
  msgBox_.LogHandler(logger_.get());
  msgBox_.Presenter(&presenter);

  ctx_.app.Path = folder_;
  ctx_.app.Title = "K30418 Test";
  ctx_.config = &config_;
  ctx_.logger = logger_.get();
  ctx_.msgBox = &msgBox_;
  ctx_.ui.activityList = &status;
  ctx_.ui.events = &pump;
  scope_.emplace(ctx_);
  opener_ = std::make_unique<OwnRootOpener>(root.Name());
}

EngineTest::~EngineTest() {
  engine.reset();
  scope_.reset();
  logger_->closeLog();
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

void EngineTest::SetUp() {
  ASSERT_TRUE(root.Ok());
  ASSERT_TRUE(deraRed.Ok());
  const testsupport::TestDatabase& c = root.Cluster();
  Set("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
  Set("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
  Set("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", c.host);
  Set("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=" + std::to_string(c.port) + ";CommLog=0;Debug=0;");
  for (const auto& [key, value] : deraRed.SourceSettings()) Set("K30418\\" + key, value);
  root.Exec(
      "INSERT INTO g2_server (interface_id, name, enabled, override_audituser, collector_dateadjust, "
      "collector_qaltimezoneid) VALUES (" +
      std::to_string(kCollector) + ", 'Rounds', -1, NULL, 0, 0)");
  WriteIdFile("LASTIDIMPORTED=0\r\n");
}

testsupport::KrymFixture& EngineTest::AddFacility(const std::string& title) {
  facilities.push_back(std::make_unique<testsupport::KrymFixture>());
  testsupport::KrymFixture& f = *facilities.back();
  EXPECT_TRUE(f.Ok());
  root.Exec("INSERT INTO facility (filename, name) VALUES (" + Quoted(f.Name()) + ", " + Quoted(title) + ")");
  f.Exec("INSERT INTO logbook (id, name) VALUES (1, 'Shift log')");
  return f;
}

void EngineTest::AddVariable(testsupport::KrymFixture& f, std::int32_t varid, const std::string& type, int decPlaces,
                             int approval) {
  const std::string id = std::to_string(varid);
  f.Exec(
      "INSERT INTO vardesc (varid, varnum, name, vartype, units, decplaces, source_cnn_approval, g2_interface_id, "
      "g2_enabled) VALUES (" +
      id + ", " + std::to_string(1000 + varid) + ", 'Var " + id + "', " + Quoted(type) + ", 'bar', " +
      std::to_string(decPlaces) + ", " + std::to_string(approval) + ", " + std::to_string(kCollector) + ", -1)");
}

testsupport::KrymFixture& EngineTest::AddPlantWithTwoVariables() {
  testsupport::KrymFixture& f = AddFacility("Plant One");
  AddVariable(f, 42, "H", 1);
  AddVariable(f, 43, "P", 0);
  AddQuestion(1, 5, 42);
  AddQuestion(1, 6, 43);
  return f;
}

void EngineTest::SetLockDate(testsupport::KrymFixture& f, const std::string& date) {
  f.Exec("INSERT INTO settings (setting, curvalue) VALUES ('LockDate', " + Quoted(date) + ")");
}

void EngineTest::UseAsciiDeraRed() {
  asciiDeraRed = std::make_unique<AsciiDeraRed>();
  ASSERT_TRUE(asciiDeraRed->Ok());
  Set("K30418\\SourceDB", asciiDeraRed->Name());
}

void EngineTest::DeraRedExec(const std::string& sql) {
  if (asciiDeraRed)
    asciiDeraRed->Exec(sql);
  else
    deraRed.Exec(sql);
}

void EngineTest::AddQuestion(std::int32_t point, std::int32_t question, std::int32_t externalId,
                             std::optional<std::int32_t> logbook) {
  DeraRedExec(
      "INSERT INTO tbl_routes_points_questions (route_id, point_id, question_id, external_id, "
      "external_id_logbook) VALUES (1, " +
      std::to_string(point) + ", " + std::to_string(question) + ", " + std::to_string(externalId) + ", " +
      (logbook ? std::to_string(*logbook) : std::string("NULL")) + ")");
}

void EngineTest::AddVisit(const Visit& v) {
  std::string columns = "id, route_id, point_id, trans_date, trans_time, guard, notes";
  std::string values = std::to_string(v.id) + ", 1, " + std::to_string(v.point) + ", " +
                       (v.date.empty() ? std::string("NULL") : Quoted(v.date)) + ", " +
                       (v.time.empty() ? std::string("NULL") : Quoted("1899-12-30 " + v.time)) + ", " +
                       Quoted(v.guard) + ", " + (v.notes.empty() ? std::string("NULL") : Quoted(v.notes));
  for (std::size_t i = 0; i < v.answers.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    columns += ", question_id" + n + ", answer" + n;
    values += ", " + std::to_string(v.answers[i].first) + ", " + Quoted(v.answers[i].second);
  }
  DeraRedExec("INSERT INTO tbl_transaction_pda (" + columns + ") VALUES (" + values + ")");
}

std::unique_ptr<CommonVarGatherer> EngineTest::Gather(bool readLockDates) {
  auto gatherer = std::make_unique<CommonVarGatherer>();
  platform::db::Connection rootCnn;
  rootCnn.Open(OleDb(root.Cluster(), root.Name()));
  EXPECT_TRUE(gatherer->ReadAboutCollector(kCollector, rootCnn));
  EXPECT_TRUE(gatherer->ReadVornKrym(kCollector, rootCnn));
  rootCnn.Close();
  if (readLockDates) {
    // The facilities of the set, as the session lists them.
    std::string tilde;
    for (gatherer->MoveFirst(); !gatherer->EOF_Facility(); gatherer->MoveNext_Facility())
      tilde += (tilde.empty() ? "" : "~") + gatherer->Current_Facility();
    EXPECT_TRUE(gatherer->LastRunSettings()->ReadVornKrymFacilLockDates(tilde));
  }
  return gatherer;
}

bool EngineTest::Run(bool testMode, bool readLockDates, const KrymSchemaOpener* opener) {
  const std::unique_ptr<CommonVarGatherer> gatherer = Gather(readLockDates);
  engine = std::make_unique<CommonImport>(opener ? *opener : *opener_);
  engine->Sleep([this](std::int32_t ms) { waits.push_back(ms); });
  if (readWindow) engine->ReadWindow(*readWindow);
  engine->Clock([this] { return now; });
  engine->AfterListing([this] {
    if (afterListing) afterListing();
  });
  return engine->StartImport(*gatherer, testMode);
}

void EngineTest::DropConnections(const std::string& database) {
  try {
    platform::db::Connection cnn;
    cnn.Open(OleDb(root.Cluster(), root.Name()));
    cnn.Execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = " + Quoted(database) +
                " AND pid <> pg_backend_pid()");
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot end the connections to " << database << ": " << e.what();
  }
}

std::vector<testsupport::KrymFixture*> EngineTest::WalkOrder() {
  const std::unique_ptr<CommonVarGatherer> gatherer = Gather(false);
  std::vector<testsupport::KrymFixture*> order;
  for (gatherer->MoveFirst(); !gatherer->EOF_Facility(); gatherer->MoveNext_Facility()) {
    for (const auto& f : facilities)
      if (f->Name() == gatherer->Current_Facility()) order.push_back(f.get());
  }
  return order;
}

std::vector<std::string> EngineTest::Rows(testsupport::KrymFixture& f, const std::string& sql) {
  std::vector<std::string> rows;
  try {
    platform::db::Connection cnn;
    cnn.Open(f.OleDbString());
    platform::db::Recordset rs;
    rs.Open(sql, cnn);
    for (; !rs.Eof(); rs.MoveNext()) {
      std::string row;
      for (int i = 0; i < rs.FieldCount(); ++i) row += (i ? "|" : "") + rs.Fields(i).Value().Text();
      rows.push_back(row);
    }
  } catch (const std::exception& e) {
    ADD_FAILURE() << sql << "\n  " << e.what();
  }
  return rows;
}

std::vector<std::string> EngineTest::Values(testsupport::KrymFixture& f, const std::string& table) {
  return Rows(f, "select varid, curvalue, textvalue from " + table + " order by varid, datestamp");
}

void EngineTest::WriteIdFile(const std::string& content) {
  std::ofstream out(folder_ + "/DeraRed.ini", std::ios::binary | std::ios::trunc);
  out << content;
}

std::string EngineTest::IdFile() const { return ReadWhole(folder_ + "/DeraRed.ini"); }

std::int32_t EngineTest::SavedId() const {
  const std::string text = IdFile();
  const std::size_t p = text.find("LASTIDIMPORTED=");
  if (p == std::string::npos) {
    ADD_FAILURE() << "no LASTIDIMPORTED in:\n" << text;
    return -1;
  }
  return std::stoi(text.substr(p + 15));
}

std::vector<std::string> EngineTest::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream in(ReadWhole(logger_->CurrentFilePath()));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t sep = line.find(" : ");
    lines.push_back(sep == std::string::npos ? line : line.substr(sep + 3));
  }
  return lines;
}

int EngineTest::LogCount(const std::string& line) const {
  int n = 0;
  for (const std::string& l : LogLines()) n += l == line;
  return n;
}

bool EngineTest::LogHas(const std::string& part) const {
  for (const std::string& l : LogLines())
    if (l.find(part) != std::string::npos) return true;
  return false;
}

std::vector<std::string> EngineTest::LinesStartingWith(const std::string& start) const {
  std::vector<std::string> out;
  for (const std::string& l : LogLines())
    if (l.rfind(start, 0) == 0) out.push_back(l);
  return out;
}

int EngineTest::LinesWith(const std::string& part) const {
  int n = 0;
  for (const std::string& l : LogLines()) n += l.find(part) != std::string::npos;
  return n;
}

void EngineTest::RaiseOn(testsupport::KrymFixture& f, const std::string& table, const std::string& condition,
                         const std::string& state) {
  f.Exec("CREATE SEQUENCE " + table + "_calls;" + "CREATE FUNCTION " + table +
         "_raise() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM nextval('" + table + "_calls'); IF " +
         condition + " THEN RAISE EXCEPTION 'refused by the test' USING ERRCODE = '" + state +
         "'; END IF; RETURN NEW; END $$;" + "CREATE TRIGGER raise BEFORE INSERT ON " + table +
         " FOR EACH ROW EXECUTE FUNCTION " + table + "_raise()");
}

int EngineTest::Calls(testsupport::KrymFixture& f, const std::string& table) {
  const std::vector<std::string> r = Rows(f, "select last_value from " + table + "_calls");
  return r.empty() ? -1 : std::stoi(r[0]);
}

}  // namespace enginetest
