#pragma once

#include <sql.h>

namespace platform::db {

// The statements whose driver calls are running now, so that a stop can end them from another
// thread. The window thread is blocked inside such a call (a write that waits on a table lock
// returns only when its command timeout ends it); only SQLCancel, sent from elsewhere, ends it
// sooner. The watcher thread that a stop request wakes (platform/os/StopWatcher.h) calls
// CancelRunning.
//
// A statement is registered for the time of its calls by an InFlightCall on the stack of the
// thread that runs them, and its handle is freed only after that scope has ended. The registry's
// mutex is held while a cancel is sent, so a cancel never reaches a freed handle.
//
// Calls that began before the stop was requested are cancelled, again and again until they have
// returned: a cancel that arrives just before the driver has sent the statement finds nothing
// to cancel. A call that begins after the request is left alone (an ending program may still
// need a short call), but its timeout is cut to kSecondsAfterStop, so no call outlasts a stop
// by more than that.
class InFlightCall {
 public:
  explicit InFlightCall(SQLHSTMT statement);
  ~InFlightCall();
  InFlightCall(const InFlightCall&) = delete;
  InFlightCall& operator=(const InFlightCall&) = delete;

  // Whether the stop had already been requested when the call was registered.
  bool StartedAfterStop() const { return afterStop_; }

 private:
  SQLHSTMT statement_;
  bool afterStop_;
};

namespace InFlightCalls {

// The longest a statement begun after a stop request may run, in seconds.
constexpr int kSecondsAfterStop = 3;

// Sends SQLCancel to every registered call that began before the stop. True while such calls
// are still registered: the caller asks again shortly. Any thread; not from a signal handler.
bool CancelRunning();

// The timeout a statement is to run with: timeoutSeconds (0 = no limit) as it is, or, for a
// call begun after the stop, no more than kSecondsAfterStop.
int TimeoutFor(const InFlightCall& call, int timeoutSeconds);

}  // namespace InFlightCalls

}  // namespace platform::db
