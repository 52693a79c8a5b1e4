#include "ui/windows/trace_window.h"

#include <filesystem>

#include "engine/recording_analyzer.h"
#include "engine/save_selected_calls.h"
#include "ui/app/control_ids.h"
#include "ui/display/displays.h"
#include "ui/windows/desktop.h"
#include "ui/app/window_building.h"
#include "ui/windows/window_scan_host.h"

namespace quilve::ui {

using namespace trace_ids;

namespace {
constexpr const char* kScanRunning = "The scan must end before its calls can be changed or saved";
}

Window* TraceWindow::create() {
  w_ = createToolWindow(ui_, [this](Window& w, int e, EventValues& v) { return handle(w, e, v); },
                        WindowKind::Tool, "Trace", 832, 276, 138, 206);
  ui_.windows.trace = w_;
  if (!w_) return nullptr;
  Toolkit& tk = ui_.tk;
  addControl(tk, w_, kDeleteSelected, ControlKind::Button, 368, 244, 96, 24, "Delete Selected");
  addControl(tk, w_, kSaveSelected, ControlKind::Button, 496, 244, 96, 24, "Save Selected");
  addControl(tk, w_, kAppendSelected, ControlKind::Button, 624, 244, 96, 24, "Append Selected");
  return w_;
}

RecordingAnalyzer* TraceWindow::idleAnalysis() {
  RecordingAnalyzer* analysis = desktop_.analysis();
  if (!analysis) return nullptr;
  if (desktop_.scanning()) {
    ui_.tk.warning(w_, kScanRunning);
    return nullptr;
  }
  return analysis;
}

void TraceWindow::deleteSelected() {
  const int slot = ui_.displays ? ui_.displays->selectedSlot() : -1;
  if (slot < 0) return;
  RecordingAnalyzer* analysis = idleAnalysis();
  if (!analysis) return;
  analysis->rejectCall(slot);
  ui_.displays->chirpDeleted(slot);
}

void TraceWindow::saveSelected(bool append) {
  RecordingAnalyzer* analysis = idleAnalysis();
  if (!analysis) return;
  AppState& app = ui_.app;
  const char* filter = app.settings.OutputFormat == kOutputZcd ? "*.00#" : ";*.txt";
  const std::optional<std::string> chosen =
      ui_.tk.saveFile(w_, filter, app.history.OutputDirectory, !append);
  if (!chosen) return;
  if (chosen->size() > kMaxResultsPathChars) {
    ui_.tk.warning(w_, "Results file path is too long (more than 511 characters): " + *chosen);
    return;
  }
  std::string directory = std::filesystem::path(*chosen).parent_path().string();
  directory = directory.empty() ? std::string("./") : directory + "/";
  setOutputDirectory(app, directory);

  CallTimeRange range;
  if (ui_.displays) range.marked = ui_.displays->timeRange(&range.start, &range.end);
  ResultsFileLog log;
  log.reporter = &desktop_.host();
  saveSelectedCalls(analysis->store(), analysis->job(), app.settings, *chosen,
                    app.history.OutputDirectory, append, range, &log, &desktop_.host());
}

int TraceWindow::handle(Window& w, int event, EventValues& v) {
  if (isMouseEvent(event)) return ui_.displays ? ui_.displays->handleTraceMouse(event, v) : 0;
  switch (event) {
    case event::kButton:
      if (v[0] == kDeleteSelected) deleteSelected();
      if (v[0] == kSaveSelected) saveSelected(false);
      if (v[0] == kAppendSelected) saveSelected(true);
      return 1;
    case event::kClose:
      desktop_.hideToolWindow(&w, main_ids::kMenuWindowTrace);
      return 1;
    case event::kUser:
      traceUserCommand(ui_, v);
      return 1;
    default:
      return 0;
  }
}

}  // namespace quilve::ui
