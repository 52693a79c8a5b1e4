#pragma once
// ScanSettings fields by their names, for command lines and scripts, and the
// catalogue that describes each one (its settings-file key, unit, default,
// range and meaning) for listings and manuals.
#include <optional>
#include <string>
#include <vector>

#include "settings/scan_settings.h"

namespace quilve {

// Sets the field called `name` from `value`. `name` is the setting's name
// ("TriggerThreshold") or its key in a settings file
// ("SonoTriggerThresholdDB"); both take the value in the setting's unit (the
// catalogue's, which a key's suffix names). Numbers use the settings-file
// syntax; flags take 0/1, true/false, on/off. False with a reason otherwise.
bool setSettingByName(ScanSettings& settings, const std::string& name, const std::string& value,
                      std::string* error);

// Every settable name, in declaration order.
std::vector<std::string> settingNames();

// Every setting as a "Name=value" line, in declaration order; numbers in a
// form that tells any two different values apart.
std::string settingsValuesText(const ScanSettings& settings);

// One setting as listings and manuals describe it.
struct SettingDescription {
  std::string name;         // "TriggerThreshold"
  std::string fileKey;      // "SonoTriggerThresholdDB"; empty when no settings file holds it
  std::string unit;         // "dB", "Hz", "s", "0/1", ...
  std::string defaultText;  // the default as --set takes it ("18", "0.0005"); "empty" for no text
  std::string range;        // what the checks allow: "any", "1 to 16", "at least 0", ...
  std::string meaning;      // one line
  // The bounds the range states, where it states plain ones (the settings
  // check refuses values beyond them).
  std::optional<double> low;
  std::optional<double> high;
  bool whole = false;  // a whole number (or flag), not a fraction
};

// Every setting, in declaration order (that of settingNames()).
std::vector<SettingDescription> settingsCatalogue();

}  // namespace quilve
