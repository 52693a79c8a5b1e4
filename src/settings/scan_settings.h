#pragma once
// The scan settings and the directory history: every value that steers a
// scan and its outputs, with its default, and the remembered directories and
// timer program paths. Plain records, passed by reference; the program keeps
// one of each.
//
// Units in memory: frequencies in Hz, durations in seconds, levels in dB.
// The windows show some of them in kHz and ms (see the conversions below).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quilve {

// Fit restriction (`FitSelection`).
enum FitRestriction : int { kFitLow = 0, kFitStd = 1, kFitHigh = 2, kFitOff = 3 };

// Pop and clutter filters (`PopSelection`, `ClutterSelection`).
enum FilterSwitch : int { kFilterOff = 0, kFilterOn = 1 };

// Results layout (`OutputFormat`), in the order of the Output Format window.
enum OutputFormatChoice : int {
  kOutputAnalook = 0,
  kOutputSonoBat2 = 1,
  kOutputEchoclass = 2,
  kOutputQuilve = 3,
  kOutputZcd = 4,  // zero-crossing files instead of results lines
};

// Clock read by the operation timer (`TimeStandard`).
enum TimeStandardChoice : int { kTimeUtc = 0, kTimeLocal = 1 };

// How the operation timer starts programs (`TimerOperationMode`).
enum TimerMode : int { kTimerOff = 0, kTimerRunAt = 1, kTimerRunEvery = 2 };

constexpr std::size_t kMaxStartTimeChars = 63;  // ProgramStartTime, without terminator
constexpr std::size_t kMaxPathChars = 259;      // history paths, without terminator
constexpr int kTimerProgramCount = 4;

struct ScanSettings {
  // Detector
  float TriggerThreshold = 18.0f;     // dB, no bound
  float PowerThreshold = 21.0f;       // dB, no bound
  float MinimumFrequency = 15000.0f;  // Hz, not below 0
  float MaximumFrequency = 125000.0f; // Hz, not below 0
  float MinimumDuration = 0.0005f;    // s, not below 0
  int DetailSelection = 3;            // span index 1..15 (16 only from storage)
  int FitSelection = kFitStd;
  int PopSelection = kFilterOff;
  int ClutterSelection = kFilterOn;
  int DefaultExpansionFactor = 1;     // 1 or 10

  // Filter bank: six min/max rows, each with its enable flag.
  bool EnableDominantFreqFilter = false;
  float DominantFreqMinValue = 10000.0f;   // Hz
  float DominantFreqMaxValue = 120000.0f;  // Hz
  bool EnableEndingFreqFilter = false;
  float EndingFreqMinValue = 10000.0f;
  float EndingFreqMaxValue = 120000.0f;
  bool EnableCharacteristicFreqFilter = false;
  float CharacteristicFreqMinValue = 10000.0f;
  float CharacteristicFreqMaxValue = 120000.0f;
  bool EnableCharacteristicSlopeFilter = false;
  float CharacteristicSlopeMinValue = -100.0f;  // slope unit of the output format
  float CharacteristicSlopeMaxValue = 100.0f;
  bool EnableUpperSlopeFilter = false;
  float UpperSlopeMinValue = -100.0f;
  float UpperSlopeMaxValue = 100.0f;
  bool EnableCurvatureFilter = false;
  float CurvatureMinValue = -8.0f;  // exponent of x^n
  float CurvatureMaxValue = 8.0f;

  // A file passes with at least this many qualifying chirps.
  int ChirpDetectionThreshold = 1;

  // Output
  int OutputFormat = kOutputAnalook;
  bool IncludeSoundPressureLevel = false;
  bool IncludeCurvature = false;
  bool IncludeCurveFitError = false;
  bool IncludeGPSCoordinates = false;
  bool AllowFileCombining = false;  // zero-crossing output only

  // Sonogram colour scale, dB
  float SonoBrightness = 50.0f;  // centre
  float SonoContrast = 40.0f;    // width

  // Operation timer
  int TimeStandard = kTimeUtc;
  int TimerOperationMode = kTimerOff;
  std::string ProgramStartTime;  // "hh:mm:ss", at most kMaxStartTimeChars; empty means 00:00:00
  int RepeatIntervalMinutes = 1;
  bool TimerProgram1Enable = false;
  bool TimerProgram2Enable = false;
  bool TimerProgram3Enable = false;
  bool TimerProgram4Enable = false;
};

