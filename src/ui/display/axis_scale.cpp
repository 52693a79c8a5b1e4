#include "ui/display/axis_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/display/colour_map.h"

namespace quilve::ui {

namespace {
constexpr Rgb kBarFlagged{255, 128, 128};
constexpr Rgb kBarPlain{128, 255, 128};
}  // namespace

void AxisScale::setGeometry(const Rect& r, Ticks ticks) {
  rect_ = r;
  ticks_ = ticks;
}

void AxisScale::setDivisions(double origin, double step, int divisions) {
  origin_ = origin;
  step_ = step;
  divisions_ = std::max(1, divisions);
}

namespace {
// Labels side by side keep at least this much room between them, and at
// least a space.
constexpr int kLabelGap = 4;

// Half the height of a label's digits: a line less the two pixels of
// leading it shares with the next, halved. A label is centred on its tick
// by it.
int halfDigitHeight(const TextMeasure& m) { return std::max(0, m.lineHeight() - 2) / 2; }

bool apart(const AxisScale::Label& a, const AxisScale::Label& b, bool vertical,
           const TextMeasure& m) {
  if (vertical) return std::abs(a.y - b.y) >= m.lineHeight();
  const int gap = std::max(kLabelGap, m.textWidth(" "));
  return a.x + m.textWidth(a.text) + gap <= b.x || b.x + m.textWidth(b.text) + gap <= a.x;
}
}  // namespace

std::vector<AxisScale::Label> AxisScale::labels(const TextMeasure& measure) const {
  const std::vector<Label> all = allLabels(measure);
  // Every k-th label, for the smallest k at which no two shown labels touch.
  for (int k = 1; k <= divisions_; ++k) {
    std::vector<Label> shown;
    bool fits = true;
    for (int i = 0; i <= divisions_ && fits; i += k) {
      fits = shown.empty() ||
             apart(shown.back(), all[static_cast<std::size_t>(i)], vertical(), measure);
      shown.push_back(all[static_cast<std::size_t>(i)]);
    }
    if (fits) return shown;
  }
  return {all.front()};
}

std::vector<AxisScale::Label> AxisScale::allLabels(const TextMeasure& measure) const {
  const int half = halfDigitHeight(measure);
  const int halfDigit = measure.textWidth("0") / 2;
  std::vector<Label> out;
  for (int i = 0; i <= divisions_; ++i) {
    const double v = origin_ + i * step_ + 0.5;
    char text[32];
    std::snprintf(text, sizeof text, "%d",
                  std::isfinite(v) && std::fabs(v) < 2e9 ? static_cast<int>(v) : 0);
    Label l{0, 0, text};
    const int width = measure.textWidth(l.text);
    if (vertical()) {
      const int y = rect_.y + static_cast<int>(rect_.h * (1.0 - static_cast<double>(i) / divisions_));
      // Right of the ticks, and inside the scale however long the text.
      l.x = std::max(rect_.x, std::min(rect_.x + rect_.w / 3, rect_.x + rect_.w - width));
      l.y = std::clamp(y - half, rect_.y, std::max(rect_.y, rect_.y + rect_.h - 2 * half));
    } else {
      // The first digit over the tick, and inside the scale.
      const int x = rect_.x + static_cast<int>(static_cast<long long>(rect_.w) * i / divisions_);
      l.x = std::clamp(x - halfDigit, rect_.x, std::max(rect_.x, rect_.x + rect_.w - width));
      l.y = rect_.y + (ticks_ == Ticks::Top ? rect_.h / 2 : rect_.h / 4);
    }
    out.push_back(l);
  }
  return out;
}

void AxisScale::clear(Canvas& canvas, Rgb face) const {
  canvas.fill(rect_.x, rect_.y, rect_.w, rect_.h, face);
}

void AxisScale::drawTicks(Canvas& canvas, Rgb colour) const {
  for (int i = 0; i <= divisions_; ++i) {
    if (vertical()) {
      // The last tick (i = 0 at the bottom edge) is kept on the scale.
      const int y = std::min(rect_.y + rect_.h - 1,
                             rect_.y + static_cast<int>(rect_.h * (1.0 - static_cast<double>(i) / divisions_)));
      canvas.line(rect_.x, y, rect_.x + rect_.w / 4, y, colour);
    } else {
      const int x = std::min(rect_.x + rect_.w - 1,
                             rect_.x + static_cast<int>(static_cast<long long>(rect_.w) * i / divisions_));
      const int len = rect_.h / 4;
      if (ticks_ == Ticks::Top)
        canvas.line(x, rect_.y, x, rect_.y + len, colour);
      else
        canvas.line(x, rect_.y + rect_.h - 1 - len, x, rect_.y + rect_.h - 1, colour);
    }
  }
}

void AxisScale::draw(Canvas& canvas, const TextMeasure& measure) const {
  drawTicks(canvas, kRed);
  for (const Label& l : labels(measure)) canvas.text(l.x, l.y, l.text, kRed);
}

void AxisScale::erase(Canvas& canvas, Rgb face, const TextMeasure& measure) const {
  drawTicks(canvas, face);
  for (const Label& l : labels(measure)) canvas.text(l.x, l.y, l.text, face);
}

double AxisScale::wrappedFraction(double value) const {
  const double span = step_ * divisions_;
  if (span == 0.0 || !std::isfinite(value)) return 0.0;
  const double f = (value - origin_) / span;
  return f - std::floor(f);
}

void AxisScale::drawRangeBar(Canvas& canvas, double a, double b, bool flag) const {
  const double span = step_ * divisions_;
  if (a == b || span == 0.0 || !std::isfinite(a) || !std::isfinite(b)) return;
  const Rgb c = flag ? kBarFlagged : kBarPlain;
  // Going from a to b runs up the scale when the values and the scale's
  // step grow the same way; the bar starts at whichever end is lower on the
  // scale and covers |b - a| of the span, wrapping past the scale's end.
  const bool upward = (b > a) == (span > 0);
  const double start = wrappedFraction(upward ? a : b);
  const double length = std::min(1.0, std::fabs(b - a) / std::fabs(span));
  const int extent = vertical() ? rect_.h : rect_.w;
  auto piece = [&](double from, double to) {
    const int p0 = static_cast<int>(std::lround(from * extent));
    const int p1 = static_cast<int>(std::lround(to * extent));
    if (p1 <= p0) return;
    if (vertical())
      canvas.fill(rect_.x, rect_.y + rect_.h - p1, rect_.w, p1 - p0, c);
    else
      canvas.fill(rect_.x + p0, rect_.y, p1 - p0, rect_.h, c);
  };
  piece(start, std::min(1.0, start + length));
  if (start + length > 1.0) piece(0.0, start + length - 1.0);
}

bool AxisScale::pixelToValue(int px, int py, double* value) const {
  if (!rect_.contains(px, py)) return false;
  const double along = vertical() ? static_cast<double>(rect_.y + rect_.h - 1 - py) / rect_.h
                                  : static_cast<double>(px - rect_.x) / rect_.w;
  *value = origin_ + step_ * divisions_ * along;
  return true;
}

}  // namespace quilve::ui
