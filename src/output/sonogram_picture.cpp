#include "output/sonogram_picture.h"

#include <algorithm>
#include <cmath>

#include "output/bitmap_font.h"
#include "output/sonogram_columns.h"

namespace quilve {

namespace {

constexpr Rgb kPaper{255, 255, 255};
constexpr Rgb kInk{0, 0, 0};
constexpr int kLevels = SonogramColumns::kLevels;

struct Box {
  int x0, y0, x1, y1;  // inclusive
  bool overlaps(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
};

int plotBottom() { return SonogramLayout::kTop + SonogramLayout::kPlotHeight - 1; }

void drawSonogram(Raster& r, const SonogramPage& page) {
  const LevelColourTable colours(page.range);
  std::uint32_t packed[kLevels];
  for (int c = 0; c < page.columns; ++c) {
    colours.packedRun(page.levels + static_cast<std::ptrdiff_t>(c) * kLevels, kLevels, packed);
    const int x = SonogramLayout::kLeft + c;
    for (int k = 0; k < kLevels; ++k) {
      const Rgb colour = LevelColourTable::unpack(packed[k]);
      for (int i = 0; i < SonogramLayout::kRowsPerBin; ++i) {
        r.setPixel(x, plotBottom() - k * SonogramLayout::kRowsPerBin - i, colour);
      }
    }
  }
}

void drawFrame(Raster& r, const SonogramPage& page) {
  const int left = SonogramLayout::kLeft - 1, right = SonogramLayout::kLeft + page.columns;
  const int top = SonogramLayout::kTop - 1, bottom = plotBottom() + 1;
  r.line(left, top, right, top, kFrameColour);
  r.line(left, bottom, right, bottom, kFrameColour);
  r.line(left, top, left, bottom, kFrameColour);
  r.line(right, top, right, bottom, kFrameColour);
}

void drawTimeAxis(Raster& r, const SonogramPage& page) {
  const int labelEvery = page.columns <= 1200 ? 100 : 200;
  const int y = plotBottom() + 2;
  int lastLabelEnd = -1000;
  const std::int64_t first = page.firstColumn, end = page.firstColumn + page.columns;
  for (std::int64_t t = (first + 99) / 100 * 100; t < end; t += 100) {
    const int x = SonogramLayout::kLeft + static_cast<int>(t - first);
    const bool labelled = t % labelEvery == 0;
    r.line(x, y, x, y + (labelled ? 3 : 1), kInk);
    if (!labelled) continue;
    const std::string text = std::to_string(t);
    const int tx = x - textWidth(text) / 2;
    if (tx <= lastLabelEnd + 4 || tx + textWidth(text) >= r.width()) continue;
    drawText(r, tx, y + 5, text, kInk);
    lastLabelEnd = tx + textWidth(text);
  }
  const std::string unit = "ms";
  drawText(r, SonogramLayout::kLeft + page.columns - textWidth(unit), y + 14, unit, kInk);
}

void drawFrequencyAxis(Raster& r, const SonogramPage& page) {
  const double nyquistKHz = page.effectiveSampleRate / 2000.0;
  const int step = nyquistKHz > 250 ? 50 : nyquistKHz < 60 ? 10 : 20;
  const std::string unit = "kHz";
  drawText(r, 1, SonogramLayout::kTop, unit, kInk);
  for (int khz = 0; khz < nyquistKHz; khz += step / 2) {
    const int y = sonogramY(page, khz * 1000.0);
    if (y < SonogramLayout::kTop) break;
    const bool labelled = khz % step == 0;
    r.line(SonogramLayout::kLeft - (labelled ? 5 : 3), y, SonogramLayout::kLeft - 2, y, kInk);
    if (!labelled || y < SonogramLayout::kTop + 12) continue;  // the unit's place
    const std::string text = std::to_string(khz);
    drawText(r, SonogramLayout::kLeft - 7 - textWidth(text), std::min(y - 3, plotBottom() - 6), text, kInk);
  }
}

// The points of a call's contour on the page, in order.
struct ContourPoint {
  int x, y;
};

std::vector<ContourPoint> contourOnPlot(const SonogramPage& page, const ChirpRecord& trace) {
  std::vector<ContourPoint> out;
  const int first = std::clamp(trace.firstPoint, 0, kTracePoints);
  const int end = std::clamp(trace.endPoint, first, kTracePoints);
  for (int i = first; i < end; ++i) {
    const TracePoint& p = trace.points[static_cast<std::size_t>(i)];
    if (!(p.frequency > 0.0f) || !std::isfinite(p.time)) continue;
    out.push_back({sonogramX(page, p.time), sonogramY(page, p.frequency)});
  }
  return out;
}

bool onPlotColumns(const SonogramPage& page, int x) {
  return x >= SonogramLayout::kLeft && x < SonogramLayout::kLeft + page.columns;
}

void drawContour(Raster& r, const SonogramPage& page, const std::vector<ContourPoint>& points) {
  const int lo = SonogramLayout::kLeft, hi = SonogramLayout::kLeft + page.columns - 1;
  for (std::size_t i = 0; i < points.size(); ++i) {
    ContourPoint a = points[i];
    ContourPoint b = i + 1 < points.size() ? points[i + 1] : a;
    if ((a.x < lo && b.x < lo) || (a.x > hi && b.x > hi)) continue;
    a.x = std::clamp(a.x, lo, hi);
    b.x = std::clamp(b.x, lo, hi);
    r.line(a.x, a.y, b.x, b.y, kContourColour);
  }
}

}  // namespace

int sonogramX(const SonogramPage& page, double seconds) {
  if (!std::isfinite(seconds)) return -1;
  const double column = std::floor(seconds * kSonogramColumnsPerSecond) - static_cast<double>(page.firstColumn);
  return SonogramLayout::kLeft + static_cast<int>(std::clamp(column, -1e6, 1e6));
}

int sonogramY(const SonogramPage& page, double hertz) {
  const double binHz = page.effectiveSampleRate / 256.0;
  double rows = binHz > 0.0 ? std::floor(hertz / binHz * SonogramLayout::kRowsPerBin) : 0.0;
  if (!std::isfinite(rows)) rows = 0.0;
  rows = std::clamp(rows, -1.0, static_cast<double>(SonogramLayout::kPlotHeight));
  return plotBottom() - static_cast<int>(rows);
}

Raster drawSonogramPage(const SonogramPage& page, const std::vector<AcceptedCall>& calls) {
  Raster r(SonogramLayout::width(page.columns), SonogramLayout::height(), kPaper);
  drawSonogram(r, page);
  drawFrame(r, page);
  drawTimeAxis(r, page);
  drawFrequencyAxis(r, page);
  drawText(r, SonogramLayout::kLeft, 4, page.title, kInk);

  std::vector<std::vector<ContourPoint>> contours;
  contours.reserve(calls.size());
  for (const AcceptedCall& c : calls) contours.push_back(contourOnPlot(page, c.trace));
  // Start marks first, then every contour over them, then the numbers, so
  // that no mark hides a contour.
  for (const auto& points : contours) {
    if (points.empty() || !onPlotColumns(page, points.front().x)) continue;
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) {
        const int x = points.front().x + dx;
        if (onPlotColumns(page, x)) r.setPixel(x, points.front().y + dy, kCallStartColour);
      }
    }
  }
  for (const auto& points : contours) drawContour(r, page, points);
  std::vector<Box> labels;
  for (std::size_t i = 0; i < contours.size(); ++i) {
    const auto& points = contours[i];
    if (points.empty() || !onPlotColumns(page, points.front().x)) continue;
    int top = points.front().y;
    for (const ContourPoint& p : points) top = std::min(top, p.y);
    const std::string number = std::to_string(i + 1);
    const int w = textWidth(number);
    Box box{points.front().x - w / 2, top - 5 - kGlyphHeight, 0, 0};
    // Moved up past the labels of calls just before it.
    for (int tries = 0; tries < 4; ++tries) {
      box.y0 = std::max(box.y0, SonogramLayout::kTop);
      box.x1 = box.x0 + w;
      box.y1 = box.y0 + kGlyphHeight;
      const bool clash = std::any_of(labels.begin(), labels.end(), [&](const Box& b) { return b.overlaps(box); });
      if (!clash) break;
      box.y0 -= kGlyphHeight + 1;
    }
    drawText(r, box.x0, box.y0, number, kContourColour);
    labels.push_back(box);
  }
  return r;
}

}  // namespace quilve
