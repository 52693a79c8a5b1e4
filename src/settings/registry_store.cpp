#include "settings/registry_store.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "settings/reporter.h"

namespace quilve {

const char* const kSettingsKeyPath = "SOFTWARE\\Velmora\\Fennick\\QUILVE\\1.8\\Settings";
const char* const kHistoryKeyPath = "SOFTWARE\\Velmora\\Fennick\\QUILVE\\1.8\\History";

namespace {

constexpr std::uint32_t kStartTimeBuffer = 64;
constexpr std::uint32_t kPathBuffer = 260;

bool readDword(const RegistryHive::Key& key, const char* name, std::uint32_t* out) {
  std::uint32_t value = 0;
  std::uint32_t size = 4;
  RegType type = RegType::None;
  if (key.query(name, &type, &value, &size) != RegResult::Success || type != RegType::Dword) {
    return false;
  }
  *out = value;
  return true;
}

bool readString(const RegistryHive::Key& key, const char* name, std::uint32_t bufferSize,
                std::string* out) {
  std::string buffer(bufferSize, '\0');
  std::uint32_t size = bufferSize;
  RegType type = RegType::None;
  if (key.query(name, &type, buffer.data(), &size) != RegResult::Success ||
      type != RegType::String) {
    return false;
  }
  *out = buffer.c_str();
  return true;
}

// The stored form of a value as the 32-bit pattern of a signed number (so
// negatives survive the round trip). A whole-number value (scale 1) keeps
// only its whole part. A scaled value is rounded to the nearest step: the
// float nearest 2.1 ms is a hair below it, and truncating its product would
// store 2.0 ms. Values outside the 32-bit range are held at its ends.
std::uint32_t scaled(float value, double scale) {
  const double product = static_cast<double>(value) * scale;
  const double v = scale == 1.0 ? std::trunc(product) : std::round(product);
  const double lo = std::numeric_limits<std::int32_t>::min();
  const double hi = std::numeric_limits<std::int32_t>::max();
  const double held = std::isnan(v) ? 0.0 : std::fmin(std::fmax(v, lo), hi);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(held));
}

float signedValue(std::uint32_t stored) { return static_cast<float>(static_cast<std::int32_t>(stored)); }

struct Scaled {
  const char* name;
  float ScanSettings::*field;
  double scale;  // stored = value * scale (see scaled)
};

struct Whole {
  const char* name;
  int ScanSettings::*field;
};

struct Flag {
  const char* name;
  bool ScanSettings::*field;
};

struct FilterRow {
  Flag enable;
  Scaled min;
  Scaled max;
};

const FilterRow kFilterRows[] = {
    {{"EnableDominantFreqFilter", &ScanSettings::EnableDominantFreqFilter},
     {"DominantFreqMinValue", &ScanSettings::DominantFreqMinValue, 1},
     {"DominantFreqMaxValue", &ScanSettings::DominantFreqMaxValue, 1}},
    {{"EnableEndingFreqFilter", &ScanSettings::EnableEndingFreqFilter},
     {"EndingFreqMinValue", &ScanSettings::EndingFreqMinValue, 1},
     {"EndingFreqMaxValue", &ScanSettings::EndingFreqMaxValue, 1}},
    {{"EnableCharacteristicFreqFilter", &ScanSettings::EnableCharacteristicFreqFilter},
     {"CharacteristicFreqMinValue", &ScanSettings::CharacteristicFreqMinValue, 1},
     {"CharacteristicFreqMaxValue", &ScanSettings::CharacteristicFreqMaxValue, 1}},
    {{"EnableCharacteristicSlopeFilter", &ScanSettings::EnableCharacteristicSlopeFilter},
     {"CharacteristicSlopeMinValue", &ScanSettings::CharacteristicSlopeMinValue, 1},
     {"CharacteristicSlopeMaxValue", &ScanSettings::CharacteristicSlopeMaxValue, 1}},
    {{"EnableUpperSlopeFilter", &ScanSettings::EnableUpperSlopeFilter},
     {"UpperSlopeMinValue", &ScanSettings::UpperSlopeMinValue, 1},
     {"UpperSlopeMaxValue", &ScanSettings::UpperSlopeMaxValue, 1}},
    {{"EnableCurvatureFilter", &ScanSettings::EnableCurvatureFilter},
     {"CurvatureMinValue", &ScanSettings::CurvatureMinValue, 1},
     {"CurvatureMaxValue", &ScanSettings::CurvatureMaxValue, 1}},
};

const Scaled kBrightness{"SonoBrightness", &ScanSettings::SonoBrightness, 1};
const Scaled kContrast{"SonoContrast", &ScanSettings::SonoContrast, 1};
const Scaled kTrigger{"TriggerThreshold", &ScanSettings::TriggerThreshold, 100};
const Scaled kMinFreq{"MinimumFrequency", &ScanSettings::MinimumFrequency, 1};
const Scaled kMaxFreq{"MaximumFrequency", &ScanSettings::MaximumFrequency, 1};
const Scaled kPower{"PowerThreshold", &ScanSettings::PowerThreshold, 100};
const Scaled kMinDuration{"MinimumDuration", &ScanSettings::MinimumDuration, 10000};

const Whole kOutputFormat{"OutputFormat", &ScanSettings::OutputFormat};
const Whole kDetail{"DetailSelection", &ScanSettings::DetailSelection};
const Whole kFit{"FitSelection", &ScanSettings::FitSelection};
const Whole kPop{"PopSelection", &ScanSettings::PopSelection};
const Whole kClutter{"ClutterSelection", &ScanSettings::ClutterSelection};
const Whole kExpansion{"DefaultExpansionFactor", &ScanSettings::DefaultExpansionFactor};
const Whole kChirps{"ChirpDetectionThreshold", &ScanSettings::ChirpDetectionThreshold};
const Whole kTimeStandard{"TimeStandard", &ScanSettings::TimeStandard};
const Whole kRepeat{"RepeatIntervalMinutes", &ScanSettings::RepeatIntervalMinutes};
const Whole kTimerMode{"TimerOperationMode", &ScanSettings::TimerOperationMode};

const Flag kProgramEnables[] = {
    {"TimerProgram1Enable", &ScanSettings::TimerProgram1Enable},
    {"TimerProgram2Enable", &ScanSettings::TimerProgram2Enable},
    {"TimerProgram3Enable", &ScanSettings::TimerProgram3Enable},
    {"TimerProgram4Enable", &ScanSettings::TimerProgram4Enable},
};

constexpr const char* kStartTime = "ProgramStartTime";
constexpr const char* kOutputOptions = "OutputOptions";

void load(const RegistryHive::Key& k, const Scaled& v, ScanSettings& s) {
  std::uint32_t n;
  if (readDword(k, v.name, &n)) {
    s.*v.field = static_cast<float>(static_cast<double>(signedValue(n)) / v.scale);
  }
}
void load(const RegistryHive::Key& k, const Whole& v, ScanSettings& s) {
  std::uint32_t n;
  if (readDword(k, v.name, &n)) s.*v.field = static_cast<std::int32_t>(n);
}
void load(const RegistryHive::Key& k, const Flag& v, ScanSettings& s) {
  std::uint32_t n;
  if (readDword(k, v.name, &n)) s.*v.field = n != 0;
}

void save(RegistryHive::Key& k, const Scaled& v, const ScanSettings& s) {
  k.setDword(v.name, scaled(s.*v.field, v.scale));
}
void save(RegistryHive::Key& k, const Whole& v, const ScanSettings& s) {
  k.setDword(v.name, static_cast<std::uint32_t>(s.*v.field));
}
void save(RegistryHive::Key& k, const Flag& v, const ScanSettings& s) {
  k.setDword(v.name, (s.*v.field) ? 1u : 0u);
}

struct HistoryField {
  const char* name;
  std::string DirectoryHistory::*field;
};

const HistoryField kHistoryHead[] = {
    {"InputDirectory", &DirectoryHistory::InputDirectory},
    {"OutputDirectory", &DirectoryHistory::OutputDirectory},
    {"SettingsDirectory", &DirectoryHistory::SettingsDirectory},
};

const HistoryField kHistoryPrograms[] = {
    {"Program1InputDirectory", &DirectoryHistory::Program1InputDirectory},
    {"Program1OutputDirectory", &DirectoryHistory::Program1OutputDirectory},
    {"Program1OutputFileName", &DirectoryHistory::Program1OutputFileName},
    {"Program1ArchiveDirectory", &DirectoryHistory::Program1ArchiveDirectory},
    {"Program2InputDirectory", &DirectoryHistory::Program2InputDirectory},
    {"Program2OutputDirectory", &DirectoryHistory::Program2OutputDirectory},
    {"Program2OutputFileName", &DirectoryHistory::Program2OutputFileName},
    {"Program2ArchiveDirectory", &DirectoryHistory::Program2ArchiveDirectory},
    {"Program3InputDirectory", &DirectoryHistory::Program3InputDirectory},
    {"Program3OutputDirectory", &DirectoryHistory::Program3OutputDirectory},
    {"Program3OutputFileName", &DirectoryHistory::Program3OutputFileName},
    {"Program3ArchiveDirectory", &DirectoryHistory::Program3ArchiveDirectory},
    {"Program4InputDirectory", &DirectoryHistory::Program4InputDirectory},
    {"Program4OutputDirectory", &DirectoryHistory::Program4OutputDirectory},
    {"Program4OutputFileName", &DirectoryHistory::Program4OutputFileName},
    {"Program4ArchiveDirectory", &DirectoryHistory::Program4ArchiveDirectory},
};

void loadHistoryField(const RegistryHive::Key& key, const HistoryField& f, DirectoryHistory& h) {
  std::string text;
  h.*f.field = readString(key, f.name, kPathBuffer, &text) ? text : std::string();
}

}  // namespace

