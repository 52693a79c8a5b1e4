#pragma once
// The format header every recording reader hands to the scan: the fields of a
// WAVEFORMATEX header and up to 512 extension bytes (the attribute block).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quilve {

constexpr std::size_t kMaxExtraBytes = 512;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatIeeeFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

struct WaveFormat {
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t avgBytesPerSec = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint16_t extraSize = 0;  // never more than kMaxExtraBytes
  std::array<std::uint8_t, kMaxExtraBytes> extra{};

  // The extension bytes as text (not terminated in the file).
  std::string extraText() const {
    return std::string(reinterpret_cast<const char*>(extra.data()), extraSize);
  }
};

// The first channel's sample of one frame as the scan uses it: 8-bit data as
// the unsigned byte (0..255), 16-bit data as the signed little-endian value.
// The width comes from bitsPerSample, so an 8-bit stereo frame (blockAlign 2)
// is still read as bytes.
inline int firstChannelSample(const std::uint8_t* frame, std::uint16_t bitsPerSample) {
  if (bitsPerSample <= 8) return frame[0];
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(frame[0] | (frame[1] << 8)));
}

// Why a header the scan cannot analyse is refused, or empty when it can:
// only 8- and 16-bit integer PCM, at least one channel, a frame size that
// holds one sample of every channel.
std::string unsupportedFormatReason(const WaveFormat& format);

}  // namespace quilve
