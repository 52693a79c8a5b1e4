#include "ui/app/worker_hosts.h"

#include "ui/app/control_ids.h"
#include "ui/setup/operation_timer_window.h"
#include "ui/windows/desktop.h"
#include "ui/windows/main_window.h"
#include "ui/windows/progress_window.h"
#include "ui/windows/scan_results_window.h"

namespace quilve::ui {

WindowTimerHost::WindowTimerHost(Desktop& desktop) : desktop_(desktop), tk_(desktop.ui().tk) {}

void WindowTimerHost::showClock(const std::string& time, const std::string& standard) {
  tk_.post([this, time, standard] {
    if (desktop_.timer()) desktop_.timer()->showClock(time, standard);
  });
}

void WindowTimerHost::showStatus(const std::string& status) {
  tk_.post([this, status] {
    if (desktop_.timer()) desktop_.timer()->showStatus(status);
  });
}

void WindowTimerHost::readStartTime() {
  if (!desktop_.timer()) return;
  const std::string text = desktop_.timer()->startTimeText();
  std::lock_guard<std::mutex> lock(mutex_);
  startTime_ = text;
}

std::string WindowTimerHost::startTimeText() {
  tk_.post([this] { readStartTime(); });
  std::lock_guard<std::mutex> lock(mutex_);
  return startTime_;
}

void WindowTimerHost::showScanResults() {
  tk_.post([this] {
    desktop_.showToolWindow(desktop_.ui().windows.scanResults, main_ids::kMenuWindowScanResults);
  });
}

void WindowTimerHost::inputListRefilled() {
  tk_.post([this] {
    desktop_.showLists();
    desktop_.main().updateListExtents();
  });
}

void WindowTimerHost::showResultsFileName(const std::string& fileName) {
  tk_.post([this, fileName] {
    tk_.setText(desktop_.ui().windows.main, main_ids::kOutputField, fileName);
  });
}

void WindowTimerHost::resultsCleared() {
  tk_.post([this] { desktop_.results().showCleared(); });
}

void WindowTimerHost::showComment(const std::string& comment) {
  tk_.post([this, comment] { desktop_.showComment(comment); });
}

void PostingDispositionHost::progress(const std::string& title, int done, int total) {
  tk_.post([this, title, done, total] {
    // A scan the timer started shows its own progress there.
    if (!desktop_.scanning()) desktop_.progress().showDisposition(title, done, total, false);
  });
}

void PostingDispositionHost::warning(const std::string& text) {
  tk_.post([this, text] { tk_.warning(desktop_.ui().windows.scanResults, text); });
}

}  // namespace quilve::ui
