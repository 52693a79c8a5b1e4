#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "settings/scan_settings.h"
#include "settings/settings_names.h"

namespace quilve {
namespace {

TEST(ScanSettingsDefaults, FreshStartMatchesTheDocumentedDefaults) {
  const ScanSettings s;
  EXPECT_FLOAT_EQ(s.TriggerThreshold, 18.0f);
  EXPECT_FLOAT_EQ(s.PowerThreshold, 21.0f);
  EXPECT_FLOAT_EQ(s.MinimumFrequency, 15000.0f);
  EXPECT_FLOAT_EQ(s.MaximumFrequency, 125000.0f);
  EXPECT_FLOAT_EQ(s.MinimumDuration, 0.0005f);
  EXPECT_EQ(s.DetailSelection, 3);
  EXPECT_EQ(spanLabel(s.DetailSelection), " 15 msec");
  EXPECT_EQ(s.FitSelection, kFitStd);
  EXPECT_EQ(s.PopSelection, kFilterOff);
  EXPECT_EQ(s.ClutterSelection, kFilterOn);
  EXPECT_EQ(s.DefaultExpansionFactor, 1);
  EXPECT_FALSE(s.EnableDominantFreqFilter || s.EnableEndingFreqFilter ||
               s.EnableCharacteristicFreqFilter || s.EnableCharacteristicSlopeFilter ||
               s.EnableUpperSlopeFilter || s.EnableCurvatureFilter);
  EXPECT_EQ(s.ChirpDetectionThreshold, 1);
  EXPECT_EQ(s.OutputFormat, kOutputAnalook);
  EXPECT_EQ(packOutputOptions(s), 0u);
  EXPECT_EQ(s.TimeStandard, kTimeUtc);
  EXPECT_EQ(s.TimerOperationMode, kTimerOff);
  EXPECT_EQ(shownStartTime(s), "00:00:00");
  EXPECT_EQ(s.RepeatIntervalMinutes, 1);
  for (int n = 1; n <= kTimerProgramCount; ++n) EXPECT_FALSE(timerProgramEnabled(s, n));

  const DirectoryHistory h;
  EXPECT_TRUE(h.InputDirectory.empty() && h.Program4ArchiveDirectory.empty());
}

TEST(OutputOptions, PackAndUnpackUseOnlyTheFiveBits) {
  ScanSettings s;
  unpackOutputOptions(0x10F, s);
  EXPECT_TRUE(s.IncludeSoundPressureLevel && s.IncludeCurvature && s.IncludeCurveFitError &&
              s.IncludeGPSCoordinates && s.AllowFileCombining);
  EXPECT_EQ(packOutputOptions(s), 0x10Fu);

  unpackOutputOptions(0x0F0 | 0xFE00, s);  // only bits that carry no flag
  EXPECT_EQ(packOutputOptions(s), 0u);

  unpackOutputOptions(0x102, s);
  EXPECT_TRUE(s.IncludeCurvature && s.AllowFileCombining);
  EXPECT_FALSE(s.IncludeSoundPressureLevel || s.IncludeCurveFitError || s.IncludeGPSCoordinates);
  EXPECT_EQ(packOutputOptions(s), 258u);
}

TEST(DisplaySpan, TableLabelsAndFallback) {
  EXPECT_EQ(spanLabel(1), "  5 msec");
  EXPECT_EQ(spanLabel(4), " 20 msec");
  EXPECT_EQ(spanLabel(16), "500 msec");  // only reachable from storage
  for (int bad : {0, -1, 17, 1000}) EXPECT_EQ(spanLabel(bad), " 20 msec") << bad;
  EXPECT_FLOAT_EQ(spanSeconds(1), 0.005f);
  EXPECT_FLOAT_EQ(spanSeconds(16), 0.5f);
  EXPECT_FLOAT_EQ(spanSeconds(99), 0.02f);
}

TEST(SlopeUnits, LabelNamesTheUnitTheFilterBankCompares) {
  EXPECT_STREQ(slopeUnitLabel(kOutputAnalook), "(Oct/sec)");
  EXPECT_STREQ(slopeUnitLabel(kOutputSonoBat2), "(KHz/msec)");
  EXPECT_STREQ(slopeUnitLabel(kOutputZcd), "(KHz/msec)");
  EXPECT_STREQ(slopeUnitLabel(kOutputEchoclass), "(KHz/msec)");
  EXPECT_STREQ(slopeUnitLabel(kOutputQuilve), "(KHz/msec)");
  EXPECT_TRUE(fileCombiningSelectable(kOutputZcd));
  EXPECT_FALSE(fileCombiningSelectable(kOutputQuilve));
}

TEST(SetupFields, ArrowsAndTypedValuesStayInRange) {
  EXPECT_FLOAT_EQ(stepFrequency(500.0f, -1), 0.0f);  // not -500
  EXPECT_FLOAT_EQ(stepFrequency(15000.0f, 1), 16000.0f);
  EXPECT_FLOAT_EQ(stepDuration(0.0005f, -1), 0.0f);
  EXPECT_FLOAT_EQ(typedFilterFrequency(-3.0f), 0.0f);
  EXPECT_EQ(typedChirpsPerFile(-2.9), -2);
  EXPECT_EQ(typedChirpsPerFile(1e12), 2147483647);  // no overflow
  EXPECT_EQ(typedRepeatInterval(2.5), 3);

  ScanSettings s;
  setBoundedText(s.ProgramStartTime, std::string(100, '1'), kMaxStartTimeChars);
  EXPECT_EQ(s.ProgramStartTime.size(), 63u);
  const ColourScale c = colourScaleEdges(50.0f, 40.0f);
  EXPECT_FLOAT_EQ(c.lower, 30.0f);
  EXPECT_FLOAT_EQ(c.upper, 70.0f);
}

TEST(SettingsValuesText, NamesEverySettingAndTellsNearbyValuesApart) {
  ScanSettings s;
  const std::string text = settingsValuesText(s);
  for (const std::string& name : settingNames()) {
    EXPECT_NE(text.find(name + "="), std::string::npos) << name;
  }
  EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), settingNames().size());
  EXPECT_NE(text.find("MinimumDuration=0.000500000024\n"), std::string::npos) << text;
  ScanSettings near = s;
  near.TriggerThreshold = std::nextafter(s.TriggerThreshold, 100.0f);
  EXPECT_NE(settingsValuesText(near), text);
  std::string error;
  ASSERT_TRUE(setSettingByName(near, "TriggerThreshold", "18", &error));
  EXPECT_EQ(settingsValuesText(near), text);
}

}  // namespace
}  // namespace quilve
