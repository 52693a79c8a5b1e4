#pragma once
// The program's windows as one object: it creates the eight windows in
// start-up order, holds the window objects so that each can reach the
// others, and carries the notices the scan worker and the timer send (on the
// user-interface thread).
#include <memory>
#include <string>

#include "engine/scan_host.h"
#include "ui/app/ui_context.h"

namespace quilve {
class RecordingAnalyzer;
}

namespace quilve::ui {

class MainWindow;
class ScanResultsWindow;
class ProgressWindow;
class AboutWindow;
class TraceWindow;
class ScanSetupWindow;
class OutputFormatWindow;
class OperationTimerWindow;
class WindowScanHost;

class Desktop {
 public:
  explicit Desktop(UiContext& ui);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // Creates the eight hidden windows with their contents, then shows the
  // main window at its size.
  void create();

  UiContext& ui() { return ui_; }
  MainWindow& main() { return *main_; }
  ScanResultsWindow& results() { return *results_; }
  ProgressWindow& progress() { return *progress_; }
  AboutWindow& about() { return *about_; }
  TraceWindow& trace() { return *trace_; }
  ScanSetupWindow* scanSetup() { return scanSetup_.get(); }
  OutputFormatWindow* outputFormat() { return outputFormat_.get(); }
  OperationTimerWindow* timer() { return timer_.get(); }
  // The scan host that shows the worker's notices in the windows; call it
  // only on the user-interface thread.
  WindowScanHost& host() { return *host_; }

  // ---- notices (user-interface thread) ------------------------------------
  void beginFile(const std::string& path);
  void endOfScan();
  // The three list boxes follow the engine's lists (entries and selections).
  void showLists();
  // An entry of list box `id` of `w` was dragged from `from` and dropped on
  // `to`: the engine's list behind it (input, passed or failed) is changed
  // the same way, so that scans and the buttons use the order shown.
  void listDropped(Window* w, int id, int from, int to);
  void showCounters(const ScanSession& counters);
  void showComment(const std::string& comment);
  void showAbout();
  // The analysis of the recording last scanned (the worker's), for the
  // Trace window's buttons; null when there is none.
  void setAnalysis(RecordingAnalyzer* analysis) { analysis_ = analysis; }
  RecordingAnalyzer* analysis() { return analysis_; }
  // From a begin-of-file notice to the end-of-scan notice.
  bool scanning() const { return scanning_; }
  // Shows a tool window and checks its Window menu item.
  void showToolWindow(Window* w, int windowMenuItem);
  // Hides a tool window and clears the check of its Window menu item.
  void hideToolWindow(Window* w, int windowMenuItem);

 private:
  // One list box follows `model`: the selection alone when the entries are
  // the same.
  void showList(Window* w, int id, const FileList& model);

  UiContext& ui_;
  std::unique_ptr<MainWindow> main_;
  std::unique_ptr<ScanResultsWindow> results_;
  std::unique_ptr<ProgressWindow> progress_;
  std::unique_ptr<AboutWindow> about_;
  std::unique_ptr<TraceWindow> trace_;
  std::unique_ptr<ScanSetupWindow> scanSetup_;
  std::unique_ptr<OutputFormatWindow> outputFormat_;
  std::unique_ptr<OperationTimerWindow> timer_;
  std::unique_ptr<WindowScanHost> host_;
  RecordingAnalyzer* analysis_ = nullptr;
  bool scanning_ = false;
};

// The file name part of a path (text after the last separator).
std::string fileNamePart(const std::string& path);

}  // namespace quilve::ui
