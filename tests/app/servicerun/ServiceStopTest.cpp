// SIGTERM and SIGINT end the built program in order: the service writes which signal stopped
// it, ends also while an import waits to reconnect or while a write waits on a lock, and leaves
// the last-id file whole; the desktop program ends the same way. No check here rests on how
// fast the end comes: each wait the stop must cut is made far longer than the time the test
// waits for the end, so an end at all shows that the stop cut it.
#include "ProgramFolder.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

using servicerun::ProgramFolder;
using testsupport::Describe;
using namespace std::chrono_literals;

namespace {

// The two signals that stop the service, and the line each leaves in its log.
const struct {
  int signalNumber;
  const char* line;
} kStopSignals[] = {
    {SIGTERM, "Service stopped by the service host (SIGTERM)."},
    {SIGINT, "Service stopped by the service host (SIGINT)."},
};

class ServiceStop : public ProgramFolder {
 protected:
  // Sends the signal and expects an orderly end: exit status 0.
  void ExpectOrderlyEnd(testsupport::Process& process, int signalNumber) {
    process.Signal(signalNumber);
    ExpectOrderlyEnd(process);
  }
  // The same once the signal has been sent.
  void ExpectOrderlyEnd(testsupport::Process& process) {
    const auto status = process.WaitForEnd(servicerun::kEndLimit);
    ASSERT_TRUE(status) << "still running " << servicerun::kEndLimit.count() << " s after the signal";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << Describe(*status);
  }
  // Between two runs in one folder: the next run's log is the only one.
  void ForgetLogs() {
    std::filesystem::remove_all(folder_ / "log");
    std::filesystem::remove(folder_ / "k30418.log_handle");
  }
};

}  // namespace

TEST_F(ServiceStop, SigtermWhileAsleepLogsTheStopAndKeepsTheLastIdFile) {
  DesignateCollector();
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, question_id1, "
      "answer1) VALUES (1, 1, 5, '2026-12-01', '1899-12-30 08:15:00', 'JSMITH', 1, '6.42')"));
  WriteConfiguration();
  auto& service = StartService();
  ASSERT_TRUE(WaitForServiceLog("Going to Sleep mode", service)) << ServiceLog();
  const std::string idFile = ReadFile(folder_ / "DeraRed.ini");
  ASSERT_NE(idFile.find("LASTIDIMPORTED=1"), std::string::npos) << idFile;

  ExpectOrderlyEnd(service, SIGTERM);
  const std::string log = ServiceLog();
  EXPECT_EQ(Count(log, "Service stopped by the service host (SIGTERM)."), 1u) << log;
  EXPECT_EQ(ReadFile(folder_ / "DeraRed.ini"), idFile);
  // Nothing on stderr (the journal of a service): no notices of Qt's that say nothing to anyone.
  EXPECT_EQ(service.Errors(), "");
}

// DeraRed cannot be reached, so the first import waits an hour between its tries; the stop
// must not wait for them.
TEST_F(ServiceStop, SignalDuringARecoveryWaitEndsTheImportAndTheService) {
  DesignateCollector();
  for (const auto& c : kStopSignals) {
    SCOPED_TRACE(c.line);
    WriteConfiguration(servicerun::ClosedPort(),
                       "<SOURCE><RECOVERY><ATTEMPTS>6</ATTEMPTS><SECONDS>3600</SECONDS></RECOVERY></SOURCE>");
    const std::string idFile = ReadFile(folder_ / "DeraRed.ini");
    auto& service = StartService();
    ASSERT_TRUE(WaitForServiceLog("Waiting for 3600 seconds before attempting to re-connect", service)) << ServiceLog();

    ExpectOrderlyEnd(service, c.signalNumber);
    const std::string log = ServiceLog();
    EXPECT_EQ(Count(log, c.line), 1u) << log;
    EXPECT_EQ(log.find("Going to Sleep mode"), std::string::npos) << "an ending service does not go to sleep\n" << log;
    EXPECT_EQ(ReadFile(folder_ / "DeraRed.ini"), idFile);
    ForgetLogs();
  }
}

