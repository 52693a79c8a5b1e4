#include "settings/settings_file.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "settings/open_file.h"

namespace quilve {

namespace {

enum class Kind { Integer, Flag, Float };

struct Line {
  const char* written;  // printf format of the written line
  const char* key;      // the reader's key (a prefix of the written one)
  Kind kind;
  int ScanSettings::*intField;
  bool ScanSettings::*flagField;
  float ScanSettings::*floatField;
};

constexpr Line integerLine(const char* w, const char* k, int ScanSettings::*f) {
  return {w, k, Kind::Integer, f, nullptr, nullptr};
}
constexpr Line flagLine(const char* w, const char* k, bool ScanSettings::*f) {
  return {w, k, Kind::Flag, nullptr, f, nullptr};
}
constexpr Line floatLine(const char* w, const char* k, float ScanSettings::*f) {
  return {w, k, Kind::Float, nullptr, nullptr, f};
}

const Line kLines[] = {
    integerLine("DetailSelection = %d\n", "DetailSelection", &ScanSettings::DetailSelection),
    integerLine("PopFilterSelection = %d\n", "PopFilterSelection", &ScanSettings::PopSelection),
    integerLine("ClutterFilterSelection = %d\n", "ClutterFilterSelection", &ScanSettings::ClutterSelection),
    integerLine("RestrictionSelection = %d\n", "RestrictionSelection", &ScanSettings::FitSelection),
    floatLine("SonoPowerThresholdDB = %f\n", "SonoPowerThresholdDB", &ScanSettings::PowerThreshold),
    floatLine("SonoTriggerThresholdDB = %f\n", "SonoTriggerThresholdDB", &ScanSettings::TriggerThreshold),
    floatLine("SonoMinDuration = %f\n", "SonoMinDuration", &ScanSettings::MinimumDuration),
    floatLine("SonoMinFrequency = %f\n", "SonoMinFrequency", &ScanSettings::MinimumFrequency),
    floatLine("SonoMaxFrequency = %f\n", "SonoMaxFrequency", &ScanSettings::MaximumFrequency),
    flagLine("DominantFrequencyEnable = %d\n", "DominantFrequencyEnable", &ScanSettings::EnableDominantFreqFilter),
    floatLine("DominantFrequencyMinHz  = %f\n", "DominantFrequencyMinHz", &ScanSettings::DominantFreqMinValue),
    floatLine("DominantFrequencyMaxHz  = %f\n", "DominantFrequencyMaxHz", &ScanSettings::DominantFreqMaxValue),
    flagLine("EndingFrequencyEnable = %d\n", "EndingFrequencyEnable", &ScanSettings::EnableEndingFreqFilter),
    floatLine("EndingFrequencyMinHz  = %f\n", "EndingFrequencyMinHz", &ScanSettings::EndingFreqMinValue),
    floatLine("EndingFrequencyMaxHz  = %f\n", "EndingFrequencyMaxHz", &ScanSettings::EndingFreqMaxValue),
    flagLine("CharacteristicFrequencyEnable = %d\n", "CharacteristicFrequencyEnable", &ScanSettings::EnableCharacteristicFreqFilter),
    floatLine("CharacteristicFrequencyMinHz  = %f\n", "CharacteristicFrequencyMinHz", &ScanSettings::CharacteristicFreqMinValue),
    floatLine("CharacteristicFrequencyMaxHz  = %f\n", "CharacteristicFrequencyMaxHz", &ScanSettings::CharacteristicFreqMaxValue),
    flagLine("CharacteristicSlopeEnable = %d\n", "CharacteristicSlopeEnable", &ScanSettings::EnableCharacteristicSlopeFilter),
    floatLine("CharacteristicSlopeMinHz  = %f\n", "CharacteristicSlopeMin", &ScanSettings::CharacteristicSlopeMinValue),
    floatLine("CharacteristicSlopeMaxHz  = %f\n", "CharacteristicSlopeMax", &ScanSettings::CharacteristicSlopeMaxValue),
    flagLine("UpperSlopeEnable = %d\n", "UpperSlopeEnable", &ScanSettings::EnableUpperSlopeFilter),
    floatLine("UpperSlopeMinHz  = %f\n", "UpperSlopeMin", &ScanSettings::UpperSlopeMinValue),
    floatLine("UpperSlopeMaxHz  = %f\n", "UpperSlopeMax", &ScanSettings::UpperSlopeMaxValue),
    flagLine("CurvatureFilterEnable = %d\n", "CurvatureFilterEnable", &ScanSettings::EnableCurvatureFilter),
    floatLine("CurvatureFilterMin  = %f\n", "CurvatureFilterMin", &ScanSettings::CurvatureMinValue),
    floatLine("CurvatureFilterMax  = %f\n", "CurvatureFilterMax", &ScanSettings::CurvatureMaxValue),
};

constexpr const char* kHeader = "QUILVE Configuration File\n";
constexpr std::size_t kHeaderCompare = 6;  // "QUILVE"
constexpr int kLineBuffer = 512;           // at most 511 characters per read

bool isWhite(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Truncation toward zero that refuses values an int cannot hold.
bool truncToInt(float v, int* out) {
  const float t = std::trunc(v);
  if (!(t >= static_cast<float>(std::numeric_limits<int>::min()) &&
        t < static_cast<float>(std::numeric_limits<int>::max()))) {
    return false;
  }
  *out = static_cast<int>(t);
  return true;
}

bool storeValue(const Line& line, float value, ScanSettings& s) {
  int whole = 0;
  switch (line.kind) {
    case Kind::Integer:
      if (!truncToInt(value, &whole)) return false;
      s.*line.intField = whole;
      return true;
    case Kind::Flag:
      if (!truncToInt(value, &whole)) return false;
      s.*line.flagField = whole > 0;
      return true;
    case Kind::Float:
      s.*line.floatField = value;
      return true;
  }
  return false;
}

// A stray carriage return inside a line would move the cursor back over the
// warning; it is shown as "\r".
std::string printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

void handleLine(const char* text, ScanSettings& s, std::FILE* warnings) {
  std::string line(text);
  // Lines end in LF or, from files written on other platforms, in CR LF.
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  for (const Line& entry : kLines) {
    const std::size_t keyLen = std::strlen(entry.key);
    if (line.size() <= keyLen || line.compare(0, keyLen, entry.key) != 0) continue;
    std::size_t p = keyLen;
    while (p < line.size() && !isWhite(line[p])) ++p;  // a suffix such as "Hz"
    while (p < line.size() && (isWhite(line[p]) || line[p] == '=')) ++p;
    const std::string value = line.substr(p);
    float number = 0;
    if (!parseSettingsNumber(value, &number) || !storeValue(entry, number, s)) {
      if (warnings) {
        std::fprintf(warnings, "\n WARNING: Bad key value - %s : %s\n", printable(line).c_str(),
                     printable(value).c_str());
      }
    }
  }
}

}  // namespace

bool parseSettingsNumber(std::string_view text, float* value) {
  std::size_t p = 0;
  bool negative = false;
  if (p < text.size() && text[p] == '-') {
    negative = true;
    ++p;
  }
  float whole = 0.0f;
  std::size_t digits = 0;
  while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
    whole = whole * 10.0f + static_cast<float>(text[p] - '0');
    ++p;
    ++digits;
  }
  float fraction = 0.0f;
  float scale = 1.0f;
  bool point = false;
  if (p < text.size() && text[p] == '.') {
    point = true;
    ++p;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
      fraction = fraction * 10.0f + static_cast<float>(text[p] - '0');
      scale *= 10.0f;
      ++p;
    }
  }
  if (p != text.size() || (!point && digits == 0)) return false;
  float v = whole + fraction / scale;
  if (!std::isfinite(v)) return false;  // more digits than a float holds
  *value = negative ? -v : v;
  return true;
}

