// The bitmap reader of the tests on good and hostile files, and how a
// background lands on a canvas.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "ui/display/backgrounds.h"
#include "ui/display/backdrop.h"
#include "ui/display/bmp_reader.h"

namespace quilve::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = v & 0xff;
  b[at + 1] = (v >> 8) & 0xff;
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = (v >> (8 * i)) & 0xff;
}

// A bottom-up 24-bit bitmap whose pixel (x, y) is (x, y, 7) as red, green, blue.
Bytes bitmap(int w, int h, int bits = 24, bool topDown = false) {
  const std::size_t stride = static_cast<std::size_t>(((w * bits + 31) / 32) * 4);
  Bytes b(54 + stride * static_cast<std::size_t>(h), 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<std::uint32_t>(b.size()));
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, static_cast<std::uint32_t>(w));
  put32(b, 22, static_cast<std::uint32_t>(topDown ? -h : h));
  put16(b, 26, 1);
  put16(b, 28, static_cast<std::uint32_t>(bits));
  if (bits == 24) {
    for (int y = 0; y < h; ++y) {
      const int fileRow = topDown ? y : h - 1 - y;
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = b.data() + 54 + stride * static_cast<std::size_t>(fileRow) + 3 * x;
        p[0] = 7;
        p[1] = static_cast<std::uint8_t>(y);
        p[2] = static_cast<std::uint8_t>(x);
      }
    }
  }
  return b;
}

TEST(DisplayBmp, ReadsBothRowOrders) {
  for (bool topDown : {false, true}) {
    const BmpResult r = decodeBmp(bitmap(5, 3, 24, topDown));  // rows padded to 16 bytes
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.image.width(), 5);
    EXPECT_EQ(r.image.height(), 3);
    EXPECT_EQ(r.image.get(4, 2), (Rgb{4, 2, 7}));
    EXPECT_EQ(r.image.get(0, 0), (Rgb{0, 0, 7}));
  }
}

TEST(DisplayBmp, OtherDepthsAreReportedWithTheirDepth) {
  for (int bits : {1, 8, 16, 32}) {
    const BmpResult r = decodeBmp(bitmap(4, 4, bits));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Unsupported BMP format BPP: " + std::to_string(bits) + "\n");
  }
}

TEST(DisplayBmp, HostileHeadersAreRefused) {
  EXPECT_FALSE(decodeBmp(nullptr, 0).ok);
  EXPECT_FALSE(decodeBmp(Bytes{'B', 'M'}).ok);
  Bytes b = bitmap(4, 4);
  EXPECT_FALSE(decodeBmp(Bytes(b.begin(), b.end() - 1)).ok);  // one byte short
  Bytes huge = bitmap(4, 4);
  put32(huge, 18, 0x7fffffff);
  EXPECT_FALSE(decodeBmp(huge).ok);
  Bytes tall = bitmap(4, 4);
  put32(tall, 22, 0x80000000u);  // the most negative height
  EXPECT_FALSE(decodeBmp(tall).ok);
  Bytes offset = bitmap(4, 4);
  put32(offset, 10, 0xfffffff0u);
  EXPECT_FALSE(decodeBmp(offset).ok);
  Bytes header = bitmap(4, 4);
  put32(header, 14, 0xffffffffu);
  EXPECT_FALSE(decodeBmp(header).ok);
  Bytes rle = bitmap(4, 4);
  put32(rle, 30, 1);
  EXPECT_FALSE(decodeBmp(rle).ok);
  Bytes zero = bitmap(4, 4);
  put32(zero, 18, 0);
  EXPECT_FALSE(decodeBmp(zero).ok);
  EXPECT_FALSE(loadBmpFile("/nonexistent/quilve.bmp").ok);
}

TEST(DisplayBmp, RandomDamageNeverReadsOutOfBounds) {
  std::mt19937 rng(7);
  const Bytes good = bitmap(9, 6);
  for (int round = 0; round < 2000; ++round) {
    Bytes b = good;
    const int hits = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < hits; ++i) b[rng() % 54] = static_cast<std::uint8_t>(rng());
    b.resize(rng() % (good.size() + 8));
    const BmpResult r = decodeBmp(b);
    if (r.ok) {
      EXPECT_LE(static_cast<std::size_t>(r.image.rowBytes()) * r.image.height(), b.size());
    }
  }
}

