#pragma once
// The settings file ("*.set"): a header line and 27 "key = value" lines with
// the detection settings and the filter bank.
#include <cstdio>
#include <string>
#include <string_view>

#include "settings/scan_settings.h"

namespace quilve {

// Creates or truncates `path` and writes the header and the 27 lines. False
// only when the file cannot be created.
bool writeSettingsFile(const std::string& path, const ScanSettings& settings);

// Reads `path` into `settings`. False when the file cannot be opened or its
// first line is not a valid header (then nothing changes). A malformed value
// prints a warning line to `warnings` and keeps that setting's value.
bool readSettingsFile(const std::string& path, ScanSettings& settings,
                      std::FILE* warnings = stdout);
// The same from a stream already opened for reading, which it closes.
bool readSettingsFile(std::FILE* file, ScanSettings& settings, std::FILE* warnings = stdout);

// The number syntax of settings values and typed fields: an optional "-",
// digits, optionally "." and digits, nothing else. False for anything else
// and for numbers too large to hold.
bool parseSettingsNumber(std::string_view text, float* value);

// The key of a setting's line in the settings file, as written there
// ("SonoTriggerThresholdDB", "DominantFrequencyMinHz"); empty for a setting
// the file does not hold.
std::string settingsFileKey(float ScanSettings::*field);
std::string settingsFileKey(int ScanSettings::*field);
std::string settingsFileKey(bool ScanSettings::*field);

}  // namespace quilve
