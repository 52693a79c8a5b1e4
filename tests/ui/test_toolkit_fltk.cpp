// The FLTK toolkit on a real display: a window with controls and a menu is
// shown, updated from a worker thread through post(), and closed.
#include <gtest/gtest.h>

#include <FL/filename.H>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/toolkit/fltk_toolkit.h"

namespace quilve::ui {
namespace {

TEST(FltkSmoke, WindowWithControlsShowsUpdatesAndCloses) {
  if (!FltkToolkit::openDisplay())
    GTEST_SKIP() << "no X display (set DISPLAY or run under xvfb-run -a)";
  FltkToolkit tk;
  std::mutex drawing;
  tk.setDrawingMutex(&drawing);
  int closes = 0;
  Window* w = tk.createWindow(
      [&](Window&, int ev, EventValues&) {
        if (ev == event::kClose) ++closes;
        return 0;
      },
      WindowKind::Main);
  ASSERT_NE(w, nullptr);
  tk.setTitle(w, "  QUILVE");
  tk.setPosition(w, 100, 100);
  tk.setClientSize(w, 400, 300);
  tk.addMenuItem(w, 1, "File/Select Input...");
  tk.addMenuItem(w, 2, "Action/Scan _All");
  tk.grayMenuItem(w, 2);
  const struct { int id; ControlKind kind; int y; } controls[] = {
      {10, ControlKind::Button, 10},  {11, ControlKind::Edit, 40},   {12, ControlKind::ListBox, 70},
      {13, ControlKind::Slider, 170}, {14, ControlKind::Progress, 200}, {15, ControlKind::CheckBox, 230},
      {16, ControlKind::Label, 260},
  };
  for (const auto& c : controls) {
    ASSERT_TRUE(tk.createControl(w, c.id, c.kind));
    tk.moveControl(w, c.id, 16, c.y);
    tk.resizeControl(w, c.id, 224, c.kind == ControlKind::ListBox ? 90 : 20);
    tk.showControl(w, c.id);
  }
  tk.setText(w, 10, "Select Input ...");
  tk.setText(w, 11, "<No File Selected>");
  tk.listAdd(w, 12, "b.wav", 2);
  tk.listAdd(w, 12, "a.wav", 1);
  tk.setSliderRange(w, 13, 1, 100);
  tk.setSliderPosition(w, 13, 50);
  tk.setText(w, 16, "Files & folders @ 50%");
  tk.fillRect(w, 260, 10, 100, 100);
  tk.show(w);
  tk.dispatchPending();

  // The worker posts the updates and ends the loop once they ran (or,
  // should they never run, after a bound that only a hang reaches).
  std::atomic<bool> ran{false}, ranOnUiThread{false};
  const auto uiThread = std::this_thread::get_id();
  std::thread worker([&] {
    tk.post([&] {
      ranOnUiThread = std::this_thread::get_id() == uiThread;
      tk.setProgress(w, 14, 150);
      tk.setText(w, 11, "results.txt");
      tk.listDrop(w, 12, 0, 2);
      ran = true;
    });
    tk.invalidate(w);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ran && std::chrono::steady_clock::now() < giveUp)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    tk.quit();
  });
  tk.runLoop();
  worker.join();

  ASSERT_TRUE(ran) << "the posted call never ran on the loop";
  EXPECT_TRUE(ranOnUiThread);
  EXPECT_EQ(w->control(14)->progress, 100);
  EXPECT_EQ(tk.text(w, 11), std::optional<std::string>("results.txt"));
  EXPECT_EQ(tk.listModel(w, 12)->at(1).name, "a.wav");
  int pos = 0;
  ASSERT_TRUE(tk.sliderPosition(w, 13, &pos));
  EXPECT_EQ(pos, 50);
  tk.hide(w);
  tk.dispatchPending();
  EXPECT_FALSE(w->visible);
  EXPECT_EQ(closes, 0);
}

// A toolkit goes with the calls posted to it and not run yet: none of them
// runs later, and nothing left in FLTK names the toolkit, so one made
// afterwards runs its own calls alone.
TEST(FltkSmoke, CallsPostedToAToolkitThatIsGoneNeverRun) {
  if (!FltkToolkit::openDisplay())
    GTEST_SKIP() << "no X display (set DISPLAY or run under xvfb-run -a)";
  bool late = false;
  {
    FltkToolkit gone;
    gone.post([&] { late = true; });
  }
  FltkToolkit tk;
  bool ran = false;
  tk.post([&] { ran = true; });
  tk.dispatchPending();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(late);
}

// Canvas texts are as wide and as high as the toolkit says, in the font
// they are drawn in: set a measured width and a space apart, or a line
// apart, they do not overlap; a pixel into the measured width, they do.
TEST(FltkSmoke, CanvasTextsMeasureAsTheyAreDrawn) {
  if (!FltkToolkit::openDisplay())
    GTEST_SKIP() << "no X display (set DISPLAY or run under xvfb-run -a)";
  FltkToolkit tk;
  Window* w = tk.createWindow(nullptr, WindowKind::Tool);
  tk.setClientSize(w, 400, 200);
  const std::string first = "12750", second = "Wide, 4.5 ms";
  const int width = tk.textWidth(first);
  EXPECT_GT(width, tk.textWidth("1275"));
  EXPECT_GT(tk.lineHeight(), 8);
  tk.drawText(w, 10, 10, first);
  tk.drawText(w, 10 + width + tk.textWidth(" "), 10, second);
  tk.drawText(w, 10, 10 + tk.lineHeight(), second);
  EXPECT_TRUE(tk.textsNotFitting(w).empty());
  tk.drawText(w, 10, 100, first);
  tk.drawText(w, 10 + width - 1, 100, second);
  EXPECT_EQ(tk.textsNotFitting(w).size(), 1u);
}

}  // namespace
}  // namespace quilve::ui

namespace quilve::ui {
namespace {

// The Select Input filter lets FLTK's dialog show WAV and WavPack files
// whatever the case of their extension, and nothing else.
TEST(FltkFilter, RecordingPatternMatchesWavAndWvOfAnyCase) {
  const std::string p = fltkFilterPattern("*.wav,*.wv");
  for (const char* name : {"a.wav", "B.WAV", "c.Wav", "d.wv", "E.WV", "f.wV"})
    EXPECT_TRUE(fl_filename_match(name, p.c_str())) << name << " " << p;
  for (const char* name : {"a.wave", "b.w", "c.txt", "wav", "d.wvx"})
    EXPECT_FALSE(fl_filename_match(name, p.c_str())) << name << " " << p;
  EXPECT_EQ(fltkFilterPattern("*.set"), "*.[sS][eE][tT]");
}

}  // namespace
}  // namespace quilve::ui
