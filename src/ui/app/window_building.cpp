#include "ui/app/window_building.h"

#include <cstdio>

namespace quilve::ui {

Window* createToolWindow(UiContext& ui, EventHandler handler, WindowKind kind,
                         const std::string& title, int width, int height, int x, int y) {
  Window* w = ui.tk.createWindow(std::move(handler), kind);
  if (!w) return nullptr;
  ui.tk.setTitle(w, title);
  ui.tk.setClientSize(w, width, height);
  ui.tk.setPosition(w, x, y);
  return w;
}

bool addControl(Toolkit& tk, Window* w, int id, ControlKind kind, int x, int y, int width,
                int height, const std::string& text) {
  return tk.createControl(w, id, kind) && tk.moveControl(w, id, x, y) &&
         tk.resizeControl(w, id, width, height) && tk.setText(w, id, text) && tk.showControl(w, id);
}

void hideWithMenuItem(UiContext& ui, Window* w, int menuItem) {
  if (!w) return;
  ui.tk.hide(w);
  if (ui.windows.main) ui.tk.uncheckMenuItem(ui.windows.main, menuItem);
}

void traceUserCommand(UiContext& ui, const EventValues& v) {
  char line[64];
  std::snprintf(line, sizeof line, "Command : %d   val : %d \n", v[0], v[1]);
  ui.trace.trace(line);
}

bool isMouseEvent(int event) {
  switch (event) {
    case event::kMouseMove:
    case event::kLeftDown:
    case event::kDrag:
    case event::kLeftUp:
    case event::kRightUp:
    case event::kDoubleClick:
      return true;
    default:
      return false;
  }
}

std::string decimal(long long value) { return std::to_string(value); }

}  // namespace quilve::ui
