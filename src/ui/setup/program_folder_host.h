#pragma once
// The dialogs of the disposition code answered by the toolkit over one
// window, for the Operation Timer window's folder pickers.
#include <string>

#include "output/file_disposition.h"
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

class ProgramFolderHost : public DispositionHost {
 public:
  ProgramFolderHost(Toolkit& tk, Window* w, std::string startDirectory)
      : tk_(tk), w_(w), start_(std::move(startDirectory)) {}

  bool askYesNo(const std::string& caption, const std::string& text) override;
  void warning(const std::string& text) override;
  // The folder browser starts in the directory given at construction.
  bool pickFolder(const std::string& title, std::string* folder) override;

 private:
  Toolkit& tk_;
  Window* w_;
  std::string start_;
};

}  // namespace quilve::ui
