#pragma once
// A thread of the program that may fail to start (the system refuses a new
// thread): the program then goes on without it, nothing is reported, and
// joining it returns at once.
#include <functional>
#include <thread>

namespace quilve::ui {

class WorkerThread {
 public:
  // Makes the thread; throws std::system_error when it cannot be made, as
  // std::thread does. Replaceable for tests.
  using Launcher = std::function<std::thread(std::function<void()>)>;
  static std::thread launch(std::function<void()> body);

  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { join(); }

  // Runs `body` on a thread of its own; false when none could be made.
  bool start(std::function<void()> body, const Launcher& launcher = launch);
  bool started() const { return thread_.joinable(); }
  std::thread::native_handle_type nativeHandle() { return thread_.native_handle(); }
  // Waits for the thread to end; at once when it never started.
  void join();

 private:
  std::thread thread_;
};

}  // namespace quilve::ui
