#pragma once
// The Scan Setup window: detector thresholds, the frequency band and the
// minimum duration with their arrow buttons, the view span slider, the fit
// restriction, pop and clutter filters, the six-row filter bank, and the
// Load Settings / Save Settings buttons. Every control writes its setting
// directly; nothing waits for an OK.
#include <string>

#include "ui/app/ui_context.h"

namespace quilve::ui {

class ScanSetupWindow {
 public:
  explicit ScanSetupWindow(UiContext& ui);

  // Creates the hidden window (tool window "  Scan Setup", client 384 x 580
  // at 128, 196) with its handler and contents, filled from the settings.
  // Also stores it in ui.windows.scanSetup.
  Window* create();
  // Rewrites every field, the slider, the check boxes and the labels from
  // the settings (after a settings file was loaded).
  void refresh();
  // Writes both slope unit labels of the filter bank; the Output Format
  // window calls this when the user picks a format.
  void writeSlopeUnitLabels(const std::string& label);

  Window* window() const { return w_; }

 private:
  int handle(Window& w, int event, EventValues& values);
  void buildValueRows();
  void buildChoiceGroups();
  void buildFilterBank();
  void onButton(int id);
  void onEditChanged(int id);
  void onSlider(int id, int position);
  void writeValueField(int row);
  void writeViewSpan();
  void writeChoiceGroups();
  void writeFilterRow(int row);
  bool chooseInGroup(int id);
  void loadSettings();
  void saveSettings();

  UiContext& ui_;
  Window* w_ = nullptr;
};

}  // namespace quilve::ui
