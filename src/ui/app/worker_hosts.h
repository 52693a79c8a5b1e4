#pragma once
// What the operation timer's thread shows in the windows. Every call is
// handed to the user-interface thread; the timer never waits for one. The
// start-time field is read on the user-interface thread and the timer gets
// the latest text read (at most one tick old).
#include <mutex>
#include <string>

#include "output/file_disposition.h"
#include "timer/operation_timer.h"

namespace quilve::ui {

class Desktop;
class Toolkit;

class WindowTimerHost final : public TimerHost {
 public:
  explicit WindowTimerHost(Desktop& desktop);
  void showClock(const std::string& time, const std::string& standard) override;
  void showStatus(const std::string& status) override;
  std::string startTimeText() override;
  void showScanResults() override;
  void inputListRefilled() override;
  void showResultsFileName(const std::string& fileName) override;
  void resultsCleared() override;
  void showComment(const std::string& comment) override;

  // Reads the start-time field now (user-interface thread).
  void readStartTime();

 private:
  Desktop& desktop_;
  Toolkit& tk_;
  std::mutex mutex_;
  std::string startTime_;
};

// The timer's disposition runs without questions: its warnings are shown on
// the user-interface thread and no folder is ever picked.
class PostingDispositionHost final : public DispositionHost {
 public:
  PostingDispositionHost(Toolkit& toolkit, Desktop& desktop) : tk_(toolkit), desktop_(desktop) {}
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  void warning(const std::string& text) override;
  bool pickFolder(const std::string&, std::string*) override { return false; }
  // Shown in the Progress window (not over the others: the work runs on the
  // timer's thread).
  void progress(const std::string& title, int done, int total) override;

 private:
  Toolkit& tk_;
  Desktop& desktop_;
};

}  // namespace quilve::ui
