// Read-out texts and boxes, axis scales with their range bars, and the
// trace plot's span rule and mappings.
#include <gtest/gtest.h>

#include <string>

#include "ui/display/axis_scale.h"
#include "ui/display/readout_box.h"
#include "ui/display/trace_plot.h"
#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui {
namespace {

const Canvas::Text* textAt(const Canvas& c, int x, int y) {
  for (const Canvas::Text& t : c.texts())
    if (t.x == x && t.y == y) return &t;
  return nullptr;
}

TEST(DisplayReadout, TextFormats) {
  EXPECT_EQ(readoutText("X", "mSec", 12.5), "X(mSec):    12.50");
  EXPECT_EQ(readoutText("dY", "KHz", -3.0), "dY(KHz):    -3.00");
  EXPECT_EQ(readoutText("Z", "", 0.0), "Z():     0.00");
  EXPECT_EQ(readoutText("Y", "Hz", 125000.0), "Y(Hz): 125000.00");
}

TEST(DisplayReadout, BoxesDrawAtTheirAnchorsOverTheirBackground) {
  Canvas c;
  c.resize(832, 624, Rgb{9, 9, 9});
  PixelImage background(800, 624, Rgb{200, 100, 50});
  ReadoutBox box;
  box.setLayout(mainReadoutLayout());
  box.setUnits("mSec", "Hz", "dB");
  box.showWithDeltas(c, background, Rgb{7, 7, 7}, {12.5, 40000.0, 55.25}, {1.0, -500.0, 0.5});
  ASSERT_NE(textAt(c, 320, 562), nullptr);
  EXPECT_EQ(textAt(c, 320, 562)->text, "X(mSec):    12.50");
  EXPECT_EQ(textAt(c, 448, 562)->text, "Y(Hz): 40000.00");
  EXPECT_EQ(textAt(c, 576, 562)->text, "Z(dB):    55.25");
  EXPECT_EQ(textAt(c, 448, 578)->text, "dY(Hz):  -500.00");
  EXPECT_EQ(textAt(c, 320, 562)->colour, (Rgb{0, 0, 0}));
  EXPECT_EQ(c.pixel(256, 552), (Rgb{200, 100, 50}));
  EXPECT_EQ(c.pixel(767, 599), (Rgb{200, 100, 50}));
  EXPECT_EQ(c.pixel(255, 552), (Rgb{9, 9, 9}));
  // Values only: the delta line goes.
  box.show(c, background, Rgb{7, 7, 7}, {1.0, 2.0, 3.0});
  EXPECT_EQ(textAt(c, 320, 578), nullptr);
  EXPECT_EQ(textAt(c, 320, 562)->text, "X(mSec):     1.00");

  ReadoutBox trace;
  trace.setLayout(traceReadoutLayout());
  trace.setUnits("mSec", "KHz");
  trace.showWithDeltas(c, background, Rgb{7, 7, 7}, {1.0, 2.0, 0.0}, {3.0, 4.0, 0.0});
  EXPECT_EQ(textAt(c, 96, 254)->text, "Y(KHz):     2.00");
  EXPECT_EQ(textAt(c, 224, 238)->text, "dX(mSec):     3.00");
  EXPECT_EQ(c.texts().size(), 7u);  // three main values and the four trace texts
}

TEST(DisplayAxisScale, GalleryScaleLabelsAndRangeBarWrap) {
  const HeadlessToolkit tk;
  AxisScale s;
  s.setGeometry(Rect{776, 32, 32, 520});
  s.setDivisions(16, -4, 4);
  ASSERT_TRUE(s.vertical());
  const auto labels = s.labels(tk);
  ASSERT_EQ(labels.size(), 5u);
  EXPECT_EQ(labels[0].text, "16");
  EXPECT_EQ(labels[4].text, "0");
  EXPECT_GT(labels[0].y, labels[4].y);  // 16 at the bottom, 0 at the top
  EXPECT_EQ(labels[0].x, 776 + 32 / 3);
  EXPECT_EQ(labels[2].y, 32 + 260 - 6);

  Canvas c;
  c.resize(832, 624, Rgb{0, 0, 0});
  // Offsets 0..6 of the gallery are filled: the top 6/16 of the scale.
  s.drawRangeBar(c, 6, 0, false);
  EXPECT_EQ(c.pixel(790, 33), (Rgb{128, 255, 128}));
  EXPECT_EQ(c.pixel(790, 32 + 190), (Rgb{128, 255, 128}));
  EXPECT_EQ(c.pixel(790, 32 + 200), (Rgb{0, 0, 0}));
  EXPECT_EQ(c.pixel(790, 551), (Rgb{0, 0, 0}));
  // A whole span apart covers all of it, flagged in red.
  s.drawRangeBar(c, 16, 0, true);
  EXPECT_EQ(c.pixel(790, 551), (Rgb{255, 128, 128}));
  EXPECT_EQ(c.pixel(790, 32), (Rgb{255, 128, 128}));
  // A range across the span's end: two pieces, the middle left alone.
  Canvas d;
  d.resize(832, 624, Rgb{0, 0, 0});
  s.drawRangeBar(d, 14, 18, false);  // wraps: 14..16 and 0..2
  EXPECT_EQ(d.pixel(790, 551), (Rgb{128, 255, 128}));  // near 16 (bottom)
  EXPECT_EQ(d.pixel(790, 33), (Rgb{128, 255, 128}));   // near 0 (top)
  EXPECT_EQ(d.pixel(790, 292), (Rgb{0, 0, 0}));        // 8, untouched
  EXPECT_EQ(s.wrappedFraction(-20.0), s.wrappedFraction(12.0));
  s.drawRangeBar(d, 3, 3, true);  // empty
  EXPECT_EQ(d.pixel(790, 292), (Rgb{0, 0, 0}));

  double v = 0;
  ASSERT_TRUE(s.pixelToValue(790, 551, &v));
  EXPECT_DOUBLE_EQ(v, 16.0);
  ASSERT_TRUE(s.pixelToValue(790, 32, &v));
  EXPECT_NEAR(v, 0.0, 0.05);
  EXPECT_FALSE(s.pixelToValue(775, 100, &v));
}

TEST(DisplayAxisScale, HorizontalTicksLabelsAndErase) {
  const HeadlessToolkit tk;
  AxisScale s;
  s.setGeometry(Rect{32, 0, 768, 32}, AxisScale::Ticks::Bottom);
  s.setDivisions(0, 250, 3);
  ASSERT_FALSE(s.vertical());
  const auto labels = s.labels(tk);
  ASSERT_EQ(labels.size(), 4u);
  EXPECT_EQ(labels[3].text, "750");
  EXPECT_EQ(labels[1].y, 8);  // a quarter height with bottom ticks
  Canvas c;
  c.resize(832, 276, Rgb{5, 5, 5});
  s.draw(c, tk);
  EXPECT_EQ(c.pixel(32 + 256, 31), (Rgb{255, 0, 0}));
  EXPECT_EQ(c.pixel(32 + 256, 24), (Rgb{255, 0, 0}));
  EXPECT_EQ(c.pixel(32 + 256, 20), (Rgb{5, 5, 5}));
  EXPECT_EQ(c.pixel(799, 31), (Rgb{255, 0, 0}));  // the last tick stays on the scale
  s.erase(c, Rgb{5, 5, 5}, tk);
  EXPECT_EQ(c.pixel(32 + 256, 31), (Rgb{5, 5, 5}));
  for (const Canvas::Text& t : c.texts()) EXPECT_EQ(t.colour, (Rgb{5, 5, 5}));
  s.clear(c, Rgb{5, 5, 5});
  EXPECT_TRUE(c.texts().empty());
  // Labels round half up: origin + i x step + 0.5, truncated.
  s.setDivisions(0.4, 0.3, 2);
  EXPECT_EQ(s.labels(tk)[0].text, "0");
  EXPECT_EQ(s.labels(tk)[1].text, "1");
}

// A 10 s recording on the Trace window: 41 time labels would overprint;
// every k-th is shown, evenly, with room between them. The frequency
// labels beside the plot keep inside their scale.
TEST(DisplayAxisScale, LabelsAreThinnedToWhatFits) {
  const HeadlessToolkit tk;
  AxisScale time;
  time.setGeometry(Rect{32, 0, 768, 32}, AxisScale::Ticks::Bottom);
  time.setDivisions(0, 250, 40);
  const auto shown = time.labels(tk);
  ASSERT_GE(shown.size(), 2u);
  ASSERT_LT(shown.size(), 41u);
  EXPECT_EQ(shown.front().text, "0");
  const int stride = std::stoi(shown[1].text) / 250;
  for (std::size_t i = 1; i < shown.size(); ++i) {
    EXPECT_EQ(std::stoi(shown[i].text), static_cast<int>(i) * stride * 250);
    // Eight pixels a digit and a space between neighbours.
    EXPECT_GE(shown[i].x, shown[i - 1].x + 8 * static_cast<int>(shown[i - 1].text.size()) + 8)
        << shown[i].text;
  }
  // Few divisions keep every label.
  time.setDivisions(0, 250, 4);
  EXPECT_EQ(time.labels(tk).size(), 5u);

  AxisScale frequency;
  frequency.setGeometry(Rect{800, 32, 32, 196});
  frequency.setDivisions(0, 10, 12);
  const auto labels = frequency.labels(tk);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    EXPECT_LE(labels[i].x + 8 * static_cast<int>(labels[i].text.size()), 832) << labels[i].text;
    if (i > 0) {
      EXPECT_GE(std::abs(labels[i].y - labels[i - 1].y), 15) << labels[i].text;
    }
  }
  EXPECT_EQ(labels.front().text, "0");
}