// A long import (forty thousand answers to write): the service stops after the database call
// in progress, not after the last answer, and keeps the last imported id where it was.
TEST_F(ServiceStop, SigtermWhileWritingEndsTheImportAfterTheCurrentCall) {
  DesignateCollector();
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, question_id1, "
      "answer1, question_id2, answer2) SELECT i, 1, 5, TIMESTAMP '2026-01-02' + (i / 24) * INTERVAL '1 day', "
      "TIMESTAMP '1899-12-30' + (i % 24) * INTERVAL '1 hour', 'JSMITH', 1, (i % 97)::text, 2, (i % 89)::text "
      "FROM generate_series(1, 20000) AS i"));
  WriteConfiguration();
  const std::string idFile = ReadFile(folder_ / "DeraRed.ini");
  auto& service = StartService();
  ASSERT_TRUE(WaitForServiceLog("Wrote Data ", service)) << ServiceLog();

  service.Signal(SIGTERM);
  const std::size_t written = Count(ServiceLog(), "Wrote Data ");  // read after the signal
  ExpectOrderlyEnd(service);
  const std::string log = ServiceLog();
  EXPECT_EQ(Count(log, "Service stopped by the service host (SIGTERM)."), 1u) << log;
  // After the signal only the call in progress may still have written.
  EXPECT_LE(Count(log, "Wrote Data "), written + 2) << "the import went on writing";
  EXPECT_LT(Count(log, "Wrote Data "), 20000u) << "the import went on writing";
  EXPECT_EQ(log.find("Going to Sleep mode"), std::string::npos);
  EXPECT_EQ(ReadFile(folder_ / "DeraRed.ini"), idFile);
}

// Another session holds the facility's daily value table locked, so the service's first write
// waits on the lock, here for an hour (its command timeout): the stop cancels that call instead
// of waiting for it, and the cancelled value holds the last imported id. The service ends while
// the lock is still held, so the call cannot have ended by being done.
TEST_F(ServiceStop, SignalWhileAWriteWaitsOnALockCancelsTheCall) {
  DesignateCollector();
  vornKrymXml_ = "<VORNKRYM_CONNECTION_COMMAND_TIMEOUT>3600</VORNKRYM_CONNECTION_COMMAND_TIMEOUT>";
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, question_id1, "
      "answer1) VALUES (4, 1, 5, '2026-12-01', '1899-12-30 08:15:00', 'JSMITH', 1, '6.42')"));
  for (const auto& c : kStopSignals) {
    SCOPED_TRACE(c.line);
    WriteConfiguration();
    const std::string idFile = ReadFile(folder_ / "DeraRed.ini");
    platform::db::Connection holder, watcher;
    holder.Open(facility_.OleDbString());
    holder.Execute("BEGIN; LOCK TABLE datatbl IN ACCESS EXCLUSIVE MODE");
    watcher.Open(facility_.OleDbString());
    auto waiting = [&] {
      platform::db::Recordset rs;
      rs.Open("SELECT query FROM pg_stat_activity WHERE datname = current_database() AND wait_event_type = 'Lock'",
              watcher);
      return rs.Eof() ? std::string() : rs.Fields(0).Value().Text();
    };

    auto& service = StartService();
    const auto until = servicerun::Clock::now() + 60s;
    while (waiting().empty() && service.Running() && servicerun::Clock::now() < until)
      std::this_thread::sleep_for(100ms);
    ASSERT_NE(waiting(), "") << "no call waits on the lock\n" << ServiceLog();

    ExpectOrderlyEnd(service, c.signalNumber);  // the lock is held all the while
    holder.Execute("ROLLBACK");
    const std::string log = ServiceLog();
    EXPECT_EQ(Count(log, c.line), 1u) << log;
    EXPECT_NE(log.find("The program is ending: the import stops here"), std::string::npos) << log;
    EXPECT_EQ(log.find("Wrote Data "), std::string::npos) << log;
    EXPECT_EQ(log.find("Success: The Last Id that was Imported is"), std::string::npos) << log;
    EXPECT_EQ(ReadFile(folder_ / "DeraRed.ini"), idFile);
    ForgetLogs();
  }
}

TEST_F(ServiceStop, TheDesktopProgramEndsInOrderOnASignal) {
  WriteConfiguration();
  auto& program = StartInteractive(folder_);
  auto log = [this] { return AllLogs(folder_); };
  ASSERT_TRUE(WaitFor(log, "Configuration loaded from", program, 60)) << log();
  ExpectOrderlyEnd(program, SIGINT);
  EXPECT_EQ(Count(log(), "Program ended by the system (SIGINT)."), 1u) << log();
  EXPECT_EQ(program.Errors(), "");
}
