#pragma once
// The settings and remembered paths of timer program 1..4, by reference, so
// the Operation Timer window can loop over its four rows.
#include "settings/scan_settings.h"

namespace quilve::ui {

struct TimerProgramFields {
  bool* enable = nullptr;
  std::string* inputDirectory = nullptr;   // without a trailing separator
  std::string* outputDirectory = nullptr;  // start of the next results pick
  std::string* outputFileName = nullptr;   // full path as picked
  std::string* archiveDirectory = nullptr; // without a trailing separator; may be empty
};

// Program `n` (1..4); all pointers null for any other number.
TimerProgramFields timerProgramFields(ScanSettings& settings, DirectoryHistory& history, int n);

}  // namespace quilve::ui
