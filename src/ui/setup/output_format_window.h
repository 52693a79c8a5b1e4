#pragma once
// The Output Format window: the results layout (or zero-crossing files
// instead), "Allow File Combining" for the zero-crossing choice, and the four
// optional results columns.

#include "ui/app/ui_context.h"

namespace quilve::ui {

class ScanSetupWindow;

class OutputFormatWindow {
 public:
  // `scanSetup` receives the slope unit labels when a format is picked;
  // null where there is no Scan Setup window.
  OutputFormatWindow(UiContext& ui, ScanSetupWindow* scanSetup);

  // Creates the hidden window (tool window "  Output Format", client
  // 384 x 256 at 256, 256) with its handler and contents, filled from the
  // settings. Also stores it in ui.windows.outputFormat.
  Window* create();
  // Rewrites the check boxes from the settings.
  void refresh();

  Window* window() const { return w_; }

 private:
  int handle(Window& w, int event, EventValues& values);
  void onButton(int id);
  void chooseFormat(int format);
  void writeFormatBoxes();

  UiContext& ui_;
  ScanSetupWindow* scanSetup_;
  Window* w_ = nullptr;
};

}  // namespace quilve::ui
