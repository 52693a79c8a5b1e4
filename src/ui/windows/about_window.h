#pragma once
// The About window, shown modally from Help/About...
#include "ui/app/ui_context.h"

namespace quilve::ui {

class AboutWindow {
 public:
  explicit AboutWindow(UiContext& ui) : ui_(ui) {}
  Window* create();
  // Runs pending work, then shows the window until it is closed; input to
  // the other windows is refused meanwhile.
  void runModal();

 private:
  int handle(Window& w, int event, EventValues& v);
  UiContext& ui_;
  Window* w_ = nullptr;
  bool running_ = false;  // the modal loop runs
};

}  // namespace quilve::ui
