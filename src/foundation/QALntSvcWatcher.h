#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/QALTimer.h"

class QALntSvcCM;
namespace platform::service {
class ServiceManager;
}
namespace platform::ui {
class TimerService;
}

// Watches the service that runs this program in service mode, for the interactive program's
// service views: the service's state on a label (coloured, refreshed by the status timer), the
// end of the service's current log file in a text box (newest line first, refreshed by the log
// timer), and start and stop requests. The service announces its current log file in the handle
// file beside the program; the watcher only reads that file and the log, and never locks them.
//
// The label and the text box are borrowed from the window that owns the watcher and must
// outlive it. Releasing the watcher stops both timers.
class QALntSvcWatcher {
 public:
  static constexpr std::uint32_t kRed = 0xFF0000;
  static constexpr std::uint32_t kGreen = 0x00FF00;

  // The label the state goes on.
  class StatusLabel {
   public:
    virtual ~StatusLabel() = default;
    virtual void Caption(const std::string& text) = 0;
    virtual void BackColor(std::uint32_t rgb) = 0;  // 0xRRGGBB
  };

  // The multi-line box the log tail goes in; lines end in CR LF.
  class TextBox {
   public:
    virtual ~TextBox() = default;
    virtual void Text(const std::string& text) = 0;
  };

  // manager null: the systemd manager of QALntSvcCM; timers null: the program's timer service.
  explicit QALntSvcWatcher(std::shared_ptr<platform::service::ServiceManager> manager = nullptr,
                           platform::ui::TimerService* timers = nullptr);
  ~QALntSvcWatcher();
  QALntSvcWatcher(const QALntSvcWatcher&) = delete;
  QALntSvcWatcher& operator=(const QALntSvcWatcher&) = delete;

  // The log file the service named last; "" when it named none.
  std::string LastLogFilePath() const;
  void RefreshLog();
  bool InitLogView(TextBox* outputTextBox, std::string& ErrorMessage);
  // Binds the service and the label. When the service cannot be watched (no name, no manager,
  // no such service) the label shows that error state once and nothing is bound.
  bool InitServiceControl(const std::string& LocalNTserviceName, StatusLabel* StatusLabel, std::string& ErrorMessage);
  const std::string& NTserviceNAME() const { return serviceName_; }
  bool Init(std::intptr_t MainFormHWnd);
  // Intervals whose milliseconds do not fit 32 bits are ignored.
  void EnableStatusAutoRefresh(std::int32_t IntervalINseconds);
  void EnableLogAutoRefresh(std::int32_t IntervalINseconds, std::int32_t bufferSizeBytes);
  // Ask the manager to start or stop the bound service, then show its state at once. False with
  // the reason in ErrorMessage when no service is bound (the reason InitServiceControl gave) or
  // the manager refused the request.
  bool StartNTservice(std::string& ErrorMessage);
  bool StopNTservice(std::string& ErrorMessage);

  // How the refresh runs, for the windows' tests.
  const QALTimer& StatusTimer() const { return myTimer_; }
  const QALTimer& LogTimer() const { return mylogTimer_; }
  std::int32_t BufferSize() const { return bufferSize_; }

 private:
  void myTimer_Timer();
  void mylogTimer_Timer();
  void RefreshStatus();
  void ShowStatus(const std::string& status);
  static void ShowStatusOn(StatusLabel* label, const std::string& status);
  bool Control(bool start, std::string& ErrorMessage);
  std::string ReadLogHandle() const;
  std::string ReadLogTail(const std::string& path) const;
  static std::string ReverseLines(const std::string& text);
  static bool Milliseconds(std::int32_t seconds, std::int32_t& ms);
  bool HasService() const { return initialised_ && !serviceName_.empty(); }

  std::shared_ptr<platform::service::ServiceManager> manager_;
  std::intptr_t mainWindow_ = 0;
  std::string serviceName_;
  std::string unboundReason_;  // why no service is bound, for start and stop requests
  std::unique_ptr<QALntSvcCM> serviceControl_;
  StatusLabel* statusLabel_ = nullptr;
  TextBox* outputTextBox_ = nullptr;
  std::int32_t bufferSize_ = 1024;
  bool initialised_ = false;
  QALTimer myTimer_;
  QALTimer mylogTimer_;
};
