#include "ui/windows/desktop.h"

#include <algorithm>

#include "input/wide_path.h"

#include "ui/app/control_ids.h"
#include "ui/windows/about_window.h"
#include "ui/windows/main_window.h"
#include "ui/windows/progress_window.h"
#include "ui/windows/scan_results_window.h"
#include "ui/windows/trace_window.h"
#include "ui/app/window_building.h"
#include "ui/windows/window_scan_host.h"
#include "ui/setup/output_format_window.h"
#include "ui/setup/scan_setup_window.h"
#include "ui/setup/operation_timer_window.h"

namespace quilve::ui {

std::string fileNamePart(const std::string& path) {
  const std::size_t cut = path.find_last_of(pathSeparators());
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

Desktop::Desktop(UiContext& ui)
    : ui_(ui),
      main_(std::make_unique<MainWindow>(ui, *this)),
      results_(std::make_unique<ScanResultsWindow>(ui, *this)),
      progress_(std::make_unique<ProgressWindow>(ui)),
      about_(std::make_unique<AboutWindow>(ui)),
      trace_(std::make_unique<TraceWindow>(ui, *this)),
      scanSetup_(std::make_unique<ScanSetupWindow>(ui)),
      outputFormat_(std::make_unique<OutputFormatWindow>(ui, scanSetup_.get())),
      timer_(std::make_unique<OperationTimerWindow>(ui)),
      host_(std::make_unique<WindowScanHost>(*this)) {}

Desktop::~Desktop() = default;

void Desktop::create() {
  // The windows first, all hidden, then their contents in this order.
  main_->create();
  main_->buildMenu();
  ui_.windows.scanSetup = scanSetup_->create();
  ui_.windows.outputFormat = outputFormat_->create();
  results_->create();
  about_->create();
  ui_.windows.progress = progress_->create();
  ui_.windows.timer = timer_->create();
  trace_->create();
  if (Window* w = ui_.windows.main) {
    ui_.tk.setClientSize(w, 832, 624);
    ui_.tk.show(w);
  }
}

void Desktop::beginFile(const std::string& path) {
  Toolkit& tk = ui_.tk;
  Window* w = ui_.windows.main;
  scanning_ = true;
  const std::string name = fileNamePart(path);
  tk.setTitle(w, "  QUILVE - " + name);
  progress_->beginFile(name);
  using namespace main_ids;
  for (int id : {kSelectInput, kInputList, kComment, kSelectOutput, kOutputField})
    tk.disableControl(w, id);
  for (int item : {kMenuSelectInput, kMenuScan, kMenuScanAll}) tk.grayMenuItem(w, item);
  tk.enableMenuItem(w, kMenuStop);
  results_->setScanning(true);
  tk.show(ui_.windows.progress);
}

void Desktop::endOfScan() {
  Toolkit& tk = ui_.tk;
  Window* w = ui_.windows.main;
  scanning_ = false;
  using namespace main_ids;
  for (int id : {kSelectInput, kInputList, kComment, kSelectOutput, kOutputField})
    tk.enableControl(w, id);
  for (int item : {kMenuSelectInput, kMenuScan, kMenuScanAll}) tk.enableMenuItem(w, item);
  tk.grayMenuItem(w, kMenuStop);
  results_->setScanning(false);
  tk.hide(ui_.windows.progress);
}

void Desktop::showLists() {
  FileList input, passed, failed;
  {
    std::lock_guard<std::mutex> lock(ui_.app.lists.mutex);
    input = ui_.app.lists.input;
    passed = ui_.app.lists.passed;
    failed = ui_.app.lists.failed;
  }
  showList(ui_.windows.main, main_ids::kInputList, input);
  showList(ui_.windows.scanResults, results_ids::kPassedList, passed);
  showList(ui_.windows.scanResults, results_ids::kFailedList, failed);
}

void Desktop::listDropped(Window* w, int id, int from, int to) {
  ScanLists& lists = ui_.app.lists;
  FileList* model = nullptr;
  if (w == ui_.windows.main && id == main_ids::kInputList) model = &lists.input;
  if (w == ui_.windows.scanResults && id == results_ids::kPassedList) model = &lists.passed;
  if (w == ui_.windows.scanResults && id == results_ids::kFailedList) model = &lists.failed;
  const FileList* shown = ui_.tk.listModel(w, id);
  if (!model || !shown || shown->selection() < 0) return;
  // The box holds a copy of the list; the entry moved there must be the one
  // at `from` in the list itself, else the box had fallen behind and only
  // follows the list again.
  const std::string moved = shown->at(shown->selection()).name;
  {
    std::lock_guard<std::mutex> lock(lists.mutex);
    if (from >= 0 && from < model->size() && model->at(from).name == moved) model->move(from, to);
  }
  showLists();
}

void Desktop::showList(Window* w, int id, const FileList& model) {
  // During a long scan the worker reports after every recording; the input
  // list then only moves its selection, and rebuilding thousands of rows
  // each time would make the display fall behind.
  const FileList* shown = ui_.tk.listModel(w, id);
  const auto same = [](const FileEntry& a, const FileEntry& b) {
    return a.value == b.value && a.name == b.name;
  };
  if (shown && std::equal(shown->entries().begin(), shown->entries().end(),
                          model.entries().begin(), model.entries().end(), same)) {
    if (shown->selection() == model.selection()) return;
    if (model.selection() >= 0)
      ui_.tk.listSelect(w, id, model.selection());
    else
      ui_.tk.listClearSelection(w, id);
    return;
  }
  ui_.tk.listAssign(w, id, model);
}

void Desktop::showCounters(const ScanSession& counters) { results_->showCounters(counters); }

void Desktop::showComment(const std::string& comment) {
  ui_.tk.setText(ui_.windows.main, main_ids::kComment, comment);
}

void Desktop::showAbout() { about_->runModal(); }

void Desktop::showToolWindow(Window* w, int windowMenuItem) {
  if (!w) return;
  ui_.tk.show(w);
  ui_.tk.checkMenuItem(ui_.windows.main, windowMenuItem);
}

void Desktop::hideToolWindow(Window* w, int windowMenuItem) {
  hideWithMenuItem(ui_, w, windowMenuItem);
}

}  // namespace quilve::ui
