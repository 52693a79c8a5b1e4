#include "ui/display/displays.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine/recording_analyzer.h"
#include "ui/display/backgrounds.h"
#include "ui/display/backdrop.h"
#include "ui/display/call_overlay.h"
#include "ui/display/colour_map.h"

namespace quilve::ui {

namespace {

bool validSlot(int slot) { return slot >= 0 && slot < kChirpSlots; }

// Gallery scale: labels 16, 12, 8, 4, 0 from bottom to top, one division
// per gallery row.
constexpr Rect kGalleryScaleRect{776, 32, 32, 520};
constexpr Rect kTraceTimeScaleRect{32, 0, 768, 32};
constexpr Rect kTraceFrequencyScaleRect{800, 32, 32, 196};

// Posts one invalidate for the window unless one is already waiting; the
// flag is dropped before the canvas is copied, so later drawing asks again.
void requestInvalidate(Toolkit& tk, Window* w, const std::shared_ptr<std::atomic<bool>>& waiting) {
  if (w == nullptr || waiting->exchange(true)) return;
  tk.post([&tk, w, waiting] {
    waiting->store(false);
    tk.invalidate(w);
  });
}

}  // namespace

Displays::Displays(UiContext& ui)
    : ui_(ui),
      mutex_(ui.app.drawingMutex),
      tileImage_(kMainCanvasWidth, kMainCanvasHeight),
      grids_(kChirpSlots),
      tiles_(kChirpSlots),
      records_(kChirpSlots),
      parameters_(kChirpSlots),
      haveCall_(kChirpSlots, 0),
      mainInvalidating_(std::make_shared<std::atomic<bool>>(false)),
      traceInvalidating_(std::make_shared<std::atomic<bool>>(false)) {
  cellOwner_.fill(-1);
  const auto colours = std::make_shared<const LevelColourTable>(
      levelRangeFrom(ui.app.settings.SonoBrightness, ui.app.settings.SonoContrast));
  for (int s = 0; s < kChirpSlots; ++s) {
    ChirpTile& t = tiles_[static_cast<std::size_t>(s)];
    t.setGridStorage(grids_.grid(s));
    t.create(nullptr, &tileImage_, imageCell(s));
    t.setLevelColours(colours);
    t.setTimeAxis(0.0, 1.0, viewSpan_);
  }
  mainReadout_.setLayout(mainReadoutLayout());
  mainReadout_.setUnits("mSec", "Hz", "dB");
  traceReadout_.setLayout(traceReadoutLayout());
  traceReadout_.setUnits("mSec", "KHz");
  galleryScale_.setGeometry(kGalleryScaleRect);
  galleryScale_.setDivisions(16, -4, 4);
  traceTimeScale_.setGeometry(kTraceTimeScaleRect, AxisScale::Ticks::Bottom);
  traceFrequencyScale_.setGeometry(kTraceFrequencyScaleRect);
  traceFrequencyScale_.setDivisions(0, 10, kTraceFrequencyDivisions);
  mainBackground_ = makeMainBackground();
  traceBackground_ = makeTraceBackground();
}

Displays::~Displays() = default;

Rgb Displays::face() const { return ui_.tk.faceColour(); }

void Displays::attach() {
  readSettings();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    mainBackground_ = makeMainBackground();
    traceBackground_ = makeTraceBackground();
    mapWhiteToFace(mainBackground_, face());
    mapWhiteToFace(traceBackground_, face());
    mainBackdrop_.forget();
    traceBackdrop_.forget();
    mainCanvas_ = ui_.windows.main ? &ui_.windows.main->canvas : nullptr;
    traceCanvas_ = ui_.windows.trace ? &ui_.windows.trace->canvas : nullptr;
    if (mainCanvas_) mainCanvas_->resize(kMainCanvasWidth, kMainCanvasHeight, face());
    if (traceCanvas_) traceCanvas_->resize(kTraceCanvasWidth, kTraceCanvasHeight, face());
    for (ChirpTile& t : tiles_) t.setCanvas(mainCanvas_);
    attached_ = true;
    drawMainLocked();
    drawTraceLocked();
  }
  invalidateMain();
  invalidateTrace();
}

void Displays::readSettings() {
  outputFormat_ = ui_.app.settings.OutputFormat;
  detailSelection_ = ui_.app.settings.DetailSelection;
}

bool Displays::shown(int slot) const {
  if (!attached_ || mainCanvas_ == nullptr) return false;
  const int selected = selected_.load();
  if (selected >= 0) return slot == selected;
  return gallery_.positionOf(slot) >= 0;
}

