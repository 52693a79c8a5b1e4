// The desktop program. For now it opens the main window and ends when the
// window is closed; the windows and their commands are built on the toolkit.
#include <cstdio>

#include "ui/toolkit/fltk_toolkit.h"

int main() {
  using namespace quilve::ui;
  if (!FltkToolkit::openDisplay()) {
    std::fprintf(stderr, "quilve: cannot open the X display\n");
    return 1;
  }
  FltkToolkit toolkit;
  Window* mainWindow = toolkit.createWindow(
      [&toolkit](Window&, int ev, EventValues&) {
        if (ev == event::kClose) toolkit.quit();
        return 0;
      },
      WindowKind::Main);
  if (!mainWindow) return 1;
  toolkit.setTitle(mainWindow, "  QUILVE");
  toolkit.setPosition(mainWindow, 384, 128);
  toolkit.setClientSize(mainWindow, 832, 624);
  toolkit.show(mainWindow);
  toolkit.runLoop();
  return 0;
}
