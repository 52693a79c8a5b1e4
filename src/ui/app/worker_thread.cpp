#include "ui/app/worker_thread.h"

#include <system_error>

namespace quilve::ui {

std::thread WorkerThread::launch(std::function<void()> body) { return std::thread(std::move(body)); }

bool WorkerThread::start(std::function<void()> body, const Launcher& launcher) {
  join();
  try {
    thread_ = launcher(std::move(body));
  } catch (const std::system_error&) {
    thread_ = std::thread();
  }
  return started();
}

void WorkerThread::join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace quilve::ui
