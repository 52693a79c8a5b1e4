#pragma once
// An axis scale beside a plot: red ticks with "%d" labels for each of its
// divisions, a range bar between two values, and pixel to value. A scale
// is vertical when it is narrower than it is high; vertical scales count
// from the bottom.
#include <string>
#include <vector>

#include "ui/display/pixel_image.h"

namespace quilve::ui {

class AxisScale {
 public:
  enum class Ticks { Top, Bottom };  // horizontal scales only

  struct Label {
    int x, y;
    std::string text;
  };

  void setGeometry(const Rect& r, Ticks ticks = Ticks::Top);
  // Origin value, step per division and number of divisions.
  void setDivisions(double origin, double step, int divisions);
  const Rect& rect() const { return rect_; }
  bool vertical() const { return rect_.w < rect_.h; }
  double origin() const { return origin_; }
  double step() const { return step_; }
  int divisions() const { return divisions_; }

  // The labels the scale shows: trunc(origin + i x step + 0.5) for i = 0,
  // k, 2k, ... up to divisions, with their text anchors; k is the smallest
  // step at which no two labels shown overlap as `measure` sizes them (side
  // by side they keep at least a space apart).
  std::vector<Label> labels(const TextMeasure& measure) const;

  // Fills the scale's rectangle with the face colour (removing its texts).
  void clear(Canvas& canvas, Rgb face) const;
  void draw(Canvas& canvas, const TextMeasure& measure) const;
  // Draws the same ticks and labels in the face colour.
  void erase(Canvas& canvas, Rgb face, const TextMeasure& measure) const;
  // A bar across the scale over the values from a to b: positions are the
  // fractional parts of (value - origin) / (step x divisions), so values
  // wrap around the span and a range that wraps is drawn in two pieces; a
  // whole span or more covers the scale.
  // (255, 128, 128) with the flag, else (128, 255, 128).
  void drawRangeBar(Canvas& canvas, double a, double b, bool flag) const;
  // Fraction 0..1 of a value along the scale (from the bottom or the left),
  // wrapped into the span.
  double wrappedFraction(double value) const;
  // origin + step x divisions x fraction along the scale; false outside.
  bool pixelToValue(int px, int py, double* value) const;

 private:
  void drawTicks(Canvas& canvas, Rgb colour) const;
  // One label for every division.
  std::vector<Label> allLabels(const TextMeasure& measure) const;

  Rect rect_;
  Ticks ticks_ = Ticks::Top;
  double origin_ = 0.0;
  double step_ = 1.0;
  int divisions_ = 1;
};

}  // namespace quilve::ui
