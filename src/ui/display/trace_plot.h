#pragma once
// The Trace window's plot: a time line of the recording over 0..120 kHz
// with a red frame and grid, the contour of every accepted call, the
// selected call's start line and a tinted time range.
#include "engine/chirp_record.h"
#include "ui/display/pixel_image.h"

namespace quilve::ui {

constexpr Rect kTracePlotArea{32, 32, 768, 196};
constexpr double kTraceSecondsPerDivision = 0.25;
constexpr double kTraceMaxSpan = 15.0;
constexpr int kTraceFrequencyDivisions = 12;
constexpr double kTraceFrequencyStep = 10000.0;  // Hz per division
constexpr double kTraceFrequencyOffset = -60000.0;

// The time the plot spans: d x (trunc((viewSpan + latest + 0.01) / d) + 1)
// seconds, at most kTraceMaxSpan, where `latest` is the context start of
// the newest call to be shown.
double traceSpan(double viewSpan, double latest, double secondsPerDivision = kTraceSecondsPerDivision);

// Calls are stretched in time about their first point by 5 - detail for
// DetailSelection 1..4 (4, 3, 2, 1), else not at all, so that short calls
// stay visible on the long time line.
double traceStretch(int detailSelection);

class TracePlot {
 public:
  TracePlot();
  // Time axis: origin t0 (s), seconds per division and span (s); the
  // number of divisions is the span over the seconds per division.
  void setTimeAxis(double t0, double secondsPerDivision, double span);
  double t0() const { return t0_; }
  double span() const { return span_; }
  double secondsPerDivision() const { return perDivision_; }
  int timeDivisions() const { return divisions_; }
  const Rect& area() const { return area_; }

  // Copies the plot area from `background`, then the frame and the grid.
  void drawBackgroundAndGrid(Canvas& canvas, const PixelImage& background) const;
  // One accepted call: its smoothed contour (green, with red squares at its
  // first and last points) and its harmonic runs (blue).
  void drawCall(Canvas& canvas, const ChirpRecord& record, double stretch) const;
  // A vertical line at time t.
  void markTime(Canvas& canvas, double t, Rgb colour) const;
  // Tints the columns of the time range green.
  void tintRange(Canvas& canvas, double start, double end) const;

  // t (s) and f (Hz) to a pixel of the plot area; false outside it.
  bool toPixel(double t, double f, int* px, int* py) const;
  // A pixel of the plot area to time and frequency; false outside it.
  bool toValue(int px, int py, double* t, double* f) const;
  // Column of a time, not limited to the plot area.
  double column(double t) const;

 private:
  Rect area_ = kTracePlotArea;
  double t0_ = 0.0;
  double perDivision_ = kTraceSecondsPerDivision;
  double span_ = kTraceSecondsPerDivision;
  int divisions_ = 1;
};

}  // namespace quilve::ui
