#pragma once
// ScanSettings fields by their names, for command lines and scripts.
#include <string>
#include <vector>

#include "settings/scan_settings.h"

namespace quilve {

// Sets the field called `name` (exactly as the setting is named, e.g.
// "TriggerThreshold") from `value`. Numbers use the settings-file syntax;
// flags take 0/1, true/false, on/off. False with a reason otherwise.
bool setSettingByName(ScanSettings& settings, const std::string& name, const std::string& value,
                      std::string* error);

// Every settable name, in declaration order.
std::vector<std::string> settingNames();

// Every setting as a "Name=value" line, in declaration order; numbers in a
// form that tells any two different values apart.
std::string settingsValuesText(const ScanSettings& settings);

}  // namespace quilve