TEST(DisplayBmp, BackgroundFillsFaceAndCopiesWithinTheCanvas) {
  const Rgb face{212, 208, 200};
  PixelImage pic(4, 3, Rgb{255, 255, 255});
  pic.set(1, 1, Rgb{10, 20, 30});
  pic.set(3, 2, Rgb{254, 255, 255});
  Canvas c;
  c.resize(3, 5, Rgb{0, 0, 0});
  c.text(1, 4, "old", Rgb{});
  applyBackground(c, &pic, face);
  EXPECT_EQ(c.pixel(0, 0), face);          // white became the face colour
  EXPECT_EQ(c.pixel(1, 1), (Rgb{10, 20, 30}));
  EXPECT_EQ(c.pixel(2, 4), face);          // below the picture
  EXPECT_TRUE(c.texts().empty());
  applyBackground(c, nullptr, face);
  EXPECT_EQ(c.pixel(1, 1), face);

  PixelImage mapped = pic;
  mapWhiteToFace(mapped, face);
  EXPECT_EQ(mapped.get(0, 0), face);
  EXPECT_EQ(mapped.get(3, 2), (Rgb{254, 255, 255}));  // only pure white
  EXPECT_EQ(makeMainBackground().width(), 800);
  EXPECT_EQ(makeTraceBackground().height(), 276);
}

// A backdrop draws what applyBackground draws, texts removed, and makes
// its pixels again for another canvas size, another face colour and, once
// told, another picture.
TEST(DisplayBmp, BackdropDrawsWhatApplyBackgroundDraws) {
  PixelImage pic(40, 30, Rgb{255, 255, 255});
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; x += 3) pic.set(x, y, Rgb{static_cast<std::uint8_t>(x), 9, 200});
  Backdrop backdrop;
  auto expectSame = [&](int w, int h, Rgb face, const char* step) {
    Canvas plain, fast;
    plain.resize(w, h, Rgb{1, 2, 3});
    fast.resize(w, h, Rgb{4, 5, 6});
    fast.text(2, 2, "old", Rgb{});
    fast.text(-5, 2, "outside", Rgb{});
    applyBackground(plain, &pic, face);
    backdrop.draw(fast, &pic, face);
    EXPECT_EQ(fast.rgb(), plain.rgb()) << step;
    ASSERT_EQ(fast.texts().size(), 1u) << step;
    EXPECT_EQ(fast.texts()[0].text, "outside") << step;
  };
  expectSame(50, 20, Rgb{212, 208, 200}, "first");
  expectSame(50, 20, Rgb{212, 208, 200}, "again");
  expectSame(35, 40, Rgb{212, 208, 200}, "other size");
  expectSame(35, 40, Rgb{1, 1, 1}, "other face");
  pic.set(0, 0, Rgb{77, 77, 77});
  backdrop.forget();
  expectSame(35, 40, Rgb{1, 1, 1}, "other picture");
}

// Runs of every length, also across the vector widths, at odd offsets:
// each pixel swapped, nothing beside the run touched.
TEST(DisplayBmp, PixelRunsSwapRedAndBlue) {
  for (int n = 0; n <= 200; ++n) {
    std::vector<std::uint8_t> src(3 * 210), dst(3 * 210, 0xAB);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i * 7 + n);
    bgrToRgb(src.data() + 5, dst.data() + 7, n);
    for (int i = 0; i < n; ++i) {
      const std::size_t s = 5 + 3 * static_cast<std::size_t>(i);
      const std::size_t d = 7 + 3 * static_cast<std::size_t>(i);
      ASSERT_EQ(dst[d], src[s + 2]) << n << " " << i;
      ASSERT_EQ(dst[d + 1], src[s + 1]) << n << " " << i;
      ASSERT_EQ(dst[d + 2], src[s]) << n << " " << i;
    }
    for (std::size_t i = 0; i < dst.size(); ++i) {
      if (i < 7 || i >= 7 + 3 * static_cast<std::size_t>(n)) {
        ASSERT_EQ(dst[i], 0xAB) << n << " " << i;
      }
    }
  }
}

}  // namespace
}  // namespace quilve::ui
