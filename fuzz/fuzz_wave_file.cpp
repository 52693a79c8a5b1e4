// The RIFF/WAVE reader on arbitrary bytes: open, then read every sample byte
// the way the scan does, through the WAV reader itself and through the
// shared open step that also falls back to the WavPack reader.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "input/recording.h"
#include "input/sample_format.h"
#include "input/wave_file.h"
#include "input/wave_format.h"
#include "output/recording_signature.h"
#include "settings/scan_settings.h"

using namespace quilve;
using quilve::fuzz::expect;

namespace {

// Reads to the end in pieces of varying size (whole frames, as the scan
// reads, and odd sizes) and checks that no more bytes come back than the
// reader promised.
void readToEnd(RecordingReader& reader, const WaveFormat& fmt, std::int64_t limit) {
  const std::size_t frame = std::max<std::size_t>(1, fmt.blockAlign);
  const std::size_t sizes[] = {frame * 256, 1, frame * 3 + 1, 65536 + 7, frame};
  std::vector<std::uint8_t> buffer(70000 + frame * 256);
  std::int64_t total = 0;
  for (int i = 0; i < 100000; ++i) {
    const std::size_t want = sizes[i % 5];
    std::size_t got = 0;
    if (failed(reader.read(buffer.data(), want, &got))) {
      expect(!reader.lastError().empty(), "a failed read gives no reason");
      return;
    }
    expect(got <= want, "read returned more bytes than asked for");
    total += static_cast<std::int64_t>(got);
    if (limit >= 0) expect(total <= limit, "read returned more bytes than the data holds");
    if (got == 0) return;
  }
}

// The first channel of the first frames as the analysis converts them: every
// value finite and within the bound the conversion promises.
void checkSamples(RecordingReader& reader, const WaveFormat& fmt, SampleFormat sf) {
  // At most 64 KiB of frames: a frame may be 64 KiB wide.
  const std::size_t frames = std::max<std::size_t>(1, std::min<std::size_t>(256, 65536 / fmt.blockAlign));
  std::vector<std::uint8_t> bytes(frames * fmt.blockAlign);
  std::size_t got = 0;
  (void)reader.read(bytes.data(), bytes.size(), &got);
  const int count = static_cast<int>(got / fmt.blockAlign);
  std::vector<float> out(frames);
  firstChannelSamples(bytes.data(), count, fmt.blockAlign, sf, out.data());
  for (int i = 0; i < count; ++i) {
    expect(out[static_cast<std::size_t>(i)] == out[static_cast<std::size_t>(i)] &&
               out[static_cast<std::size_t>(i)] <= 16777216.0f &&
               out[static_cast<std::size_t>(i)] >= -16777216.0f,
           "a converted sample is not finite or out of bounds");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::writeInput(data, size, ".wav");

  {
    WaveFile wav;
    WaveFormat fmt;
    if (failed(wav.open(path.c_str(), &fmt))) {
      expect(!wav.lastError().empty(), "a refused file gives no reason");
    } else {
      // No output may take a file the reader opens for a recording.
      if (size <= 65536) {
        expect(startsLikeRecording(data, size), "an opened recording lacks the recording signature");
      }
      expect(fmt.extraSize <= kMaxExtraBytes, "extension longer than the header holds");
      expect(unsupportedFormatReason(fmt).empty(), "an unsupported format was opened");
      expect(wav.dataSize() >= 0, "an open file has no data size");
      // The data chunk may claim more than the file holds; never more comes back.
      readToEnd(wav, fmt, std::min<std::int64_t>(wav.dataSize(), static_cast<std::int64_t>(size)));
      expect(!failed(wav.close()), "closing an open file failed");
    }
  }

  ScanSettings settings;
  Recording rec;
  std::string reason;
  if (failed(openRecording(path, settings, rec, &reason))) {
    expect(!reason.empty(), "a refused recording gives no reason");
    expect(!rec.reader, "a refused recording left a reader open");
    return 0;
  }
  expect(rec.reader != nullptr, "an opened recording has no reader");
  expect(rec.effectiveSampleRate > 0.0f, "an opened recording has no sample rate");
  expect(rec.metadata.expansionFactor > 0, "an opened recording has no expansion factor");
  expect(sampleFormatOf(rec.format, nullptr).empty(), "an opened recording has no sample format");
  checkSamples(*rec.reader, rec.format, rec.sampleFormat);
  fillMetadata(path, rec);
  (void)previewComment(rec);
  readToEnd(*rec.reader, rec.format, rec.isWavPack ? -1 : static_cast<std::int64_t>(size));
  rec.reader->close();
  return 0;
}
