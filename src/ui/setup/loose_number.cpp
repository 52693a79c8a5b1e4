#include "ui/setup/loose_number.h"

#include <string>

#include "settings/settings_file.h"

namespace quilve::ui {

bool parseLooseNumber(std::string_view text, float* value) {
  const std::size_t point = text.find('.');
  const std::size_t signsEnd = point == std::string_view::npos ? text.size() : point;
  bool negative = false;
  std::string unsignedText;
  unsignedText.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '-' && i < signsEnd) {
      negative = true;
      continue;
    }
    unsignedText.push_back(text[i]);
  }
  // What is left must be the plain number syntax without a sign; a '-'
  // after the point is still in it and fails there.
  float v = 0.0f;
  if (!parseSettingsNumber(unsignedText, &v)) return false;
  // No "-0.0" in the field after a refresh.
  *value = (negative && v != 0.0f) ? -v : v;
  return true;
}

}  // namespace quilve::ui