// A toolkit whose canvas font is as wide and as high as the test says.
class MetricToolkit : public HeadlessToolkit {
 public:
  MetricToolkit(int digit, int space, int line) : digit_(digit), space_(space), line_(line) {}
  int textWidth(const std::string& text) const override {
    int w = 0;
    for (char c : text) w += c == ' ' ? space_ : digit_;
    return w;
  }
  int lineHeight() const override { return line_; }

 private:
  int digit_, space_, line_;
};

// Whether two labels, as `m` sizes them, overlap or stand closer than a
// space side by side.
bool crowded(const AxisScale::Label& a, const AxisScale::Label& b, const TextMeasure& m) {
  const int gap = m.textWidth(" ");
  return a.x < b.x + m.textWidth(b.text) + gap && b.x < a.x + m.textWidth(a.text) + gap &&
         a.y < b.y + m.lineHeight() && b.y < a.y + m.lineHeight();
}

// The same scales thinned for a narrow and a wide font: each shows every
// k-th label, none crowding another and none outside its scale, and the
// wide font shows fewer. The labels are placed by the font, too.
TEST(DisplayAxisScale, ThinningFollowsTheToolkitsFont) {
  const MetricToolkit narrow(5, 4, 11), wide(10, 6, 24);
  std::size_t timeShown[2] = {0, 0}, frequencyShown[2] = {0, 0};
  int n = 0;
  for (const MetricToolkit* tk : {&narrow, &wide}) {
    AxisScale time;
    time.setGeometry(Rect{32, 0, 768, 32}, AxisScale::Ticks::Bottom);
    time.setDivisions(2500, 250, 40);  // 2.5 .. 12.5 s
    AxisScale frequency;
    frequency.setGeometry(Rect{800, 32, 32, 196});
    frequency.setDivisions(0, 10, 12);
    for (const AxisScale* scale : {&time, &frequency}) {
      const auto shown = scale->labels(*tk);
      ASSERT_GE(shown.size(), 2u);
      const Rect& r = scale->rect();
      const int origin = static_cast<int>(scale->origin());
      const int step = static_cast<int>(scale->step());
      const int stride = (std::stoi(shown[1].text) - origin) / step;
      for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(std::stoi(shown[i].text), origin + static_cast<int>(i) * stride * step);
        EXPECT_GE(shown[i].x, r.x) << shown[i].text;
        EXPECT_LE(shown[i].x + tk->textWidth(shown[i].text), r.x + r.w) << shown[i].text;
        EXPECT_GE(shown[i].y, r.y) << shown[i].text;
        for (std::size_t j = 0; j < i; ++j)
          EXPECT_FALSE(crowded(shown[i], shown[j], *tk)) << shown[i].text << " and " << shown[j].text;
      }
      (scale == &time ? timeShown : frequencyShown)[n] = shown.size();
    }
    // The first digit of a time label sits over its tick.
    const auto t = time.labels(*tk);
    const int k = (std::stoi(t[1].text) - 2500) / 250;
    EXPECT_EQ(t[1].x, 32 + 768 * k / 40 - tk->textWidth("0") / 2);
    ++n;
  }
  EXPECT_GT(timeShown[0], timeShown[1]);
  EXPECT_EQ(frequencyShown[0], 13u);  // 16 pixels a division hold an 11-pixel line
  // A 24-pixel line would need two divisions, but the bottom label is held
  // inside the scale, nearer the next: every third.
  EXPECT_EQ(frequencyShown[1], 5u);
}

