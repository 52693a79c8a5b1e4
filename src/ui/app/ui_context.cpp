#include "ui/app/ui_context.h"

#include "engine/file_list_ops.h"

namespace quilve::ui {

void setOutputDirectory(AppState& app, const std::string& directory) {
  setBoundedText(app.history.OutputDirectory, directory, kMaxPathChars);
  std::lock_guard<std::mutex> lock(app.lists.mutex);
  app.control.outputDirectory = app.history.OutputDirectory;
}

void warnMessageBuffer(UiContext& ui, Window* w) { ui.tk.warning(w, messageWithReason(ui.app.control)); }

}  // namespace quilve::ui
