#pragma once
// The Scan Results window: the selection criteria, the counters, the
// passed-files and failed-files lists with their buttons (Fail File, the
// disposition buttons, Clear All) and the Options menu that chooses what
// the disposition buttons do.
#include <string>

#include "engine/scan_state.h"
#include "ui/app/ui_context.h"

namespace quilve::ui {

class Desktop;

class ScanResultsWindow {
 public:
  ScanResultsWindow(UiContext& ui, Desktop& desktop) : ui_(ui), desktop_(desktop) {}
  Window* create();

  void clearAll();
  // Shows the lists and counters after a Clear All done elsewhere (the
  // timer), with the list buttons disabled.
  void showCleared();
  void failFile();
  void showCounters(const ScanSession& counters);
  void setListExtents(int pixels);
  // The main window's input list selected `name` (empty: nothing): the
  // result list holding it selects it and enables its buttons.
  void followInputSelection(const std::string& name);
  // Begin of a recording: lists and every button disabled. End of a run:
  // enabled again, the list buttons as the selections allow.
  void setScanning(bool scanning);
  // The buttons' captions from the current actions.
  void updateCaptions();

 private:
  int handle(Window& w, int event, EventValues& v);
  void menuCommand(int item);
  void resultSelectionChanged(bool passed);
  void resultDoubleClicked();
  void dispositionButton(int id);
  void setPassedButtons(bool enabled);
  void setFailedButtons(bool enabled);

  UiContext& ui_;
  Desktop& desktop_;
  Window* w_ = nullptr;
};

}  // namespace quilve::ui
