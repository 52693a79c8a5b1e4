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

// Why a header the scan cannot analyse is refused, or empty when it can (the
// sample formats of input/sample_format.h, at least one channel, a frame
// size that holds one sample of every channel).
std::string unsupportedFormatReason(const WaveFormat& format);

}  // namespace quilve