namespace {

// The written key: the line's first word.
std::string writtenKey(const Line& line) {
  const char* end = std::strchr(line.written, ' ');
  return std::string(line.written, end ? static_cast<std::size_t>(end - line.written) : std::strlen(line.written));
}

}  // namespace

std::string settingsFileKey(float ScanSettings::*field) {
  for (const Line& line : kLines) {
    if (line.kind == Kind::Float && line.floatField == field) return writtenKey(line);
  }
  return {};
}

std::string settingsFileKey(int ScanSettings::*field) {
  for (const Line& line : kLines) {
    if (line.kind == Kind::Integer && line.intField == field) return writtenKey(line);
  }
  return {};
}

std::string settingsFileKey(bool ScanSettings::*field) {
  for (const Line& line : kLines) {
    if (line.kind == Kind::Flag && line.flagField == field) return writtenKey(line);
  }
  return {};
}

bool writeSettingsFile(const std::string& path, const ScanSettings& s) {
  // Binary: LF line ends on every system, the same bytes everywhere.
  std::FILE* f = openFile(path, "wb");
  if (!f) return false;
  std::fputs(kHeader, f);
  for (const Line& line : kLines) {
    switch (line.kind) {
      case Kind::Integer:
        std::fprintf(f, line.written, s.*line.intField);
        break;
      case Kind::Flag:
        std::fprintf(f, line.written, (s.*line.flagField) ? 1 : 0);
        break;
      case Kind::Float:
        std::fprintf(f, line.written, static_cast<double>(s.*line.floatField));
        break;
    }
  }
  // A full disk or a failed write shows only here: the file is then not
  // the settings, and the caller reports it (errno set).
  const bool written = !std::ferror(f);
  const int writeError = errno;
  if (std::fclose(f) != 0) return false;
  if (!written) {
    errno = writeError != 0 ? writeError : EIO;
    return false;
  }
  return true;
}

bool readSettingsFile(const std::string& path, ScanSettings& settings, std::FILE* warnings) {
  // Binary as well: a line's CR before its LF is taken off by the reader,
  // so files with either line end load alike.
  std::FILE* f = openFile(path, "rb");
  if (!f) return false;
  return readSettingsFile(f, settings, warnings);
}

bool readSettingsFile(std::FILE* f, ScanSettings& settings, std::FILE* warnings) {
  if (!f) return false;
  char buffer[kLineBuffer];
  if (!std::fgets(buffer, sizeof buffer, f) ||
      std::strncmp(buffer, kHeader, kHeaderCompare) != 0) {
    std::fclose(f);
    return false;
  }
  // Values are collected first and stored at once, so a reader never sees a
  // half-loaded file.
  ScanSettings updated = settings;
  while (std::fgets(buffer, sizeof buffer, f)) handleLine(buffer, updated, warnings);
  std::fclose(f);
  settings = updated;
  return true;
}

}  // namespace quilve
