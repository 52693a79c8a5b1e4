#include "ui/setup/scan_setup_window.h"

#include <cstdio>

#include "settings/settings_file.h"
#include "ui/app/control_ids.h"
#include "ui/setup/scan_setup_rows.h"
#include "ui/setup/setup_ids.h"
#include "ui/setup/window_support.h"

namespace quilve::ui {

using namespace setup_ids;

namespace {
constexpr int kRowHeight = 24;
constexpr int kSliderMin = 1;
constexpr int kSliderMax = 15;
const char* const kSettingsFilter = ";*.set";
}  // namespace

ScanSetupWindow::ScanSetupWindow(UiContext& ui) : ui_(ui) {}

Window* ScanSetupWindow::create() {
  Toolkit& tk = ui_.tk;
  w_ = createToolWindow(ui_, [this](Window& w, int ev, EventValues& v) { return handle(w, ev, v); },
                        WindowKind::Tool, "  Scan Setup", 384, 580, 128, 196);
  ui_.windows.scanSetup = w_;
  if (!w_) return nullptr;

  buildValueRows();
  addControl(tk, w_, kViewLabel, ControlKind::Label, 48, 112, 80, kRowHeight, "Std. View");
  addControl(tk, w_, kViewSlider, ControlKind::Slider, 136, 112, 128, 32);
  tk.setSliderRange(w_, kViewSlider, kSliderMin, kSliderMax);
  addControl(tk, w_, kViewSpan, ControlKind::Label, 280, 112, 80, kRowHeight);
  buildChoiceGroups();
  buildFilterBank();
  addControl(tk, w_, kLoadSettings, ControlKind::Button, 48, 528, 128, 24, "Load Settings");
  addControl(tk, w_, kSaveSettings, ControlKind::Button, 208, 528, 128, 24, "Save Settings");
  refresh();
  return w_;
}

void ScanSetupWindow::buildValueRows() {
  Toolkit& tk = ui_.tk;
  for (int row = 0; row < kValueRowCount; ++row) {
    const ValueRowLayout& layout = valueRow(row);
    addControl(tk, w_, valueLabel(row), ControlKind::Label, 48, layout.y, 80, kRowHeight, layout.label);
    addControl(tk, w_, valueField(row), ControlKind::Edit, 144, layout.y, 48, kRowHeight);
    addControl(tk, w_, valueUnit(row), ControlKind::Label, 204, layout.y, 48, kRowHeight, layout.unit);
    addControl(tk, w_, valueDown(row), ControlKind::Button, 256, layout.y, 32, kRowHeight, "<<");
    addControl(tk, w_, valueUp(row), ControlKind::Button, 296, layout.y, 32, kRowHeight, ">>");
  }
}

void ScanSetupWindow::buildChoiceGroups() {
  Toolkit& tk = ui_.tk;
  struct Caption {
    int id;
    int y;
    const char* text;
  };
  const Caption captions[kChoiceGroupCount] = {
      {kFitLabel, 224, "Fit Restriction"},
      {kPopLabel, 248, "Pop Filter"},
      {kClutterLabel, 272, "Clutter Filter"},
  };
  // Box texts in the order of each group's table.
  const char* const texts[kChoiceGroupCount][4] = {
      {"Off", "High", "Std", "Low"}, {"Off", "On", nullptr, nullptr}, {"Off", "On", nullptr, nullptr}};
  for (int g = 0; g < kChoiceGroupCount; ++g) {
    addControl(tk, w_, captions[g].id, ControlKind::Label, 48, captions[g].y, 96, kRowHeight,
                 captions[g].text);
    const ChoiceGroup& group = choiceGroup(g);
    for (int i = 0; i < group.count; ++i) {
      addControl(tk, w_, group.choices[i].id, ControlKind::CheckBox, 144 + 56 * i, captions[g].y,
                   52, kRowHeight, texts[g][i]);
    }
  }
}

void ScanSetupWindow::buildFilterBank() {
  Toolkit& tk = ui_.tk;
  addControl(tk, w_, kFilterBankLabel, ControlKind::Label, 48, 304, 80, kRowHeight, "Filter Bank");
  addControl(tk, w_, kFilterMinCaption, ControlKind::Label, 144, 304, 48, kRowHeight, "Min");
  addControl(tk, w_, kFilterMaxCaption, ControlKind::Label, 208, 304, 48, kRowHeight, "Max");
  for (int row = 0; row < kFilterRowCount; ++row) {
    const FilterRowLayout& layout = filterRow(row);
    addControl(tk, w_, filterCheck(row), ControlKind::CheckBox, 48, layout.y, 80, kRowHeight,
                 layout.caption);
    addControl(tk, w_, filterMin(row), ControlKind::Edit, 144, layout.y, 48, kRowHeight);
    addControl(tk, w_, filterMax(row), ControlKind::Edit, 208, layout.y, 48, kRowHeight);
    addControl(tk, w_, filterUnit(row), ControlKind::Label, 272, layout.y, 96, kRowHeight);
  }
}

// ---- writing the controls from the settings ---------------------------------

void ScanSetupWindow::refresh() {
  if (!w_) return;
  for (int row = 0; row < kValueRowCount; ++row) writeValueField(row);
  ui_.tk.setSliderPosition(w_, kViewSlider, ui_.app.settings.DetailSelection);
  writeViewSpan();
  writeChoiceGroups();
  for (int row = 0; row < kFilterRowCount; ++row) writeFilterRow(row);
  writeSlopeUnitLabels(slopeUnitLabel(ui_.app.settings.OutputFormat));
}

void ScanSetupWindow::writeValueField(int row) {
  const ValueRowLayout& layout = valueRow(row);
  const float shown = shownValue(layout, ui_.app.settings.*layout.setting);
  ui_.tk.setText(w_, valueField(row), setup::formatValue(layout.format, shown));
}

void ScanSetupWindow::writeViewSpan() {
  ui_.tk.setText(w_, kViewSpan, spanLabel(ui_.app.settings.DetailSelection));
}

void ScanSetupWindow::writeChoiceGroups() {
  for (int g = 0; g < kChoiceGroupCount; ++g) {
    const ChoiceGroup& group = choiceGroup(g);
    const int value = ui_.app.settings.*group.setting;
    for (int i = 0; i < group.count; ++i)
      ui_.tk.setCheck(w_, group.choices[i].id, group.choices[i].value == value);
  }
}

void ScanSetupWindow::writeFilterRow(int row) {
  const FilterRowLayout& layout = filterRow(row);
  const ScanSettings& s = ui_.app.settings;
  ui_.tk.setCheck(w_, filterCheck(row), s.*layout.enable);
  ui_.tk.setText(w_, filterMin(row), setup::formatValue("%3.1f", shownFilterValue(layout, s.*layout.minimum)));
  ui_.tk.setText(w_, filterMax(row), setup::formatValue("%3.1f", shownFilterValue(layout, s.*layout.maximum)));
  if (layout.unit == FilterRowLayout::Unit::Frequency) ui_.tk.setText(w_, filterUnit(row), "(KHz)");
  if (layout.unit == FilterRowLayout::Unit::Curvature) ui_.tk.setText(w_, filterUnit(row), "(x^n)");
}

void ScanSetupWindow::writeSlopeUnitLabels(const std::string& label) {
  if (!w_) return;
  ui_.tk.setText(w_, filterUnit(kCharSlope), label);
  ui_.tk.setText(w_, filterUnit(kUpperSlope), label);
}

// ---- events -------------------------------------------------------------------

int ScanSetupWindow::handle(Window& w, int ev, EventValues& v) {
  switch (ev) {
    case event::kClose:
      hideWithMenuItem(ui_, &w, main_ids::kMenuWindowScanSetup);
      break;
    case event::kButton:
      onButton(v[0]);
      break;
    case event::kEditChanged:
      onEditChanged(v[0]);
      break;
    case event::kSliderMoved:
      onSlider(v[0], v[1]);
      break;
    case event::kSliderReleased: {
      int position = 0;
      if (v[0] != kViewSlider) {
        onSlider(v[0], 0);
      } else if (ui_.tk.sliderPosition(&w, v[0], &position)) {
        onSlider(v[0], position);
      } else {
        ui_.trace.trace("XsSliderGetPosition failed\n");
      }
      break;
    }
    case event::kUser:
      traceUserCommand(ui_, v);
      break;
    default:
      break;
  }
  return 0;
}

void ScanSetupWindow::onSlider(int id, int position) {
  if (id != kViewSlider) {
    char line[48];
    std::snprintf(line, sizeof line, "Unknown Slider ID %d\n", id);
    ui_.trace.trace(line);
    return;
  }
  if (position < 1) return;
  ui_.app.settings.DetailSelection = position;
  writeViewSpan();
}

void ScanSetupWindow::onButton(int id) {
  ScanSettings& s = ui_.app.settings;
  for (int row = 0; row < kValueRowCount; ++row) {
    if (id != valueDown(row) && id != valueUp(row)) continue;
    const ValueRowLayout& layout = valueRow(row);
    s.*layout.setting = steppedValue(layout, s.*layout.setting, id == valueUp(row) ? 1 : -1);
    writeValueField(row);
    return;
  }
  for (int row = 0; row < kFilterRowCount; ++row) {
    if (id != filterCheck(row)) continue;
    bool checked = false;
    if (ui_.tk.isChecked(w_, id, &checked)) s.*filterRow(row).enable = checked;
    return;
  }
  if (chooseInGroup(id)) return;
  if (id == kLoadSettings) loadSettings();
  if (id == kSaveSettings) saveSettings();
}

bool ScanSetupWindow::chooseInGroup(int id) {
  for (int g = 0; g < kChoiceGroupCount; ++g) {
    const ChoiceGroup& group = choiceGroup(g);
    for (int i = 0; i < group.count; ++i) {
      if (group.choices[i].id != id) continue;
      ui_.app.settings.*group.setting = group.choices[i].value;
      // The clicked box stays checked even when it was clicked while checked.
      for (int j = 0; j < group.count; ++j) ui_.tk.setCheck(w_, group.choices[j].id, j == i);
      return true;
    }
  }
  return false;
}

void ScanSetupWindow::onEditChanged(int id) {
  const std::optional<std::string> text = ui_.tk.text(w_, id);
  if (!text) return;
  ScanSettings& s = ui_.app.settings;
  for (int row = 0; row < kValueRowCount; ++row) {
    if (id != valueField(row)) continue;
    const ValueRowLayout& layout = valueRow(row);
    float typed = 0.0f;
    if (parseSettingsNumber(*text, &typed)) s.*layout.setting = typedValue(layout, typed);
    return;
  }
  for (int row = 0; row < kFilterRowCount; ++row) {
    const FilterRowLayout& layout = filterRow(row);
    if (id == filterMin(row)) typedFilterValue(layout, *text, &(s.*layout.minimum));
    if (id == filterMax(row)) typedFilterValue(layout, *text, &(s.*layout.maximum));
  }
}

// ---- settings files ---------------------------------------------------------------

void ScanSetupWindow::loadSettings() {
  DirectoryHistory& history = ui_.app.history;
  const std::optional<std::string> path = ui_.tk.openFile(w_, kSettingsFilter, history.SettingsDirectory);
  if (path && setup::pickedPathFits(ui_, w_, *path)) {
    setBoundedText(history.SettingsDirectory, setup::directoryWithSeparator(*path), kMaxPathChars);
    if (!readSettingsFile(*path, ui_.app.settings))
      ui_.tk.warning(w_, "Failed loading settings file " + *path);
  }
  // Also after a cancelled dialog: the controls show the settings again.
  refresh();
}

void ScanSetupWindow::saveSettings() {
  DirectoryHistory& history = ui_.app.history;
  const std::optional<std::string> path =
      ui_.tk.saveFile(w_, kSettingsFilter, history.SettingsDirectory, true);
  if (!path || !setup::pickedPathFits(ui_, w_, *path)) return;
  setBoundedText(history.SettingsDirectory, setup::directoryWithSeparator(*path), kMaxPathChars);
  if (!writeSettingsFile(*path, ui_.app.settings))
    ui_.tk.warning(w_, "Failed saving settings file " + *path);
}

}  // namespace quilve::ui
