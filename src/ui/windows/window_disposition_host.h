#pragma once
// File disposition's questions, warnings and folder pickers as message boxes
// and dialogs over a window.
#include <functional>
#include <string>

#include "output/file_disposition.h"
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

class WindowDispositionHost final : public DispositionHost {
 public:
  using Progress = std::function<void(const std::string& title, int done, int total)>;
  // `onProgress` shows how far an operation has got (file k of N).
  WindowDispositionHost(Toolkit& toolkit, Window* owner, Progress onProgress = {})
      : tk_(toolkit), owner_(owner), onProgress_(std::move(onProgress)) {}
  void progress(const std::string& title, int done, int total) override {
    if (onProgress_) onProgress_(title, done, total);
  }
  bool askYesNo(const std::string& caption, const std::string& text) override {
    return tk_.question(owner_, text, caption);
  }
  void warning(const std::string& text) override { tk_.warning(owner_, text); }
  bool pickFolder(const std::string& title, std::string* folder) override {
    const std::optional<std::string> chosen = tk_.chooseFolder(owner_, title, std::string());
    if (!chosen) return false;
    *folder = *chosen;
    return true;
  }

 private:
  Toolkit& tk_;
  Window* owner_;
  Progress onProgress_;
};

}  // namespace quilve::ui
