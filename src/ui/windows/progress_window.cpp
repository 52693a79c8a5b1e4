#include "ui/windows/progress_window.h"

#include <cstdio>
#include <string>

#include "ui/app/control_ids.h"
#include "ui/app/window_building.h"

namespace quilve::ui {

using namespace progress_ids;

Window* ProgressWindow::create() {
  w_ = createToolWindow(ui_, [this](Window& w, int e, EventValues& v) { return handle(w, e, v); },
                        WindowKind::Tool, "  Progress", 320, 256, 196, 196);
  if (!w_) return nullptr;
  addControl(ui_.tk, w_, kLabel, ControlKind::Label, 16, 144, 288, 24, "Initializing...");
  addControl(ui_.tk, w_, kBar, ControlKind::Progress, 32, 176, 256, 16, "");
  addControl(ui_.tk, w_, kPause, ControlKind::Button, 96, 216, 128, 24, "Pause");
  return w_;
}

void ProgressWindow::beginFile(const std::string& fileName) {
  ui_.tk.setText(w_, kLabel, "Scanning - " + fileName);
  ui_.tk.setProgress(w_, kBar, 0);
  ui_.app.control.pauseFlag = false;
  ui_.tk.setText(w_, kPause, "Pause");
}

void ProgressWindow::setProgress(int percent) { ui_.tk.setProgress(w_, kBar, percent); }

void ProgressWindow::showDisposition(const std::string& title, int done, int total,
                                     bool blocking) {
  if (!w_) return;
  Toolkit& tk = ui_.tk;
  if (total <= 0 || done >= total) {
    tk.setProgress(w_, kBar, 100);
    if (blocking)
      tk.showBlocking(w_, false);
    else
      tk.hide(w_);
    tk.enableControl(w_, kPause);
    return;
  }
  if (!w_->visible) {
    tk.disableControl(w_, kPause);
    if (blocking)
      tk.showBlocking(w_, true);
    else
      tk.show(w_);
  }
  tk.setText(w_, kLabel, title + " - file " + std::to_string(done + 1) + " of " + std::to_string(total));
  tk.setProgress(w_, kBar, static_cast<int>(100LL * done / total));
  // Paint the windows now: the work goes on on this thread.
  if (blocking) tk.dispatchPending();
}

int ProgressWindow::handle(Window& w, int event, EventValues& v) {
  switch (event) {
    case event::kButton:
      if (v[0] == kPause) {
        const bool paused = !ui_.app.control.pauseFlag.load();
        ui_.app.control.pauseFlag = paused;
        ui_.tk.setText(&w, kPause, paused ? "Continue" : "Pause");
      }
      return 1;
    case event::kClose:
      ui_.tk.information(&w, "Current scan must complete before exiting", "Progress Message");
      return 1;
    case event::kUser:
      traceUserCommand(ui_, v);
      return 1;
    default:
      return 0;
  }
}

}  // namespace quilve::ui