void loadSettings(RegistryHive& hive, const std::string& keyPath, ScanSettings& s) {
  RegistryHive::Key* key = hive.open(keyPath, true);
  if (!key) return;
  const RegistryHive::Key& k = *key;
  load(k, kBrightness, s);
  load(k, kContrast, s);
  load(k, kOutputFormat, s);
  std::uint32_t bits;
  if (readDword(k, kOutputOptions, &bits)) unpackOutputOptions(bits, s);
  load(k, kTrigger, s);
  load(k, kMinFreq, s);
  load(k, kMaxFreq, s);
  load(k, kPower, s);
  load(k, kMinDuration, s);
  load(k, kDetail, s);
  load(k, kFit, s);
  load(k, kPop, s);
  load(k, kClutter, s);
  load(k, kExpansion, s);
  for (const FilterRow& row : kFilterRows) {
    load(k, row.enable, s);
    load(k, row.min, s);
    load(k, row.max, s);
  }
  load(k, kChirps, s);
  load(k, kTimeStandard, s);
  load(k, kRepeat, s);
  load(k, kTimerMode, s);
  for (const Flag& f : kProgramEnables) load(k, f, s);
  std::string start;
  s.ProgramStartTime = readString(k, kStartTime, kStartTimeBuffer, &start) ? start : std::string();
}

