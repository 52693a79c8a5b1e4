#pragma once
// Whether a set of scan settings can scan at all: each setting against its
// range and the settings against each other (the band's edges, the filter
// bank's rows). A value outside them would not stop a scan, it would fail
// every recording, so a program checks the settings before it reads,
// writes or moves anything.
#include <string>
#include <vector>

#include "settings/scan_settings.h"

namespace quilve {

// Every problem of `settings`, in declaration order, each as one text
// naming the setting, its value and what is allowed:
//   "MaximumFrequency=125: must be above MinimumFrequency (15000)"
//   "OutputFormat=99: not in range 0 to 4"
// Empty when the settings are sound. The bounds:
// - every number finite;
// - MinimumFrequency not below 0 and below MaximumFrequency;
// - MinimumDuration not below 0;
// - DetailSelection 1 to 16; FitSelection 0 to 3; PopSelection,
//   ClutterSelection and TimeStandard 0 or 1; TimerOperationMode 0 to 2;
//   OutputFormat 0 to 4;
// - DefaultExpansionFactor 1 or 10;
// - ChirpDetectionThreshold not below 0; RepeatIntervalMinutes at least 1;
// - SonoBrightness and SonoContrast 0 to 100;
// - the minimum of an enabled filter-bank row not above its maximum.
std::vector<std::string> settingsProblems(const ScanSettings& settings);

// A number as the problems show it: the shortest text that reads back as
// the same value, without an exponent where a plain form is short ("15000",
// "0.0005", "-100", "1e+30").
std::string settingNumberText(float value);

}  // namespace quilve
