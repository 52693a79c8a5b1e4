#pragma once
// The repeating rows of the Scan Setup window as tables: the five value rows
// with their arrow steps, the six filter-bank rows, and the exclusive check
// box groups. Each entry says where its row sits, which setting it shows and
// how a shown or typed number maps to that setting.
#include <string_view>

#include "settings/scan_settings.h"

namespace quilve::ui {

struct ValueRowLayout {
  enum class Kind { Level, Frequency, Duration };
  int y;
  const char* label;
  const char* unit;
  const char* format;  // of the shown number
  float ScanSettings::*setting;
  Kind kind;
  float levelStep;  // dB per arrow press (Level rows only)
};
// Indexed by setup_ids::ValueRow.
const ValueRowLayout& valueRow(int row);

// The number a value row shows for its setting (kHz, ms or dB).
float shownValue(const ValueRowLayout& layout, float setting);
// The setting for a typed number: kHz and ms converted back, a negative
// duration made 0; levels and cut-offs unbounded.
float typedValue(const ValueRowLayout& layout, float shown);
// The setting after `steps` arrow presses (negative: "<<"), clamped at 0
// where the row has a lower bound.
float steppedValue(const ValueRowLayout& layout, float setting, int steps);

struct FilterRowLayout {
  enum class Unit { Frequency, Slope, Curvature };
  int y;
  const char* caption;
  bool ScanSettings::*enable;
  float ScanSettings::*minimum;
  float ScanSettings::*maximum;
  Unit unit;
};
// Indexed by setup_ids::FilterRow.
const FilterRowLayout& filterRow(int row);

// The number a filter field shows for its setting (kHz for frequencies).
float shownFilterValue(const FilterRowLayout& layout, float setting);
// Parses a typed filter field: frequencies with the number syntax, in kHz,
// negatives made 0; slopes and curvature with the looser syntax, as typed.
bool typedFilterValue(const FilterRowLayout& layout, std::string_view text, float* setting);

// One check box of an exclusive group and the value it selects.
struct GroupChoice {
  int id;
  int value;
};
struct ChoiceGroup {
  int ScanSettings::*setting;
  const GroupChoice* choices;
  int count;
};
// Fit Restriction, Pop Filter, Clutter Filter.
constexpr int kChoiceGroupCount = 3;
const ChoiceGroup& choiceGroup(int index);

}  // namespace quilve::ui