TEST(DisplayTracePlot, SpanRuleAndStretch) {
  EXPECT_DOUBLE_EQ(traceSpan(0.015, 0.0), 0.25);
  EXPECT_DOUBLE_EQ(traceSpan(0.015, 0.2), 0.25);
  EXPECT_DOUBLE_EQ(traceSpan(0.015, 0.23), 0.5);
  EXPECT_DOUBLE_EQ(traceSpan(0.5, 3.2), 3.75);
  EXPECT_DOUBLE_EQ(traceSpan(0.5, 40.0), 15.0);
  EXPECT_DOUBLE_EQ(traceSpan(0.02, 1e300), 15.0);
  EXPECT_DOUBLE_EQ(traceStretch(1), 4.0);
  EXPECT_DOUBLE_EQ(traceStretch(4), 1.0);
  EXPECT_DOUBLE_EQ(traceStretch(3), 2.0);
  EXPECT_DOUBLE_EQ(traceStretch(9), 1.0);
  EXPECT_DOUBLE_EQ(traceStretch(0), 1.0);

  TracePlot p;
  p.setTimeAxis(0.0, 0.25, 3.75);
  EXPECT_EQ(p.timeDivisions(), 15);
}

TEST(DisplayTracePlot, MappingsGridAndTint) {
  TracePlot p;
  p.setTimeAxis(0.0, 0.25, 1.0);
  int x = 0, y = 0;
  ASSERT_TRUE(p.toPixel(0.5, 60000.0, &x, &y));
  EXPECT_EQ(x, 32 + 384);
  EXPECT_EQ(y, 32 + 98);
  ASSERT_TRUE(p.toPixel(1.0, 0.0, &x, &y));  // far edges: last pixels
  EXPECT_EQ(x, 799);
  EXPECT_EQ(y, 227);
  EXPECT_FALSE(p.toPixel(1.01, 1000.0, &x, &y));
  EXPECT_FALSE(p.toPixel(0.5, 121000.0, &x, &y));
  double t = 0, f = 0;
  ASSERT_TRUE(p.toValue(32 + 384, 32 + 98, &t, &f));
  EXPECT_DOUBLE_EQ(t, 0.5);
  EXPECT_DOUBLE_EQ(f, 60000.0);
  EXPECT_FALSE(p.toValue(31, 100, &t, &f));

  Canvas c;
  c.resize(832, 276, Rgb{0, 0, 0});
  PixelImage bg(832, 276, Rgb{0, 0, 0});
  p.drawBackgroundAndGrid(c, bg);
  EXPECT_EQ(c.pixel(33, 100), (Rgb{255, 0, 0}));   // frame, two thick
  EXPECT_EQ(c.pixel(34, 100), (Rgb{0, 0, 0}));
  EXPECT_EQ(c.pixel(32 + 192, 100), (Rgb{255, 0, 0}));  // time division
  EXPECT_EQ(c.pixel(100, 32 + 98), (Rgb{255, 0, 0}));  // 60 kHz line
  p.tintRange(c, 0.1, 0.2);
  EXPECT_EQ(c.pixel(32 + 100, 101), (Rgb{24, 48, 24}));
  EXPECT_EQ(c.pixel(32 + 100, 97), (Rgb{215, 48, 24}));  // grid tinted too
  EXPECT_EQ(c.pixel(32 + 60, 101), (Rgb{0, 0, 0}));
  EXPECT_EQ(c.pixel(32 + 100, 250), (Rgb{0, 0, 0}));  // only the plot area
}

