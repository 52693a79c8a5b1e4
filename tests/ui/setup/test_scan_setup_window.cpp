// The Scan Setup window over the headless toolkit: value rows and their
// arrow buttons, the view span slider, the exclusive groups, the filter bank
// and the settings file buttons.
#include <fstream>

#include "settings/settings_file.h"
#include "setup_test_fixture.h"
#include "support/temp_dir.h"
#include "ui/setup/scan_setup_window.h"
#include "ui/setup/setup_ids.h"

namespace quilve::ui::test {
namespace {

using namespace setup_ids;

class ScanSetupTest : public SetupWindowTest {
 protected:
  void SetUp() override {
    w = setup.create();
    ASSERT_NE(w, nullptr);
  }
  void press(int id, int times = 1) {
    for (int i = 0; i < times; ++i) ASSERT_TRUE(tk.click(w, id));
  }
  ScanSetupWindow setup{ui};
  Window* w = nullptr;
};

TEST_F(ScanSetupTest, IsAHiddenToolWindowFilledFromTheSettings) {
  EXPECT_EQ(ui.windows.scanSetup, w);
  EXPECT_EQ(w->kind, WindowKind::Tool);
  EXPECT_EQ(w->title, "  Scan Setup");
  EXPECT_EQ(w->width, 384);
  EXPECT_EQ(w->height, 580);
  EXPECT_EQ(w->x, 128);
  EXPECT_EQ(w->y, 196);
  EXPECT_FALSE(w->visible);

  EXPECT_EQ(text(w, valueField(kTrigger)), "18.0");
  EXPECT_EQ(text(w, valueField(kMinFreq)), "15.0");
  EXPECT_EQ(text(w, valueField(kMaxFreq)), "125.0");
  EXPECT_EQ(text(w, valueField(kPeakPower)), "21.0");
  EXPECT_EQ(text(w, valueField(kMinDuration)), "0.5");
  EXPECT_EQ(text(w, valueUnit(kMinDuration)), "(mSec)");
  EXPECT_EQ(text(w, kViewSpan), " 15 msec");
  EXPECT_TRUE(checked(w, kFitStdBox));
  EXPECT_TRUE(checked(w, kPopOffBox));
  EXPECT_TRUE(checked(w, kClutterOnBox));
  EXPECT_EQ(text(w, filterMin(kDomFreq)), "10.0");
  EXPECT_EQ(text(w, filterMax(kDomFreq)), "120.0");
  EXPECT_EQ(text(w, filterMin(kCharSlope)), "-100.0");
  EXPECT_EQ(text(w, filterUnit(kDomFreq)), "(KHz)");
  EXPECT_EQ(text(w, filterUnit(kCurvature)), "(x^n)");
  EXPECT_EQ(text(w, filterUnit(kCharSlope)), "(Oct/sec)");
  EXPECT_FALSE(checked(w, filterCheck(kCurvature)));
}

TEST_F(ScanSetupTest, TypedValuesAreConvertedToTheSettingsUnits) {
  ASSERT_TRUE(tk.type(w, valueField(kMinFreq), "20"));
  EXPECT_FLOAT_EQ(app.settings.MinimumFrequency, 20000.0f);
  tk.type(w, valueField(kMinDuration), "2.5");
  EXPECT_FLOAT_EQ(app.settings.MinimumDuration, 0.0025f);
  tk.type(w, valueField(kMinDuration), "-3");
  EXPECT_FLOAT_EQ(app.settings.MinimumDuration, 0.0f);
  // Levels and cut-offs take negatives as typed.
  tk.type(w, valueField(kTrigger), "-4.5");
  EXPECT_FLOAT_EQ(app.settings.TriggerThreshold, -4.5f);
  tk.type(w, valueField(kMaxFreq), "-1");
  EXPECT_FLOAT_EQ(app.settings.MaximumFrequency, -1000.0f);
  // The field keeps what was typed: no rewrite while typing.
  EXPECT_EQ(text(w, valueField(kMinFreq)), "20");
}

TEST_F(ScanSetupTest, TextsOutsideTheNumberSyntaxLeaveTheSettingAlone) {
  for (const char* bad : {"", "-", "20 ", "2e1", "+20", "1.2.3", "abc"}) {
    tk.type(w, valueField(kPeakPower), bad);
    EXPECT_FLOAT_EQ(app.settings.PowerThreshold, 21.0f) << '"' << bad << '"';
  }
  tk.type(w, valueField(kPeakPower), ".");
  EXPECT_FLOAT_EQ(app.settings.PowerThreshold, 0.0f);
}

TEST_F(ScanSetupTest, ArrowButtonsStepAndStopAtTheLowerBounds) {
  app.settings.MinimumFrequency = 3000.0f;
  setup.refresh();
  press(valueDown(kMinFreq), 3);
  EXPECT_EQ(text(w, valueField(kMinFreq)), " 0.0");
  press(valueDown(kMinFreq));
  EXPECT_FLOAT_EQ(app.settings.MinimumFrequency, 0.0f);
  EXPECT_EQ(text(w, valueField(kMinFreq)), " 0.0");
  press(valueUp(kMaxFreq));
  EXPECT_FLOAT_EQ(app.settings.MaximumFrequency, 126000.0f);
  EXPECT_EQ(text(w, valueField(kMaxFreq)), "126.0");

  // 0.5 ms minus one millisecond: 0, not -0.5.
  press(valueDown(kMinDuration));
  EXPECT_FLOAT_EQ(app.settings.MinimumDuration, 0.0f);
  EXPECT_EQ(text(w, valueField(kMinDuration)), "0.0");
  press(valueUp(kMinDuration));
  EXPECT_NEAR(app.settings.MinimumDuration, 0.001f, 1e-9f);

  // Levels have no lower bound; Peak Power steps 3 dB.
  app.settings.TriggerThreshold = 0.5f;
  press(valueDown(kTrigger), 2);
  EXPECT_FLOAT_EQ(app.settings.TriggerThreshold, -1.5f);
  EXPECT_EQ(text(w, valueField(kTrigger)), "-1.5");
  press(valueUp(kPeakPower));
  EXPECT_FLOAT_EQ(app.settings.PowerThreshold, 24.0f);
}

TEST_F(ScanSetupTest, ViewSliderRunsOneToFifteen) {
  const Control* slider = w->control(kViewSlider);
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->sliderMin, 1);
  EXPECT_EQ(slider->sliderMax, 15);
  EXPECT_EQ(slider->sliderPos, 3);

