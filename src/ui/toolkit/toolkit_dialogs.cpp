// Message boxes, shown one at a time through a queue, and the file and
// folder dialogs with their filter extensions.
#include "ui/toolkit/toolkit.h"

#include <filesystem>
#include <system_error>

namespace quilve::ui {

std::string filterExtension(const std::string& filter, int filterIndex) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t semi = filter.find(';', start);
    parts.push_back(filter.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  if (filterIndex < 0) return {};
  // Entries come in description;pattern pairs; a last description without
  // a pattern stands for its own pattern.
  std::size_t at = static_cast<std::size_t>(filterIndex) * 2 + 1;
  if (at >= parts.size()) at -= 1;
  if (at >= parts.size()) return {};
  const std::string& pattern = parts[at];
  const std::size_t dot = pattern.find('.');
  if (dot == std::string::npos) return {};
  std::string ext = pattern.substr(dot);
  // "*.*" or "*.w?v" name no single extension; appending them would make a
  // name nobody asked for.
  if (ext.size() < 2 || ext.find_first_of("*?") != std::string::npos) return {};
  return ext;
}

std::string applyFilterExtension(const std::string& name, const std::string& filter, int filterIndex) {
  const std::size_t sep = name.find_last_of("/\\");
  const std::string base = sep == std::string::npos ? name : name.substr(sep + 1);
  if (base.empty() || base.find('.') != std::string::npos) return name;
  return name + filterExtension(filter, filterIndex);
}

BoxLook boxLook(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning:
      return {BoxIcon::Exclamation, BoxBeep::Warning};
    case MessageKind::Question:
      return {BoxIcon::Question, BoxBeep::Question};
    case MessageKind::Information:
      break;
  }
  return {BoxIcon::Information, BoxBeep::Information};
}

bool Toolkit::messageBox(Window* w, MessageKind kind, const std::string& text,
                         const std::string& caption) {
  if (kind == MessageKind::Warning && warningEcho_) warningEcho_(text);
  const std::uint64_t ticket = ++lastTicket_;
  boxQueue_.push_back(QueuedBox{ticket, owns(w) ? w : nullptr, kind, text, caption});
  // A call further out is showing boxes: a note or a warning waits there.
  if (boxRunners_ > 0 && kind != MessageKind::Question) return true;
  ++boxRunners_;
  boxAnswers_[ticket] = std::nullopt;
  for (;;) {
    // The outermost call goes on until the queue is empty; one further in
    // returns to it as soon as its own box has been answered.
    if (boxAnswers_[ticket] && (boxRunners_ > 1 || boxQueue_.empty())) break;
    if (!boxOpen_) {
      const QueuedBox& next = boxQueue_.front();
      openBox(next.owner, next.kind, next.text, next.caption);
      boxOpen_ = true;
    }
    if (const std::optional<bool> closed = boxAnswer()) {
      const QueuedBox done = boxQueue_.front();
      boxQueue_.pop_front();
      boxOpen_ = false;
      auto awaited = boxAnswers_.find(done.ticket);
      if (awaited != boxAnswers_.end())
        awaited->second = done.kind == MessageKind::Question ? *closed : true;
      continue;
    }
    waitForEvents();
  }
  const bool answer = *boxAnswers_[ticket];
  boxAnswers_.erase(ticket);
  --boxRunners_;
  return answer;
}

void Toolkit::information(Window* w, const std::string& text, const std::string& caption) {
  messageBox(w, MessageKind::Information, text, caption.empty() && owns(w) ? w->title : caption);
}

void Toolkit::warning(Window* w, const std::string& text) {
  messageBox(w, MessageKind::Warning, text, "Warning");
}

bool Toolkit::question(Window* w, const std::string& text, const std::string& caption) {
  return messageBox(w, MessageKind::Question, text, caption.empty() && owns(w) ? w->title : caption);
}

std::optional<std::string> Toolkit::openFile(Window* w, const std::string& filter,
                                             const std::string& startDirectory) {
  const std::optional<FileChoice> choice = fileDialog(w, FileDialog::Open, filter, startDirectory);
  if (!choice || choice->paths.empty() || choice->paths.front().empty()) return std::nullopt;
  return choice->paths.front();
}

std::vector<std::string> Toolkit::openFiles(Window* w, const std::string& filter,
                                            const std::string& startDirectory) {
  const std::optional<FileChoice> choice = fileDialog(w, FileDialog::OpenMultiple, filter, startDirectory);
  return choice ? choice->paths : std::vector<std::string>{};
}

std::optional<std::string> Toolkit::saveFile(Window* w, const std::string& filter,
                                             const std::string& startDirectory, bool askOverwrite) {
  const std::optional<FileChoice> choice = fileDialog(
      w, askOverwrite ? FileDialog::SaveAskOverwrite : FileDialog::Save, filter, startDirectory);
  if (!choice || choice->paths.empty() || choice->paths.front().empty()) return std::nullopt;
  const std::string& typed = choice->paths.front();
  const std::string path = applyFilterExtension(typed, filter, choice->filterIndex);
  // The dialog asked about the name as typed; when the extension we added
  // names an existing file, that file would be replaced without a word.
  if (askOverwrite && path != typed) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
      const std::size_t sep = path.find_last_of("/\\");
      const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
      if (!messageBox(w, MessageKind::Question, name + " already exists.\nDo you want to replace it?",
                      "Confirm Save As"))
        return std::nullopt;
    }
  }
  return path;
}

std::optional<std::string> Toolkit::chooseFolder(Window* w, const std::string& title,
                                                 const std::string& startDirectory) {
  std::optional<std::string> folder = folderDialog(w, title, startDirectory);
  if (folder && folder->empty()) return std::nullopt;
  return folder;
}

}  // namespace quilve::ui
