#include "ui/setup/window_support.h"

#include <cstdio>

#include "input/wide_path.h"
#include "output/file_operations.h"

namespace quilve::ui::setup {

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
  const std::size_t sep = path.find_last_of(pathSeparators());
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

}  // namespace quilve::ui::setup
