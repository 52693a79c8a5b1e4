#include <windows.h>

#include <mutex>

#include "ui/app/stop_requests.h"

// The console's events reach a handler the system calls on a thread of its
// own. After a closed console, a log-off or a shutdown the system ends the
// process a few seconds after the handler returns (or after about five
// seconds, whatever it does): the handler waits there until the program
// has saved its settings, for as long as the system allows.

namespace quilve::ui {

namespace {

constexpr DWORD kGraceMs = 4500;

// The handler has no context of its own: the one watcher of the process.
struct Requests {
  std::mutex mutex;
  std::function<void()> request;
  HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

Requests& requests() {
  static Requests* const r = new Requests;  // used by handler threads until the process ends
  return *r;
}

BOOL WINAPI onConsoleEvent(DWORD event) {
  Requests& r = requests();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!r.request) return FALSE;
    r.request();
  }
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(r.finished, kGraceMs);
  }
  return TRUE;
}

}  // namespace

class StopRequests::Watcher {};

StopRequests::StopRequests() = default;

StopRequests::~StopRequests() {
  finished();
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
  std::lock_guard<std::mutex> lock(requests().mutex);
  requests().request = nullptr;
}

void StopRequests::watch(std::function<void()> request) {
  Requests& r = requests();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    r.request = std::move(request);
    ResetEvent(r.finished);
  }
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void StopRequests::finished() { SetEvent(requests().finished); }

}  // namespace quilve::ui
