// Sample formats: which headers are read, and the first channel on the
// 16-bit scale the analysis uses, exactly equal to the 16-bit value when the
// low bits are zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "input/sample_format.h"
#include "support/wav_writer.h"

using namespace quilve;
using quilve::test::Bytes;

namespace {

WaveFormat header(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits,
                  std::uint16_t blockAlign) {
  WaveFormat f;
  f.formatTag = tag;
  f.channels = channels;
  f.sampleRate = 96000;
  f.bitsPerSample = bits;
  f.blockAlign = blockAlign;
  return f;
}

SampleFormat formatOf(const WaveFormat& f) {
  SampleFormat s;
  EXPECT_EQ(sampleFormatOf(f, &s), "");
  return s;
}

// The bytes of `v` as a little-endian integer of `bytes` bytes.
void putInt(Bytes& b, std::int64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

template <typename T>
void putFloat(Bytes& b, T v) {
  std::uint8_t raw[sizeof v];
  std::memcpy(raw, &v, sizeof v);
  b.insert(b.end(), raw, raw + sizeof v);
}

std::vector<float> convert(const Bytes& frames, int blockAlign, SampleFormat f) {
  std::vector<float> out(frames.size() / static_cast<std::size_t>(blockAlign));
  firstChannelSamples(frames.data(), static_cast<int>(out.size()), blockAlign, f, out.data());
  return out;
}

}  // namespace

TEST(SampleFormat, ContainersAndEncodingsFromTheHeader) {
  struct Case {
    WaveFormat f;
    SampleEncoding encoding;
    int container;
    int valid;
  };
  WaveFormat ext24in32 = header(kFormatExtensible, 2, 32, 8);
  ext24in32.extraSize = 22;
  ext24in32.extra[0] = 24;  // valid bits
  ext24in32.extra[6] = 1;   // PCM sub-format
  WaveFormat extFloat = ext24in32;
  extFloat.extra[0] = 0;    // 0: all of the container
  extFloat.extra[6] = 3;
  const Case cases[] = {
      {header(1, 2, 8, 2), SampleEncoding::Unsigned8, 1, 8},
      {header(1, 1, 12, 2), SampleEncoding::Signed16, 2, 12},
      {header(1, 1, 16, 2), SampleEncoding::Signed16, 2, 16},
      {header(1, 1, 20, 3), SampleEncoding::Signed24, 3, 20},
      {header(1, 2, 24, 6), SampleEncoding::Signed24, 3, 24},
      {header(1, 1, 32, 4), SampleEncoding::Signed32, 4, 32},
      {header(1, 2, 24, 8), SampleEncoding::Signed32, 4, 24},  // 24 bits in 4 bytes
      {header(3, 1, 32, 4), SampleEncoding::Float32, 4, 32},
      {header(3, 1, 64, 8), SampleEncoding::Float64, 8, 64},
      {ext24in32, SampleEncoding::Signed32, 4, 24},
      {extFloat, SampleEncoding::Float32, 4, 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "tag " << c.f.formatTag << ", " << c.f.bitsPerSample << " bits");
    const SampleFormat s = formatOf(c.f);
    EXPECT_EQ(s.encoding, c.encoding);
    EXPECT_EQ(s.containerBytes, c.container);
    EXPECT_EQ(s.validBits, c.valid);
  }
  // A frame too small for a sample of every channel, no channels, no rate.
  EXPECT_NE(sampleFormatOf(header(1, 2, 24, 5), nullptr), "");
  EXPECT_NE(sampleFormatOf(header(1, 0, 16, 2), nullptr), "");
  WaveFormat noRate = header(1, 1, 16, 2);
  noRate.sampleRate = 0;
  EXPECT_NE(sampleFormatOf(noRate, nullptr), "");
}

TEST(SampleFormat, WideSamplesWithZeroLowBitsEqualTheir16BitVersion) {
  const std::int16_t values[] = {0, 1, -1, 12345, -12345, 32767, -32768};
  Bytes b16, b24, b32, f32, f64;
  for (std::int16_t v : values) {
    putInt(b16, v, 2);
    putInt(b24, std::int64_t(v) * 256, 3);
    putInt(b32, std::int64_t(v) * 65536, 4);
    putFloat(f32, static_cast<float>(v) / 32768.0f);
    putFloat(f64, static_cast<double>(v) / 32768.0);
  }
  const auto want = convert(b16, 2, formatOf(header(1, 1, 16, 2)));
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(want[i], values[i]);
  EXPECT_EQ(convert(b24, 3, formatOf(header(1, 1, 24, 3))), want);
  EXPECT_EQ(convert(b32, 4, formatOf(header(1, 1, 32, 4))), want);
  EXPECT_EQ(convert(f32, 4, formatOf(header(3, 1, 32, 4))), want);
  EXPECT_EQ(convert(f64, 8, formatOf(header(3, 1, 64, 8))), want);
}

TEST(SampleFormat, PrecisionBelowSixteenBitsIsKept) {
  Bytes b24, b32;
  putInt(b24, 0x7FFFFF, 3);
  putInt(b24, -0x800000, 3);
  putInt(b24, 1, 3);
  putInt(b32, 3 * 16384, 4);  // 0.75 on the 16-bit scale
  EXPECT_EQ(convert(b24, 3, formatOf(header(1, 1, 24, 3))),
            (std::vector<float>{32767.99609375f, -32768.0f, 0.00390625f}));
  EXPECT_EQ(convert(b32, 4, formatOf(header(1, 1, 32, 4))), std::vector<float>{0.75f});
  // 8-bit samples keep the unsigned values the analysis has always taken;
  // the first channel of a stereo frame.
  const Bytes stereo8 = {200, 10, 0, 255};
  EXPECT_EQ(convert(stereo8, 2, formatOf(header(1, 2, 8, 2))), (std::vector<float>{200, 0}));
  const Bytes stereo16 = {0xFF, 0x7F, 0x01, 0x00};
  EXPECT_EQ(firstChannelSample(stereo16.data(), formatOf(header(1, 2, 16, 4))), 32767.0f);
}

TEST(SampleFormat, FloatsThatAreNotFiniteOrHugeAreBounded) {
  Bytes f32, f64;
  putFloat(f32, std::numeric_limits<float>::quiet_NaN());
  putFloat(f32, std::numeric_limits<float>::infinity());
  putFloat(f32, -1e30f);
  putFloat(f32, 2.0f);  // over full scale is kept
  putFloat(f64, 1e300);
  putFloat(f64, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(convert(f32, 4, formatOf(header(3, 1, 32, 4))),
            (std::vector<float>{0.0f, 16777216.0f, -16777216.0f, 65536.0f}));
  EXPECT_EQ(convert(f64, 8, formatOf(header(3, 1, 64, 8))),
            (std::vector<float>{16777216.0f, -16777216.0f}));
}
