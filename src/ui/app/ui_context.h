#pragma once
// What every window of the desktop program works with: the toolkit, the
// eight window records, and the program's state (settings, history, the
// variables shared with the scan worker and the timer, the lists, the
// counters, the disposition state, the drawing mutex). The program creates
// one AppState and one UiContext at start-up and passes them down; tests
// create their own over the headless toolkit.
#include <functional>
#include <mutex>
#include <string>

#include "engine/scan_control.h"
#include "engine/scan_state.h"
#include "output/file_disposition.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

struct AppWindows {
  Window* main = nullptr;
  Window* scanSetup = nullptr;
  Window* outputFormat = nullptr;
  Window* scanResults = nullptr;
  Window* about = nullptr;
  Window* progress = nullptr;
  Window* timer = nullptr;
  Window* trace = nullptr;
};

// The process-wide state. Settings and history are loaded into it before
// the windows are built and saved from it after the workers have ended.
struct AppState {
  ScanSettings settings;
  DirectoryHistory history;
  ScanControl control;
  ScanLists lists;
  ScanSession session;
  DispositionState disposition;
  std::mutex drawingMutex;
};

// OutputDirectory becomes `directory` (cut to kMaxPathChars characters), and
// the scan worker makes its zero-crossing files there from its next
// recording on.
void setOutputDirectory(AppState& app, const std::string& directory);

// The longest results file path the program accepts.
constexpr std::size_t kMaxResultsPathChars = 511;
// The longest path the setup and timer windows' pickers accept.
constexpr std::size_t kMaxPickedPathChars = 259;

class Displays;

struct UiContext {
  Toolkit& tk;
  AppState& app;
  Reporter& trace;  // trace console (standard error and the Trace window)
  AppWindows windows;
  // The chirp tiles, read-outs and plots; null where a test needs none.
  Displays* displays = nullptr;

  UiContext(Toolkit& toolkit, AppState& state, Reporter& traceConsole)
      : tk(toolkit), app(state), trace(traceConsole) {}
};

// Shows the message buffer in a warning box over `w`; after "Failed opening
// file ..." the reason follows on a line of its own.
void warnMessageBuffer(UiContext& ui, Window* w);

}  // namespace quilve::ui
