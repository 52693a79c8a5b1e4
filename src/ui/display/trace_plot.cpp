#include "ui/display/trace_plot.h"

#include <algorithm>
#include <cmath>

#include "ui/display/colour_map.h"

namespace quilve::ui {

double traceSpan(double viewSpan, double latest, double d) {
  if (!(d > 0)) d = kTraceSecondsPerDivision;
  const double x = (viewSpan + latest + 0.01) / d;
  if (!std::isfinite(x) || x > kTraceMaxSpan / d) return kTraceMaxSpan;
  const double span = d * (std::trunc(std::max(0.0, x)) + 1.0);
  return std::min(span, kTraceMaxSpan);
}

double traceStretch(int detailSelection) {
  return detailSelection >= 1 && detailSelection <= 4 ? 5.0 - detailSelection : 1.0;
}

TracePlot::TracePlot() { setTimeAxis(0.0, kTraceSecondsPerDivision, kTraceSecondsPerDivision); }

void TracePlot::setTimeAxis(double t0, double secondsPerDivision, double span) {
  t0_ = t0;
  perDivision_ = secondsPerDivision > 0 ? secondsPerDivision : kTraceSecondsPerDivision;
  span_ = span > 0 ? span : perDivision_;
  divisions_ = std::max(1, static_cast<int>(std::lround(span_ / perDivision_)));
}

double TracePlot::column(double t) const { return area_.x + (t - t0_) / span_ * area_.w; }

bool TracePlot::toPixel(double t, double f, int* px, int* py) const {
  const double x = column(t);
  const double y = area_.y + (0.5 - (f + kTraceFrequencyOffset) /
                                         (kTraceFrequencyDivisions * kTraceFrequencyStep)) *
                                 area_.h;
  // The far edges (t0 + span, 0 Hz) fall on the last pixel of the area.
  if (!(x >= area_.x && x <= area_.x + area_.w) || !(y >= area_.y && y <= area_.y + area_.h))
    return false;
  *px = std::min(static_cast<int>(x), area_.x + area_.w - 1);
  *py = std::min(static_cast<int>(y), area_.y + area_.h - 1);
  return true;
}

bool TracePlot::toValue(int px, int py, double* t, double* f) const {
  if (!area_.contains(px, py)) return false;
  *t = t0_ + static_cast<double>(px - area_.x) / area_.w * span_;
  *f = (0.5 - static_cast<double>(py - area_.y) / area_.h) *
           (kTraceFrequencyDivisions * kTraceFrequencyStep) -
       kTraceFrequencyOffset;
  return true;
}

void TracePlot::drawBackgroundAndGrid(Canvas& canvas, const PixelImage& background) const {
  copyRect(canvas, background, area_);
  const int right = area_.x + area_.w - 1, bottom = area_.y + area_.h - 1;
  for (int i = 0; i <= divisions_; ++i) {
    const int x = std::min(right, area_.x + static_cast<int>(static_cast<long long>(area_.w) * i / divisions_));
    canvas.line(x, area_.y, x, bottom, kRed);
  }
  for (int i = 0; i <= kTraceFrequencyDivisions; ++i) {
    const int y = std::min(bottom, area_.y + area_.h * i / kTraceFrequencyDivisions);
    canvas.line(area_.x, y, right, y, kRed);
  }
  // The frame, two pixels thick on every side.
  canvas.fill(area_.x, area_.y, area_.w, 2, kRed);
  canvas.fill(area_.x, bottom - 1, area_.w, 2, kRed);
  canvas.fill(area_.x, area_.y, 2, area_.h, kRed);
  canvas.fill(right - 1, area_.y, 2, area_.h, kRed);
}

namespace {
void square3(Canvas& canvas, int x, int y, Rgb c) { canvas.fill(x - 1, y - 1, 3, 3, c); }
}  // namespace

void TracePlot::drawCall(Canvas& canvas, const ChirpRecord& record, double stretch) const {
  const int first = std::max(0, record.firstPoint);
  const int end = std::min(kTracePoints, record.endPoint);
  if (end - first < 1) return;
  const double origin = record.points[static_cast<std::size_t>(first)].time;
  auto timeOf = [&](const TracePoint& p) { return origin + (p.time - origin) * stretch; };

  // Smoothed contour: only when more than two points fall inside the plot.
  int inside = 0;
  int px = 0, py = 0;
  for (int i = first; i < end; ++i) {
    const TracePoint& p = record.points[static_cast<std::size_t>(i)];
    if (toPixel(timeOf(p), p.smoothedFrequency, &px, &py)) ++inside;
  }
  if (inside > 2) {
    bool have = false;
    int lx = 0, ly = 0;
    for (int i = first; i < end; ++i) {
      const TracePoint& p = record.points[static_cast<std::size_t>(i)];
      const bool in = toPixel(timeOf(p), p.smoothedFrequency, &px, &py);
      if (in && have) canvas.line(lx, ly, px, py, kGreen);
      have = in;
      lx = px;
      ly = py;
    }
    const TracePoint& a = record.points[static_cast<std::size_t>(first)];
    const TracePoint& b = record.points[static_cast<std::size_t>(end - 1)];
    if (toPixel(timeOf(a), a.smoothedFrequency, &px, &py)) square3(canvas, px, py, kRed);
    if (toPixel(timeOf(b), b.smoothedFrequency, &px, &py)) square3(canvas, px, py, kRed);
  }

  // Harmonic runs of more than two consecutive points that have one.
  int runStart = first;
  for (int i = first; i <= end; ++i) {
    const bool has = i < end && record.points[static_cast<std::size_t>(i)].harmonicFrequency > 0;
    if (has) continue;
    if (i - runStart > 2) {
      bool have = false;
      int lx = 0, ly = 0;
      for (int k = runStart; k < i; ++k) {
        const TracePoint& p = record.points[static_cast<std::size_t>(k)];
        const bool in = toPixel(timeOf(p), p.harmonicFrequency, &px, &py);
        if (in && have) canvas.line(lx, ly, px, py, kBlue);
        have = in;
        lx = px;
        ly = py;
      }
    }
    runStart = i + 1;
  }
}

void TracePlot::markTime(Canvas& canvas, double t, Rgb colour) const {
  int px = 0, py = 0;
  if (!toPixel(t, 60000.0, &px, &py)) return;
  canvas.line(px, area_.y, px, area_.y + area_.h - 1, colour);
}

void TracePlot::tintRange(Canvas& canvas, double start, double end) const {
  if (end < start) std::swap(start, end);
  const double c0 = std::max<double>(area_.x, std::floor(column(start)));
  const double c1 = std::min<double>(area_.x + area_.w - 1, std::floor(column(end)));
  if (!(c0 <= c1)) return;
  for (int x = static_cast<int>(c0); x <= static_cast<int>(c1); ++x) {
    for (int y = area_.y; y < area_.y + area_.h; ++y) {
      const Rgb o = canvas.pixel(x, y);
      canvas.setPixel(x, y,
                      Rgb{static_cast<std::uint8_t>(o.r * 3 / 4 + 24),
                          static_cast<std::uint8_t>(o.g * 3 / 4 + 48),
                          static_cast<std::uint8_t>(o.b * 3 / 4 + 24)});
    }
  }
}

}  // namespace quilve::ui
