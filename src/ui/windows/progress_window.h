#pragma once
// The Progress window: what the scan of the current recording has done, and
// the Pause/Continue button; also how far archiving, moving or deleting the
// scanned files has got. The user cannot close it; the notices show and
// hide it.
#include <string>

#include "ui/app/ui_context.h"

namespace quilve::ui {

class ProgressWindow {
 public:
  explicit ProgressWindow(UiContext& ui) : ui_(ui) {}
  Window* create();

  // Start of a recording: "Scanning - <name>", bar at 0, pause cleared.
  void beginFile(const std::string& fileName);
  void setProgress(int percent);
  // Archive, move and delete: the window shows "<title> - file k of N" and
  // the bar, Pause disabled, while `done` < `total`, and is hidden once all
  // are done. With `blocking` (the work runs on the user-interface thread)
  // it is shown with input to the other windows refused, and the windows
  // are painted at every step.
  void showDisposition(const std::string& title, int done, int total, bool blocking = true);

 private:
  int handle(Window& w, int event, EventValues& v);
  UiContext& ui_;
  Window* w_ = nullptr;
};

}  // namespace quilve::ui
