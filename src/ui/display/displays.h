#pragma once
// The display objects of the desktop program behind one facade: the 2048
// chirp tiles and their gallery on the main window, the enlarged selected
// tile with its parameters, the cursor read-outs, the axis scales and the
// Trace window's plot. The scan worker draws the tiles through TileSink.
//
// Threads and locking:
// - Every drawing into the two canvases, and all display state, is guarded
//   by the program's drawing mutex (ui.app.drawingMutex); each public
//   operation takes it itself, so callers must not hold it.
// - clearTile, appendFrame, columnCount, recordingOpened, recordingClosed
//   and idle run on the scan worker thread. Only they read the analyzer's
//   chirp store, so it is never read while the worker writes it. An
//   accepted call is copied out of the store (under the drawing mutex)
//   when the worker moves on to the next slot; everything the user-
//   interface thread draws comes from these copies.
// - attach, the mouse handlers, applyLevelRange, repaintMain, repaintTrace,
//   the selection and paging operations run on the user-interface thread.
//   repaintMain, repaintTrace and applyLevelRange also take the output
//   format, DetailSelection and the brightness and contrast from the
//   settings, which only that thread changes.
// - Canvas changes reach the screen through Toolkit::invalidate, at most one
//   request per window waiting at a time. The tile drawing of the scan
//   worker asks at most every 33 ms; what it drew since its last request
//   is asked for by its next drawing, recordingOpened, recordingClosed or
//   idle, whichever comes first. The canvas itself is always up to date.
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/chirp_record.h"
#include "engine/tile_sink.h"
#include "ui/app/ui_context.h"
#include "ui/display/axis_scale.h"
#include "ui/display/backdrop.h"
#include "ui/display/chirp_tile.h"
#include "ui/display/gallery.h"
#include "ui/display/readout_box.h"
#include "ui/display/tile_grids.h"
#include "ui/display/trace_plot.h"

namespace quilve {
class RecordingAnalyzer;
}

namespace quilve::ui {

class Displays : public quilve::TileSink {
 public:
  // ui.windows.main and ui.windows.trace are set before attach().
  explicit Displays(UiContext& ui);
  ~Displays() override;
  Displays(const Displays&) = delete;
  Displays& operator=(const Displays&) = delete;

  // UI thread, once both windows exist: sizes the canvases (832 x 624 and
  // 832 x 276), makes the backgrounds and paints both windows.
  void attach();

  // TileSink (scan worker). Appending paints one pixel column of the tile
  // and copies it to the screen when the tile is shown; a full tile is
  // left as it is.
  void clearTile(int slot) override;
  // The same as clearTile for every slot, under one lock.
  void clearAllTiles() override;
  void appendFrame(int slot, const float* levels) override;
  int columnCount(int slot) const override;

  // Worker thread, right after a recording is opened for scanning: tile
  // frequency axis from the effective sample rate, tile time span (128
  // column times), the trace span of a call at 0 s (it follows the context
  // start of each call accepted); the calls this analyzer accepts are
  // drawn on the trace. The analyzer must stay alive until
  // recordingClosed() or the next recordingOpened().
  void recordingOpened(const RecordingAnalyzer& analyzer);
  // Worker thread: forget the analyzer (the copies of its calls stay shown).
  void recordingClosed();

  // From SonoBrightness and SonoContrast; redraws all tiles.
  void applyLevelRange();
  // Full redraws of the two windows' canvases.
  void repaintMain();
  void repaintTrace();

  // Mouse events of the main and Trace windows (event::kLeftDown, kDrag,
  // kLeftUp, kRightUp, kDoubleClick, kMouseMove with x, y, key bits).
  // Return 1 when handled.
  int handleMainMouse(int event, const EventValues& v);
  int handleTraceMouse(int event, const EventValues& v);

  int selectedSlot() const { return selected_.load(); }
  // Selects an accepted call of the current recording: enlarged with its
  // parameters on the main window, marked on the trace. False (nothing
  // changes) for a slot without an accepted call.
  bool selectChirp(int slot);
  void clearChirpSelection();
  // A call that was marked as not accepted (Delete Selected): it leaves the
  // trace, the selection is cleared and both windows are repainted.
  void chirpDeleted(int slot);

  // The selected time range of the Trace window, in s.
  bool timeRange(double* start, double* end) const;
  void clearTimeRange();

