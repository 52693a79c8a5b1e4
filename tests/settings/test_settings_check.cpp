// Settings checked before a scan: ranges, relations and the texts that name
// each problem.
#include "settings/settings_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "settings/settings_names.h"

using namespace quilve;

namespace {

std::vector<std::string> problemsWith(const std::function<void(ScanSettings&)>& change) {
  ScanSettings s;
  change(s);
  return settingsProblems(s);
}

std::vector<std::string> problemsWith(const std::string& name, const std::string& value) {
  ScanSettings s;
  std::string error;
  EXPECT_TRUE(setSettingByName(s, name, value, &error)) << error;
  return settingsProblems(s);
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(SettingsCheck, TheDefaultsAndTheLimitsThemselvesAreSound) {
  EXPECT_EQ(settingsProblems(ScanSettings{}), Texts{});
  for (const auto& [name, value] :
       std::vector<std::pair<std::string, std::string>>{
           {"MinimumFrequency", "0"}, {"MinimumFrequency", "124999"}, {"MinimumDuration", "0"},
           {"DetailSelection", "1"}, {"DetailSelection", "16"}, {"FitSelection", "0"},
           {"FitSelection", "3"}, {"PopSelection", "1"}, {"ClutterSelection", "0"},
           {"DefaultExpansionFactor", "10"}, {"ChirpDetectionThreshold", "0"}, {"OutputFormat", "4"},
           {"SonoBrightness", "0"}, {"SonoContrast", "100"}, {"TimeStandard", "1"},
           {"TimerOperationMode", "2"}, {"RepeatIntervalMinutes", "1"},
           {"TriggerThreshold", "-40"}, {"PowerThreshold", "99"}, {"MaximumFrequency", "999999"},
           // A disabled row may hold any bounds; an enabled one may be a single value.
           {"DominantFreqMinValue", "200000"}}) {
    EXPECT_EQ(problemsWith(name, value), Texts{}) << name << "=" << value;
  }
  EXPECT_EQ(problemsWith([](ScanSettings& s) {
              s.EnableCurvatureFilter = true;
              s.CurvatureMinValue = s.CurvatureMaxValue = 2;
            }),
            Texts{});
}

TEST(SettingsCheck, EachProblemNamesTheSettingItsValueAndTheRange) {
  EXPECT_EQ(problemsWith("MaximumFrequency", "125"),
            Texts{"MaximumFrequency=125: must be above MinimumFrequency (15000)"});
  EXPECT_EQ(problemsWith("MaximumFrequency", "15000"),
            Texts{"MaximumFrequency=15000: must be above MinimumFrequency (15000)"});
  EXPECT_EQ(problemsWith("MinimumFrequency", "-1"),
            Texts{"MinimumFrequency=-1: must not be below 0"});
  EXPECT_EQ(problemsWith("MinimumDuration", "-0.001"),
            Texts{"MinimumDuration=-0.001: must not be below 0"});
  EXPECT_EQ(problemsWith("OutputFormat", "99"), Texts{"OutputFormat=99: not in range 0 to 4"});
  EXPECT_EQ(problemsWith("OutputFormat", "-1"), Texts{"OutputFormat=-1: not in range 0 to 4"});
  EXPECT_EQ(problemsWith("DetailSelection", "0"), Texts{"DetailSelection=0: not in range 1 to 16"});
  EXPECT_EQ(problemsWith("DetailSelection", "17"), Texts{"DetailSelection=17: not in range 1 to 16"});
  EXPECT_EQ(problemsWith("FitSelection", "4"), Texts{"FitSelection=4: not in range 0 to 3"});
  EXPECT_EQ(problemsWith("PopSelection", "2"), Texts{"PopSelection=2: not in range 0 to 1"});
  EXPECT_EQ(problemsWith("ClutterSelection", "-1"), Texts{"ClutterSelection=-1: not in range 0 to 1"});
  for (const char* factor : {"0", "2", "1000000000"}) {
    EXPECT_EQ(problemsWith("DefaultExpansionFactor", factor),
              Texts{std::string("DefaultExpansionFactor=") + factor + ": must be 1 or 10"});
  }
  EXPECT_EQ(problemsWith("ChirpDetectionThreshold", "-1"),
            Texts{"ChirpDetectionThreshold=-1: must be at least 0"});
  EXPECT_EQ(problemsWith("SonoContrast", "100.5"), Texts{"SonoContrast=100.5: not in range 0 to 100"});
  EXPECT_EQ(problemsWith("TimeStandard", "2"), Texts{"TimeStandard=2: not in range 0 to 1"});
  EXPECT_EQ(problemsWith("TimerOperationMode", "3"), Texts{"TimerOperationMode=3: not in range 0 to 2"});
  EXPECT_EQ(problemsWith("RepeatIntervalMinutes", "0"), Texts{"RepeatIntervalMinutes=0: must be at least 1"});
  // Every problem at once, in declaration order.
  EXPECT_EQ(problemsWith([](ScanSettings& s) {
              s.MaximumFrequency = 125;
              s.OutputFormat = 99;
            }),
            (Texts{"MaximumFrequency=125: must be above MinimumFrequency (15000)",
                   "OutputFormat=99: not in range 0 to 4"}));
}

TEST(SettingsCheck, AnEnabledFilterRowNeedsItsMinimumNotAboveItsMaximum) {
  const auto upsideDown = [](ScanSettings& s) {
    s.CharacteristicSlopeMinValue = 5;
    s.CharacteristicSlopeMaxValue = -5;
  };
  EXPECT_EQ(problemsWith(upsideDown), Texts{});
  EXPECT_EQ(problemsWith([&](ScanSettings& s) {
              upsideDown(s);
              s.EnableCharacteristicSlopeFilter = true;
            }),
            Texts{"CharacteristicSlopeMaxValue=-5: must not be below CharacteristicSlopeMinValue (5) "
                  "while EnableCharacteristicSlopeFilter is on"});
  EXPECT_EQ(problemsWith([](ScanSettings& s) {
              s.EnableDominantFreqFilter = true;
              s.DominantFreqMaxValue = 5000;
            }),
            Texts{"DominantFreqMaxValue=5000: must not be below DominantFreqMinValue (10000) while "
                  "EnableDominantFreqFilter is on"});
}

TEST(SettingsCheck, NumbersAreShownShortAndNonNumbersAreRefused) {
  EXPECT_EQ(settingNumberText(15000), "15000");
  EXPECT_EQ(settingNumberText(0.0005f), "0.0005");
  EXPECT_EQ(settingNumberText(-100), "-100");
  EXPECT_EQ(settingNumberText(1e30f), "1e+30");
  EXPECT_EQ(settingNumberText(std::numeric_limits<float>::max()), "3.4028235e+38");
  EXPECT_EQ(problemsWith([](ScanSettings& s) { s.MaximumFrequency = -std::numeric_limits<float>::max(); }),
            Texts{"MaximumFrequency=-3.4028235e+38: must be above MinimumFrequency (15000)"});
  EXPECT_EQ(problemsWith([](ScanSettings& s) { s.TriggerThreshold = std::nanf(""); }),
            Texts{"TriggerThreshold=nan: must be a finite number"});
  EXPECT_EQ(problemsWith([](ScanSettings& s) { s.MinimumFrequency = INFINITY; }),
            Texts{"MinimumFrequency=inf: must be a finite number"});
}
