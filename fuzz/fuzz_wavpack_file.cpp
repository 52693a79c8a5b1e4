// The WavPack reader on arbitrary bytes: open through a file, as the scan
// does, and decode every sample.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "input/wave_format.h"
#include "input/wavpack_file.h"

using namespace quilve;
using quilve::fuzz::expect;

namespace {
// Decoded bytes beyond this end the run: a small header may claim hours of
// samples, and decoding them proves nothing more.
constexpr std::size_t kMaxDecodedBytes = std::size_t(8) << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::writeInput(data, size, ".wv");
  WavPackFile wv;
  WaveFormat fmt;
  if (failed(wv.open(path.c_str(), &fmt))) {
    expect(!wv.lastError().empty(), "a refused file gives no reason");
    return 0;
  }
  expect(fmt.extraSize <= kMaxExtraBytes, "extension longer than the header holds");
  expect(unsupportedFormatReason(fmt).empty(), "an unsupported format was opened");
  // 9 to 15 bits travel in 2-byte containers, 17 to 23 in 3.
  expect(fmt.blockAlign == fmt.channels * ((fmt.bitsPerSample + 7) / 8), "frame size disagrees");

  const std::size_t frame = fmt.blockAlign;
  // A guard after the caller's buffer catches a reader writing past `count`.
  constexpr std::uint8_t kGuard = 0xA5;
  const std::size_t sizes[] = {frame * 1024, frame, frame * 3 + 1, 5};
  std::vector<std::uint8_t> buffer(frame * 1024 + 64);
  std::size_t total = 0;
  for (int i = 0; total < kMaxDecodedBytes; ++i) {
    const std::size_t want = sizes[i % 4];
    std::fill(buffer.begin(), buffer.end(), kGuard);
    std::size_t got = 0;
    if (failed(wv.read(buffer.data(), want, &got))) break;
    expect(got <= want && got % frame == 0, "read returned a wrong byte count");
    for (std::size_t k = want; k < buffer.size(); ++k)
      expect(buffer[k] == kGuard, "read wrote past the bytes asked for");
    total += got;
    if (got == 0 && want >= frame) break;
  }
  expect(!failed(wv.close()), "closing an open file failed");
  return 0;
}
