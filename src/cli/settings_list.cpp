#include "cli/settings_list.h"

#include <algorithm>
#include <array>
#include <vector>

#include "settings/settings_names.h"

namespace quilve {

std::string settingsListText() {
  using Row = std::array<std::string, 6>;
  std::vector<Row> rows{{"NAME", "SETTINGS-FILE KEY", "UNIT", "DEFAULT", "RANGE", "MEANING"}};
  for (const SettingDescription& d : settingsCatalogue()) {
    rows.push_back({d.name, d.fileKey.empty() ? "-" : d.fileKey, d.unit, d.defaultText, d.range, d.meaning});
  }
  std::array<std::size_t, 6> width{};
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < width.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  std::string out;
  for (const Row& row : rows) {
    for (std::size_t c = 0; c + 1 < row.size(); ++c) out += row[c] + std::string(width[c] - row[c].size() + 2, ' ');
    out += row.back() + "\n";
  }
  return out;
}

}  // namespace quilve
