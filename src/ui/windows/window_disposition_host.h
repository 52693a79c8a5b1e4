#pragma once
// File disposition's questions, warnings and folder pickers as message boxes
// and dialogs over a window.
#include "output/file_disposition.h"
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

class WindowDispositionHost final : public DispositionHost {
 public:
  WindowDispositionHost(Toolkit& toolkit, Window* owner) : tk_(toolkit), owner_(owner) {}
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
};

}  // namespace quilve::ui
