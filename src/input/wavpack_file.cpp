#include "input/wavpack_file.h"

#include <sys/stat.h>
#include <wavpack/wavpack.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace quilve {

namespace {

constexpr int kOpenFlags = OPEN_TAGS | OPEN_WRAPPER | OPEN_NORMALIZE;
constexpr int kNormOffset = 15;
constexpr const char* kAttributeItem = "SONO_ATTR";
// The library asks for at least 80 bytes for its error text.
constexpr std::size_t kLibraryErrorSize = 128;
// A large read is decoded in pieces of at most this many samples (all
// channels), so the decode buffer stays small whatever the caller asks for.
constexpr std::size_t kMaxSamplesPerDecode = std::size_t(1) << 18;

}  // namespace

WavPackFile::WavPackFile() = default;

WavPackFile::~WavPackFile() {
  if (context_) WavpackCloseFile(context_);
}

Status WavPackFile::open(const char* path, WaveFormat* format) {
  if (!path || !format) {
    error_ = "missing argument";
    return kStatusInvalidArg;
  }
  if (context_) close();
  error_.clear();

  // Only regular files are handed to the library, which gives a clear reason
  // for directories and missing paths; it would read standard input for the
  // name "-", so that file is named by its relative path.
  struct stat st {};
  if (::stat(path, &st) != 0) {
    error_ = std::strerror(errno);
    return kStatusFail;
  }
  if (!S_ISREG(st.st_mode)) {
    error_ = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file";
    return kStatusFail;
  }
  const std::string libraryPath = std::strcmp(path, "-") == 0 ? std::string("./-") : path;

  char libraryError[kLibraryErrorSize] = {};
  WavpackContext* ctx =
      WavpackOpenFileInput(libraryPath.c_str(), libraryError, kOpenFlags, kNormOffset);
  if (!ctx) {
    libraryError[kLibraryErrorSize - 1] = '\0';
    error_ = "not a WavPack file";
    if (libraryError[0]) error_ += std::string(" (") + libraryError + ")";
    return kStatusFail;
  }
  auto fail = [&](const std::string& why) {
    error_ = why;
    WavpackCloseFile(ctx);
    return kStatusFail;
  };

  if (WavpackGetMode(ctx) & MODE_FLOAT) return fail("unsupported format: IEEE float samples");

  const int channels = WavpackGetNumChannels(ctx);
  const int bytesPerSample = WavpackGetBytesPerSample(ctx);
  const long blockAlign = long(channels) * bytesPerSample;
  if (channels <= 0 || bytesPerSample <= 0 ||
      blockAlign > std::numeric_limits<std::uint16_t>::max()) {
    return fail("unsupported format: channel count or sample size out of range");
  }

  WaveFormat fmt;
  fmt.formatTag = kFormatPcm;
  fmt.channels = static_cast<std::uint16_t>(channels);
  fmt.sampleRate = WavpackGetSampleRate(ctx);
  fmt.bitsPerSample = static_cast<std::uint16_t>(std::max(0, WavpackGetBitsPerSample(ctx)));
  fmt.blockAlign = static_cast<std::uint16_t>(blockAlign);
  fmt.avgBytesPerSec = static_cast<std::uint32_t>(std::min<std::uint64_t>(
      std::uint64_t(fmt.blockAlign) * fmt.sampleRate, std::numeric_limits<std::uint32_t>::max()));

  const std::string unsupported = unsupportedFormatReason(fmt);
  if (!unsupported.empty()) return fail(unsupported);
  // read() writes one byte per 8-bit sample and two otherwise; the frame size
  // must say the same or the caller's buffer would be overrun.
  const int outputBytes = fmt.bitsPerSample == 8 ? 1 : 2;
  if (bytesPerSample != outputBytes) {
    return fail("unsupported format: sample size does not match the sample width");
  }

  // The attribute block. The library cuts a value that does not fit its
  // buffer and ends it with "...", so the value is fetched whole and its
  // first kMaxExtraBytes kept.
  const int itemLength = WavpackGetTagItem(ctx, kAttributeItem, nullptr, 0);
  if (itemLength > 0) {
    std::vector<char> value(static_cast<std::size_t>(itemLength) + 1);
    const int got =
        WavpackGetTagItem(ctx, kAttributeItem, value.data(), static_cast<int>(value.size()));
    const std::size_t keep = std::min<std::size_t>(
        static_cast<std::size_t>(std::clamp(got, 0, itemLength)), kMaxExtraBytes);
    std::memcpy(fmt.extra.data(), value.data(), keep);
    fmt.extraSize = static_cast<std::uint16_t>(keep);
  }

  dataSize_ = WavpackGetFileSize(ctx);
  context_ = ctx;
  format_ = fmt;
  *format = format_;
  return kStatusOk;
}

std::int64_t WavPackFile::dataSize() const { return context_ ? dataSize_ : -1; }

Status WavPackFile::read(std::uint8_t* buffer, std::size_t count, std::size_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (!buffer || !bytesRead) return kStatusInvalidArg;
  if (!context_) return kStatusNotInitialized;

  const std::size_t channels = format_.channels;
  const std::size_t frameBytes = format_.blockAlign;
  const bool eightBit = format_.bitsPerSample == 8;
  const std::size_t chunkFrames = std::max<std::size_t>(1, kMaxSamplesPerDecode / channels);

  std::size_t framesLeft = count / frameBytes;
  std::uint8_t* out = buffer;
  while (framesLeft > 0) {
    const std::size_t want = std::min(framesLeft, chunkFrames);
    // Twice what one call needs, as a margin against the library.
    const std::size_t need = want * channels * 2;
    if (decode_.size() < need) decode_.resize(need);
    std::size_t got =
        WavpackUnpackSamples(context_, decode_.data(), static_cast<std::uint32_t>(want));
    got = std::min(got, want);
    const std::int32_t* s = decode_.data();
    const std::size_t samples = got * channels;
    if (eightBit) {
      for (std::size_t i = 0; i < samples; ++i) *out++ = static_cast<std::uint8_t>(s[i] + 128);
    } else {
      for (std::size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<std::uint16_t>(static_cast<std::uint32_t>(s[i]) & 0xFFFFu);
        *out++ = static_cast<std::uint8_t>(v & 0xFF);
        *out++ = static_cast<std::uint8_t>(v >> 8);
      }
    }
    *bytesRead += got * frameBytes;
    framesLeft -= got;
    if (got < want) {
      // The end of the samples: a file cut short ends before the sample
      // count its first block states, and damaged blocks are counted by
      // the library. Hand over what was decoded and fail, as a cut WAV does.
      const std::int64_t stated = WavpackGetNumSamples64(context_);
      const std::int64_t reached = WavpackGetSampleIndex64(context_);
      if (stated >= 0 && reached < stated) {
        error_ = "data ends early: the file is truncated";
        return kStatusFail;
      }
      if (WavpackGetNumErrors(context_) > 0) {
        error_ = "damaged WavPack blocks";
        return kStatusFail;
      }
      break;
    }
  }
  return kStatusOk;
}

Status WavPackFile::close() {
  if (!context_) {
    error_ = "not open";
    return kStatusNotInitialized;
  }
  WavpackCloseFile(context_);
  context_ = nullptr;
  dataSize_ = 0;
  return kStatusOk;
}

}  // namespace quilve
