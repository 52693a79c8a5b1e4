#include "ui/app/trace_console.h"

namespace quilve::ui {

void TraceConsole::write(const std::string& text) {
  if (!out_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  // A console that cannot be written to loses the message without notice.
  std::size_t done = 0;
  while (done < text.size()) {
    const std::size_t n = std::fwrite(text.data() + done, 1, text.size() - done, out_);
    if (n == 0) break;
    done += n;
  }
  std::fflush(out_);
}

void TraceConsole::trace(const std::string& text) { write(text); }

void TraceConsole::warning(const std::string& text) {
  // Some warnings name themselves already ("Warning: No File Selected").
  constexpr const char* kMark = "Warning: ";
  write((text.rfind(kMark, 0) == 0 ? text : kMark + text) + "\n");
}

}  // namespace quilve::ui
