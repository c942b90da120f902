// SIGTERM and SIGINT end the built program in order: the service writes which signal stopped
// it, ends within a few seconds also while an import waits to reconnect, and leaves the last-id
// file whole; the desktop program ends the same way.
#include "ProgramFolder.h"

using servicerun::ProgramFolder;
using testsupport::Describe;
using namespace std::chrono_literals;

namespace {

class ServiceStop : public ProgramFolder {
 protected:
  // Sends the signal and expects an orderly end within a few seconds: exit status 0.
  void ExpectOrderlyEnd(testsupport::Process& process, int signalNumber) {
    process.Signal(signalNumber);
    const auto status = process.WaitForEnd(5s);
    ASSERT_TRUE(status) << "still running 5 s after the signal";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << Describe(*status);
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

// DeraRed cannot be reached, so the first import waits 30 seconds between its tries; the stop
// must not wait for them.
TEST_F(ServiceStop, SignalDuringARecoveryWaitEndsTheImportAndTheService) {
  const struct {
    int signalNumber;
    const char* line;
  } cases[] = {
      {SIGTERM, "Service stopped by the service host (SIGTERM)."},
      {SIGINT, "Service stopped by the service host (SIGINT)."},
  };
  DesignateCollector();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    WriteConfiguration(servicerun::ClosedPort(),
                       "<SOURCE><RECOVERY><ATTEMPTS>6</ATTEMPTS><SECONDS>30</SECONDS></RECOVERY></SOURCE>");
    const std::string idFile = ReadFile(folder_ / "DeraRed.ini");
    auto& service = StartService();
    ASSERT_TRUE(WaitForServiceLog("Waiting for 30 seconds before attempting to re-connect", service)) << ServiceLog();

    ExpectOrderlyEnd(service, c.signalNumber);
    const std::string log = ServiceLog();
    EXPECT_EQ(Count(log, c.line), 1u) << log;
    EXPECT_EQ(log.find("Going to Sleep mode"), std::string::npos) << "an ending service does not go to sleep\n" << log;
    EXPECT_EQ(ReadFile(folder_ / "DeraRed.ini"), idFile);
    std::filesystem::remove_all(folder_ / "log");
    std::filesystem::remove(folder_ / "k30418.log_handle");
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

  ExpectOrderlyEnd(service, SIGTERM);
  const std::string log = ServiceLog();
  EXPECT_EQ(Count(log, "Service stopped by the service host (SIGTERM)."), 1u) << log;
  EXPECT_LT(Count(log, "Wrote Data "), 20000u) << "the import went on writing";
  EXPECT_EQ(log.find("Going to Sleep mode"), std::string::npos);
  EXPECT_EQ(ReadFile(folder_ / "DeraRed.ini"), idFile);
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
