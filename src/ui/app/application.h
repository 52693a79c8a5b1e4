#pragma once
// The desktop program's spine: loads the settings and the directory history
// from the registry hive, builds the eight windows, starts the scan worker
// and then the operation timer on threads of their own below normal
// priority, runs the message loop, and on its end stops both workers and
// saves the settings and the history again.
#include <memory>
#include <string>
#include "ui/app/trace_console.h"
#include "ui/app/ui_context.h"
#include "ui/app/worker_thread.h"

namespace quilve {
class RegistryHive;
class ScanWorker;
class OperationTimer;
class TimerClock;
}  // namespace quilve

namespace quilve::ui {

class Desktop;
class Displays;
class PostingScanHost;
class WindowTimerHost;
class PostingDispositionHost;

class Application {
 public:
  // `hiveFile`: the registry hive's file (RegistryHive::defaultFile() for
  // the program). `startWorkers` false leaves both workers unstarted, for
  // tests that drive the scan worker's passes themselves.
  Application(Toolkit& toolkit, std::string hiveFile, bool startWorkers = true);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // How start() makes the workers' threads (for tests of a thread that
  // cannot be made). A worker whose thread cannot be made does not run.
  void setThreadLauncher(WorkerThread::Launcher launcher) { launcher_ = std::move(launcher); }
  // Loads, builds the windows, shows the main window, starts the workers.
  void start();
  // The message loop; on its end the workers are stopped and everything is
  // saved. Returns the program's exit status.
  int run();
  // Clears the running flag, joins both workers, saves settings and history.
  // Safe to call twice.
  void shutDown();

  AppState& state() { return state_; }
  UiContext& ui() { return ui_; }
  Desktop& desktop() { return *desktop_; }
  ScanWorker& worker() { return *worker_; }
  OperationTimer& timer() { return *timer_; }

 private:
  Toolkit& tk_;
  AppState state_;
  TraceConsole console_;
  UiContext ui_;
  std::unique_ptr<RegistryHive> hive_;
  std::unique_ptr<Displays> displays_;
  std::unique_ptr<Desktop> desktop_;
  std::unique_ptr<PostingScanHost> workerHost_;
  std::unique_ptr<ScanWorker> worker_;
  std::unique_ptr<TimerClock> clock_;
  std::unique_ptr<WindowTimerHost> timerHost_;
  std::unique_ptr<PostingDispositionHost> timerDisposition_;
  std::unique_ptr<OperationTimer> timer_;
  WorkerThread::Launcher launcher_ = WorkerThread::launch;
  WorkerThread workerThread_;
  WorkerThread timerThread_;
  bool startWorkers_;
  bool started_ = false;
  bool stopped_ = false;
  bool keepUnreadableHive_ = false;  // an unreadable hive could not be set aside
};

}  // namespace quilve::ui
