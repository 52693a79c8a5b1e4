#pragma once
// The text of quilve-scan --list-settings: one line a setting (name,
// settings-file key, unit, default, range, meaning) in aligned columns under
// a heading line.
#include <string>

namespace quilve {

std::string settingsListText();

}  // namespace quilve
