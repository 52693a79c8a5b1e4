#include "ui/windows/main_window.h"

#include <algorithm>
#include <cstdio>

#include "engine/file_list_ops.h"
#include "engine/scan_worker.h"
#include "input/wide_path.h"
#include "ui/app/control_ids.h"
#include "ui/display/displays.h"
#include "ui/windows/desktop.h"
#include "ui/windows/scan_results_window.h"
#include "ui/app/window_building.h"
#include "ui/windows/window_scan_host.h"

namespace quilve::ui {

using namespace main_ids;

namespace {
constexpr const char* kNoFileSelected = "<No File Selected>";
constexpr const char* kInputPattern = "*.w*";
constexpr const char* kRecordingFilter = ";*.wav,*.wv";

// The folder part of a chosen file's path, ending in its separator. Cut
// in the UTF-8 text itself: a std::filesystem::path made from it would
// read the bytes in the system's code page on Windows.
std::string directoryOf(const std::string& path) {
  const std::size_t cut = path.find_last_of(pathSeparators());
  if (cut == std::string::npos) return "./";
  return path.substr(0, cut + 1);
}
}  // namespace

std::string outputFieldText(const std::string& resultsPath) {
  return resultsPath.empty() ? std::string(kNoFileSelected) : fileNamePart(resultsPath);
}

Window* MainWindow::create() {
  w_ = createToolWindow(ui_, [this](Window& w, int e, EventValues& v) { return handle(w, e, v); },
                        WindowKind::Main, "  QUILVE", 832, 624, 384, 128);
  ui_.windows.main = w_;
  if (!w_) return nullptr;
  Toolkit& tk = ui_.tk;
  const ScanSettings& s = ui_.app.settings;
  addControl(tk, w_, kSelectOutput, ControlKind::Button, 16, 48, 224, 20, "Select Output ...");
  addControl(tk, w_, kOutputField, ControlKind::Edit, 16, 80, 224, 20, kNoFileSelected);
  addControl(tk, w_, kSelectInput, ControlKind::Button, 16, 120, 224, 20, "Select Input ...");
  addControl(tk, w_, kInputList, ControlKind::ListBox, 16, 152, 224, 192, "");
  addControl(tk, w_, kCommentLabel, ControlKind::Label, 16, 352, 64, 24, "Comment:");
  addControl(tk, w_, kComment, ControlKind::MultiEdit, 16, 376, 224, 64, "<no comment>");
  addControl(tk, w_, kBrightnessLabel, ControlKind::Label, 16, 464, 80, 32, "Brightness");
  addControl(tk, w_, kBrightness, ControlKind::Slider, 96, 464, 128, 32, "");
  tk.setSliderRange(w_, kBrightness, 1, 100);
  tk.setSliderPosition(w_, kBrightness, static_cast<int>(100.0f - s.SonoBrightness));
  addControl(tk, w_, kContrastLabel, ControlKind::Label, 16, 496, 80, 32, "Contrast");
  addControl(tk, w_, kContrast, ControlKind::Slider, 96, 496, 128, 32, "");
  tk.setSliderRange(w_, kContrast, 1, 100);
  tk.setSliderPosition(w_, kContrast, static_cast<int>(100.0f - s.SonoContrast));
  return w_;
}

void MainWindow::buildMenu() {
  Toolkit& tk = ui_.tk;
  const ScanSettings& s = ui_.app.settings;
  tk.addMenuItem(w_, kMenuSelectInput, "File/Select Input...");
  tk.addMenuItem(w_, kMenuSelectOutput, "File/Select Output...");
  tk.addMenuItem(w_, kMenuExit, "File/E_xit");
  tk.addMenuItem(w_, kMenuUtc, "Setup/Time Standard/UTC");
  tk.addMenuItem(w_, kMenuLocal, "Setup/Time Standard/Local");
  tk.addMenuItem(w_, kMenuSetupScanSetup, "Setup/Scan _Setup...");
  tk.addMenuItem(w_, kMenuSetupScanResults, "Setup/Scan _Results...");
  tk.addMenuItem(w_, kMenuSetupOutputFormat, "Setup/Output _Format...");
  tk.addMenuItem(w_, kMenuExpansion1, "Config/Default/Time _Expansion/ 1X");
  tk.addMenuItem(w_, kMenuExpansion10, "Config/Default/Time _Expansion/10X");
  tk.addMenuItem(w_, kMenuScan, "Action/Scan");
  tk.addMenuItem(w_, kMenuScanAll, "Action/Scan _All");
  tk.addMenuItem(w_, kMenuStop, "Action/Stop");
  tk.addMenuItem(w_, kMenuWindowScanSetup, "Window/Scan _Setup");
  tk.addMenuItem(w_, kMenuWindowScanResults, "Window/Scan _Results");
  tk.addMenuItem(w_, kMenuWindowOutputFormat, "Window/Output _Format");
  tk.addMenuItem(w_, kMenuWindowTimer, "Window/Operation Timer...");
  tk.addMenuItem(w_, kMenuWindowTrace, "Window/Trace...");
  tk.addMenuItem(w_, kMenuAbout, "Help/About...");
  if (s.TimeStandard == kTimeUtc) tk.checkMenuItem(w_, kMenuUtc);
  if (s.TimeStandard == kTimeLocal) tk.checkMenuItem(w_, kMenuLocal);
  if (s.DefaultExpansionFactor == 1) tk.checkMenuItem(w_, kMenuExpansion1);
  if (s.DefaultExpansionFactor == 10) tk.checkMenuItem(w_, kMenuExpansion10);
  setActionItems(false, false);
}

void MainWindow::setActionItems(bool scanEnabled, bool stopEnabled) {
  Toolkit& tk = ui_.tk;
  for (int item : {kMenuScan, kMenuScanAll}) {
    if (scanEnabled)
      tk.enableMenuItem(w_, item);
    else
      tk.grayMenuItem(w_, item);
  }
  if (stopEnabled)
    tk.enableMenuItem(w_, kMenuStop);
  else
    tk.grayMenuItem(w_, kMenuStop);
}

void MainWindow::updateListExtents() {
  std::size_t longest = 0;
  {
    std::lock_guard<std::mutex> lock(ui_.app.lists.mutex);
    for (const FileList* list : {&ui_.app.lists.input, &ui_.app.lists.passed, &ui_.app.lists.failed})
      for (const FileEntry& e : list->entries()) longest = std::max(longest, e.name.size());
  }
  const int pixels = static_cast<int>(6 * longest + 6);
  ui_.tk.listSetHorizontalExtent(w_, kInputList, pixels);
  desktop_.results().setListExtents(pixels);
}

void MainWindow::selectInput() {
  Toolkit& tk = ui_.tk;
  AppState& app = ui_.app;
  // WAV and WavPack recordings, whatever the case of their extension.
  const std::optional<std::string> chosen =
      tk.openFile(w_, kRecordingFilter, app.history.InputDirectory);
  if (!chosen) {
    app.control.messageBuffer = "Warning: No Input Selected";
    {
      std::lock_guard<std::mutex> lock(app.lists.mutex);
      app.lists.input.clear();
    }
    desktop_.showLists();
    setActionItems(false, false);
    warnMessageBuffer(ui_, w_);
  } else {
    const std::string directory = directoryOf(*chosen);
    const std::string name = fileNamePart(*chosen);
    setBoundedText(app.history.InputDirectory, directory, kMaxPathChars);
    bool found = false;
    {
      std::lock_guard<std::mutex> lock(app.lists.mutex);
      app.lists.inputDirectory = directory;
      app.lists.input.fillFromDirectory(directory, kInputPattern);
      found = app.lists.input.selectByName(name);
    }
    desktop_.showLists();
    tk.setFocus(w_, kInputList);
    updateListExtents();
    if (found) {
      setActionItems(true, false);
      std::string comment;
      if (previewSelectedFile(app.lists, app.control, app.settings, &comment))
        desktop_.showComment(comment);
      else
        warnMessageBuffer(ui_, w_);
    } else {
      setActionItems(false, false);
      tk.warning(w_, "Warning: Selected file not found in input list");
    }
  }
  desktop_.results().clearAll();
}

void MainWindow::selectOutput() {
  Toolkit& tk = ui_.tk;
  AppState& app = ui_.app;
  const char* filter = app.settings.OutputFormat == kOutputZcd ? ";*.00#" : ";*.txt";
  const std::optional<std::string> chosen =
      tk.saveFile(w_, filter, app.history.OutputDirectory, true);
  if (chosen && chosen->size() > kMaxResultsPathChars) {
    // A longer path could not be stored whole; the previous choice stays.
    tk.warning(w_, "Results file path is too long (more than 511 characters): " + *chosen);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(app.lists.mutex);
    app.control.resultsPath = chosen ? *chosen : std::string();
  }
  if (chosen) {
    setOutputDirectory(app, directoryOf(*chosen));
    app.control.newResultsFile = true;
  }
  tk.setText(w_, kOutputField, outputFieldText(chosen ? *chosen : std::string()));
}

void MainWindow::scan() {
  AppState& app = ui_.app;
  requestScan(app.control, app.lists, app.settings, desktop_.host());
}

void MainWindow::scanAll() {
  AppState& app = ui_.app;
  desktop_.showToolWindow(ui_.windows.scanResults, kMenuWindowScanResults);
  desktop_.results().clearAll();
  requestScanAll(app.control, app.lists, app.session, app.settings, desktop_.host());
  desktop_.showCounters(app.session);
}

void MainWindow::stop() { ui_.app.control.stopCounter.fetch_add(1); }

void MainWindow::inputSelectionChanged() {
  AppState& app = ui_.app;
  const FileList* shown = ui_.tk.listModel(w_, kInputList);
  std::string name;
  {
    std::lock_guard<std::mutex> lock(app.lists.mutex);
    if (shown && shown->selection() >= 0) {
      name = shown->at(shown->selection()).name;
      app.lists.input.selectByName(name);
    } else {
      app.lists.input.clearSelection();
    }
  }
  desktop_.results().followInputSelection(name);
  std::string comment;
  if (previewSelectedFile(app.lists, app.control, app.settings, &comment))
    desktop_.showComment(comment);
  else
    warnMessageBuffer(ui_, w_);
}

void MainWindow::inputDoubleClicked() {
  AppState& app = ui_.app;
  std::string comment;
  if (!previewSelectedFile(app.lists, app.control, app.settings, &comment)) {
    warnMessageBuffer(ui_, w_);
    return;
  }
  desktop_.showComment(comment);
  app.control.scanRequestCounter.fetch_add(1);
}

void MainWindow::levelSlider(int id, int position, bool released) {
  if (position < 1) return;
  const bool brightness = id == kBrightness;
  const char* name = brightness ? "Brightness" : "Contrast";
  char label[32];
  if (released)
    std::snprintf(label, sizeof label, "%s", name);
  else
    std::snprintf(label, sizeof label, "%s = %2d", name, position);
  ui_.tk.setText(w_, brightness ? kBrightnessLabel : kContrastLabel, label);
  ScanSettings& s = ui_.app.settings;
  (brightness ? s.SonoBrightness : s.SonoContrast) = static_cast<float>(100 - position);
  applyLevelRange();
}

void MainWindow::applyLevelRange() {
  if (ui_.displays) ui_.displays->applyLevelRange();
}

void MainWindow::menuCommand(int item) {
  Toolkit& tk = ui_.tk;
  ScanSettings& s = ui_.app.settings;
  const AppWindows& win = ui_.windows;
  switch (item) {
    case kMenuSelectInput: selectInput(); break;
    case kMenuSelectOutput: selectOutput(); break;
    case kMenuExit: tk.quit(); break;
    case kMenuUtc:
      s.TimeStandard = kTimeUtc;
      tk.checkMenuItem(w_, kMenuUtc);
      tk.uncheckMenuItem(w_, kMenuLocal);
      break;
    case kMenuLocal:
      s.TimeStandard = kTimeLocal;
      tk.checkMenuItem(w_, kMenuLocal);
      tk.uncheckMenuItem(w_, kMenuUtc);
      break;
    case kMenuSetupScanSetup:
    case kMenuWindowScanSetup:
      desktop_.showToolWindow(win.scanSetup, kMenuWindowScanSetup);
      break;
    case kMenuSetupScanResults:
    case kMenuWindowScanResults:
      desktop_.showToolWindow(win.scanResults, kMenuWindowScanResults);
      break;
    case kMenuSetupOutputFormat:
    case kMenuWindowOutputFormat:
      desktop_.showToolWindow(win.outputFormat, kMenuWindowOutputFormat);
      break;
    case kMenuExpansion1:
      s.DefaultExpansionFactor = 1;
      tk.checkMenuItem(w_, kMenuExpansion1);
      tk.uncheckMenuItem(w_, kMenuExpansion10);
      break;
    case kMenuExpansion10:
      s.DefaultExpansionFactor = 10;
      tk.checkMenuItem(w_, kMenuExpansion10);
      tk.uncheckMenuItem(w_, kMenuExpansion1);
      break;
    case kMenuScan: scan(); break;
    case kMenuScanAll: scanAll(); break;
    case kMenuStop: stop(); break;
    case kMenuWindowTimer: desktop_.showToolWindow(win.timer, kMenuWindowTimer); break;
    case kMenuWindowTrace: desktop_.showToolWindow(win.trace, kMenuWindowTrace); break;
    case kMenuAbout: desktop_.showAbout(); break;
    default: break;
  }
}

int MainWindow::handle(Window& w, int event, EventValues& v) {
  if (isMouseEvent(event)) return ui_.displays ? ui_.displays->handleMainMouse(event, v) : 0;
  switch (event) {
    case event::kMenu:
      menuCommand(v[0]);
      return 1;
    case event::kButton:
      if (v[0] == kSelectInput) selectInput();
      if (v[0] == kSelectOutput) selectOutput();
      return 1;
    case event::kListSelection:
      if (v[0] == kInputList) inputSelectionChanged();
      return 1;
    case event::kListDoubleClick:
      if (v[0] == kInputList) inputDoubleClicked();
      return 1;
    case event::kListDrop:
      desktop_.listDropped(&w, v[0], v[1], v[2]);
      return 1;
    case event::kSliderMoved:
    case event::kSliderReleased: {
      const bool released = event == event::kSliderReleased;
      if (v[0] != kBrightness && v[0] != kContrast) {
        char line[48];
        std::snprintf(line, sizeof line, "Unknown Slider ID %d\n", v[0]);
        ui_.trace.trace(line);
        return 1;
      }
      int position = v[1];
      if (released && !ui_.tk.sliderPosition(&w, v[0], &position)) {
        ui_.trace.trace("XsSliderGetPosition failed\n");
        return 1;
      }
      levelSlider(v[0], position, released);
      return 1;
    }
    case event::kClose:
      ui_.tk.quit();
      return 1;
    case event::kUser:
      traceUserCommand(ui_, v);
      return 1;
    default:
      return 0;
  }
}

}  // namespace quilve::ui
