#include "ui/windows/window_scan_host.h"

#include "ui/windows/desktop.h"
#include "ui/windows/progress_window.h"

namespace quilve::ui {

void WindowScanHost::warning(const std::string& text) {
  desktop_.ui().tk.warning(desktop_.ui().windows.main, text);
}
void WindowScanHost::trace(const std::string& text) { desktop_.ui().trace.trace(text); }
void WindowScanHost::beginFile(const std::string& path) { desktop_.beginFile(path); }
void WindowScanHost::progress(int percent) { desktop_.progress().setProgress(percent); }
void WindowScanHost::listsChanged() { desktop_.showLists(); }
void WindowScanHost::counters(const ScanSession& session) { desktop_.showCounters(session); }
void WindowScanHost::endOfScan() { desktop_.endOfScan(); }
void WindowScanHost::comment(const std::string& text) { desktop_.showComment(text); }

PostingScanHost::PostingScanHost(Toolkit& toolkit, ScanHost& target,
                                 std::function<void()> onWorkerBeginFile,
                                 std::function<bool()> onIdle)
    : tk_(toolkit),
      target_(target),
      onWorkerBeginFile_(std::move(onWorkerBeginFile)),
      onIdle_(std::move(onIdle)) {}

void PostingScanHost::warning(const std::string& text) {
  tk_.post([this, text] { target_.warning(text); });
}
// Trace lines go straight to the console, in the order they are written.
void PostingScanHost::trace(const std::string& text) { target_.trace(text); }
void PostingScanHost::beginFile(const std::string& path) {
  if (onWorkerBeginFile_) onWorkerBeginFile_();
  tk_.post([this, path] { target_.beginFile(path); });
}
void PostingScanHost::progress(int percent) {
  tk_.post([this, percent] { target_.progress(percent); });
}
void PostingScanHost::listsChanged() {
  tk_.post([this] { target_.listsChanged(); });
}
void PostingScanHost::counters(const ScanSession& session) {
  // The worker goes on changing its session; the window shows this copy.
  const ScanSession copy = session;
  tk_.post([this, copy] { target_.counters(copy); });
}
void PostingScanHost::endOfScan() {
  tk_.post([this] { target_.endOfScan(); });
}
void PostingScanHost::comment(const std::string& text) {
  tk_.post([this, text] { target_.comment(text); });
}
bool PostingScanHost::idle() { return onIdle_ ? onIdle_() : false; }

}  // namespace quilve::ui