TEST(DisplayTracePlot, CallContourNeedsThreePointsInsideAndIsStretched) {
  TracePlot p;
  p.setTimeAxis(0.0, 0.25, 1.0);
  ChirpRecord r;
  r.firstPoint = 0;
  r.endPoint = 3;
  for (int i = 0; i < 3; ++i) {
    r.points[static_cast<std::size_t>(i)].time = 0.5f + 0.001f * i;
    r.points[static_cast<std::size_t>(i)].smoothedFrequency = 60000.0f - 5000.0f * i;
    r.points[static_cast<std::size_t>(i)].harmonicFrequency = -1.0f;
  }
  Canvas c;
  c.resize(832, 276, Rgb{0, 0, 0});
  p.drawCall(c, r, 4.0);
  int x = 0, y = 0;
  ASSERT_TRUE(p.toPixel(0.5, 60000.0, &x, &y));
  EXPECT_EQ(c.pixel(x, y), (Rgb{255, 0, 0}));  // first point's square
  ASSERT_TRUE(p.toPixel(0.5 + 0.008, 50000.0, &x, &y));  // last point, stretched 4 x
  EXPECT_EQ(c.pixel(x, y), (Rgb{255, 0, 0}));
  ASSERT_TRUE(p.toPixel(0.504, 55000.0, &x, &y));  // the middle, on the green line
  bool green = false;
  for (int dy = -2; dy <= 2; ++dy) green = green || c.pixel(x, y + dy) == Rgb{0, 255, 0};
  EXPECT_TRUE(green);

  Canvas d;
  d.resize(832, 276, Rgb{0, 0, 0});
  r.points[2].smoothedFrequency = 200000.0f;  // off the plot: two inside only
  p.drawCall(d, r, 1.0);
  for (int yy = 32; yy < 228; ++yy)
    for (int xx = 32; xx < 800; ++xx) ASSERT_EQ(d.pixel(xx, yy), (Rgb{0, 0, 0}));
}

}  // namespace
}  // namespace quilve::ui
