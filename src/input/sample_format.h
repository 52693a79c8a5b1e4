#pragma once
// How the samples of a recording are stored (integer PCM of 8 to 32 bits in
// 1- to 4-byte containers, IEEE float of 32 or 64 bits, in the plain and the
// extensible header) and the conversion of the first channel to the scale
// the analysis works on: that of 16-bit samples, as float.
#include <cstddef>
#include <cstdint>
#include <string>

#include "input/wave_format.h"

namespace quilve {

enum class SampleEncoding : std::uint8_t {
  Unsigned8,  // 0..255, handed over as it is
  Signed16,   // value
  Signed24,   // value / 256
  Signed32,   // value / 65536
  Float32,    // value x 32768
  Float64,    // value x 32768
};

struct SampleFormat {
  SampleEncoding encoding = SampleEncoding::Signed16;
  std::uint16_t containerBytes = 2;  // bytes of one sample in a frame
  std::uint16_t validBits = 16;      // significant bits (left-justified)
};

// Reads the sample format from a header. Returns an empty text on success,
// else why the scan cannot analyse the header ("unsupported format: ...").
std::string sampleFormatOf(const WaveFormat& format, SampleFormat* out);

// The first channel's sample of one frame on the 16-bit scale. Float samples
// that are not finite count as 0, and every value is kept within +-2^24, so
// no later step meets an infinity.
float firstChannelSample(const std::uint8_t* frame, SampleFormat format);

// The same for `count` frames of `blockAlign` bytes each, into `out`.
void firstChannelSamples(const std::uint8_t* frames, int count, int blockAlign,
                         SampleFormat format, float* out);

}  // namespace quilve
