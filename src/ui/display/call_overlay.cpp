#include "ui/display/call_overlay.h"

#include <algorithm>
#include <cstdio>

#include "settings/scan_settings.h"

namespace quilve::ui {

namespace {

constexpr int kLineStep = 18;
constexpr int kGroupStep = 22;  // before "Fd", "Curv" and "SINR"
// The columns are as wide as their longest line ("Fs: 125.0 (KHz)",
// "Sg: -123.4 (Oct/s)") in the desktop's 12-pixel font plus a space; the
// second ends left of the tile's right edge. A fixed layout: the panel's
// place on the tile does not move with the font.
constexpr int kPanelLeft = 216;
constexpr int kSecondColumn = 106;
constexpr int kPanelHeight = 2 * kLineStep + 2 * kGroupStep + 16;  // down to below "SINR"
constexpr int kRingMargin = 6;  // kept free inside the tile's edge
constexpr Rgb kPanelText{255, 255, 255};

void square3(Canvas& canvas, int x, int y, Rgb c) { canvas.fill(x - 1, y - 1, 3, 3, c); }

void outline(Canvas& canvas, int x, int y, Rgb c) {
  canvas.line(x - 3, y - 3, x + 3, y - 3, c);
  canvas.line(x + 3, y - 3, x + 3, y + 3, c);
  canvas.line(x + 3, y + 3, x - 3, y + 3, c);
  canvas.line(x - 3, y + 3, x - 3, y - 3, c);
}

// A polyline through the points [from, to) of one contour, joining only
// neighbours that both lie on the tile.
template <typename F>
void polyline(Canvas& canvas, const ChirpTile& tile, const ChirpRecord& r, int from, int to,
              F frequencyOf, Rgb c) {
  bool have = false;
  int lx = 0, ly = 0;
  for (int i = from; i < to; ++i) {
    const TracePoint& p = r.points[static_cast<std::size_t>(i)];
    int px = 0, py = 0;
    const bool in = tile.timeFrequencyToPixel(p.time - r.contextStartTime, frequencyOf(p), &px, &py);
    if (in && have) canvas.line(lx, ly, px, py, c);
    have = in;
    lx = px;
    ly = py;
  }
}

std::string format(const char* f, double v) {
  char text[64];
  std::snprintf(text, sizeof text, f, v);
  return text;
}

bool octaveSlopes(int outputFormat) {
  return outputFormat == kOutputAnalook || outputFormat == kOutputEchoclass;
}

}  // namespace

void drawCallTrace(Canvas& canvas, const ChirpTile& tile, const ChirpRecord& r) {
  if (r.endPoint <= 1) return;
  const int first = std::clamp(r.firstPoint, 0, kTracePoints);
  const int end = std::min(r.endPoint, kTracePoints);
  if (first >= end) return;
  polyline(canvas, tile, r, first, end, [](const TracePoint& p) { return p.frequency; }, kRed);
  int px = 0, py = 0;
  const TracePoint& a = r.points[static_cast<std::size_t>(first)];
  if (tile.timeFrequencyToPixel(a.time - r.contextStartTime, a.smoothedFrequency, &px, &py))
    square3(canvas, px, py, kRed);
  polyline(canvas, tile, r, first, end, [](const TracePoint& p) { return p.smoothedFrequency; },
           kGreen);
  const TracePoint& b = r.points[static_cast<std::size_t>(end - 1)];
  if (tile.timeFrequencyToPixel(b.time - r.contextStartTime, b.smoothedFrequency, &px, &py))
    square3(canvas, px, py, kGreen);
  int runStart = first;
  for (int i = first; i <= end; ++i) {
    if (i < end && r.points[static_cast<std::size_t>(i)].harmonicFrequency > 0) continue;
    if (i - runStart > 2)
      polyline(canvas, tile, r, runStart, i,
               [](const TracePoint& p) { return p.harmonicFrequency; }, kBlue);
    runStart = i + 1;
  }
}

std::vector<PanelLine> parameterPanelLines(const ChirpRecord& r, const CallParameters& c,
                                           int outputFormat) {
  const int first = std::clamp(r.firstPoint, 0, kTracePoints - 1);
  const double fs = r.points[static_cast<std::size_t>(first)].frequency / 1000.0;
  std::vector<PanelLine> lines;
  lines.push_back({0, 0, format("Fs: %4.1f (KHz)", fs)});
  lines.push_back({0, kLineStep, format("Fk: %4.1f (KHz)", c.kneeFrequency)});
  lines.push_back({0, 2 * kLineStep, format("Fc: %4.1f (KHz)", c.charFrequency)});
  lines.push_back({0, 2 * kLineStep + kGroupStep, format("Fd: %4.1f (KHz)", c.dominantFrequency / 1000.0)});
  if (octaveSlopes(outputFormat)) {
    lines.push_back({1, 0, format("Sg: %6.1f (Oct/s)", c.globalSlopeOct)});
    lines.push_back({1, kLineStep, format("S1: %5.1f (Oct/s)", c.initialSlopeOct)});
    lines.push_back({1, 2 * kLineStep, format("Sc: %5.1f (Oct/s)", c.charSlopeOct)});
  } else {
    lines.push_back({1, 0, format("Su: %4.1f (KHz/ms)", c.upperSlope)});
    lines.push_back({1, kLineStep, format("Sl: %4.1f (KHz/ms)", c.lowerSlope)});
    lines.push_back({1, 2 * kLineStep, format("Sc: %4.1f (KHz/ms)", c.charSlope)});
  }
  const int curvY = 2 * kLineStep + kGroupStep;
  lines.push_back({1, curvY, format("Curv: %4.2f", c.curvature)});
  lines.push_back({1, curvY + kGroupStep, format("SINR: %4.1f (dB)", c.sinr)});
  return lines;
}

void drawCallParameters(Canvas& canvas, const TextMeasure& measure, const ChirpTile& tile,
                        const ChirpRecord& r, const CallParameters& c, int outputFormat,
                        double sampleRate, bool showPanel) {
  const int first = std::clamp(r.firstPoint, 0, kTracePoints - 1);
  const double t0 = r.points[static_cast<std::size_t>(first)].time - r.contextStartTime;
  struct Marker {
    double t, f;
    const char* label;
    Rgb colour;
  };
  const Marker markers[] = {
      {t0, c.startFrequency, "Fs", kGreen},
      {t0 + c.kneeTime * 0.001, c.kneeFrequency * 1000.0, "Fk", kGreen},
      {t0 + c.charTime * 0.001, c.charFrequency * 1000.0, "Fc", kRed},
  };
  for (const Marker& m : markers) {
    int px = 0, py = 0;
    if (!tile.timeFrequencyToPixel(m.t, m.f, &px, &py)) continue;
    outline(canvas, px, py, m.colour);
    // Anchored on the tile, so that redrawing the tile removes the label.
    const Rect& s = tile.screenRect();
    canvas.text(std::min(px + 5, s.x + s.w - measure.textWidth(m.label)),
                std::max(py - measure.lineHeight(), s.y), m.label, m.colour);
  }
  if (!showPanel) return;
  const Rect& s = tile.screenRect();
  // Height of 0.48 x sample rate on the tile's frequency axis, kept on the tile.
  int top = s.y;
  int px = 0;
  if (!tile.timeFrequencyToPixel(0.0, 0.48 * sampleRate, &px, &top)) top = s.y + 4;
  // The last line stays clear of the ring around the tile.
  top = std::max(s.y + kRingMargin, std::min(top, s.y + s.h - kRingMargin - kPanelHeight));
  for (const PanelLine& l : parameterPanelLines(r, c, outputFormat))
    canvas.text(s.x + kPanelLeft + l.column * kSecondColumn, top + l.y, l.text, kPanelText);
}

}  // namespace quilve::ui