// The image cell of a slot is shared by every sixteenth slot; the slot that
// painted it last owns it. A slot on screen (or `force`) takes the cell
// over and is repainted in full; a hidden one only paints a cell nobody
// shown holds.
bool Displays::claimCell(int slot, bool force) {
  int& owner = cellOwner_[static_cast<std::size_t>(slot % kGalleryCells)];
  if (owner == slot) return true;
  if (!force && owner >= 0 && shown(owner)) return false;
  owner = slot;
  tiles_[static_cast<std::size_t>(slot)].requestRepaint();
  return true;
}

void Displays::clearTile(int slot) {
  if (!validSlot(slot)) return;
  bool mainChanged = false, traceChanged = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    clearTileLocked(slot, &mainChanged, &traceChanged);
  }
  if (mainChanged) scanChangedMain();
  if (traceChanged) scanChangedTrace();
}

void Displays::clearAllTiles() {
  // The screen requests in the order the slots would have made them.
  std::vector<std::uint8_t> requests;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int slot = 0; slot < kChirpSlots; ++slot) {
      bool mainChanged = false, traceChanged = false;
      clearTileLocked(slot, &mainChanged, &traceChanged);
      if (mainChanged || traceChanged)
        requests.push_back(static_cast<std::uint8_t>((mainChanged ? 1 : 0) |
                                                     (traceChanged ? 2 : 0)));
    }
  }
  for (const std::uint8_t r : requests) {
    if (r & 1) scanChangedMain();
    if (r & 2) scanChangedTrace();
  }
}

void Displays::clearTileLocked(int slot, bool* mainChanged, bool* traceChanged) {
  ChirpTile& t = tiles_[static_cast<std::size_t>(slot)];
  t.clear();
  const bool hadCall = haveCall_[static_cast<std::size_t>(slot)] != 0;
  haveCall_[static_cast<std::size_t>(slot)] = 0;
  if (shown(slot)) {
    claimCell(slot, true);
    // Most candidates are cleared again without a call: when nothing was
    // drawn over the tile, only the columns painted since the last clear
    // go back to the cleared picture, in the image and on the screen.
    if (!hadCall && !textsOver(t.screenRect()))
      t.redrawChanged();
    else
      showTile(slot, t.screenRect());
    *mainChanged = true;
  }
  // The worker moves to a new slot once the previous one is accepted: the
  // accepted call is copied out now, before the store moves on.
  if (analyzer_ != nullptr && slot > 0 && !haveCall_[static_cast<std::size_t>(slot - 1)] &&
      analyzer_->store().records[static_cast<std::size_t>(slot - 1)].accepted) {
    takeAcceptedCall(slot - 1);
    *mainChanged = *mainChanged || shown(slot - 1);
    *traceChanged = true;
  }
}

bool Displays::textsOver(const Rect& r) const {
  for (const Canvas::Text& text : mainCanvas_->texts())
    if (r.contains(text.x, text.y)) return true;
  return false;
}

void Displays::takeAcceptedCall(int slot) {
  const std::size_t i = static_cast<std::size_t>(slot);
  records_[i] = analyzer_->store().records[i];
  parameters_[i] = analyzer_->store().parameters[i];
  haveCall_[i] = 1;
  // The trace spans the view span past the context start of the latest
  // call; when that changes the span, the whole trace is drawn anew.
  const double span = traceSpan(viewSpan_, records_[i].contextStartTime);
  const bool spanChanged = span != plot_.span();
  if (spanChanged) plot_.setTimeAxis(0.0, kTraceSecondsPerDivision, span);
  if (!attached_) return;
  if (shown(slot)) {
    const ChirpTile& t = tiles_[i];
    drawCallTrace(*mainCanvas_, t, records_[i]);
    drawCallParameters(*mainCanvas_, ui_.tk, t, records_[i], parameters_[i], outputFormat_, sampleRate_,
                       slot == selected_.load());
  }
  if (spanChanged)
    drawTraceLocked();
  else if (traceCanvas_ != nullptr) {
    plot_.drawCall(*traceCanvas_, records_[i], traceStretch(detailSelection_));
  }
}

void Displays::appendFrame(int slot, const float* levels) {
  if (!validSlot(slot) || levels == nullptr) return;
  bool changed = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ChirpTile& t = tiles_[static_cast<std::size_t>(slot)];
    if (t.columnCount() >= ChirpTile::kColumns) return;
    const int column = t.storeColumn(levels, kFrameLevels);
    const bool visible = shown(slot);
    if (!claimCell(slot, visible)) {
      t.requestRepaint();  // its cell shows another slot
    } else if (t.repaintPending()) {
      // Only after a clear, a change of owner or of the level range.
      if (visible) {
        t.redraw();
        changed = true;
      } else {
        t.repaintImage();
      }
    } else if (visible) {
      t.paintColumnShown(column);
      changed = true;
    } else {
      t.paintColumn(column);
    }
    if (slot >= usedSlots_) {
      usedSlots_ = slot + 1;
      if (attached_ && mainCanvas_ != nullptr && gallery_.positionOf(slot) >= 0) {
        drawGalleryScale();
        changed = true;
      }
    }
  }
  if (changed) scanChangedMain();
}

