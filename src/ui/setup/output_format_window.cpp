#include "ui/setup/output_format_window.h"

#include <algorithm>

#include "ui/app/control_ids.h"
#include "ui/setup/scan_setup_window.h"
#include "ui/setup/setup_ids.h"
#include "ui/setup/window_support.h"

namespace quilve::ui {

using namespace format_ids;

namespace {

struct FormatBox {
  int id;
  int format;
  int x, y;
  const char* text;
};
const FormatBox kFormats[] = {
    {kAnalook, kOutputAnalook, 48, 32, "Analook(tm) Parameters"},
    {kEchoclass, kOutputEchoclass, 224, 32, "Echoclass(tm) Parameters"},
    {kSonoBat2, kOutputSonoBat2, 48, 52, "SonoBat-2(tm) Parameters"},
    {kQuilve, kOutputQuilve, 224, 52, "QUILVE(tm) Parameters"},
    {kZcd, kOutputZcd, 48, 72, "ZCD File Translation"},
};

struct FlagBox {
  int id;
  bool ScanSettings::*flag;
  int x, y;
  const char* text;
};
const FlagBox kFlags[] = {
    {kAllowFileCombining, &ScanSettings::AllowFileCombining, 224, 72, "Allow File Combining"},
    {kSoundPressureLevel, &ScanSettings::IncludeSoundPressureLevel, 48, 132,
     "Include Sound Pressure Level"},
    {kCurvature, &ScanSettings::IncludeCurvature, 48, 152, "Include Curvature"},
    {kCurveFitError, &ScanSettings::IncludeCurveFitError, 48, 172, "Include Curve Fit Error"},
    {kGpsCoordinates, &ScanSettings::IncludeGPSCoordinates, 48, 192, "Include GPS Coordinates"},
};

constexpr int kWindowWidth = 384;
constexpr int kBoxWidth = 176;
constexpr int kBoxHeight = 20;

// Check boxes of the right-hand column end 8 pixels inside the window.
int boxWidth(int x) { return std::min(kBoxWidth, kWindowWidth - 8 - x); }

}  // namespace

OutputFormatWindow::OutputFormatWindow(UiContext& ui, ScanSetupWindow* scanSetup)
    : ui_(ui), scanSetup_(scanSetup) {}

Window* OutputFormatWindow::create() {
  Toolkit& tk = ui_.tk;
  w_ = createToolWindow(ui_, [this](Window& w, int ev, EventValues& v) { return handle(w, ev, v); },
                        WindowKind::Tool, "  Output Format", kWindowWidth, 256, 256, 256);
  ui_.windows.outputFormat = w_;
  if (!w_) return nullptr;

  addControl(tk, w_, kSelectionLabel, ControlKind::Label, 16, 8, 240, kBoxHeight,
               "Output Format Selection");
  for (const FormatBox& box : kFormats)
    addControl(tk, w_, box.id, ControlKind::CheckBox, box.x, box.y, boxWidth(box.x), kBoxHeight,
               box.text);
  addControl(tk, w_, kOptionsLabel, ControlKind::Label, 16, 108, 240, kBoxHeight,
               "Additional output options");
  for (const FlagBox& box : kFlags)
    addControl(tk, w_, box.id, ControlKind::CheckBox, box.x, box.y, box.x < 224 ? 240 : 152,
                 kBoxHeight, box.text);
  refresh();
  return w_;
}

void OutputFormatWindow::refresh() {
  if (!w_) return;
  writeFormatBoxes();
  for (const FlagBox& box : kFlags) ui_.tk.setCheck(w_, box.id, ui_.app.settings.*box.flag);
}

void OutputFormatWindow::writeFormatBoxes() {
  const int format = ui_.app.settings.OutputFormat;
  for (const FormatBox& box : kFormats) ui_.tk.setCheck(w_, box.id, box.format == format);
  ui_.tk.setEnabled(w_, kAllowFileCombining, fileCombiningSelectable(format));
}

int OutputFormatWindow::handle(Window& w, int ev, EventValues& v) {
  switch (ev) {
    case event::kClose:
      hideWithMenuItem(ui_, &w, main_ids::kMenuWindowOutputFormat);
      break;
    case event::kButton:
      onButton(v[0]);
      break;
    case event::kUser:
      traceUserCommand(ui_, v);
      break;
    default:
      break;
  }
  return 0;
}

void OutputFormatWindow::onButton(int id) {
  for (const FormatBox& box : kFormats) {
    if (box.id == id) {
      chooseFormat(box.format);
      return;
    }
  }
  for (const FlagBox& box : kFlags) {
    bool checked = false;
    if (box.id == id && ui_.tk.isChecked(w_, id, &checked)) {
      ui_.app.settings.*box.flag = checked;
      return;
    }
  }
}

void OutputFormatWindow::chooseFormat(int format) {
  ui_.app.settings.OutputFormat = format;
  writeFormatBoxes();
  if (scanSetup_)
    scanSetup_->writeSlopeUnitLabels(slopeUnitLabel(format));
}

}  // namespace quilve::ui
