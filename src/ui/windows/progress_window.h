#pragma once
// The Progress window: what the scan of the current recording has done, and
// the Pause/Continue button. The user cannot close it; the notices show and
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

 private:
  int handle(Window& w, int event, EventValues& v);
  UiContext& ui_;
  Window* w_ = nullptr;
};

}  // namespace quilve::ui
