#include "input/sample_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace quilve {

namespace {

// The extensible header's extension: valid bits (2), channel mask (4) and the
// sub-format GUID, whose first two bytes are the format code.
constexpr std::size_t kExtensibleValidBitsOffset = 0;
constexpr std::size_t kExtensibleSubFormatOffset = 6;

constexpr float kFloatScale = 32768.0f;
// Bound of a converted float sample: 512 times full scale. Its power stays
// far inside float range.
constexpr float kFloatLimit = 16777216.0f;

std::string formatName(std::uint16_t tag) {
  switch (tag) {
    case 0x0002: return "Microsoft ADPCM samples";
    case 0x0006: return "A-law samples";
    case 0x0007: return "mu-law samples";
    case 0x0011: return "IMA ADPCM samples";
    case 0x0031: return "GSM 6.10 samples";
    case 0x0050: return "MPEG samples";
    case 0x0055: return "MPEG layer 3 samples";
    default: break;
  }
  char text[64];
  std::snprintf(text, sizeof text, "format tag %u is neither PCM nor IEEE float", tag);
  return text;
}

std::string bitsReason(const char* kind, unsigned bits) {
  char text[80];
  std::snprintf(text, sizeof text, "unsupported format: %u bits per %s sample", bits, kind);
  return text;
}

float clampFloat(double v) {
  if (!(v == v)) return 0.0f;  // NaN
  if (v > kFloatLimit) return kFloatLimit;
  if (v < -kFloatLimit) return -kFloatLimit;
  return static_cast<float>(v);
}

std::int32_t le24(const std::uint8_t* p) {
  // Sign-extended through the top byte of a 32-bit value.
  const std::uint32_t u = (std::uint32_t(p[0]) << 8) | (std::uint32_t(p[1]) << 16) |
                          (std::uint32_t(p[2]) << 24);
  return static_cast<std::int32_t>(u) >> 8;
}

std::int32_t le32s(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                                   (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
}

template <typename Read>
void convert(const std::uint8_t* frames, int count, int blockAlign, float* out, Read read) {
  for (int i = 0; i < count; ++i) out[i] = read(frames + static_cast<std::ptrdiff_t>(i) * blockAlign);
}

}  // namespace

std::string sampleFormatOf(const WaveFormat& format, SampleFormat* out) {
  std::uint16_t tag = format.formatTag;
  const unsigned bits = format.bitsPerSample;
  unsigned validBits = bits;
  if (tag == kFormatExtensible) {
    if (format.extraSize < kExtensibleSubFormatOffset + 2) {
      return "unsupported format: extensible header without a sub-format";
    }
    const std::uint8_t* e = format.extra.data();
    const unsigned stated = static_cast<unsigned>(e[kExtensibleValidBitsOffset] |
                                                  (e[kExtensibleValidBitsOffset + 1] << 8));
    // 0 means every bit of the container holds signal.
    if (stated != 0) validBits = stated;
    const std::uint8_t* sub = e + kExtensibleSubFormatOffset;
    tag = static_cast<std::uint16_t>(sub[0] | (sub[1] << 8));
  }

  SampleFormat f;
  if (tag == kFormatPcm) {
    if (bits < 8 || bits > 32) return bitsReason("integer", bits);
    f.containerBytes = static_cast<std::uint16_t>((bits + 7) / 8);
    // 17 to 24 bits in 4-byte containers under a plain header: the frame
    // size tells the container.
    if (f.containerBytes == 3 && format.formatTag == kFormatPcm && format.channels != 0 &&
        format.blockAlign == 4u * format.channels) {
      f.containerBytes = 4;
    }
    if (validBits == 0 || validBits > f.containerBytes * 8u) {
      return bitsReason("integer", validBits);
    }
    switch (f.containerBytes) {
      case 1:
        if (validBits != 8) return bitsReason("integer", validBits);
        f.encoding = SampleEncoding::Unsigned8;
        break;
      case 2: f.encoding = SampleEncoding::Signed16; break;
      case 3: f.encoding = SampleEncoding::Signed24; break;
      default: f.encoding = SampleEncoding::Signed32; break;
    }
  } else if (tag == kFormatIeeeFloat) {
    if (bits == 32) {
      f.encoding = SampleEncoding::Float32;
      f.containerBytes = 4;
    } else if (bits == 64) {
      f.encoding = SampleEncoding::Float64;
      f.containerBytes = 8;
    } else {
      return bitsReason("float", bits);
    }
    if (validBits != bits) return bitsReason("float", validBits);
  } else {
    return "unsupported format: " + formatName(tag);
  }
  f.validBits = static_cast<std::uint16_t>(validBits);

  if (format.channels == 0) return "unsupported format: no channels";
  if (format.blockAlign < static_cast<unsigned>(format.channels) * f.containerBytes) {
    return "unsupported format: frame size smaller than one sample per channel";
  }
  if (format.sampleRate == 0) return "unsupported format: sample rate 0";
  if (out) *out = f;
  return {};
}

float firstChannelSample(const std::uint8_t* frame, SampleFormat format) {
  float v = 0.0f;
  firstChannelSamples(frame, 1, 0, format, &v);
  return v;
}

void firstChannelSamples(const std::uint8_t* frames, int count, int blockAlign,
                         SampleFormat format, float* out) {
  // One loop per encoding, so the per-sample work is a load and a convert.
  // Every integer scale is a power of two: a sample whose low bits are zero
  // gives exactly the value of its 16-bit version.
  switch (format.encoding) {
    case SampleEncoding::Unsigned8:
      convert(frames, count, blockAlign, out, [](const std::uint8_t* p) { return float(p[0]); });
      return;
    case SampleEncoding::Signed16:
      convert(frames, count, blockAlign, out, [](const std::uint8_t* p) {
        return float(static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8))));
      });
      return;
    case SampleEncoding::Signed24:
      convert(frames, count, blockAlign, out,
              [](const std::uint8_t* p) { return float(le24(p)) * (1.0f / 256.0f); });
      return;
    case SampleEncoding::Signed32:
      convert(frames, count, blockAlign, out,
              [](const std::uint8_t* p) { return float(le32s(p)) * (1.0f / 65536.0f); });
      return;
    case SampleEncoding::Float32:
      convert(frames, count, blockAlign, out, [](const std::uint8_t* p) {
        float v;
        std::memcpy(&v, p, sizeof v);
        return clampFloat(static_cast<double>(v) * kFloatScale);
      });
      return;
    case SampleEncoding::Float64:
      convert(frames, count, blockAlign, out, [](const std::uint8_t* p) {
        double v;
        std::memcpy(&v, p, sizeof v);
        return clampFloat(v * kFloatScale);
      });
      return;
  }
}

}  // namespace quilve
