#include "ui/setup/window_support.h"

#include <cstdio>

#include "output/file_operations.h"

namespace quilve::ui::setup {

bool placeControl(Toolkit& tk, Window* w, int id, ControlKind kind, int x, int y, int width,
                  int height, const std::string& text) {
  return tk.createControl(w, id, kind) && tk.moveControl(w, id, x, y) &&
         tk.resizeControl(w, id, width, height) && tk.setText(w, id, text) && tk.showControl(w, id);
}

std::string formatValue(const char* format, double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof buffer) return buffer;
  // Values too large for the buffer (a typed 1e30 Hz): print them whole.
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), format, value);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

std::string directoryWithSeparator(const std::string& path) {
  const std::size_t sep = path.find_last_of('/');
  if (sep == std::string::npos) return {};
  return path.substr(0, sep + 1);
}

std::string lastComponent(const std::string& path) {
  const std::string name = baseName(withoutTrailingSeparator(path));
  return name.empty() ? path : name;
}

bool pickedPathFits(UiContext& ui, Window* w, const std::string& path) {
  if (path.size() <= kMaxPickedPathChars) return true;
  ui.tk.warning(w, "Path too long (more than " + std::to_string(kMaxPickedPathChars) +
                       " characters):\n" + path);
  return false;
}

void hideWithMenuItem(UiContext& ui, Window* w, int menuItem) {
  ui.tk.hide(w);
  if (ui.windows.main) ui.tk.uncheckMenuItem(ui.windows.main, menuItem);
}

void traceUserCommand(UiContext& ui, const EventValues& values) {
  char line[80];
  std::snprintf(line, sizeof line, "Command : %d   val : %d \n", values[0], values[1]);
  ui.trace.trace(line);
}

}  // namespace quilve::ui::setup
