#pragma once
// Requests from outside to end the desktop program as closing the main
// window does, so that the settings and the history are still saved: an
// interrupt, a hang-up or a termination request on POSIX systems; Ctrl-C,
// Ctrl-Break, a closed console, log-off and shutdown on Windows.
#include <functional>
#include <memory>

namespace quilve::ui {

class StopRequests {
 public:
  // Made before any other thread starts: on POSIX systems the requests are
  // signals that every later thread must leave to one watcher.
  StopRequests();
  // Stops watching; a request that comes later acts as it would without.
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  // Calls `request` for each request from then on (on a thread of its own;
  // a request that only ended a modal loop is followed by the next).
  // Without a watcher the requests act as they do by default.
  void watch(std::function<void()> request);
  // The program has saved what it keeps and is ending: a system that ends
  // the process after its request need not wait any longer.
  void finished();

 private:
  class Watcher;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace quilve::ui
