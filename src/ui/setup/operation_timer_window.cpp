#include "ui/setup/operation_timer_window.h"

#include "settings/settings_file.h"
#include "timer/start_time.h"
#include "ui/app/control_ids.h"
#include "ui/setup/setup_ids.h"
#include "ui/setup/window_support.h"

namespace quilve::ui {

using namespace timer_ids;

namespace {

const char* standardText(int timeStandard) { return timeStandard == kTimeLocal ? "Local" : "UTC"; }

bool validStartTime(const std::string& text) {
  int seconds = 0;
  return text.size() <= kMaxStartTimeChars && parseStartTime(text, &seconds);
}

// The check box and field of an activation method (1 "Run scan at",
// 2 "Run scan every").
int modeBox(int mode) { return mode == kTimerRunAt ? kRunAt : kRunEvery; }
int modeField(int mode) { return mode == kTimerRunAt ? kStartTime : kInterval; }

}  // namespace

OperationTimerWindow::OperationTimerWindow(UiContext& ui) : ui_(ui) {}

Window* OperationTimerWindow::create() {
  Toolkit& tk = ui_.tk;
  // The client area starts out filled with the button-face colour: the
  // plain background this window shows.
  w_ = createToolWindow(ui_, [this](Window& w, int ev, EventValues& v) { return handle(w, ev, v); },
                        WindowKind::Tool, "Operation Timer", 688, 352, 138, 206);
  ui_.windows.timer = w_;
  if (!w_) return nullptr;

  addControl(tk, w_, kCurrentTimeLabel, ControlKind::Label, 16, 16, 80, 20, "Current Time:");
  addControl(tk, w_, kCurrentTime, ControlKind::Label, 96, 16, 72, 20, "00:00:00");
  addControl(tk, w_, kTimeStandard, ControlKind::Label, 176, 16, 48, 20);
  addControl(tk, w_, kStatusLabel, ControlKind::Label, 16, 40, 96, 20, "Status:");
  addControl(tk, w_, kStatus, ControlKind::Label, 112, 40, 160, 20, "IDLE");
  buildActivation();
  buildProgramRows();
  refresh();
  return w_;
}

void OperationTimerWindow::buildActivation() {
  Toolkit& tk = ui_.tk;
  addControl(tk, w_, kActivationLabel, ControlKind::Label, 16, 72, 240, 20,
               "Program Activation Method");
  addControl(tk, w_, kRunAt, ControlKind::CheckBox, 48, 96, 120, 24, "Run scan at");
  addControl(tk, w_, kStartTime, ControlKind::Edit, 176, 96, 56, 24);
  addControl(tk, w_, kRunEvery, ControlKind::CheckBox, 48, 128, 120, 24, "Run scan every");
  addControl(tk, w_, kInterval, ControlKind::Edit, 176, 128, 56, 24);
  addControl(tk, w_, kMinutesLabel, ControlKind::Label, 248, 132, 32, 20, "min");
  addControl(tk, w_, kScanCaption, ControlKind::Label, 44, 176, 40, 20, "Scan");
  addControl(tk, w_, kInputCaption, ControlKind::Label, 88, 176, 192, 20, "Input Directory");
  addControl(tk, w_, kOutputCaption, ControlKind::Label, 288, 176, 192, 20, "Ouput File");
  addControl(tk, w_, kArchiveCaption, ControlKind::Label, 488, 176, 192, 20, "Archive Directory");
}

void OperationTimerWindow::refresh() {
  if (!w_) return;
  ui_.tk.setText(w_, kTimeStandard, standardText(ui_.app.settings.TimeStandard));
  writeActivation();
  for (int n = 1; n <= kTimerProgramCount; ++n) writeProgramRow(n);
}

void OperationTimerWindow::writeActivation() {
  Toolkit& tk = ui_.tk;
  const ScanSettings& s = ui_.app.settings;
  const bool runAt = s.TimerOperationMode == kTimerRunAt;
  const bool runEvery = s.TimerOperationMode == kTimerRunEvery;
  const std::string startTime = shownStartTime(s);
  tk.setText(w_, kStartTime, startTime);
  tk.setText(w_, kInterval, std::to_string(s.RepeatIntervalMinutes));
  tk.setCheck(w_, kRunAt, runAt);
  tk.setCheck(w_, kRunEvery, runEvery);
  tk.setEnabled(w_, kStartTime, !runAt);
  tk.setEnabled(w_, kInterval, !runEvery);
  // A checked box stays usable so that a stored mode whose value is no good
  // (an unreadable start time, an interval below a minute) can be switched off.
  tk.setEnabled(w_, kRunAt, runAt || validStartTime(startTime));
  tk.setEnabled(w_, kRunEvery, runEvery || s.RepeatIntervalMinutes >= 1);
}

void OperationTimerWindow::showClock(const std::string& time, const std::string& standard) {
  if (!w_) return;
  ui_.tk.setText(w_, kCurrentTime, time);
  ui_.tk.setText(w_, kTimeStandard, standard);
}

void OperationTimerWindow::showStatus(const std::string& status) {
  if (w_) ui_.tk.setText(w_, kStatus, status);
}

std::string OperationTimerWindow::startTimeText() {
  if (!w_) return {};
  std::string text = ui_.tk.text(w_, kStartTime).value_or(std::string());
  if (text.size() > kMaxStartTimeChars) text.resize(kMaxStartTimeChars);
  return text;
}

int OperationTimerWindow::handle(Window& w, int ev, EventValues& v) {
  switch (ev) {
    case event::kClose:
      hideWithMenuItem(ui_, &w, main_ids::kMenuWindowTimer);
      break;
    case event::kButton:
      if (v[0] == kRunAt) {
        clickMode(kTimerRunAt);
      } else if (v[0] == kRunEvery) {
        clickMode(kTimerRunEvery);
      } else {
        onProgramButton(v[0]);
      }
      break;
    case event::kEditChanged:
      if (v[0] == kStartTime) startTimeChanged();
      if (v[0] == kInterval) intervalChanged();
      break;
    case event::kUser:
      traceUserCommand(ui_, v);
      break;
    default:
      break;
  }
  return 0;
}

void OperationTimerWindow::clickMode(int mode) {
  Toolkit& tk = ui_.tk;
  ScanSettings& s = ui_.app.settings;
  bool checked = false;
  if (!tk.isChecked(w_, modeBox(mode), &checked)) return;
  if (checked) {
    const int other = mode == kTimerRunAt ? kTimerRunEvery : kTimerRunAt;
    if (s.TimerOperationMode == other) {
      tk.setCheck(w_, modeBox(other), false);
      tk.enableControl(w_, modeField(other));
    }
    s.TimerOperationMode = mode;
    tk.disableControl(w_, modeField(mode));
  } else {
    s.TimerOperationMode = kTimerOff;
    tk.enableControl(w_, modeField(mode));
  }
}

void OperationTimerWindow::startTimeChanged() {
  const std::string text = ui_.tk.text(w_, kStartTime).value_or(std::string());
  const bool valid = validStartTime(text);
  if (valid) ui_.app.settings.ProgramStartTime = text;
  ui_.tk.setEnabled(w_, kRunAt, valid);
}

void OperationTimerWindow::intervalChanged() {
  const std::string text = ui_.tk.text(w_, kInterval).value_or(std::string());
  float typed = 0.0f;
  // Intervals that round to less than a minute are refused like a text that
  // does not parse: the timer cannot run every 0 minutes.
  const int minutes = parseSettingsNumber(text, &typed) ? typedRepeatInterval(typed) : 0;
  if (minutes >= 1) ui_.app.settings.RepeatIntervalMinutes = minutes;
  ui_.tk.setEnabled(w_, kRunEvery, minutes >= 1);
}

}  // namespace quilve::ui
