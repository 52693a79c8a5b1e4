#include "ui/windows/scan_results_window.h"

#include "engine/file_list_ops.h"
#include "engine/recording_analyzer.h"
#include "engine/scan_results.h"
#include "settings/settings_file.h"
#include "ui/app/control_ids.h"
#include "ui/windows/desktop.h"
#include "ui/windows/main_window.h"
#include "ui/windows/progress_window.h"
#include "ui/app/window_building.h"
#include "ui/windows/window_disposition_host.h"

namespace quilve::ui {

using namespace results_ids;

Window* ScanResultsWindow::create() {
  w_ = createToolWindow(ui_, [this](Window& w, int e, EventValues& v) { return handle(w, e, v); },
                        WindowKind::Tool, "  Scan Results", 288, 644, 256, 256);
  ui_.windows.scanResults = w_;
  if (!w_) return nullptr;
  Toolkit& tk = ui_.tk;
  const DispositionState& d = ui_.app.disposition;
  tk.addMenuItem(w_, kMenuPassedArchive, "Options/Passed Files/Archive");
  tk.addMenuItem(w_, kMenuPassedMove, "Options/Passed Files/Move");
  tk.addMenuItem(w_, kMenuFailedDelete, "Options/Failed Files/Delete");
  tk.addMenuItem(w_, kMenuFailedMove, "Options/Failed Files/Move");
  tk.checkMenuItem(w_, d.passedAction == PassedAction::Archive ? kMenuPassedArchive : kMenuPassedMove);
  tk.checkMenuItem(w_, d.failedAction == FailedAction::Delete ? kMenuFailedDelete : kMenuFailedMove);

  addControl(tk, w_, kCriteriaLabel, ControlKind::Label, 16, 16, 96, 24, "Selection criteria:");
  addControl(tk, w_, kCriteria, ControlKind::Edit, 128, 16, 32, 24,
             decimal(ui_.app.settings.ChirpDetectionThreshold));
  addControl(tk, w_, kCriteriaUnit, ControlKind::Label, 172, 16, 80, 24, "(Chirps per file)");
  addControl(tk, w_, kFilesSelectedLabel, ControlKind::Label, 16, 56, 96, 24, "Files selected:");
  addControl(tk, w_, kFilesSelected, ControlKind::Label, 120, 56, 96, 24, "0");
  addControl(tk, w_, kTotalChirpsLabel, ControlKind::Label, 16, 80, 96, 24, "Total chirp count:");
  addControl(tk, w_, kTotalChirps, ControlKind::Label, 120, 80, 96, 24, "0");
  addControl(tk, w_, kBatPassesLabel, ControlKind::Label, 16, 104, 96, 24, "Bat pass count:");
  addControl(tk, w_, kBatPasses, ControlKind::Label, 120, 104, 96, 24, "0");
  addControl(tk, w_, kPassedList, ControlKind::ListBox, 32, 136, 232, 128, "");
  addControl(tk, w_, kFailFile, ControlKind::Button, 32, 272, 232, 24, "Fail File");
  addControl(tk, w_, kPassedButton, ControlKind::Button, 32, 304, 80, 24, "Archive");
  addControl(tk, w_, kPassedAllButton, ControlKind::Button, 120, 304, 144, 24, "Archive All");
  addControl(tk, w_, kFilesFailedLabel, ControlKind::Label, 16, 360, 96, 24, "Files failed :");
  addControl(tk, w_, kFilesFailed, ControlKind::Label, 120, 360, 96, 24, "0");
  addControl(tk, w_, kFailedList, ControlKind::ListBox, 32, 392, 232, 128, "");
  addControl(tk, w_, kFailedButton, ControlKind::Button, 32, 528, 80, 24, "Delete");
  addControl(tk, w_, kFailedAllButton, ControlKind::Button, 120, 528, 144, 24, "Delete All");
  addControl(tk, w_, kClearAll, ControlKind::Button, 32, 576, 232, 24, "Clear All");
  updateCaptions();
  setPassedButtons(false);
  setFailedButtons(false);
  return w_;
}

void ScanResultsWindow::updateCaptions() {
  const DispositionState& d = ui_.app.disposition;
  ui_.tk.setText(w_, kPassedButton, passedButtonCaption(d.passedAction, false));
  ui_.tk.setText(w_, kPassedAllButton, passedButtonCaption(d.passedAction, true));
  ui_.tk.setText(w_, kFailedButton, failedButtonCaption(d.failedAction, false));
  ui_.tk.setText(w_, kFailedAllButton, failedButtonCaption(d.failedAction, true));
}

void ScanResultsWindow::setPassedButtons(bool enabled) {
  for (int id : {kFailFile, kPassedButton, kPassedAllButton}) ui_.tk.setEnabled(w_, id, enabled);
}

void ScanResultsWindow::setFailedButtons(bool enabled) {
  for (int id : {kFailedButton, kFailedAllButton}) ui_.tk.setEnabled(w_, id, enabled);
}

void ScanResultsWindow::showCounters(const ScanSession& c) {
  ui_.tk.setText(w_, kFilesSelected, decimal(c.filesSelected));
  ui_.tk.setText(w_, kTotalChirps, decimal(c.totalChirpCount));
  ui_.tk.setText(w_, kBatPasses, decimal(c.batPassCount));
  ui_.tk.setText(w_, kFilesFailed, decimal(c.filesFailed));
}

void ScanResultsWindow::setListExtents(int pixels) {
  ui_.tk.listSetHorizontalExtent(w_, kPassedList, pixels);
  ui_.tk.listSetHorizontalExtent(w_, kFailedList, pixels);
}

void ScanResultsWindow::clearAll() {
  AppState& app = ui_.app;
  quilve::clearAll(app.lists, app.session, app.disposition);  // takes the lists' lock
  showCleared();
}

void ScanResultsWindow::showCleared() {
  desktop_.showLists();
  showCounters(ScanSession{});
  setPassedButtons(false);
  setFailedButtons(false);
}

void ScanResultsWindow::failFile() {
  AppState& app = ui_.app;
  {
    std::lock_guard<std::mutex> lock(app.lists.mutex);
    const int selected = app.lists.passed.selection();
    if (selected < 0) return;
    // The recording moves with its path, so the failed list names the same file.
    FileEntry entry = app.lists.passed.at(selected);
    app.lists.passed.removeSelected();
    app.lists.failed.put(std::move(entry), /*select=*/true);
    app.lists.passed.clearSelection();
    recountFromLists(app.lists, app.session);
  }
  desktop_.showLists();
  setPassedButtons(false);
  setFailedButtons(true);
  showCounters(app.session);
}

void ScanResultsWindow::followInputSelection(const std::string& name) {
  bool inPassed = false;
  bool inFailed = false;
  {
    std::lock_guard<std::mutex> lock(ui_.app.lists.mutex);
    ScanLists& lists = ui_.app.lists;
    inPassed = !name.empty() && lists.passed.selectByName(name);
    if (!inPassed) lists.passed.clearSelection();
    inFailed = !name.empty() && lists.failed.selectByName(name);
    if (!inFailed) lists.failed.clearSelection();
  }
  desktop_.showLists();
  setPassedButtons(inPassed);
  setFailedButtons(inFailed);
}

void ScanResultsWindow::resultSelectionChanged(bool passed) {
  const int id = passed ? kPassedList : kFailedList;
  const FileList* shown = ui_.tk.listModel(w_, id);
  if (!shown || shown->selection() < 0) return;
  const std::string name = shown->at(shown->selection()).name;
  {
    std::lock_guard<std::mutex> lock(ui_.app.lists.mutex);
    ScanLists& lists = ui_.app.lists;
    FileList& mine = passed ? lists.passed : lists.failed;
    FileList& other = passed ? lists.failed : lists.passed;
    mine.selectByName(name);
    other.clearSelection();
    if (!lists.input.selectByName(name)) lists.input.clearSelection();
  }
  desktop_.showLists();
  setPassedButtons(passed);
  setFailedButtons(!passed);
}

void ScanResultsWindow::resultDoubleClicked() {
  AppState& app = ui_.app;
  std::string comment;
  if (!previewSelectedFile(app.lists, app.control, app.settings, &comment)) {
    warnMessageBuffer(ui_, w_);
    return;
  }
  desktop_.showComment(comment);
  app.control.scanRequestCounter.fetch_add(1);
}

void ScanResultsWindow::dispositionButton(int id) {
  AppState& app = ui_.app;
  ScanResultsLists lists(app.lists);
  WindowDispositionHost host(ui_.tk, w_, [this](const std::string& title, int done, int total) {
    desktop_.progress().showDisposition(title, done, total);
  });
  FileDisposition disposition(app.disposition, lists, host);
  switch (id) {
    case kPassedButton: disposition.passedButton(); break;
    case kPassedAllButton: disposition.passedAllButton(); break;
    case kFailedButton: disposition.failedButton(); break;
    case kFailedAllButton: disposition.failedAllButton(); break;
    default: return;
  }
  desktop_.showLists();
  const FileList* passed = ui_.tk.listModel(w_, kPassedList);
  const FileList* failed = ui_.tk.listModel(w_, kFailedList);
  setPassedButtons(passed && passed->selection() >= 0);
  setFailedButtons(failed && failed->selection() >= 0);
}

void ScanResultsWindow::setScanning(bool scanning) {
  Toolkit& tk = ui_.tk;
  for (int id : {kPassedList, kFailedList, kClearAll}) tk.setEnabled(w_, id, !scanning);
  if (scanning) {
    setPassedButtons(false);
    setFailedButtons(false);
    return;
  }
  const FileList* passed = tk.listModel(w_, kPassedList);
  const FileList* failed = tk.listModel(w_, kFailedList);
  setPassedButtons(passed && passed->selection() >= 0);
  setFailedButtons(failed && failed->selection() >= 0);
}

void ScanResultsWindow::menuCommand(int item) {
  Toolkit& tk = ui_.tk;
  DispositionState& d = ui_.app.disposition;
  switch (item) {
    case kMenuPassedArchive:
      d.passedAction = PassedAction::Archive;
      tk.checkMenuItem(w_, kMenuPassedArchive);
      tk.uncheckMenuItem(w_, kMenuPassedMove);
      break;
    case kMenuPassedMove:
      d.passedAction = PassedAction::Move;
      tk.checkMenuItem(w_, kMenuPassedMove);
      tk.uncheckMenuItem(w_, kMenuPassedArchive);
      break;
    case kMenuFailedDelete:
      d.failedAction = FailedAction::Delete;
      tk.checkMenuItem(w_, kMenuFailedDelete);
      tk.uncheckMenuItem(w_, kMenuFailedMove);
      break;
    case kMenuFailedMove:
      d.failedAction = FailedAction::Move;
      tk.checkMenuItem(w_, kMenuFailedMove);
      tk.uncheckMenuItem(w_, kMenuFailedDelete);
      break;
    default: return;
  }
  updateCaptions();
}

int ScanResultsWindow::handle(Window& w, int event, EventValues& v) {
  switch (event) {
    case event::kMenu:
      menuCommand(v[0]);
      return 1;
    case event::kEditChanged:
      if (v[0] == kCriteria) {
        const std::optional<std::string> text = ui_.tk.text(&w, kCriteria);
        float value = 0;
        // Values beyond the integer range are refused rather than wrapped.
        if (text && parseSettingsNumber(*text, &value) && value > -2147483520.0f &&
            value < 2147483520.0f)
          ui_.app.settings.ChirpDetectionThreshold = static_cast<int>(value);
      }
      return 1;
    case event::kListSelection:
      if (v[0] == kPassedList || v[0] == kFailedList) resultSelectionChanged(v[0] == kPassedList);
      return 1;
    case event::kListDoubleClick:
      if (v[0] == kPassedList || v[0] == kFailedList) resultDoubleClicked();
      return 1;
    case event::kListDrop:
      desktop_.listDropped(&w, v[0], v[1], v[2]);
      return 1;
    case event::kButton:
      if (v[0] == kFailFile)
        failFile();
      else if (v[0] == kClearAll)
        clearAll();
      else
        dispositionButton(v[0]);
      return 1;
    case event::kClose:
      desktop_.hideToolWindow(&w, main_ids::kMenuWindowScanResults);
      return 1;
    case event::kUser:
      traceUserCommand(ui_, v);
      return 1;
    default:
      return 0;
  }
}

}  // namespace quilve::ui