// Remembered directories and the four timer programs' paths. Each text holds
// at most kMaxPathChars characters (see setBoundedText).
struct DirectoryHistory {
  std::string InputDirectory;
  std::string OutputDirectory;    // ends in a backslash
  std::string SettingsDirectory;  // ends in a backslash
  std::string Program1InputDirectory;  // without a trailing backslash
  std::string Program1OutputDirectory;
  std::string Program1OutputFileName;  // full path as picked
  std::string Program1ArchiveDirectory;  // without a trailing backslash; may be empty
  std::string Program2InputDirectory;
  std::string Program2OutputDirectory;
  std::string Program2OutputFileName;
  std::string Program2ArchiveDirectory;
  std::string Program3InputDirectory;
  std::string Program3OutputDirectory;
  std::string Program3OutputFileName;
  std::string Program3ArchiveDirectory;
  std::string Program4InputDirectory;
  std::string Program4OutputDirectory;
  std::string Program4OutputFileName;
  std::string Program4ArchiveDirectory;
};

// Stores `value` in `field`, cut to `maxChars` characters.
void setBoundedText(std::string& field, std::string_view value, std::size_t maxChars);

// The enable flag of timer program 1..4; false for any other number.
bool timerProgramEnabled(const ScanSettings& s, int program);

// --- Output options as one stored bit set -------------------------------
constexpr std::uint32_t kOptionSoundPressureLevel = 1u << 0;
constexpr std::uint32_t kOptionCurvature = 1u << 1;
constexpr std::uint32_t kOptionCurveFitError = 1u << 2;
constexpr std::uint32_t kOptionGpsCoordinates = 1u << 3;
constexpr std::uint32_t kOptionFileCombining = 1u << 8;

std::uint32_t packOutputOptions(const ScanSettings& s);
// Sets each of the five flags from its bit; all other bits are ignored.
void unpackOutputOptions(std::uint32_t bits, ScanSettings& s);

// "Allow File Combining" can be changed only while zero-crossing output is chosen.
inline bool fileCombiningSelectable(int outputFormat) { return outputFormat == kOutputZcd; }

// --- Display span of the 128 sonogram columns ---------------------------
// Span in milliseconds of a DetailSelection index (1..16); 20 for any other.
int spanMilliseconds(int detailSelection);
// The same span in seconds (0.005 to 0.5; 0.02 for an unlisted index).
float spanSeconds(int detailSelection);
// The span right-aligned in three digits followed by " msec": " 20 msec".
std::string spanLabel(int detailSelection);

// --- Slope unit label -----------------------------------------------------
// The slope windows of the filter bank compare octaves per second with the
// Analook layout and kHz/ms with every other output format.
inline bool slopeFilterInOctaves(int outputFormat) { return outputFormat == kOutputAnalook; }
// The unit label beside the slope windows: "(Oct/sec)" or "(KHz/msec)",
// always the unit the filter bank compares, wherever it is written (the
// Scan Setup window when built or refreshed, or the Output Format window
// right after a format was chosen).
const char* slopeUnitLabel(int outputFormat);

// --- Unit conversions used by the windows ---------------------------------
inline float khzToHz(float khz) { return khz * 1000.0f; }
inline float hzToKhz(float hz) { return hz / 1000.0f; }
inline float msToSeconds(float ms) { return ms * 0.001f; }
inline float secondsToMs(float s) { return s * 1000.0f; }

// Arrow steps of the Scan Setup fields. Frequencies step 1 kHz and never go
// below 0 Hz; the minimum duration steps 1 ms and never goes below 0 s.
float stepFrequency(float hz, int steps);
float stepDuration(float seconds, int steps);
// A filter-bank frequency typed in kHz, held in Hz; typed negatives become 0.
float typedFilterFrequency(float khz);
// "Chirps per file" typed as a decimal: truncated toward zero.
int typedChirpsPerFile(double value);
// "Run scan every" typed as a decimal: rounded to the nearest whole minute
// (value + 0.5, truncated toward zero).
int typedRepeatInterval(double minutes);
// DefaultExpansionFactor takes only 1 or 10.
inline bool validExpansionFactor(int factor) { return factor == 1 || factor == 10; }

// ProgramStartTime as shown: "00:00:00" while empty.
std::string shownStartTime(const ScanSettings& s);

// --- Sonogram colour scale --------------------------------------------------
struct ColourScale {
  float lower;  // dB
  float upper;  // dB
};
// Lower edge = brightness - contrast / 2, upper edge = lower edge + contrast.
ColourScale colourScaleEdges(float brightness, float contrast);
// The Brightness and Contrast sliders run 1..100 with position = 100 - value.
inline int sliderPosition(float level) { return 100 - static_cast<int>(level); }
inline float sliderLevel(int position) { return static_cast<float>(100 - position); }

// --- Filter bank ------------------------------------------------------------
// A row takes part only while enabled; a value passes when min <= value <= max.
inline bool filterRowPasses(bool enabled, float value, float minValue, float maxValue) {
  return !enabled || (value >= minValue && value <= maxValue);
}

}  // namespace quilve
