#pragma once
// The main window: the left column (output and input selection, the input
// file list, the comment, brightness and contrast), the main menu and its
// commands. The gallery of chirp tiles and the plots on the rest of the
// window belong to the displays.
#include <string>

#include "ui/app/ui_context.h"

namespace quilve::ui {

class Desktop;

class MainWindow {
 public:
  MainWindow(UiContext& ui, Desktop& desktop) : ui_(ui), desktop_(desktop) {}
  Window* create();
  void buildMenu();

  // ---- commands -------------------------------------------------------------
  void selectInput();
  void selectOutput();
  void scan();
  void scanAll();
  void stop();
  void inputSelectionChanged();
  void inputDoubleClicked();
  // Slider moved (or released, with `released`) to `position`.
  void levelSlider(int id, int position, bool released);

  // Gives the input list and both result lists the horizontal extent of
  // their longest entry.
  void updateListExtents();
  // Enables or grays Scan, Scan All (together) and Stop.
  void setActionItems(bool scanEnabled, bool stopEnabled);

 private:
  int handle(Window& w, int event, EventValues& v);
  void menuCommand(int item);
  void applyLevelRange();
  Window* w_ = nullptr;
  UiContext& ui_;
  Desktop& desktop_;
};

// The text of the output field for a results path.
std::string outputFieldText(const std::string& resultsPath);

}  // namespace quilve::ui
