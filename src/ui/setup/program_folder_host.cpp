#include "ui/setup/program_folder_host.h"

namespace quilve::ui {

bool ProgramFolderHost::askYesNo(const std::string& caption, const std::string& text) {
  return tk_.question(w_, text, caption);
}

void ProgramFolderHost::warning(const std::string& text) { tk_.warning(w_, text); }

bool ProgramFolderHost::pickFolder(const std::string& title, std::string* folder) {
  const std::optional<std::string> chosen = tk_.chooseFolder(w_, title, start_);
  if (!chosen) return false;
  *folder = *chosen;
  return true;
}

}  // namespace quilve::ui