int Displays::columnCount(int slot) const {
  // Written only by the worker, which is the caller.
  return validSlot(slot) ? tiles_[static_cast<std::size_t>(slot)].columnCount() : 0;
}

void Displays::recordingOpened(const RecordingAnalyzer& analyzer) {
  const Recording& rec = analyzer.recording();
  const double rate = rec.effectiveSampleRate > 0 ? rec.effectiveSampleRate : 0.0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    analyzer_ = &analyzer;
    readSettings();
    if (rate > 0) sampleRate_ = rate;
    const double columns = analyzer.columnTime() * kTileColumns;
    if (columns > 0) viewSpan_ = columns;
    for (ChirpTile& t : tiles_) {
      t.setTimeAxis(0.0, 1.0, viewSpan_);
      t.setFrequencyAxis(0.0, sampleRate_ / 2.0);
    }
    std::fill(haveCall_.begin(), haveCall_.end(), 0);
    usedSlots_ = 0;
    selected_.store(-1);
    haveRange_ = false;
    mainReference_.valid = false;
    traceReference_.valid = false;
    gallery_.setFirstShown(0);
    // No call yet: the span of a current call starting at 0; it grows with
    // the calls accepted (takeAcceptedCall).
    plot_.setTimeAxis(0.0, kTraceSecondsPerDivision, traceSpan(viewSpan_, 0.0));
    if (attached_) {
      drawMainLocked();
      drawTraceLocked();
    }
  }
  mainScan_.deferred = false;
  traceScan_.deferred = false;
  invalidateMain();
  invalidateTrace();
}

void Displays::recordingClosed() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    analyzer_ = nullptr;
  }
  flushScanChanges();
}

void Displays::applyLevelRange() {
  const auto colours = std::make_shared<const LevelColourTable>(
      levelRangeFrom(ui_.app.settings.SonoBrightness, ui_.app.settings.SonoContrast));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (ChirpTile& t : tiles_) t.setLevelColours(colours);
    if (attached_) drawMainLocked();
  }
  invalidateMain();
}

void Displays::repaintMain() {
  readSettings();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (attached_) drawMainLocked();
  }
  invalidateMain();
}

void Displays::repaintTrace() {
  readSettings();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (attached_) drawTraceLocked();
  }
  invalidateTrace();
}

void Displays::showTile(int slot, const Rect& screen) {
  ChirpTile& t = tiles_[static_cast<std::size_t>(slot)];
  if (t.screenRect() != screen) t.setScreenRect(screen);
  claimCell(slot, true);
  // Texts of earlier overlays go (a fill removes the texts anchored in it;
  // the copy then covers its pixels).
  for (const Canvas::Text& text : mainCanvas_->texts()) {
    if (screen.contains(text.x, text.y)) {
      mainCanvas_->fill(screen.x, screen.y, screen.w, screen.h, kBlack);
      break;
    }
  }
  t.redraw();
}

void Displays::drawGalleryScale() {
  galleryScale_.clear(*mainCanvas_, face());
  const int first = gallery_.firstShown();
  const int filled = std::clamp(usedSlots_ - first, 0, kGalleryCells);
  // Rows top to bottom hold offsets 0..15; the bar covers the filled ones.
  galleryScale_.drawRangeBar(*mainCanvas_, filled, 0, first > 0);
  galleryScale_.draw(*mainCanvas_, ui_.tk);
}

void Displays::drawMainLocked() {
  if (mainCanvas_ == nullptr) return;
  Canvas& c = *mainCanvas_;
  mainBackdrop_.draw(c, &mainBackground_, face());
  drawGalleryScale();
  const int selected = selected_.load();
  for (int p = 0; p < kGalleryCells; ++p) {
    const int slot = gallery_.firstShown() + p;
    if (slot == selected) continue;
    showTile(slot, galleryCell(p));
    if (haveCall_[static_cast<std::size_t>(slot)]) {
      const ChirpTile& t = tiles_[static_cast<std::size_t>(slot)];
      drawCallTrace(c, t, records_[static_cast<std::size_t>(slot)]);
      drawCallParameters(c, ui_.tk, t, records_[static_cast<std::size_t>(slot)],
                         parameters_[static_cast<std::size_t>(slot)], outputFormat_, sampleRate_,
                         false);
    }
  }
  if (validSlot(selected)) {
    showTile(selected, kEnlargedView);
    const std::size_t i = static_cast<std::size_t>(selected);
    if (haveCall_[i]) {
      drawCallTrace(c, tiles_[i], records_[i]);
      drawCallParameters(c, ui_.tk, tiles_[i], records_[i], parameters_[i], outputFormat_, sampleRate_,
                         true);
    }
  }
  mainReadout_.clear(c, mainBackground_, face());
}