  // Paging of the gallery: the first of the sixteen slots shown.
  int firstShownSlot() const;
  void setFirstShownSlot(int slot);

  // Draws the cursor read-outs for the latest mouse position; called by the
  // worker's idle and paused passes. True when a read-out was drawn.
  bool idle();

  // For tests and tools (take no lock; use while nothing draws).
  const ChirpTile& tile(int slot) const { return tiles_[static_cast<std::size_t>(slot)]; }
  const TracePlot& tracePlot() const { return plot_; }
  bool hasCall(int slot) const;

 private:
  struct Reference {
    bool valid = false;
    int tile = -1;  // the slot clicked on the main window
    std::array<double, 3> values{};
  };
  struct Cursor {
    bool pending = false;
    bool trace = false;  // in the Trace window, else the main window
    int x = 0, y = 0;
  };

  Rgb face() const;
  bool shown(int slot) const;  // on screen right now
  bool claimCell(int slot, bool force);
  // clearTile's drawing; sets the flags of the windows it changed.
  void clearTileLocked(int slot, bool* mainChanged, bool* traceChanged);
  void showTile(int slot, const Rect& screen);
  void drawGalleryScale();
  void drawMainLocked();
  void drawTraceLocked();
  void readSettings();
  void takeAcceptedCall(int slot);
  // The read-out under a main-window point and the slot of its tile.
  bool mainValues(int x, int y, std::array<double, 3>* values, int* tile = nullptr) const;
  bool traceValues(int x, int y, std::array<double, 3>* values) const;
  void invalidateMain();
  void invalidateTrace();
  // Screen requests of the scan worker's drawing (worker thread only).
  struct ScanScreen {
    bool posted = false;
    bool deferred = false;  // drawn since the last request
    std::chrono::steady_clock::time_point last;
  };
  void scanChanged(ScanScreen& screen, bool trace);
  void scanChangedMain();
  void scanChangedTrace();
  void flushScanChanges();
  bool textsOver(const Rect& r) const;
  int nearestCall(double t) const;

  UiContext& ui_;
  std::mutex& mutex_;
  bool attached_ = false;
  Canvas* mainCanvas_ = nullptr;
  Canvas* traceCanvas_ = nullptr;

  PixelImage tileImage_;
  PixelImage mainBackground_;
  PixelImage traceBackground_;
  Backdrop mainBackdrop_;  // the backgrounds as the canvases take them
  Backdrop traceBackdrop_;
  TileGrids grids_;  // the tiles' level grids, one per slot
  std::vector<ChirpTile> tiles_;
  std::array<int, kGalleryCells> cellOwner_{};
  Gallery gallery_;
  int usedSlots_ = 0;  // slots that have received frames this recording

  // Copies of the accepted calls of the current recording.
  std::vector<ChirpRecord> records_;
  std::vector<CallParameters> parameters_;
  std::vector<std::uint8_t> haveCall_;
  const RecordingAnalyzer* analyzer_ = nullptr;  // worker thread only

  double sampleRate_ = 250000.0;
  double viewSpan_ = 0.015;
  int outputFormat_ = 0;
  int detailSelection_ = 3;

  std::atomic<int> selected_{-1};
  bool haveRange_ = false;
  double rangeStart_ = 0.0, rangeEnd_ = 0.0;

  ReadoutBox mainReadout_;
  ReadoutBox traceReadout_;
  AxisScale galleryScale_;
  AxisScale traceTimeScale_;
  AxisScale traceFrequencyScale_;
  TracePlot plot_;

  // Mouse state (UI thread).
  // A press counts as a single click only while no other button was held
  // from the press to the release.
  int mainPressX_ = 0, mainPressY_ = 0, pressFirst_ = 0;
  bool mainPressed_ = false, mainOtherButton_ = false;
  int tracePressX_ = 0, tracePressY_ = 0;
  bool tracePressed_ = false, traceOtherButton_ = false;
  Reference mainReference_;   // the last single click, under the drawing mutex
  Reference traceReference_;

  mutable std::mutex cursorMutex_;
  Cursor cursor_;

  ScanScreen mainScan_;
  ScanScreen traceScan_;
  std::shared_ptr<std::atomic<bool>> mainInvalidating_;
  std::shared_ptr<std::atomic<bool>> traceInvalidating_;
};

}  // namespace quilve::ui
