#include "input/wave_format.h"

#include <cstdio>

namespace quilve {

namespace {

// The extensible header's extension: valid bits (2), channel mask (4) and the
// sub-format GUID, whose first two bytes are the format code.
constexpr std::size_t kExtensibleSubFormatOffset = 6;

}  // namespace

std::string unsupportedFormatReason(const WaveFormat& format) {
  std::uint16_t tag = format.formatTag;
  if (tag == kFormatExtensible) {
    if (format.extraSize < kExtensibleSubFormatOffset + 2) {
      return "unsupported format: extensible header without a sub-format";
    }
    const std::uint8_t* sub = format.extra.data() + kExtensibleSubFormatOffset;
    tag = static_cast<std::uint16_t>(sub[0] | (sub[1] << 8));
  }
  if (tag == kFormatIeeeFloat) return "unsupported format: IEEE float samples";
  if (tag != kFormatPcm) {
    char text[64];
    std::snprintf(text, sizeof text, "unsupported format: format tag %u is not PCM", tag);
    return text;
  }
  if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
    char text[64];
    std::snprintf(text, sizeof text, "unsupported format: %u bits per sample",
                  format.bitsPerSample);
    return text;
  }
  if (format.channels == 0) return "unsupported format: no channels";
  if (format.blockAlign < format.channels * (format.bitsPerSample / 8)) {
    return "unsupported format: frame size smaller than one sample per channel";
  }
  if (format.sampleRate == 0) return "unsupported format: sample rate 0";
  return {};
}

}  // namespace quilve
