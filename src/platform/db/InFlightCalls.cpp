#include "platform/db/InFlightCalls.h"

#include <sqlext.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/os/StopRequest.h"

namespace platform::db {

namespace {

struct Registered {
  SQLHSTMT statement;
  bool afterStop;
};

struct Registry {
  std::mutex mutex;
  std::vector<Registered> calls;
};

// Never destroyed: the watcher thread may still look at it while the process ends.
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

}  // namespace

InFlightCall::InFlightCall(SQLHSTMT statement) : statement_(statement) {
  Registry& r = TheRegistry();
  const std::lock_guard<std::mutex> hold(r.mutex);
  // Read under the mutex: a watcher that scans after the stop was requested either finds this
  // call or this call sees the request (the scan and this read are ordered by the mutex).
  afterStop_ = platform::os::StopRequested();
  r.calls.push_back({statement_, afterStop_});
}

InFlightCall::~InFlightCall() {
  Registry& r = TheRegistry();
  const std::lock_guard<std::mutex> hold(r.mutex);
  auto it =
      std::find_if(r.calls.begin(), r.calls.end(), [this](const Registered& c) { return c.statement == statement_; });
  if (it != r.calls.end()) r.calls.erase(it);
}

namespace InFlightCalls {

bool CancelRunning() {
  Registry& r = TheRegistry();
  const std::lock_guard<std::mutex> hold(r.mutex);
  bool pending = false;
  for (const Registered& c : r.calls) {
    if (c.afterStop) continue;
    // The call's own thread reports the outcome (the driver fails the cancelled call).
    (void)SQLCancel(c.statement);
    pending = true;
  }
  return pending;
}

int TimeoutFor(const InFlightCall& call, int timeoutSeconds) {
  if (!call.StartedAfterStop()) return timeoutSeconds;
  return timeoutSeconds > 0 ? std::min(timeoutSeconds, kSecondsAfterStop) : kSecondsAfterStop;
}

}  // namespace InFlightCalls

}  // namespace platform::db