  ASSERT_TRUE(tk.moveSlider(w, kViewSlider, 16));
  EXPECT_EQ(app.settings.DetailSelection, 15);
  EXPECT_EQ(text(w, kViewSpan), "450 msec");
  tk.moveSlider(w, kViewSlider, 1);
  EXPECT_EQ(text(w, kViewSpan), "  5 msec");
  tk.moveSlider(w, kViewSlider, 4);
  EXPECT_EQ(text(w, kViewSpan), " 20 msec");
  EXPECT_EQ(app.settings.DetailSelection, 4);

  // Releasing reads the slider's position.
  w->control(kViewSlider)->sliderPos = 9;
  ASSERT_TRUE(tk.releaseSlider(w, kViewSlider));
  EXPECT_EQ(app.settings.DetailSelection, 9);
  EXPECT_EQ(text(w, kViewSpan), "150 msec");

  // 16 comes only from storage; the label still names it.
  app.settings.DetailSelection = 16;
  setup.refresh();
  EXPECT_EQ(text(w, kViewSpan), "500 msec");
  EXPECT_EQ(w->control(kViewSlider)->sliderPos, 15);
  app.settings.DetailSelection = 40;
  setup.refresh();
  EXPECT_EQ(text(w, kViewSpan), " 20 msec");
}

TEST_F(ScanSetupTest, EventsOfUnknownSlidersAndPostedCommandsAreTraced) {
  tk.deliver(w, event::kSliderMoved, {4711, 3, 0, 0});
  tk.deliver(w, event::kUser, {7, -2, 0, 0});
  ASSERT_EQ(trace.traces.size(), 2u);
  EXPECT_EQ(trace.traces[0], "Unknown Slider ID 4711\n");
  EXPECT_EQ(trace.traces[1], "Command : 7   val : -2 \n");
  EXPECT_EQ(app.settings.DetailSelection, 3);
}

TEST_F(ScanSetupTest, ChoiceGroupsAreExclusive) {
  press(kFitOffBox);
  EXPECT_EQ(app.settings.FitSelection, kFitOff);
  EXPECT_TRUE(checked(w, kFitOffBox));
  for (int id : {kFitHighBox, kFitStdBox, kFitLowBox}) EXPECT_FALSE(checked(w, id));
  press(kFitLowBox);
  EXPECT_EQ(app.settings.FitSelection, kFitLow);
  EXPECT_FALSE(checked(w, kFitOffBox));
  // Clicking the checked box keeps it checked.
  press(kFitLowBox);
  EXPECT_TRUE(checked(w, kFitLowBox));
  EXPECT_EQ(app.settings.FitSelection, kFitLow);

  press(kPopOnBox);
  EXPECT_EQ(app.settings.PopSelection, kFilterOn);
  EXPECT_FALSE(checked(w, kPopOffBox));
  press(kClutterOffBox);
  EXPECT_EQ(app.settings.ClutterSelection, kFilterOff);
  EXPECT_FALSE(checked(w, kClutterOnBox));
  // The groups do not touch each other.
  EXPECT_EQ(app.settings.FitSelection, kFitLow);
  EXPECT_TRUE(checked(w, kPopOnBox));
}

TEST_F(ScanSetupTest, FilterBankFrequenciesAreTypedInKilohertzAndNotBelowZero) {
  press(filterCheck(kEndFreq));
  EXPECT_TRUE(app.settings.EnableEndingFreqFilter);
  press(filterCheck(kEndFreq));
  EXPECT_FALSE(app.settings.EnableEndingFreqFilter);

  tk.type(w, filterMin(kDomFreq), "25.5");
  EXPECT_FLOAT_EQ(app.settings.DominantFreqMinValue, 25500.0f);
  tk.type(w, filterMax(kCharFreq), "-5");
  EXPECT_FLOAT_EQ(app.settings.CharacteristicFreqMaxValue, 0.0f);
  tk.type(w, filterMax(kDomFreq), "5-");  // the loose syntax is for slopes only
  EXPECT_FLOAT_EQ(app.settings.DominantFreqMaxValue, 120000.0f);
}

TEST_F(ScanSetupTest, SlopeAndCurvatureFieldsUseTheLooseSyntax) {
  struct Case {
    const char* typed;
    bool accepted;
    float value;
  };
  const Case cases[] = {
      {"12.5", true, 12.5f}, {"-3", true, -3.0f},  {"3-", true, -3.0f},   {"1-2", true, -12.0f},
      {"-.5", true, -0.5f},  {".5", true, 0.5f},   {"0.0", true, 0.0f},   {"0", true, 0.0f},
      {"-0", true, 0.0f},    {".", true, 0.0f},    {"", false, 0},        {"-", false, 0},
      {"1.-5", false, 0},    {"1.2.3", false, 0},  {"+1", false, 0},      {"1 ", false, 0},
      {"x", false, 0},       {"1e2", false, 0},
  };
  for (const Case& c : cases) {
    app.settings.UpperSlopeMinValue = 77.0f;
    tk.type(w, filterMin(kUpperSlope), c.typed);
    EXPECT_FLOAT_EQ(app.settings.UpperSlopeMinValue, c.accepted ? c.value : 77.0f)
        << '"' << c.typed << '"';
  }
  tk.type(w, filterMax(kCurvature), "-2.5");
  EXPECT_FLOAT_EQ(app.settings.CurvatureMaxValue, -2.5f);
  tk.type(w, filterMax(kCharSlope), "40");
  EXPECT_FLOAT_EQ(app.settings.CharacteristicSlopeMaxValue, 40.0f);
  // "-0" comes back as 0.0, not as -0.0.
  tk.type(w, filterMin(kCurvature), "-0");
  setup.refresh();
  EXPECT_EQ(text(w, filterMin(kCurvature)), "0.0");
}

TEST_F(ScanSetupTest, SlopeLabelsOnBuildAndRefreshFollowTheFormat) {
  const std::pair<int, const char*> expected[] = {
      {kOutputAnalook, "(Oct/sec)"},   {kOutputSonoBat2, "(KHz/msec)"}, {kOutputEchoclass, "(KHz/msec)"},
      {kOutputQuilve, "(KHz/msec)"},   {kOutputZcd, "(KHz/msec)"},
  };
  for (const auto& [format, label] : expected) {
    app.settings.OutputFormat = format;
    setup.refresh();
    EXPECT_EQ(text(w, filterUnit(kCharSlope)), label) << format;
    EXPECT_EQ(text(w, filterUnit(kUpperSlope)), label) << format;
    EXPECT_EQ(text(w, filterUnit(kDomFreq)), "(KHz)");
  }
}

class ScanSetupFileTest : public ScanSetupTest {
 protected:
  quilve::test::TempDir dir;
};

TEST_F(ScanSetupFileTest, LoadSettingsReadsTheFileAndRewritesEveryControl) {
  ScanSettings stored;
  stored.DetailSelection = 7;
  stored.FitSelection = kFitHigh;
  stored.PopSelection = kFilterOn;
  stored.MinimumFrequency = 22000.0f;
  stored.EnableCurvatureFilter = true;
  stored.UpperSlopeMaxValue = 55.0f;
  const std::string path = dir.file("night.set");
  ASSERT_TRUE(writeSettingsFile(path, stored));

  tk.answerFile(path);
  press(kLoadSettings);
  ASSERT_EQ(tk.shown().size(), 1u);
  EXPECT_EQ(tk.shown()[0].text, ";*.set");
  // The folder with its separator, as the chosen path spells it.
  EXPECT_EQ(app.history.SettingsDirectory, path.substr(0, path.size() - std::string("night.set").size()));
  EXPECT_EQ(app.settings.DetailSelection, 7);
  EXPECT_EQ(text(w, kViewSpan), " 75 msec");
  EXPECT_EQ(w->control(kViewSlider)->sliderPos, 7);
  EXPECT_TRUE(checked(w, kFitHighBox));
  EXPECT_FALSE(checked(w, kFitStdBox));
  EXPECT_TRUE(checked(w, kPopOnBox));
  EXPECT_EQ(text(w, valueField(kMinFreq)), "22.0");
  EXPECT_TRUE(checked(w, filterCheck(kCurvature)));
  EXPECT_EQ(text(w, filterMax(kUpperSlope)), "55.0");
}

TEST_F(ScanSetupFileTest, LoadSettingsRewritesTheControlsAlsoWhenCancelled) {
  tk.type(w, valueField(kTrigger), "9");  // the field holds what was typed
  app.settings.TriggerThreshold = 30.0f;
  tk.answerCancel();
  press(kLoadSettings);
  EXPECT_EQ(text(w, valueField(kTrigger)), "30.0");
  EXPECT_TRUE(app.history.SettingsDirectory.empty());
}

TEST_F(ScanSetupFileTest, AFileThatIsNoSettingsFileIsReportedAndChangesNothing) {
  const std::string path = dir.file("other.set");
  std::ofstream(path) << "# not a settings file\nDetailSelection = 9\n";
  tk.answerFile(path);
  press(kLoadSettings);
  EXPECT_EQ(app.settings.DetailSelection, 3);
  EXPECT_EQ(warningsShown(), 1);
}

TEST_F(ScanSetupFileTest, SaveSettingsWritesWhatLoadSettingsReadsBack) {
  tk.type(w, valueField(kPeakPower), "27");
  tk.type(w, filterMin(kCharSlope), "-40");
  const std::string path = dir.file("strict");
  tk.answerFile(path);
  press(kSaveSettings);
  EXPECT_EQ(app.history.SettingsDirectory, path.substr(0, path.size() - std::string("strict").size()));
  ScanSettings back;
  ASSERT_TRUE(readSettingsFile(path + ".set", back));  // the filter's extension was added
  EXPECT_FLOAT_EQ(back.PowerThreshold, 27.0f);
  EXPECT_FLOAT_EQ(back.CharacteristicSlopeMinValue, -40.0f);

  // An unwritable path is reported, not passed over.
  tk.answerFile(dir.file("missing/strict.set"));
  press(kSaveSettings);
  EXPECT_EQ(warningsShown(), 1);
}

TEST_F(ScanSetupFileTest, OverlongPicksAreRefusedWithAWarning) {
  const std::string longPath = "/" + std::string(300, 'd') + "/night.set";
  tk.answerFile(longPath);
  press(kLoadSettings);
  tk.answerFile(longPath);
  press(kSaveSettings);
  EXPECT_EQ(warningsShown(), 2);
  EXPECT_TRUE(app.history.SettingsDirectory.empty());
}

TEST_F(ScanSetupTest, CloseHidesTheWindowAndUnchecksItsMenuItem) {
  tk.show(w);
  tk.checkMenuItem(ui.windows.main, main_ids::kMenuWindowScanSetup);
  ASSERT_TRUE(tk.requestClose(w));
  EXPECT_FALSE(w->visible);
  EXPECT_FALSE(menuChecked(main_ids::kMenuWindowScanSetup));
}

}  // namespace
}  // namespace quilve::ui::test
