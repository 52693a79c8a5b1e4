// The Displays facade over the headless toolkit: tiles drawn through the
// tile sink, the gallery and its paging, accepted calls of a scanned
// recording on both windows, selection, time range and cursor read-outs.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>

#include "engine/recording_analyzer.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"
#include "ui/app/ui_context.h"
#include "ui/display/displays.h"
#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui {
namespace {

// A recording of `seconds` with 6 ms sweeps from 70 to 35 kHz at `starts`.
void writeCalls(const std::string& path, double seconds, std::initializer_list<double> starts) {
  test::SignalGenerator gen(seconds);
  gen.addNoise(-60);
  for (double t : starts) {
    test::CallSpec c;
    c.startTime = t;
    c.duration = 0.006;
    c.startFrequency = 70000;
    c.endFrequency = 35000;
    gen.addCall(c);
  }
  test::writeFile(path, gen.render().wavFile());
}

class QuietReporter : public Reporter {
 public:
  void warning(const std::string&) override {}
  void trace(const std::string&) override {}
};

std::array<float, kFrameLevels> frame(float level) {
  std::array<float, kFrameLevels> f;
  f.fill(level);
  return f;
}

bool hasText(const Canvas& c, const std::string& prefix) {
  for (const Canvas::Text& t : c.texts())
    if (t.text.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

int countColour(const Canvas& c, const Rect& r, Rgb colour) {
  int n = 0;
  for (int y = r.y; y < r.y + r.h; ++y)
    for (int x = r.x; x < r.x + r.w; ++x) n += c.pixel(x, y) == colour;
  return n;
}

struct DisplayFacade : ::testing::Test {
  HeadlessToolkit tk;
  AppState app;
  QuietReporter reporter;
  UiContext ui{tk, app, reporter};
  std::unique_ptr<Displays> displays;

  void SetUp() override {
    ui.windows.main = tk.createWindow(nullptr, WindowKind::Main);
    ui.windows.trace = tk.createWindow(nullptr, WindowKind::Tool);
    displays = std::make_unique<Displays>(ui);
    ui.displays = displays.get();
    displays->attach();
  }
  Canvas& mainCanvas() { return ui.windows.main->canvas; }
  Canvas& traceCanvas() { return ui.windows.trace->canvas; }
  void mouse(bool trace, int ev, int x, int y, int bits = 0) {
    const EventValues v{x, y, bits, 0};
    if (trace)
      displays->handleTraceMouse(ev, v);
    else
      displays->handleMainMouse(ev, v);
  }
};

TEST_F(DisplayFacade, AttachSizesCanvasesAndPaintsTheGallery) {
  EXPECT_EQ(mainCanvas().width(), 832);
  EXPECT_EQ(mainCanvas().height(), 624);
  EXPECT_EQ(traceCanvas().width(), 832);
  EXPECT_EQ(traceCanvas().height(), 276);
  // Every gallery cell shows an empty tile: red ring, black inside.
  const Rect cell = galleryCell(6);
  EXPECT_EQ(mainCanvas().pixel(cell.x, cell.y + 50), (Rgb{255, 0, 0}));
  EXPECT_EQ(mainCanvas().pixel(cell.x + 50, cell.y + 50), (Rgb{0, 0, 0}));
  EXPECT_TRUE(hasText(mainCanvas(), "16"));
  EXPECT_TRUE(hasText(traceCanvas(), "120"));  // frequency scale in kHz
  EXPECT_EQ(displays->selectedSlot(), -1);
  double a = 0, b = 0;
  EXPECT_FALSE(displays->timeRange(&a, &b));
}

TEST_F(DisplayFacade, AppendingPaintsOnlyTheNewColumnOfAShownTile) {
  const auto loud = frame(70.0f);
  const Rect cell = galleryCell(2);
  displays->clearTile(2);
  displays->appendFrame(2, loud.data());
  displays->appendFrame(2, loud.data());
  EXPECT_EQ(displays->columnCount(2), 2);
  EXPECT_EQ(mainCanvas().pixel(cell.x + 1, cell.y + 60), (Rgb{255, 0, 0}));
  EXPECT_EQ(mainCanvas().pixel(cell.x + 2, cell.y + 60), (Rgb{255, 255, 255}));  // cursor
  EXPECT_EQ(mainCanvas().pixel(cell.x + 3, cell.y + 60), (Rgb{0, 0, 0}));

  // A hidden slot that shares the cell (2 + 16) leaves the screen alone and
  // does not spoil the picture of the shown one.
  const Canvas before = mainCanvas();
  const auto quiet = frame(50.0f);
  for (int i = 0; i < 10; ++i) displays->appendFrame(18, quiet.data());
  EXPECT_EQ(displays->columnCount(18), 10);
  EXPECT_EQ(mainCanvas().rgb(), before.rgb());
  displays->appendFrame(2, loud.data());
  EXPECT_EQ(mainCanvas().pixel(cell.x + 2, cell.y + 60), (Rgb{255, 0, 0}));
  EXPECT_EQ(mainCanvas().pixel(cell.x + 5, cell.y + 60), (Rgb{0, 0, 0}));

  // Paged so that slot 18 is shown: its own levels appear.
  displays->setFirstShownSlot(4);
  const Rect cell18 = galleryCell(14);
  EXPECT_EQ(mainCanvas().pixel(cell18.x + 5, cell18.y + 60), (Rgb{0, 255, 0}));
  EXPECT_EQ(mainCanvas().pixel(cell18.x + 20, cell18.y + 60), (Rgb{0, 0, 0}));
  tk.dispatchPending();
}

// A toolkit whose button-face colour is not the default one.
class FacedToolkit : public HeadlessToolkit {
 public:
  Rgb faceColour() const override { return Rgb{10, 20, 30}; }
};

TEST(DisplayBackgrounds, WhiteOfTheBackgroundsAndClearedScalesTakeTheFaceColour) {
  FacedToolkit tk;
  AppState app;
  QuietReporter reporter;
  UiContext ui{tk, app, reporter};
  ui.windows.main = tk.createWindow(nullptr, WindowKind::Main);
  ui.windows.trace = tk.createWindow(nullptr, WindowKind::Tool);
  Displays displays(ui);
  displays.attach();
  const Rgb face{10, 20, 30};
  const Canvas& main = ui.windows.main->canvas;
  const Canvas& trace = ui.windows.trace->canvas;
  EXPECT_EQ(main.pixel(8, 8), face);      // white of the main background
  EXPECT_EQ(main.pixel(820, 600), face);  // right of the 800-wide bitmap
  EXPECT_EQ(trace.pixel(8, 250), face);
  EXPECT_EQ(trace.pixel(40, 2), face);    // the cleared time scale above the plot
  EXPECT_EQ(trace.pixel(820, 40), face);  // the cleared frequency scale
  // The drawn parts of the backgrounds are kept.
  EXPECT_EQ(main.pixel(300, 560), (Rgb{236, 236, 236}));
  for (const Canvas* c : {&main, &trace})
    for (int y = 0; y < c->height(); y += 3)
      for (int x = 0; x < c->width(); x += 3)
        ASSERT_NE(c->pixel(x, y), (Rgb{192, 192, 192})) << x << "," << y;
}

// A candidate cleared without a call leaves its cell as a fresh tile would
// show it; one that had an accepted call drawn over it loses the call's
// overlay too (see DisplayScanned).
TEST_F(DisplayFacade, ClearingAShownTileLeavesWhatAFreshTileShows) {
  const auto loud = frame(70.0f);
  const auto quiet = frame(45.0f);
  for (int i = 0; i < 40; ++i) displays->appendFrame(3, loud.data());
  displays->clearTile(3);
  for (int i = 0; i < 2; ++i) displays->appendFrame(3, quiet.data());
  const Rect cell = galleryCell(3);
  for (int i = 0; i < 2; ++i) displays->appendFrame(4, quiet.data());
  const Rect fresh = galleryCell(4);
  for (int y = 0; y < cell.h; ++y)
    for (int x = 0; x < cell.w; ++x)
      ASSERT_EQ(mainCanvas().pixel(cell.x + x, cell.y + y),
                mainCanvas().pixel(fresh.x + x, fresh.y + y))
          << x << "," << y;
  EXPECT_EQ(mainCanvas().pixel(cell.x + 2, cell.y + 60), (Rgb{255, 255, 255}));  // cursor
  EXPECT_EQ(mainCanvas().pixel(cell.x + 30, cell.y + 60), (Rgb{0, 0, 0}));
}

// A toolkit that counts the canvas updates asked for the main window.
class CountingToolkit : public HeadlessToolkit {
 public:
  Window* watched = nullptr;
  int updates = 0;

 protected:
  void canvasChanged(Window& w) override {
    if (&w == watched) ++updates;
    HeadlessToolkit::canvasChanged(w);
  }
};

// The scan worker's tile drawing does not ask for a screen update per
// column, but what it drew last is asked for, by idle() at the latest.
TEST(DisplayScreenUpdates, TileDrawingIsCoalescedAndTheLastDrawingReachesTheScreen) {
  CountingToolkit tk;
  AppState app;
  QuietReporter reporter;
  UiContext ui{tk, app, reporter};
  ui.windows.main = tk.createWindow(nullptr, WindowKind::Main);
  ui.windows.trace = tk.createWindow(nullptr, WindowKind::Tool);
  tk.watched = ui.windows.main;
  Displays displays(ui);
  displays.attach();
  tk.dispatchPending();
  const auto f = frame(60.0f);
  int lastAppendSeen = -1;
  for (int i = 0; i < 100; ++i) {
    const int before = tk.updates;
    displays.appendFrame(1, f.data());
    tk.dispatchPending();
    if (tk.updates != before) lastAppendSeen = i;
  }
  EXPECT_LT(tk.updates, 100);
  const int before = tk.updates;
  displays.idle();
  tk.dispatchPending();
  if (tk.updates != before) lastAppendSeen = 99;
  EXPECT_EQ(lastAppendSeen, 99);
  // Nothing new drawn: idle asks for nothing more.
  const int after = tk.updates;
  displays.idle();
  tk.dispatchPending();
  EXPECT_EQ(tk.updates, after);
}

TEST_F(DisplayFacade, AFullTileIsLeftAsItIsAndBadSlotsAreIgnored) {
  const auto f = frame(40.0f);
  for (int i = 0; i < 140; ++i) displays->appendFrame(7, f.data());
  EXPECT_EQ(displays->columnCount(7), 128);
  displays->clearTile(7);
  EXPECT_EQ(displays->columnCount(7), 0);
  displays->appendFrame(-1, f.data());
  displays->appendFrame(kChirpSlots, f.data());
  displays->clearTile(kChirpSlots);
  displays->appendFrame(3, nullptr);
  EXPECT_EQ(displays->columnCount(-1), 0);
  EXPECT_EQ(displays->columnCount(kChirpSlots), 0);
}

TEST_F(DisplayFacade, LevelRangeComesFromBrightnessAndContrast) {
  const auto f = frame(50.0f);
  for (int i = 0; i < 4; ++i) displays->appendFrame(0, f.data());
  const Rect cell = galleryCell(0);
  EXPECT_EQ(mainCanvas().pixel(cell.x + 2, cell.y + 60), (Rgb{0, 255, 0}));
  app.settings.SonoBrightness = 30.0f;  // 10 .. 50 dB: 50 is red now
  displays->applyLevelRange();
  EXPECT_EQ(mainCanvas().pixel(cell.x + 2, cell.y + 60), (Rgb{255, 0, 0}));
}

TEST_F(DisplayFacade, DraggingPagesByWholeChirpsOnRelease) {
  mouse(false, event::kLeftDown, 400, 400);
  mouse(false, event::kDrag, 400, 300);
  EXPECT_EQ(displays->firstShownSlot(), 0);
  mouse(false, event::kLeftUp, 400, 335);  // 65 pixels up: two chirps
  EXPECT_EQ(displays->firstShownSlot(), 2);
  mouse(false, event::kLeftDown, 400, 100);
  mouse(false, event::kLeftUp, 400, 500);  // down again, held at slot 0
  EXPECT_EQ(displays->firstShownSlot(), 0);
  mouse(false, event::kLeftDown, 400, 100);
  mouse(false, event::kLeftUp, 401, 101);  // a click does not page
  EXPECT_EQ(displays->firstShownSlot(), 0);
  EXPECT_EQ(displays->handleMainMouse(event::kKeyDown, EventValues{}), 0);
}

TEST_F(DisplayFacade, CursorReadOutWithDeltasToTheLastClick) {
  const auto f = frame(44.0f);
  for (int i = 0; i < 128; ++i) displays->appendFrame(0, f.data());
  const Rect cell = galleryCell(0);
  mouse(false, event::kMouseMove, cell.x + 64, cell.y + 64);
  EXPECT_TRUE(displays->idle());
  EXPECT_FALSE(displays->idle());  // nothing new
  EXPECT_TRUE(hasText(mainCanvas(), "Z(dB):    44.00"));
  EXPECT_FALSE(hasText(mainCanvas(), "dX("));
  mouse(false, event::kLeftDown, cell.x + 32, cell.y + 64);
  mouse(false, event::kLeftUp, cell.x + 32, cell.y + 64);
  mouse(false, event::kMouseMove, cell.x + 64, cell.y + 64);
  ASSERT_TRUE(displays->idle());
  // 32 pixels of a 15 ms tile: 3.75 ms.
  EXPECT_TRUE(hasText(mainCanvas(), "dX(mSec):     3.75"));
  EXPECT_TRUE(hasText(mainCanvas(), "dY(Hz):     0.00"));
  mouse(true, event::kMouseMove, 32 + 384, 32 + 98);
  ASSERT_TRUE(displays->idle());
  EXPECT_TRUE(hasText(traceCanvas(), "Y(KHz):    60.00"));
  mouse(false, event::kMouseMove, 10, 10);  // off every tile
  EXPECT_FALSE(displays->idle());
}

// A recording with calls, analysed with the displays as its tile sink, as
// the scan worker does it.
struct DisplayScanned : DisplayFacade {
  test::TempDir dir;
  std::unique_ptr<RecordingAnalyzer> owned;

  void SetUp() override {
    DisplayFacade::SetUp();
    const std::string path = dir.file("calls.wav");
    writeCalls(path, 0.3, {0.02, 0.08, 0.14});
    owned = std::make_unique<RecordingAnalyzer>(displays.get());
    ASSERT_TRUE(owned->open(path, app.settings));
    displays->recordingOpened(*owned);
    while (owned->step(app.settings)) {
    }
    owned->finish();
    displays->recordingClosed();
  }
};

// The trace's span follows the calls, not the recording's length: the view
// span past the latest call's context start, in whole quarter seconds.
TEST_F(DisplayFacade, TheTraceSpansTheViewPastTheLatestCall) {
  test::TempDir dir;
  const std::string path = dir.file("six_seconds.wav");
  writeCalls(path, 6.0, {0.2, 0.4});
  RecordingAnalyzer analyzer(displays.get());
  ASSERT_TRUE(analyzer.open(path, app.settings));
  displays->recordingOpened(analyzer);
  EXPECT_DOUBLE_EQ(displays->tracePlot().span(), 0.25);  // no call yet
  while (analyzer.step(app.settings)) {
  }
  analyzer.finish();
  displays->recordingClosed();
  ASSERT_EQ(analyzer.outcome().calls.size(), 2u);
  EXPECT_DOUBLE_EQ(displays->tracePlot().span(), 0.5);
  // Both calls are drawn at that span, the second past the plot's middle.
  int x = 0, y = 0;
  ASSERT_TRUE(displays->tracePlot().toPixel(0.4, 50000.0, &x, &y));
  EXPECT_GT(x, kTracePlotArea.x + kTracePlotArea.w / 2);
  EXPECT_GT(countColour(traceCanvas(), Rect{x - 10, kTracePlotArea.y, 40, kTracePlotArea.h},
                        Rgb{0, 255, 0}),
            3);
}

TEST_F(DisplayScanned, AcceptedCallsAreKeptDrawnAndSelectable) {
  ASSERT_EQ(owned->outcome().calls.size(), 3u);
  for (int s = 0; s < 3; ++s) EXPECT_TRUE(displays->hasCall(s)) << s;
  EXPECT_FALSE(displays->hasCall(3));
  EXPECT_DOUBLE_EQ(displays->tracePlot().span(), 0.25);  // the last call starts before 0.2 s
  // The contours on the trace and over the gallery tiles.
  EXPECT_GT(countColour(traceCanvas(), kTracePlotArea, Rgb{0, 255, 0}), 20);
  EXPECT_GT(countColour(mainCanvas(), galleryCell(1), Rgb{0, 255, 0}), 5);
  EXPECT_TRUE(hasText(mainCanvas(), "Fk"));

  // Double-click on the second tile: enlarged with its parameter panel
  // (Analook: octave slopes).
  mouse(false, event::kDoubleClick, galleryCell(1).x + 10, galleryCell(1).y + 10);
  EXPECT_EQ(displays->selectedSlot(), 1);
  EXPECT_TRUE(hasText(mainCanvas(), "Fs: "));
  EXPECT_TRUE(hasText(mainCanvas(), "Sg: "));
  EXPECT_TRUE(hasText(mainCanvas(), "SINR: "));
  EXPECT_GT(countColour(traceCanvas(), kTracePlotArea, Rgb{0, 0, 255}), 150);  // start line
  // While one is selected a double-click selects nothing else.
  mouse(false, event::kDoubleClick, galleryCell(0).x + 2, galleryCell(0).y + 2);
  EXPECT_EQ(displays->selectedSlot(), 1);
  mouse(false, event::kRightUp, 300, 300);
  EXPECT_EQ(displays->selectedSlot(), -1);
  EXPECT_FALSE(hasText(mainCanvas(), "Fs: "));

  // Own layout: kHz/ms slopes.
  app.settings.OutputFormat = kOutputQuilve;
  ASSERT_TRUE(displays->selectChirp(2));
  displays->repaintMain();
  EXPECT_TRUE(hasText(mainCanvas(), "Su: "));
  EXPECT_FALSE(hasText(mainCanvas(), "Sg: "));
  EXPECT_FALSE(displays->selectChirp(5));  // no call there
  EXPECT_EQ(displays->selectedSlot(), 2);

  displays->chirpDeleted(2);
  EXPECT_EQ(displays->selectedSlot(), -1);
  EXPECT_FALSE(displays->hasCall(2));
}

TEST_F(DisplayFacade, DeltasShowOnlyOverTheTileOfASingleClick) {
  const auto f = frame(44.0f);
  for (int i = 0; i < 128; ++i) {
    displays->appendFrame(0, f.data());
    displays->appendFrame(1, f.data());
  }
  const Rect first = galleryCell(0), second = galleryCell(1);
  auto readOutOver = [&](const Rect& cell) {
    mouse(false, event::kMouseMove, cell.x + 64, cell.y + 64);
    EXPECT_TRUE(displays->idle());
    EXPECT_TRUE(hasText(mainCanvas(), "X(mSec):"));
    return hasText(mainCanvas(), "dX(");
  };
  mouse(false, event::kLeftDown, first.x + 32, first.y + 64);
  mouse(false, event::kLeftUp, first.x + 32, first.y + 64);
  EXPECT_TRUE(readOutOver(first));
  EXPECT_FALSE(readOutOver(second));
  EXPECT_TRUE(readOutOver(first));

  // With the right or the middle button held at the press, during the
  // drag or at the release, a click on the second tile is no single click:
  // the first tile keeps the reference.
  const int held[][3] = {{kRightButtonBit, 0, 0}, {0, kMiddleButtonBit, 0}, {0, 0, kRightButtonBit}};
  for (const auto& bits : held) {
    mouse(false, event::kLeftDown, second.x + 32, second.y + 64, bits[0]);
    mouse(false, event::kDrag, second.x + 32, second.y + 64, bits[1]);
    mouse(false, event::kLeftUp, second.x + 32, second.y + 64, bits[2] | kShiftBit);
    EXPECT_FALSE(readOutOver(second));
    EXPECT_TRUE(readOutOver(first));
  }
  // Shift and Control are no buttons.
  mouse(false, event::kLeftDown, second.x + 32, second.y + 64, kShiftBit | kControlBit);
  mouse(false, event::kLeftUp, second.x + 32, second.y + 64, kShiftBit | kControlBit);
  EXPECT_TRUE(readOutOver(second));
  EXPECT_FALSE(readOutOver(first));
}

TEST_F(DisplayScanned, ASingleClickOnTheTraceClearsTheRangeSelection) {
  const TracePlot& p = displays->tracePlot();
  int x0 = 0, x1 = 0, y = 0;
  ASSERT_TRUE(p.toPixel(0.05, 50000.0, &x0, &y));
  ASSERT_TRUE(p.toPixel(0.1, 50000.0, &x1, &y));
  const Rgb untinted = traceCanvas().pixel((x0 + x1) / 2, 220);
  mouse(true, event::kLeftDown, x0, y);
  mouse(true, event::kLeftUp, x1, y);
  double a = 0, b = 0;
  ASSERT_TRUE(displays->timeRange(&a, &b));
  ASSERT_NE(traceCanvas().pixel((x0 + x1) / 2, 220), untinted);
  mouse(true, event::kLeftDown, x1 + 20, y);
  mouse(true, event::kLeftUp, x1 + 20, y);
  EXPECT_FALSE(displays->timeRange(&a, &b));
  EXPECT_EQ(traceCanvas().pixel((x0 + x1) / 2, 220), untinted);
  // The click is the reference of the trace read-out.
  mouse(true, event::kMouseMove, x1 + 20, y);
  ASSERT_TRUE(displays->idle());
  EXPECT_TRUE(hasText(traceCanvas(), "dX(mSec):     0.00"));
}

TEST_F(DisplayScanned, TraceWindowSelectsByTimeAndDragsARange) {
  const TracePlot& p = displays->tracePlot();
  int x = 0, y = 0;
  ASSERT_TRUE(p.toPixel(0.0815, 50000.0, &x, &y));  // near the second call's start
  mouse(true, event::kDoubleClick, x, y);
  EXPECT_EQ(displays->selectedSlot(), 1);
  ASSERT_TRUE(p.toPixel(0.25, 50000.0, &x, &y));  // far from every call
  mouse(true, event::kDoubleClick, x, y);
  EXPECT_EQ(displays->selectedSlot(), -1);

  int x0 = 0, x1 = 0;
  ASSERT_TRUE(p.toPixel(0.05, 50000.0, &x0, &y));
  ASSERT_TRUE(p.toPixel(0.1, 50000.0, &x1, &y));
  mouse(true, event::kLeftDown, x1, y);
  mouse(true, event::kDrag, x0, y);
  mouse(true, event::kLeftUp, x0, y);
  double a = 0, b = 0;
  ASSERT_TRUE(displays->timeRange(&a, &b));
  EXPECT_NEAR(a, 0.05, 0.001);
  EXPECT_NEAR(b, 0.1, 0.001);
  EXPECT_EQ(traceCanvas().pixel((x0 + x1) / 2, 220), (Rgb{24 + 18, 48 + 18, 24 + 24}));
  // A drag of under 5 ms clears it.
  mouse(true, event::kLeftDown, x0, y);
  mouse(true, event::kLeftUp, x0 + 3, y);
  EXPECT_FALSE(displays->timeRange(&a, &b));
  mouse(true, event::kLeftDown, x0, y);
  mouse(true, event::kLeftUp, x1, y);
  mouse(true, event::kRightUp, x0, y);
  EXPECT_FALSE(displays->timeRange(&a, &b));
}

}  // namespace
}  // namespace quilve::ui
