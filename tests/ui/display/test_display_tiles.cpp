// Colour scale and chirp tiles: colours, the grid and its wrap, the write
// cursor and red ring, and the pixel mappings.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "ui/display/chirp_tile.h"
#include "ui/display/colour_map.h"
#include "ui/display/gallery.h"
#include "ui/display/tile_grids.h"

namespace quilve::ui {
namespace {

const LevelRange kRange = levelRangeFrom(50.0f, 40.0f);  // 30 .. 70 dB

TEST(DisplayColourMap, EdgesOfTheScale) {
  EXPECT_FLOAT_EQ(kRange.low, 30.0f);
  EXPECT_FLOAT_EQ(kRange.high, 70.0f);
  EXPECT_EQ(levelColour(70.0f, kRange), (Rgb{255, 0, 0}));
  EXPECT_EQ(levelColour(95.0f, kRange), (Rgb{255, 0, 0}));
  EXPECT_EQ(levelColour(50.0f, kRange), (Rgb{0, 255, 0}));
  EXPECT_EQ(levelColour(30.0f, kRange), (Rgb{0, 0, 255}));
  EXPECT_EQ(levelColour(29.0f, kRange), (Rgb{0, 0, 242}));
  EXPECT_EQ(levelColour(10.0f, kRange), (Rgb{0, 0, 0}));
  EXPECT_EQ(levelColour(-100.0f, kRange), (Rgb{0, 0, 0}));
  // Between the edges: red rises as green falls, and the same for blue.
  EXPECT_EQ(levelColour(60.0f, kRange), (Rgb{127, 128, 0}));
  EXPECT_EQ(levelColour(40.0f, kRange), (Rgb{0, 128, 127}));
}

TEST(DisplayColourMap, DegenerateInputsStayInRange) {
  const LevelRange flat{50.0f, 50.0f};  // contrast slider at 100
  EXPECT_EQ(levelColour(50.0f, flat), (Rgb{0, 255, 0}));
  EXPECT_EQ(levelColour(51.0f, flat), (Rgb{255, 0, 0}));
  EXPECT_EQ(levelColour(49.0f, flat), (Rgb{0, 0, 0}));
  EXPECT_EQ(levelColour(std::numeric_limits<float>::quiet_NaN(), kRange), (Rgb{0, 0, 0}));
  EXPECT_EQ(levelColour(std::numeric_limits<float>::infinity(), kRange), (Rgb{255, 0, 0}));
  EXPECT_EQ(levelColour(-std::numeric_limits<float>::infinity(), kRange), (Rgb{0, 0, 0}));
}

// The rule written out once more, plainly, as the reference.
Rgb referenceColour(float level, const LevelRange& range) {
  const double v = level, low = range.low, mid = (static_cast<double>(range.low) + range.high) / 2.0;
  const double s = 255.0 / std::max(mid - low, 1e-3);
  auto channel = [](double x) { return static_cast<std::uint8_t>(std::clamp(std::trunc(x), 0.0, 255.0)); };
  if (v > mid) {
    const std::uint8_t r = channel((v - mid) * s);
    return Rgb{r, static_cast<std::uint8_t>(255 - r), 0};
  }
  if (v >= low) {
    const std::uint8_t b = channel((mid - v) * s);
    return Rgb{0, static_cast<std::uint8_t>(255 - b), b};
  }
  if (v < low) return Rgb{0, 0, channel(255.0 - s * std::trunc(std::min(low - v, 1e15)))};
  return Rgb{0, 0, 0};
}

// The table the tiles paint with gives every level exactly the rule's
// colour, not that of a grid level near it: levels at random between the
// edges and below them, and a dense sweep, for the usual range and narrow,
// wide, flat, upside-down and absurdly wide ones; a run of levels is
// painted as single levels are.
TEST(DisplayColourMap, TheTableGivesEveryLevelTheRulesExactColour) {
  const std::array<LevelRange, 7> ranges{kRange, levelRangeFrom(20.0f, 4.0f),
                                         levelRangeFrom(80.0f, 100.0f), levelRangeFrom(50.0f, 1.0f),
                                         LevelRange{50.0f, 50.0f}, LevelRange{60.0f, 40.0f},
                                         LevelRange{-1e7f, 1e7f}};
  std::mt19937 random(26);
  for (const LevelRange& range : ranges) {
    const LevelColours rule(range);
    const LevelColourTable table(range);
    const float from = std::min(range.low, range.high), to = std::max(range.low, range.high);
    std::uniform_real_distribution<float> between(from - 30.0f, to + 5.0f);
    std::vector<float> levels(100000);
    for (float& v : levels) v = between(random);
    if (to - from < 200.0f)
      for (float v = from - 30.0f; v <= to + 5.0f; v += 0.0037f) levels.push_back(v);
    for (const float v : {-1e30f, 1e30f, std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN(), 29.999998f, 50.000004f, 0.0f})
      levels.push_back(v);
    std::vector<std::uint32_t> run(levels.size());
    table.packedRun(levels.data(), static_cast<int>(levels.size()), run.data());
    std::size_t wrong = 0;
    float firstWrong = 0.0f;
    for (std::size_t i = 0; i < levels.size(); ++i) {
      const Rgb expected = referenceColour(levels[i], range);
      if (rule(levels[i]) == expected && table(levels[i]) == expected &&
          run[i] == LevelColourTable::pack(expected))
        continue;
      if (wrong++ == 0) firstWrong = levels[i];
    }
    EXPECT_EQ(wrong, 0u) << range.low << ".." << range.high << ", first at " << firstWrong;
  }
}

std::array<float, 128> column(float level) {
  std::array<float, 128> c;
  c.fill(level);
  return c;
}

struct DisplayTile : ::testing::Test {
  PixelImage image{832, 624};
  Canvas canvas;
  ChirpTile tile;
  void SetUp() override {
    canvas.resize(832, 624, Rgb{1, 2, 3});
    tile.create(&canvas, &image, galleryCell(5));
    tile.setLevelRange(kRange);
    tile.setTimeAxis(0.0, 1.0, 0.015);
    tile.setFrequencyAxis(0.0, 125000.0);
  }
};

TEST_F(DisplayTile, GridStartsClearedAndWrapsAfterTheLastColumn) {
  EXPECT_EQ(tile.columnCount(), 0);
  EXPECT_EQ(tile.level(0, 0), kClearedLevel);
  for (int i = 0; i < 128; ++i) {
    const auto c = column(static_cast<float>(i));
    EXPECT_EQ(tile.appendColumn(c.data(), 128), i);
  }
  EXPECT_EQ(tile.columnCount(), 128);
  const auto c = column(999.0f);
  EXPECT_EQ(tile.appendColumn(c.data(), 128), 0);  // the 129th column
  EXPECT_EQ(tile.columnCount(), 1);
  EXPECT_EQ(tile.level(0, 64), 999.0f);
  EXPECT_EQ(tile.level(1, 64), 1.0f);  // the rest stays after the wrap

  tile.clear();
  EXPECT_EQ(tile.columnCount(), 0);
  EXPECT_EQ(tile.level(1, 64), kClearedLevel);
}

TEST_F(DisplayTile, LevelsGrowUpwardAndAColumnPaintsItsPixels) {
  std::array<float, 128> c = column(10.0f);
  c[5] = 70.0f;  // bin 5 lands in row 122
  tile.appendColumn(c.data(), 128);
  tile.appendColumn(c.data(), 128);
  EXPECT_EQ(tile.level(1, 122), 70.0f);
  const Rect cell = galleryCell(5);
  EXPECT_EQ(image.get(cell.x + 1, cell.y + 122), (Rgb{255, 0, 0}));
  EXPECT_EQ(image.get(cell.x + 1, cell.y + 50), (Rgb{0, 0, 0}));
  // The ring stays red; the cursor column is white inside it.
  EXPECT_EQ(image.get(cell.x + 1, cell.y), (Rgb{255, 0, 0}));
  EXPECT_EQ(image.get(cell.x + 1, cell.y + 127), (Rgb{255, 0, 0}));
  EXPECT_EQ(image.get(cell.x + 2, cell.y + 50), (Rgb{255, 255, 255}));
  EXPECT_EQ(image.get(cell.x + 0, cell.y + 50), (Rgb{255, 0, 0}));
  // Appending paints the image only; the screen needs a copy.
  EXPECT_EQ(canvas.pixel(cell.x + 1, cell.y + 50), (Rgb{1, 2, 3}));
  tile.copyColumnToScreen(1);
  EXPECT_EQ(canvas.pixel(cell.x + 1, cell.y + 50), (Rgb{0, 0, 0}));
  EXPECT_EQ(canvas.pixel(cell.x + 2, cell.y + 50), (Rgb{255, 255, 255}));
  EXPECT_EQ(canvas.pixel(cell.x + 3, cell.y + 50), (Rgb{1, 2, 3}));
}

TEST_F(DisplayTile, FullRepaintDrawsTheMarkerLevelRedAndStretchesToTheScreen) {
  std::array<float, 128> c = column(50.0f);
  tile.appendColumn(c.data(), 128);
  c[10] = kMarkerLevel;  // row 117
  tile.appendColumn(c.data(), 128);
  const Rect cell = galleryCell(5);
  EXPECT_EQ(image.get(cell.x + 1, cell.y + 117), (Rgb{0, 0, 0}));  // a plain level when appended
  tile.setScreenRect(kEnlargedView);
  EXPECT_TRUE(tile.repaintPending());
  tile.redraw();
  EXPECT_FALSE(tile.repaintPending());
  EXPECT_EQ(image.get(cell.x + 1, cell.y + 117), (Rgb{255, 0, 0}));
  EXPECT_EQ(image.get(cell.x + 1, cell.y + 116), (Rgb{0, 255, 0}));
  EXPECT_EQ(image.get(cell.x + 5, cell.y + 117), (Rgb{0, 0, 0}));  // not written: cleared
  // The enlarged view samples the cell: 456 / 128 screen columns per column.
  EXPECT_EQ(canvas.pixel(kEnlargedView.x + 1, kEnlargedView.y + 200), (Rgb{255, 0, 0}));
  EXPECT_EQ(canvas.pixel(kEnlargedView.x + 5, kEnlargedView.y + 200), (Rgb{0, 255, 0}));
  EXPECT_EQ(canvas.pixel(kEnlargedView.x + 200, kEnlargedView.y + 200), (Rgb{0, 0, 0}));
}

TEST_F(DisplayTile, PartialCopyMatchesAFullCopyWhenStretched) {
  tile.setScreenRect(kEnlargedView);
  tile.redraw();
  Canvas full;
  full.resize(832, 624, Rgb{1, 2, 3});
  for (int i = 0; i < 40; ++i) {
    const auto c = column(20.0f + i);
    const int col = tile.appendColumn(c.data(), 128);
    tile.copyColumnToScreen(col);
  }
  stretchCopy(full, image, kEnlargedView, tile.cell());
  for (int x = kEnlargedView.x; x < kEnlargedView.x + 160; ++x)
    for (int y = kEnlargedView.y; y < kEnlargedView.y + kEnlargedView.h; y += 37)
      ASSERT_EQ(canvas.pixel(x, y), full.pixel(x, y)) << x << "," << y;
}

// A clear of a tile whose picture is on screen repaints only the columns
// painted since the clear before; image and screen must end up exactly as
// a full repaint leaves them, cursor and all, also after a wrap, for the
// gallery size and for the stretched enlarged view.
TEST_F(DisplayTile, ClearingRepaintsOnlyWhatWasPaintedAndMatchesAFullRepaint) {
  for (const Rect& screen : {galleryCell(5), kEnlargedView}) {
    tile.setScreenRect(screen);
    tile.redraw();
    for (const int before : {20, 127, 128, 150, 0}) {
      for (int i = 0; i < before; ++i) {
        const auto c = column(25.0f + (i % 50));
        tile.paintColumnShown(tile.storeColumn(c.data(), 128));
      }
      tile.clear();
      EXPECT_TRUE(tile.repaintPending());
      tile.redrawChanged();
      EXPECT_FALSE(tile.repaintPending());
      for (int i = 0; i < 3; ++i) {
        const auto c = column(60.0f);
        tile.paintColumnShown(tile.storeColumn(c.data(), 128));
      }

      // The same three columns on a fresh tile, repainted in full.
      PixelImage freshImage(832, 624);
      Canvas freshCanvas;
      freshCanvas.resize(832, 624, Rgb{1, 2, 3});
      ChirpTile fresh;
      fresh.create(&freshCanvas, &freshImage, galleryCell(5));
      fresh.setLevelRange(kRange);
      fresh.setScreenRect(screen);
      fresh.redraw();
      for (int i = 0; i < 3; ++i) {
        const auto c = column(60.0f);
        fresh.paintColumnShown(fresh.storeColumn(c.data(), 128));
      }
      const Rect cell = galleryCell(5);
      for (int y = cell.y; y < cell.y + cell.h; ++y)
        for (int x = cell.x; x < cell.x + cell.w; ++x)
          ASSERT_EQ(image.get(x, y), freshImage.get(x, y))
              << before << " columns before, image " << x << "," << y;
      for (int y = screen.y; y < screen.y + screen.h; ++y)
        for (int x = screen.x; x < screen.x + screen.w; ++x)
          ASSERT_EQ(canvas.pixel(x, y), freshCanvas.pixel(x, y))
              << before << " columns before, screen " << x << "," << y;
      tile.clear();
      tile.redrawChanged();
    }
  }
}

// Painting a column straight onto a same-sized screen gives the pixels
// that painting the image and copying the column gives.
TEST_F(DisplayTile, ColumnPaintedOnScreenEqualsPaintAndCopy) {
  PixelImage otherImage(832, 624);
  Canvas otherCanvas;
  otherCanvas.resize(832, 624, Rgb{1, 2, 3});
  ChirpTile other;
  other.create(&otherCanvas, &otherImage, galleryCell(5));
  other.setLevelRange(kRange);
  tile.redraw();
  other.redraw();
  for (int i = 0; i < 130; ++i) {
    std::array<float, 128> c = column(10.0f + i * 0.4f);
    c[i % 128] = 75.0f;
    tile.paintColumnShown(tile.storeColumn(c.data(), 128));
    const int col = other.storeColumn(c.data(), 128);
    other.paintColumn(col);
    other.copyColumnToScreen(col);
  }
  EXPECT_EQ(canvas.rgb(), otherCanvas.rgb());
  const Rect cell = galleryCell(5);
  for (int y = cell.y; y < cell.y + cell.h; ++y)
    for (int x = cell.x; x < cell.x + cell.w; ++x)
      ASSERT_EQ(image.get(x, y), otherImage.get(x, y)) << x << "," << y;
}

// A tile reads only the columns written since its clear. One kept in
// shared grid storage that holds stale levels (an earlier recording's)
// paints, repaints and reports exactly what the fixture's tile does, and
// the grids of its neighbours stay untouched.
TEST_F(DisplayTile, StaleGridStorageNeverShows) {
  TileGrids grids(3);
  ASSERT_NE(grids.grid(0), nullptr);
  for (int g = 0; g < 3; ++g)
    std::fill(grids.grid(g), grids.grid(g) + TileGrids::kGridFloats, 90.0f + g);
  PixelImage staleImage(832, 624);
  Canvas staleCanvas;
  staleCanvas.resize(832, 624, Rgb{1, 2, 3});
  ChirpTile stale;
  stale.setGridStorage(grids.grid(1));
  stale.create(&staleCanvas, &staleImage, galleryCell(5));
  stale.setLevelRange(kRange);
  stale.setTimeAxis(0.0, 1.0, 0.015);
  stale.setFrequencyAxis(0.0, 125000.0);

  const Rect cell = galleryCell(5);
  auto expectSame = [&](const char* step) {
    for (int column = 0; column < 128; ++column)
      for (int row = 0; row < 128; ++row)
        ASSERT_EQ(stale.level(column, row), tile.level(column, row))
            << step << " " << column << "," << row;
    for (int y = cell.y; y < cell.y + cell.h; ++y)
      for (int x = cell.x; x < cell.x + cell.w; ++x)
        ASSERT_EQ(staleImage.get(x, y), image.get(x, y)) << step << " " << x << "," << y;
    ASSERT_EQ(staleCanvas.rgb(), canvas.rgb()) << step;
  };
  auto both = [&](auto&& f) {
    f(tile);
    f(stale);
  };
  both([](ChirpTile& t) { t.redraw(); });
  for (int i = 0; i < 5; ++i) {
    std::array<float, 128> c = column(35.0f + i);
    c[i] = kMarkerLevel;
    both([&](ChirpTile& t) { t.paintColumnShown(t.storeColumn(c.data(), 128)); });
  }
  const auto shortColumn = column(55.0f);
  both([&](ChirpTile& t) {
    t.paintColumnShown(t.storeColumn(shortColumn.data(), 40));  // the rows above: cleared
    t.paintColumn(100);  // not written since the clear
    t.copyColumnToScreen(100);
  });
  expectSame("appended");
  EXPECT_EQ(image.get(cell.x + 100, cell.y + 60), (Rgb{0, 0, 0}));
  both([](ChirpTile& t) {
    t.requestRepaint();
    t.redraw();
  });
  expectSame("repainted");
  both([&](ChirpTile& t) {
    t.clear();
    t.redrawChanged();
    t.paintColumnShown(t.storeColumn(shortColumn.data(), 128));
  });
  expectSame("cleared");
  both([](ChirpTile& t) { t.setScreenRect(kEnlargedView); });
  both([](ChirpTile& t) { t.redraw(); });
  expectSame("enlarged");

  for (const int g : {0, 2})
    for (std::size_t i = 0; i < TileGrids::kGridFloats; ++i)
      ASSERT_EQ(grids.grid(g)[i], 90.0f + g) << g << " " << i;
}

TEST_F(DisplayTile, PixelMappingsAndTheirLimits) {
  const Rect cell = galleryCell(5);  // 386, 162
  double t = 0, f = 0;
  float level = 0;
  ASSERT_TRUE(tile.pixelToTimeFrequency(cell.x, cell.y + 127, &t, &f));
  EXPECT_DOUBLE_EQ(t, 0.0);
  EXPECT_DOUBLE_EQ(f, 0.0);
  ASSERT_TRUE(tile.pixelToTimeFrequency(cell.x + 64, cell.y, &t, &f));
  EXPECT_DOUBLE_EQ(t, 0.0075);
  EXPECT_DOUBLE_EQ(f, 125000.0 * 127 / 128);
  EXPECT_FALSE(tile.pixelToTimeFrequency(cell.x - 1, cell.y, &t, &f));
  EXPECT_FALSE(tile.pixelToTimeFrequency(cell.x, cell.y + 128, &t, &f));

  std::array<float, 128> c = column(33.0f);
  c[127] = 44.0f;
  tile.appendColumn(c.data(), 128);
  ASSERT_TRUE(tile.pixelToTimeFrequencyLevel(cell.x, cell.y, &t, &f, &level));
  EXPECT_EQ(level, 44.0f);  // top row, clamped to the last bin
  ASSERT_TRUE(tile.pixelToTimeFrequencyLevel(cell.x, cell.y + 100, &t, &f, &level));
  EXPECT_EQ(level, 33.0f);
  ASSERT_TRUE(tile.pixelToTimeFrequencyLevel(cell.x + 127, cell.y + 100, &t, &f, &level));
  EXPECT_EQ(level, kClearedLevel);  // not written yet

  int px = 0, py = 0;
  ASSERT_TRUE(tile.timeFrequencyToPixel(0.0, 0.0, &px, &py));
  EXPECT_EQ(px, cell.x);
  EXPECT_EQ(py, cell.y + 127);
  ASSERT_TRUE(tile.timeFrequencyToPixel(0.015, 125000.0, &px, &py));
  EXPECT_EQ(px, cell.x + 127);
  EXPECT_EQ(py, cell.y);
  EXPECT_FALSE(tile.timeFrequencyToPixel(0.0152, 1000.0, &px, &py));
  EXPECT_FALSE(tile.timeFrequencyToPixel(0.001, -2000.0, &px, &py));
  EXPECT_FALSE(tile.timeFrequencyToPixel(std::nan(""), 1000.0, &px, &py));
  EXPECT_FALSE(tile.timeFrequencyToPixel(1e300, 1000.0, &px, &py));
}

TEST(DisplayGallery, CellsAndPaging) {
  EXPECT_EQ(galleryCell(0), (Rect{256, 32, 128, 128}));
  EXPECT_EQ(galleryCell(15), (Rect{646, 422, 128, 128}));
  Gallery g;
  g.setFirstShown(4);
  const int p = g.positionOf(9);
  EXPECT_EQ(p, 5);
  EXPECT_EQ(galleryCell(p).x, 386);
  EXPECT_EQ(galleryCell(p).y, 162);
  EXPECT_EQ(imageCell(9), galleryCell(9));  // its picture's own cell
  EXPECT_EQ(g.positionOf(3), -1);
  EXPECT_EQ(g.positionOf(20), -1);
  EXPECT_EQ(g.slotAt(386, 162), 9);
  EXPECT_EQ(g.slotAt(384, 162), -1);  // the gap between cells
  EXPECT_EQ(g.slotAt(100, 100), -1);
  EXPECT_EQ(g.setFirstShown(-5), 0);
  EXPECT_EQ(g.setFirstShown(5000), kChirpSlots - 16);
}

}  // namespace
}  // namespace quilve::ui
