#pragma once
// Small pieces the setup and timer windows share: placing a control in one
// call, formatting a field value, the path rules of their file and folder
// pickers, and hiding a window together with its main-menu check mark.
#include <string>

#include "ui/app/ui_context.h"
#include "ui/toolkit/toolkit.h"

namespace quilve::ui::setup {

// Creates, places, labels and shows one control.
bool placeControl(Toolkit& tk, Window* w, int id, ControlKind kind, int x, int y, int width,
                  int height, const std::string& text = {});

// `value` printed with a printf format taking one double ("%3.1f").
std::string formatValue(const char* format, double value);

// The directory part of a picked path with its trailing separator, as the
// remembered directories keep it; empty for a bare file name.
std::string directoryWithSeparator(const std::string& path);

// The last component of a path; the whole path when that is empty ("/").
std::string lastComponent(const std::string& path);

// True when `path` fits the windows' path fields (kMaxPickedPathChars);
// otherwise warns over `w` and returns false.
bool pickedPathFits(UiContext& ui, Window* w, const std::string& path);

// Hides `w` and clears the check mark of the main menu item that shows it.
void hideWithMenuItem(UiContext& ui, Window* w, int menuItem);

// Writes a posted user command to the trace console.
void traceUserCommand(UiContext& ui, const EventValues& values);

}  // namespace quilve::ui::setup
