// The Output Format window over the headless toolkit: the exclusive format
// group, "Allow File Combining" and the slope unit labels it writes into the
// Scan Setup window, and the option boxes.
#include "setup_test_fixture.h"
#include "ui/setup/output_format_window.h"
#include "ui/setup/scan_setup_window.h"
#include "ui/setup/setup_ids.h"

namespace quilve::ui::test {
namespace {

using namespace format_ids;

class OutputFormatTest : public SetupWindowTest {
 protected:
  void SetUp() override {
    s = setup.create();
    w = format.create();
    ASSERT_NE(w, nullptr);
  }
  std::string slopeLabel() { return text(s, setup_ids::filterUnit(setup_ids::kCharSlope)); }
  std::string upperSlopeLabel() { return text(s, setup_ids::filterUnit(setup_ids::kUpperSlope)); }

  ScanSetupWindow setup{ui};
  OutputFormatWindow format{ui, &setup};
  Window* s = nullptr;
  Window* w = nullptr;
};

TEST_F(OutputFormatTest, IsAHiddenToolWindowShowingTheStoredFormat) {
  EXPECT_EQ(ui.windows.outputFormat, w);
  EXPECT_EQ(w->kind, WindowKind::Tool);
  EXPECT_EQ(w->title, "  Output Format");
  EXPECT_EQ(w->width, 384);
  EXPECT_EQ(w->height, 256);
  EXPECT_EQ(w->x, 256);
  EXPECT_EQ(w->y, 256);
  EXPECT_FALSE(w->visible);
  EXPECT_TRUE(checked(w, kAnalook));
  for (int id : {kEchoclass, kSonoBat2, kQuilve, kZcd}) EXPECT_FALSE(checked(w, id));
  EXPECT_FALSE(enabled(w, kAllowFileCombining));
  EXPECT_EQ(text(w, kQuilve), "QUILVE(tm) Parameters");
}

TEST_F(OutputFormatTest, ZcdTranslationEnablesFileCombiningAndLabelsTheFilterUnit) {
  ASSERT_TRUE(tk.click(w, kZcd));
  EXPECT_EQ(app.settings.OutputFormat, kOutputZcd);
  EXPECT_TRUE(checked(w, kZcd));
  EXPECT_FALSE(checked(w, kAnalook));
  EXPECT_TRUE(enabled(w, kAllowFileCombining));
  // The filter bank compares kHz/ms for zero-crossing output.
  EXPECT_EQ(slopeLabel(), "(KHz/msec)");
  EXPECT_EQ(upperSlopeLabel(), "(KHz/msec)");

  ASSERT_TRUE(tk.click(w, kAllowFileCombining));
  EXPECT_TRUE(app.settings.AllowFileCombining);

  // Another format disables the box but keeps its value.
  ASSERT_TRUE(tk.click(w, kSonoBat2));
  EXPECT_EQ(app.settings.OutputFormat, kOutputSonoBat2);
  EXPECT_FALSE(enabled(w, kAllowFileCombining));
  EXPECT_TRUE(app.settings.AllowFileCombining);
  EXPECT_TRUE(checked(w, kAllowFileCombining));
  EXPECT_FALSE(tk.click(w, kAllowFileCombining));
  EXPECT_EQ(slopeLabel(), "(KHz/msec)");
  EXPECT_FALSE(checked(w, kZcd));

  tk.click(w, kQuilve);
  EXPECT_EQ(slopeLabel(), "(KHz/msec)");
  tk.click(w, kEchoclass);
  EXPECT_EQ(slopeLabel(), "(KHz/msec)");
  EXPECT_EQ(app.settings.OutputFormat, kOutputEchoclass);
  tk.click(w, kAnalook);
  EXPECT_EQ(slopeLabel(), "(Oct/sec)");
  EXPECT_EQ(upperSlopeLabel(), "(Oct/sec)");
}

TEST_F(OutputFormatTest, TheLabelForZcdIsTheSameWhoeverWroteItLast) {
  tk.click(w, kZcd);
  ASSERT_EQ(slopeLabel(), "(KHz/msec)");
  setup.refresh();
  EXPECT_EQ(slopeLabel(), "(KHz/msec)");
  // Clicking the checked format keeps it chosen.
  tk.click(w, kZcd);
  EXPECT_TRUE(checked(w, kZcd));
  EXPECT_EQ(slopeLabel(), "(KHz/msec)");
}

TEST_F(OutputFormatTest, OptionBoxesSetTheirFlags) {
  const std::pair<int, bool ScanSettings::*> boxes[] = {
      {kSoundPressureLevel, &ScanSettings::IncludeSoundPressureLevel},
      {kCurvature, &ScanSettings::IncludeCurvature},
      {kCurveFitError, &ScanSettings::IncludeCurveFitError},
      {kGpsCoordinates, &ScanSettings::IncludeGPSCoordinates},
  };
  for (const auto& [id, flag] : boxes) {
    ASSERT_TRUE(tk.click(w, id));
    EXPECT_TRUE(app.settings.*flag) << id;
  }
  EXPECT_EQ(packOutputOptions(app.settings), 0xFu);
  EXPECT_FALSE(app.settings.AllowFileCombining);
  tk.click(w, kCurvature);
  EXPECT_FALSE(app.settings.IncludeCurvature);
  EXPECT_TRUE(app.settings.IncludeCurveFitError);
}

TEST(OutputFormatAlone, WorksWithoutAScanSetupWindow) {
  HeadlessToolkit tk;
  AppState app;
  TraceLines trace;
  UiContext ui(tk, app, trace);
  app.settings.OutputFormat = kOutputZcd;
  OutputFormatWindow format(ui, nullptr);
  Window* w = format.create();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->control(kAllowFileCombining)->enabled);
  EXPECT_TRUE(tk.click(w, kAnalook));
  EXPECT_EQ(app.settings.OutputFormat, kOutputAnalook);
  // Closing without a main window only hides.
  tk.show(w);
  tk.requestClose(w);
  EXPECT_FALSE(w->visible);
}

TEST_F(OutputFormatTest, CloseHidesTheWindowAndUnchecksItsMenuItem) {
  tk.show(w);
  tk.checkMenuItem(ui.windows.main, main_ids::kMenuWindowOutputFormat);
  tk.checkMenuItem(ui.windows.main, main_ids::kMenuWindowScanSetup);
  tk.requestClose(w);
  EXPECT_FALSE(w->visible);
  EXPECT_FALSE(menuChecked(main_ids::kMenuWindowOutputFormat));
  EXPECT_TRUE(menuChecked(main_ids::kMenuWindowScanSetup));
}

}  // namespace
}  // namespace quilve::ui::test
