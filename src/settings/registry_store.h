#pragma once
// Loading and saving the scan settings and the directory history in the
// registry hive, and the key dump written to the trace.
#include <string>

#include "settings/registry.h"
#include "settings/scan_settings.h"

namespace quilve {

class Reporter;

extern const char* const kSettingsKeyPath;  // "SOFTWARE\\Velmora\\...\\Settings"
extern const char* const kHistoryKeyPath;   // "SOFTWARE\\Velmora\\...\\History"

// Opens or creates the key and reads every value that is present with the
// right type; the others keep their current value (ProgramStartTime becomes
// empty). Thresholds, frequencies and durations load as signed numbers.
void loadSettings(RegistryHive& hive, const std::string& keyPath, ScanSettings& settings);
void loadHistory(RegistryHive& hive, const std::string& keyPath, DirectoryHistory& history);

// Writes the values into an existing key (nothing happens when the key does
// not exist) and saves the hive file. A failure shows one warning.
void saveSettings(RegistryHive& hive, const std::string& keyPath, const ScanSettings& settings,
                  Reporter* reporter);
void saveHistory(RegistryHive& hive, const std::string& keyPath, const DirectoryHistory& history,
                 Reporter* reporter);

// The key's subkeys and values, as written to the trace.
std::string keyDump(const RegistryHive::Key& key);

}  // namespace quilve