void loadHistory(RegistryHive& hive, const std::string& keyPath, DirectoryHistory& h) {
  RegistryHive::Key* key = hive.open(keyPath, true);
  if (!key) return;
  for (const HistoryField& f : kHistoryHead) loadHistoryField(*key, f, h);
  for (const HistoryField& f : kHistoryPrograms) loadHistoryField(*key, f, h);
}

void saveSettings(RegistryHive& hive, const std::string& keyPath, const ScanSettings& s,
                  Reporter* reporter) {
  RegistryHive::Key* key = hive.open(keyPath, false);
  if (!key) return;
  RegistryHive::Key& k = *key;
  save(k, kBrightness, s);
  save(k, kContrast, s);
  save(k, kOutputFormat, s);
  k.setDword(kOutputOptions, packOutputOptions(s));
  save(k, kTrigger, s);
  save(k, kMinFreq, s);
  save(k, kMaxFreq, s);
  save(k, kPower, s);
  save(k, kMinDuration, s);
  save(k, kDetail, s);
  save(k, kFit, s);
  save(k, kPop, s);
  save(k, kClutter, s);
  save(k, kChirps, s);
  for (const FilterRow& row : kFilterRows) {
    save(k, row.enable, s);
    save(k, row.min, s);
    save(k, row.max, s);
  }
  save(k, kExpansion, s);
  save(k, kTimeStandard, s);
  save(k, kRepeat, s);
  save(k, kTimerMode, s);
  for (const Flag& f : kProgramEnables) save(k, f, s);
  std::string start = s.ProgramStartTime.substr(0, kStartTimeBuffer - 1);
  k.setString(kStartTime, start);
  std::string error;
  if (!hive.save(&error)) {
    if (reporter) {
      reporter->trace("Saving " + hive.where() + " failed: " + error + "\n");
      reporter->warning("Failed writing one or more save state values");
    }
  }
}

void saveHistory(RegistryHive& hive, const std::string& keyPath, const DirectoryHistory& h,
                 Reporter* reporter) {
  RegistryHive::Key* key = hive.open(keyPath, false);
  if (!key) return;
  if (reporter) reporter->trace(keyDump(*key));
  for (const HistoryField& f : kHistoryHead) {
    if (!(h.*f.field).empty()) key->setString(f.name, (h.*f.field).substr(0, kPathBuffer - 1));
  }
  for (const HistoryField& f : kHistoryPrograms) {
    key->setString(f.name, (h.*f.field).substr(0, kPathBuffer - 1));
  }
  std::string error;
  if (!hive.save(&error)) {
    if (reporter) {
      reporter->trace("Saving " + hive.where() + " failed: " + error + "\n");
      reporter->warning("Failed writing one or more history values");
    }
  }
}

std::string keyDump(const RegistryHive::Key& key) {
  std::string out;
  char buf[64];
  const auto& subkeys = key.subkeyNames();
  std::snprintf(buf, sizeof buf, "\nNumber of Subkeys: %d\n", static_cast<int>(subkeys.size()));
  out += buf;
  for (std::size_t i = 0; i < subkeys.size(); ++i) {
    std::snprintf(buf, sizeof buf, "(%d) ", static_cast<int>(i + 1));
    out += buf + subkeys[i] + "\n";
  }
  const auto values = key.valueNames();
  std::snprintf(buf, sizeof buf, "\nNumber of values: %d\n", static_cast<int>(values.size()));
  out += buf;
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::snprintf(buf, sizeof buf, "(%d) ", static_cast<int>(i + 1));
    out += buf + values[i] + "\n";
  }
  return out;
}

}  // namespace quilve
