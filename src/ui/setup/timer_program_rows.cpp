// The four program rows of the Operation Timer window: an enable box, and
// the input directory, results file and archive directory pickers with the
// labels that show what was picked.
#include "output/file_disposition.h"
#include "ui/setup/operation_timer_window.h"
#include "ui/setup/program_folder_host.h"
#include "ui/setup/setup_ids.h"
#include "ui/setup/timer_program_fields.h"
#include "ui/setup/window_support.h"

namespace quilve::ui {

using namespace timer_ids;

namespace {

const char* const kNoDirectory = "<No directory selected>";
const char* const kNoFile = "<No file selected>";
const char* const kNoArchive = "<No archive selected>";

int rowY(int n) { return 208 + 32 * (n - 1); }

std::string shownPath(const std::string& path, const char* none) {
  return path.empty() ? std::string(none) : setup::lastComponent(path);
}

}  // namespace

void OperationTimerWindow::buildProgramRows() {
  Toolkit& tk = ui_.tk;
  for (int n = 1; n <= kTimerProgramCount; ++n) {
    const int y = rowY(n);
    addControl(tk, w_, programEnable(n), ControlKind::CheckBox, 48, y, 40, 24);
    addControl(tk, w_, programInput(n), ControlKind::Button, 88, y, 56, 20, "Input...");
    addControl(tk, w_, programInputLabel(n), ControlKind::Label, 152, y + 4, 128, 20);
    addControl(tk, w_, programOutput(n), ControlKind::Button, 288, y, 56, 20, "Output...");
    addControl(tk, w_, programOutputLabel(n), ControlKind::Label, 352, y + 4, 128, 20);
    addControl(tk, w_, programArchive(n), ControlKind::Button, 488, y, 56, 20, "Arch...");
    addControl(tk, w_, programArchiveLabel(n), ControlKind::Label, 552, y + 4, 128, 20);
  }
}

void OperationTimerWindow::writeProgramRow(int n) {
  const TimerProgramFields f = timerProgramFields(ui_.app.settings, ui_.app.history, n);
  ui_.tk.setCheck(w_, programEnable(n), *f.enable);
  ui_.tk.setText(w_, programInputLabel(n), shownPath(*f.inputDirectory, kNoDirectory));
  ui_.tk.setText(w_, programOutputLabel(n), shownPath(*f.outputFileName, kNoFile));
  ui_.tk.setText(w_, programArchiveLabel(n), shownPath(*f.archiveDirectory, kNoArchive));
  writeProgramEnabling(n);
}

void OperationTimerWindow::writeProgramEnabling(int n) {
  const TimerProgramFields f = timerProgramFields(ui_.app.settings, ui_.app.history, n);
  const bool complete = !f.inputDirectory->empty() && !f.outputFileName->empty();
  // An enabled program stays switchable even when its stored paths are
  // incomplete, so that it can be switched off.
  ui_.tk.setEnabled(w_, programEnable(n), complete || *f.enable);
  for (const int id : {programInput(n), programOutput(n), programArchive(n)})
    ui_.tk.setEnabled(w_, id, !*f.enable);
}

bool OperationTimerWindow::onProgramButton(int id) {
  for (int n = 1; n <= kTimerProgramCount; ++n) {
    if (id == programEnable(n)) {
      programEnableClicked(n);
    } else if (id == programInput(n)) {
      pickInput(n);
    } else if (id == programOutput(n)) {
      pickOutput(n);
    } else if (id == programArchive(n)) {
      pickArchive(n);
    } else {
      continue;
    }
    return true;
  }
  return false;
}

void OperationTimerWindow::programEnableClicked(int n) {
  bool checked = false;
  if (!ui_.tk.isChecked(w_, programEnable(n), &checked)) return;
  *timerProgramFields(ui_.app.settings, ui_.app.history, n).enable = checked;
  writeProgramEnabling(n);
}

void OperationTimerWindow::setProgramPath(std::string& field, const std::string& value) {
  // The timer thread copies the program paths under the same lock.
  std::lock_guard<std::mutex> lock(ui_.app.lists.mutex);
  field = value;
}

void OperationTimerWindow::pickInput(int n) {
  const TimerProgramFields f = timerProgramFields(ui_.app.settings, ui_.app.history, n);
  ProgramFolderHost host(ui_.tk, w_, *f.inputDirectory);
  std::string folder;
  if (pickProgramDirectory(host, &folder)) {
    // A path the program fields cannot hold is refused; the row keeps its value.
    if (!setup::pickedPathFits(ui_, w_, folder)) return;
    setProgramPath(*f.inputDirectory, folder);
  } else {
    setProgramPath(*f.inputDirectory, {});
  }
  ui_.tk.setText(w_, programInputLabel(n), shownPath(*f.inputDirectory, kNoDirectory));
  writeProgramEnabling(n);
}

void OperationTimerWindow::pickOutput(int n) {
  const TimerProgramFields f = timerProgramFields(ui_.app.settings, ui_.app.history, n);
  const char* filter = ui_.app.settings.OutputFormat == kOutputZcd ? ";*.00#" : ";*.txt";
  const std::optional<std::string> path = ui_.tk.saveFile(w_, filter, *f.outputDirectory, true);
  if (path) {
    if (!setup::pickedPathFits(ui_, w_, *path)) return;
    setProgramPath(*f.outputDirectory, setup::directoryWithSeparator(*path));
    setProgramPath(*f.outputFileName, *path);
  } else {
    setProgramPath(*f.outputFileName, {});
  }
  ui_.tk.setText(w_, programOutputLabel(n), shownPath(*f.outputFileName, kNoFile));
  writeProgramEnabling(n);
}

void OperationTimerWindow::pickArchive(int n) {
  const TimerProgramFields f = timerProgramFields(ui_.app.settings, ui_.app.history, n);
  ProgramFolderHost host(ui_.tk, w_, *f.archiveDirectory);
  std::string folder;
  if (pickProgramDirectory(host, &folder)) {
    if (!setup::pickedPathFits(ui_, w_, folder)) return;
    setProgramPath(*f.archiveDirectory, folder);
  } else {
    setProgramPath(*f.archiveDirectory, {});
  }
  ui_.tk.setText(w_, programArchiveLabel(n), shownPath(*f.archiveDirectory, kNoArchive));
}

}  // namespace quilve::ui
