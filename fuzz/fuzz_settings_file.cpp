// The settings file reader and its number syntax on arbitrary text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "fuzz_input.h"
#include "settings/scan_settings.h"
#include "settings/settings_file.h"

using namespace quilve;
using quilve::fuzz::expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  float number = 0.0f;
  if (parseSettingsNumber(text, &number)) expect(std::isfinite(number), "a number is not finite");

  static std::FILE* warnings = std::fopen("/dev/null", "w");
  const std::string& path = fuzz::writeInput(data, size, ".set");
  ScanSettings settings;
  if (readSettingsFile(path, settings, warnings)) {
    // What was read is written and read back unchanged.
    const std::string again = fuzz::scratchPath(".set");
    expect(writeSettingsFile(again, settings), "cannot write the settings back");
    ScanSettings reread;
    expect(readSettingsFile(again, reread, warnings), "the written settings do not read back");
  }
  return 0;
}
