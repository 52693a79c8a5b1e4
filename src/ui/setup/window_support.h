#pragma once
// Small pieces the setup and timer windows share: formatting a field value
// and the path rules of their file and folder pickers.
#include <string>

#include "ui/app/ui_context.h"
#include "ui/app/window_building.h"
#include "ui/toolkit/toolkit.h"

namespace quilve::ui::setup {

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

}  // namespace quilve::ui::setup