void Displays::drawTraceLocked() {
  if (traceCanvas_ == nullptr) return;
  Canvas& c = *traceCanvas_;
  traceBackdrop_.draw(c, &traceBackground_, face());
  traceTimeScale_.setDivisions(plot_.t0() * 1000.0, plot_.secondsPerDivision() * 1000.0,
                               plot_.timeDivisions());
  traceTimeScale_.clear(c, face());
  traceTimeScale_.draw(c, ui_.tk);
  traceFrequencyScale_.clear(c, face());
  traceFrequencyScale_.draw(c, ui_.tk);
  plot_.drawBackgroundAndGrid(c, traceBackground_);
  const double stretch = traceStretch(detailSelection_);
  for (int s = 0; s < kChirpSlots; ++s)
    if (haveCall_[static_cast<std::size_t>(s)])
      plot_.drawCall(c, records_[static_cast<std::size_t>(s)], stretch);
  const int selected = selected_.load();
  if (validSlot(selected) && haveCall_[static_cast<std::size_t>(selected)])
    plot_.markTime(c, records_[static_cast<std::size_t>(selected)].contextStartTime, kBlue);
  if (haveRange_) plot_.tintRange(c, rangeStart_, rangeEnd_);
  traceReadout_.clear(c, traceBackground_, face());
}

bool Displays::hasCall(int slot) const {
  return validSlot(slot) && haveCall_[static_cast<std::size_t>(slot)] != 0;
}

bool Displays::selectChirp(int slot) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hasCall(slot)) return false;
    selected_.store(slot);
    if (attached_) {
      drawMainLocked();
      drawTraceLocked();
    }
  }
  invalidateMain();
  invalidateTrace();
  return true;
}

void Displays::clearChirpSelection() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (selected_.load() < 0) return;
    selected_.store(-1);
    if (attached_) {
      drawMainLocked();
      drawTraceLocked();
    }
  }
  invalidateMain();
  invalidateTrace();
}

void Displays::chirpDeleted(int slot) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (validSlot(slot)) haveCall_[static_cast<std::size_t>(slot)] = 0;
    selected_.store(-1);
    if (attached_) {
      drawMainLocked();
      drawTraceLocked();
    }
  }
  invalidateMain();
  invalidateTrace();
}

bool Displays::timeRange(double* start, double* end) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!haveRange_) return false;
  *start = rangeStart_;
  *end = rangeEnd_;
  return true;
}

void Displays::clearTimeRange() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    haveRange_ = false;
    if (attached_) drawTraceLocked();
  }
  invalidateTrace();
}

int Displays::firstShownSlot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return gallery_.firstShown();
}

void Displays::setFirstShownSlot(int slot) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const int before = gallery_.firstShown();
    if (gallery_.setFirstShown(slot) == before) return;
    if (attached_) drawMainLocked();
  }
  invalidateMain();
}

namespace {
// Tile drawing during a scan reaches the screen at most this often: every
// screen update copies the whole canvas on the user-interface thread while
// holding the drawing mutex the scan worker needs.
constexpr auto kScanScreenInterval = std::chrono::milliseconds(33);
}  // namespace

void Displays::scanChanged(ScanScreen& screen, bool trace) {
  const auto now = std::chrono::steady_clock::now();
  if (screen.posted && now - screen.last < kScanScreenInterval) {
    screen.deferred = true;
    return;
  }
  screen.posted = true;
  screen.last = now;
  screen.deferred = false;
  if (trace)
    invalidateTrace();
  else
    invalidateMain();
}

void Displays::scanChangedMain() { scanChanged(mainScan_, false); }
void Displays::scanChangedTrace() { scanChanged(traceScan_, true); }

void Displays::flushScanChanges() {
  if (mainScan_.deferred) {
    mainScan_.deferred = false;
    mainScan_.last = std::chrono::steady_clock::now();
    invalidateMain();
  }
  if (traceScan_.deferred) {
    traceScan_.deferred = false;
    traceScan_.last = std::chrono::steady_clock::now();
    invalidateTrace();
  }
}

void Displays::invalidateMain() { requestInvalidate(ui_.tk, ui_.windows.main, mainInvalidating_); }
void Displays::invalidateTrace() {
  requestInvalidate(ui_.tk, ui_.windows.trace, traceInvalidating_);
}

}  // namespace quilve::ui
