#include "ui/windows/about_window.h"

#include "ui/app/control_ids.h"
#include "ui/app/window_building.h"

namespace quilve::ui {

using namespace about_ids;

Window* AboutWindow::create() {
  w_ = createToolWindow(ui_, [this](Window& w, int e, EventValues& v) { return handle(w, e, v); },
                        WindowKind::Tool, "  About", 384, 384, 196, 196);
  ui_.windows.about = w_;
  if (!w_) return nullptr;
  Toolkit& tk = ui_.tk;
  addControl(tk, w_, kTitle, ControlKind::Label, 16, 168, 280, 24,
             "QUILVE - Bat Echolocation Call Scanner");
  addControl(tk, w_, kVersion, ControlKind::Label, 16, 192, 280, 24, "Version: 1.8.2");
  addControl(tk, w_, kCredit, ControlKind::Label, 16, 216, 280, 24,
             "Velmora Fennick - the QUILVE developers");
  addControl(tk, w_, kLibrary, ControlKind::Label, 16, 272, 280, 24,
             "WAVPACK - Hybrid Lossless Wavefile Compressor");
  addControl(tk, w_, kLibraryVersion, ControlKind::Label, 16, 296, 280, 24, "Version: 4.41");
  addControl(tk, w_, kLibraryCredit, ControlKind::Label, 16, 320, 280, 24,
             "Copyright (c) Conifer Software, BSD licence");
  return w_;
}

void AboutWindow::runModal() {
  if (!w_) return;
  running_ = true;
  ui_.tk.dispatchPending();
  ui_.tk.runModal(w_);
  running_ = false;
}

int AboutWindow::handle(Window&, int event, EventValues& v) {
  switch (event) {
    case event::kClose:
      // Ends the modal loop; the window is hidden when it returns. A close
      // request that comes after it ended must not end the program's loop.
      if (running_) ui_.tk.quit();
      return 1;
    case event::kUser:
      traceUserCommand(ui_, v);
      return 1;
    default:
      return 0;
  }
}

}  // namespace quilve::ui
