// Mouse handling of the main and Trace windows and the cursor read-outs.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/display/displays.h"

namespace quilve::ui {

namespace {

constexpr int kClickSlack = 1;              // pixels a click may move
constexpr double kMinimumRange = 0.005;     // s
constexpr double kSelectDistance = 0.025;   // s
// A left-drag pages the gallery by whole chirps: four per gallery row.
constexpr double kPixelsPerChirp = kGalleryPitch / 4.0;

bool isClick(int x0, int y0, int x1, int y1) {
  return std::abs(x1 - x0) <= kClickSlack && std::abs(y1 - y0) <= kClickSlack;
}

bool otherButtonHeld(const EventValues& v) { return (v[2] & (kRightButtonBit | kMiddleButtonBit)) != 0; }

}  // namespace

bool Displays::mainValues(int x, int y, std::array<double, 3>* values, int* tile) const {
  const int selected = selected_.load();
  int slot = -1;
  if (selected >= 0 && kEnlargedView.contains(x, y)) {
    slot = selected;
  } else if (selected < 0) {
    slot = gallery_.slotAt(x, y);
  }
  if (slot < 0) return false;
  const ChirpTile& t = tiles_[static_cast<std::size_t>(slot)];
  double time = 0, frequency = 0;
  float level = 0;
  if (!t.pixelToTimeFrequencyLevel(x, y, &time, &frequency, &level)) return false;
  *values = {time * 1000.0, frequency, level};
  if (tile) *tile = slot;
  return true;
}

bool Displays::traceValues(int x, int y, std::array<double, 3>* values) const {
  double t = 0, f = 0;
  if (!plot_.toValue(x, y, &t, &f)) return false;
  *values = {t * 1000.0, f / 1000.0, 0.0};
  return true;
}

int Displays::nearestCall(double t) const {
  int best = -1;
  double bestDistance = kSelectDistance;
  for (int s = 0; s < kChirpSlots; ++s) {
    if (!haveCall_[static_cast<std::size_t>(s)]) continue;
    const double d = std::fabs(parameters_[static_cast<std::size_t>(s)].startTime - t);
    if (d <= bestDistance) {
      bestDistance = d;
      best = s;
    }
  }
  return best;
}

int Displays::handleMainMouse(int ev, const EventValues& v) {
  const int x = v[0], y = v[1];
  switch (ev) {
    case event::kLeftDown:
      mainPressX_ = x;
      mainPressY_ = y;
      pressFirst_ = firstShownSlot();
      mainPressed_ = true;
      mainOtherButton_ = otherButtonHeld(v);
      return 1;
    case event::kDrag:
      mainOtherButton_ = mainOtherButton_ || otherButtonHeld(v);
      return 1;
    case event::kLeftUp: {
      if (!mainPressed_) return 1;
      mainPressed_ = false;
      if (isClick(mainPressX_, mainPressY_, x, y)) {
        if (mainOtherButton_ || otherButtonHeld(v)) return 1;
        std::lock_guard<std::mutex> lock(mutex_);
        mainReference_.valid = mainValues(x, y, &mainReference_.values, &mainReference_.tile);
        return 1;
      }
      // Dragging up brings later chirps into view; committed on release.
      const int chirps = static_cast<int>((mainPressY_ - y) / kPixelsPerChirp);
      if (chirps != 0) setFirstShownSlot(pressFirst_ + chirps);
      return 1;
    }
    case event::kDoubleClick: {
      if (selectedSlot() >= 0) return 1;
      int slot = -1;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot = gallery_.slotAt(x, y);
      }
      if (slot >= 0) selectChirp(slot);
      return 1;
    }
    case event::kRightUp:
      clearChirpSelection();
      return 1;
    case event::kMouseMove: {
      std::lock_guard<std::mutex> lock(cursorMutex_);
      cursor_ = Cursor{true, false, x, y};
      return 1;
    }
    default:
      return 0;
  }
}

int Displays::handleTraceMouse(int ev, const EventValues& v) {
  const int x = v[0], y = v[1];
  switch (ev) {
    case event::kLeftDown:
      tracePressX_ = x;
      tracePressY_ = y;
      tracePressed_ = true;
      traceOtherButton_ = otherButtonHeld(v);
      return 1;
    case event::kDrag:
      traceOtherButton_ = traceOtherButton_ || otherButtonHeld(v);
      return 1;
    case event::kLeftUp: {
      if (!tracePressed_) return 1;
      tracePressed_ = false;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (isClick(tracePressX_, tracePressY_, x, y)) {
          // A click is a drag too short to select a time range: the range
          // selection goes.
          if (!traceOtherButton_ && !otherButtonHeld(v))
            traceReference_.valid = traceValues(x, y, &traceReference_.values);
          if (haveRange_) {
            haveRange_ = false;
            if (attached_) drawTraceLocked();
          }
        } else {
          // The dragged interval, with both ends held to the plot.
          const Rect& a = plot_.area();
          const int left = std::clamp(std::min(tracePressX_, x), a.x, a.x + a.w - 1);
          const int right = std::clamp(std::max(tracePressX_, x), a.x, a.x + a.w - 1);
          double t0 = 0, t1 = 0, f = 0;
          plot_.toValue(left, a.y, &t0, &f);
          plot_.toValue(right, a.y, &t1, &f);
          haveRange_ = t1 - t0 > kMinimumRange;
          rangeStart_ = t0;
          rangeEnd_ = t1;
          if (attached_) drawTraceLocked();
        }
      }
      invalidateTrace();
      return 1;
    }
    case event::kDoubleClick: {
      int slot = -1;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        double t = 0, f = 0;
        if (plot_.toValue(x, y, &t, &f)) slot = nearestCall(t);
      }
      if (slot >= 0)
        selectChirp(slot);
      else
        clearChirpSelection();
      return 1;
    }
    case event::kRightUp:
      clearChirpSelection();
      clearTimeRange();
      return 1;
    case event::kMouseMove: {
      std::lock_guard<std::mutex> lock(cursorMutex_);
      cursor_ = Cursor{true, true, x, y};
      return 1;
    }
    default:
      return 0;
  }
}

bool Displays::idle() {
  // Tile drawing not yet on screen goes there now that the scan rests.
  flushScanChanges();
  Cursor c;
  {
    std::lock_guard<std::mutex> lock(cursorMutex_);
    c = cursor_;
    cursor_.pending = false;
  }
  if (!c.pending) return false;
  bool drawn = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!attached_) return false;
    std::array<double, 3> values{};
    Canvas* canvas = c.trace ? traceCanvas_ : mainCanvas_;
    const ReadoutBox& box = c.trace ? traceReadout_ : mainReadout_;
    const PixelImage& background = c.trace ? traceBackground_ : mainBackground_;
    const Reference& ref = c.trace ? traceReference_ : mainReference_;
    int tile = -1;
    const bool have = c.trace ? traceValues(c.x, c.y, &values) : mainValues(c.x, c.y, &values, &tile);
    if (canvas != nullptr && have) {
      // The differences to the clicked point while over its tile (the
      // Trace window has a single plot).
      if (ref.valid && (c.trace || ref.tile == tile)) {
        const std::array<double, 3> deltas{values[0] - ref.values[0], values[1] - ref.values[1],
                                           values[2] - ref.values[2]};
        box.showWithDeltas(*canvas, background, face(), values, deltas);
      } else {
        box.show(*canvas, background, face(), values);
      }
      drawn = true;
    }
  }
  if (drawn) {
    if (c.trace)
      invalidateTrace();
    else
      invalidateMain();
  }
  return drawn;
}

}  // namespace quilve::ui
