#include "ui/app/application.h"

#include <condition_variable>
#include <filesystem>

#include "engine/scan_worker.h"
#include "settings/registry.h"
#include "settings/registry_store.h"
#include "timer/operation_timer.h"
#include "timer/thread_priority.h"
#include "timer/timer_clock.h"
#include "ui/app/worker_hosts.h"
#include "ui/display/displays.h"
#include "ui/windows/desktop.h"
#include "ui/windows/window_scan_host.h"

namespace quilve::ui {

namespace {

// The system clock whose sleeps end early once the program is stopping, so
// that the timer thread ends at once rather than at its next tick.
class StoppableClock final : public TimerClock {
 public:
  CivilTime now(bool local) override { return system_.now(local); }
  void sleep(std::chrono::milliseconds duration) override {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, duration, [this] { return stopping_; });
  }
  void stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
  }

 private:
  SystemTimerClock system_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

// Warnings in a box over the main window (user-interface thread), trace
// lines on the console.
class WindowReporter final : public Reporter {
 public:
  WindowReporter(UiContext& ui, Reporter& console) : ui_(ui), console_(console) {}
  // The toolkit echoes every warning to the console.
  void warning(const std::string& text) override { ui_.tk.warning(ui_.windows.main, text); }
  void trace(const std::string& text) override { console_.trace(text); }

 private:
  UiContext& ui_;
  Reporter& console_;
};

}  // namespace

Application::Application(Toolkit& toolkit, std::string hiveFile, bool startWorkers)
    : tk_(toolkit),
      ui_(toolkit, state_, console_),
      hive_(std::make_unique<RegistryHive>(std::move(hiveFile))),
      startWorkers_(startWorkers) {
  tk_.setDrawingMutex(&state_.drawingMutex);
  // Every warning shown in a box also goes to the trace console.
  tk_.setWarningEcho([this](const std::string& text) { console_.warning(text); });
}

Application::~Application() {
  shutDown();
  tk_.setWarningEcho(nullptr);
  // The toolkit outlives the window objects: events it still delivers while
  // it takes its native windows down (focus changes) must find no handler.
  for (const auto& w : tk_.windows()) w->handler = nullptr;
}

void Application::start() {
  if (started_) return;
  started_ = true;
  // Settings and history that cannot be loaded keep their defaults; the
  // user is told once the main window is up.
  const bool hiveRead = hive_->load(&console_);
  loadSettings(*hive_, kSettingsKeyPath, state_.settings);
  loadHistory(*hive_, kHistoryKeyPath, state_.history);
  setOutputDirectory(state_, state_.history.OutputDirectory);

  displays_ = std::make_unique<Displays>(ui_);
  ui_.displays = displays_.get();
  desktop_ = std::make_unique<Desktop>(ui_);
  desktop_->create();
  displays_->attach();
  if (!hiveRead) {
    // The hive sets an unreadable file aside; where that failed the file is
    // still there, and saving at exit would write over it.
    std::error_code ec;
    keepUnreadableHive_ = std::filesystem::exists(hive_->file(), ec) || ec;
    const std::string start = "The saved settings in " + hive_->file() +
                              " could not be read; the defaults are used.";
    tk_.warning(ui_.windows.main,
                keepUnreadableHive_
                    ? start + "\nThe file could not be set aside; it is left as it is, and the "
                              "settings will not be saved when the program ends."
                    : start + " The file was set aside as " + hive_->file() + ".corrupt");
  }

  workerHost_ = std::make_unique<PostingScanHost>(
      tk_, desktop_->host(), [this] { displays_->recordingOpened(worker_->analyzer()); },
      [this] { return displays_->idle(); });
  worker_ = std::make_unique<ScanWorker>(state_.control, state_.lists, state_.session,
                                         state_.settings, *workerHost_, displays_.get());
  desktop_->setAnalysis(&worker_->analyzer());

  clock_ = std::make_unique<StoppableClock>();
  timerHost_ = std::make_unique<WindowTimerHost>(*desktop_);
  timerDisposition_ = std::make_unique<PostingDispositionHost>(tk_, *desktop_);
  timer_ = std::make_unique<OperationTimer>(
      TimerContext{state_.settings, state_.history, state_.control, state_.lists, state_.session,
                   state_.disposition, *timerDisposition_, *clock_, *timerHost_, console_});

  if (!startWorkers_) return;
  workerThread_.start(
      [this] {
        lowerThisThreadPriority();
        worker_->run();
      },
      launcher_);
  timerThread_.start(
      [this] {
        lowerThisThreadPriority();
        timer_->run();
      },
      launcher_);
}

int Application::run() {
  start();
  tk_.runLoop();
  shutDown();
  return 0;
}

void Application::shutDown() {
  if (!started_ || stopped_) return;
  stopped_ = true;
  state_.control.running = false;
  if (clock_) static_cast<StoppableClock&>(*clock_).stop();
  workerThread_.join();
  timerThread_.join();
  // Calls the workers posted after the loop ended are dropped with the
  // toolkit; the state they would show is saved below all the same.
  // A failed save would lose the user's settings silently on the console.
  WindowReporter reporter(ui_, console_);
  if (keepUnreadableHive_) {
    console_.trace("Settings not saved: " + hive_->file() + " is kept as it was found\n");
    return;
  }
  saveSettings(*hive_, kSettingsKeyPath, state_.settings, &reporter);
  saveHistory(*hive_, kHistoryKeyPath, state_.history, &reporter);
}

}  // namespace quilve::ui
