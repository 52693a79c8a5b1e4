#include <pthread.h>
#include <signal.h>

#include <atomic>

#include "ui/app/stop_requests.h"
#include "ui/app/worker_thread.h"

namespace quilve::ui {

namespace {

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);  // the terminal closed
  return set;
}

}  // namespace

// The signals are taken by one thread with sigwait; every other thread
// inherits the blocked mask.
class StopRequests::Watcher {
 public:
  Watcher() {
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
  }
  ~Watcher() { stop(); }

  void watch(std::function<void()> request) {
    thread_.start([this, request = std::move(request)] {
      const sigset_t set = stopSignals();
      int signal = 0;
      while (sigwait(&set, &signal) == 0 && !ended_) request();
    });
    if (!thread_.started()) {
      const sigset_t set = stopSignals();
      pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
  }

  void stop() {
    ended_ = true;
    if (thread_.started()) pthread_kill(thread_.nativeHandle(), SIGTERM);
    thread_.join();
  }

 private:
  std::atomic<bool> ended_{false};
  WorkerThread thread_;
};

StopRequests::StopRequests() : watcher_(std::make_unique<Watcher>()) {}
StopRequests::~StopRequests() = default;

void StopRequests::watch(std::function<void()> request) { watcher_->watch(std::move(request)); }

void StopRequests::finished() { watcher_->stop(); }

}  // namespace quilve::ui
