#pragma once
// The Trace window: the time line of the current recording with every
// accepted call (drawn by the displays), and the buttons that delete the
// selected call or save the accepted calls to a file of the user's choice.
#include "ui/app/ui_context.h"

namespace quilve {
class RecordingAnalyzer;
}

namespace quilve::ui {

class Desktop;

class TraceWindow {
 public:
  TraceWindow(UiContext& ui, Desktop& desktop) : ui_(ui), desktop_(desktop) {}
  Window* create();

  void deleteSelected();
  // "Save Selected" (append false) and "Append Selected" (append true).
  void saveSelected(bool append);

 private:
  int handle(Window& w, int event, EventValues& v);
  // The analysis whose calls the buttons work on, or null while a scan runs
  // (the worker is changing them then).
  RecordingAnalyzer* idleAnalysis();
  UiContext& ui_;
  Desktop& desktop_;
  Window* w_ = nullptr;
};

}  // namespace quilve::ui
