#pragma once
// The Operation Timer window: the clock and the timer's state (written by
// the timer thread through posted calls), the two activation methods with
// their start-time and interval fields, and the four timer programs with
// their input directory, results file and archive directory pickers.
#include <string>

#include "ui/app/ui_context.h"

namespace quilve::ui {

class OperationTimerWindow {
 public:
  explicit OperationTimerWindow(UiContext& ui);

  // Creates the hidden window (tool window "Operation Timer", client
  // 688 x 352 at 138, 206, plain background) with its handler and contents,
  // filled from the settings and the history. Also stores it in
  // ui.windows.timer.
  Window* create();
  // Rewrites every control from the settings and the history.
  void refresh();

  // User-interface thread only; the timer posts these.
  void showClock(const std::string& time, const std::string& standard);
  void showStatus(const std::string& status);
  // The start-time field's text, at most 63 characters.
  std::string startTimeText();

  Window* window() const { return w_; }

 private:
  int handle(Window& w, int event, EventValues& values);
  void buildActivation();
  void writeActivation();
  void clickMode(int mode);
  void startTimeChanged();
  void intervalChanged();

  // The program rows (timer_program_rows.cpp).
  void buildProgramRows();
  void setProgramPath(std::string& field, const std::string& value);
  void writeProgramRow(int n);
  void writeProgramEnabling(int n);
  bool onProgramButton(int id);
  void programEnableClicked(int n);
  void pickInput(int n);
  void pickOutput(int n);
  void pickArchive(int n);

  UiContext& ui_;
  Window* w_ = nullptr;
};

}  // namespace quilve::ui
