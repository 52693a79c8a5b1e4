#include "input/wavpack_file.h"

#include <wavpack/wavpack.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

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

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

// Walks RIFF chunks in [pos, size) of `bytes` up to the "data" chunk (whose
// samples are not among them) for the "guan" and "wamd" chunks; true once
// the GUANO chunk is found.
bool findGuanoChunk(const std::vector<std::uint8_t>& bytes, std::size_t pos,
                    ChunkMetadata* chunks) {
  auto isId = [&](std::size_t at) {
    for (std::size_t i = at; i < at + 4; ++i) {
      if (bytes[i] < 0x20 || bytes[i] > 0x7E) return false;
    }
    return true;
  };
  bool oddBefore = false;
  while (pos + 8 <= bytes.size()) {
    // A pad byte is 0: a non-zero one that starts an identifier means the
    // pad byte was left out after an odd chunk.
    if (oddBefore && bytes[pos - 1] != 0 && isId(pos - 1)) --pos;
    if (!isId(pos)) return false;
    const std::uint8_t* id = bytes.data() + pos;
    const std::uint32_t size = le32(id + 4);
    if (std::memcmp(id, "data", 4) == 0) return false;
    const bool guan = !chunks->hasGuano && std::memcmp(id, "guan", 4) == 0;
    const bool wamd = !chunks->hasWamd && std::memcmp(id, "wamd", 4) == 0;
    if (guan || wamd) {
      const std::size_t begin = pos + 8;
      const std::size_t n = std::min<std::size_t>({size, bytes.size() - begin, kMaxMetadataChunk});
      (guan ? chunks->guano : chunks->wamd)
          .assign(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                  bytes.begin() + static_cast<std::ptrdiff_t>(begin + n));
      (guan ? chunks->hasGuano : chunks->hasWamd) = true;
      if (chunks->hasGuano) return true;
    }
    oddBefore = (size & 1) != 0;
    const std::uint64_t next = std::uint64_t(pos) + 8 + size + (size & 1);
    if (next > bytes.size()) return false;
    pos = static_cast<std::size_t>(next);
  }
  return false;
}

// The GUANO (and "wamd") chunk of the RIFF wrapper the file keeps: the header stored with
// the first block (chunks before "data"), else the trailer stored at the end
// (chunks after it), which the library reads on request without moving the
// decoding position.
void findGuanoInWrapper(WavpackContext* ctx, ChunkMetadata* chunks) {
  const std::uint32_t headerBytes = WavpackGetWrapperBytes(ctx);
  const std::uint8_t* data = WavpackGetWrapperData(ctx);
  if (headerBytes < 12 || !data || std::memcmp(data, "RIFF", 4) != 0 ||
      std::memcmp(data + 8, "WAVE", 4) != 0) {
    WavpackFreeWrapper(ctx);
    return;
  }
  std::vector<std::uint8_t> header(data, data + headerBytes);
  if (!findGuanoChunk(header, 12, chunks)) {
    WavpackSeekTrailingWrapper(ctx);
    const std::uint32_t allBytes = WavpackGetWrapperBytes(ctx);
    data = WavpackGetWrapperData(ctx);
    if (data && allBytes > headerBytes) {
      const std::vector<std::uint8_t> trailer(data + headerBytes, data + allBytes);
      // The pad byte of an odd data chunk may come first.
      findGuanoChunk(trailer, !trailer.empty() && trailer[0] == 0 ? 1 : 0, chunks);
    }
  }
  WavpackFreeWrapper(ctx);
}

}  // namespace

// The library's view of the open file: reads at a position of its own, and
// the one byte it may hand back (as ungetc does) is read again first.
struct WavPackFile::Stream {
  RegularFile file;
  std::int64_t position = 0;
  int pushed = -1;

  static Stream& of(void* id) { return *static_cast<Stream*>(id); }

  static std::int32_t readBytes(void* id, void* data, std::int32_t count) {
    Stream& s = of(id);
    if (count <= 0) return 0;
    auto* out = static_cast<unsigned char*>(data);
    std::int32_t done = 0;
    if (s.pushed >= 0) {
      out[done++] = static_cast<unsigned char>(s.pushed);
      s.pushed = -1;
      s.position += 1;
    }
    const long long got =
        s.file.readAt(out + done, static_cast<std::size_t>(count - done), s.position);
    if (got > 0) {
      done += static_cast<std::int32_t>(got);
      s.position += got;
    }
    return done;
  }
  static std::int32_t writeBytes(void*, void*, std::int32_t) { return 0; }
  static std::int64_t getPosition(void* id) { return of(id).position; }
  static int setPositionAbsolute(void* id, std::int64_t position) {
    Stream& s = of(id);
    if (position < 0) return -1;
    s.position = position;
    s.pushed = -1;
    return 0;
  }
  static int setPositionRelative(void* id, std::int64_t delta, int mode) {
    Stream& s = of(id);
    std::int64_t base = 0;
    if (mode == SEEK_CUR) {
      base = s.position;
    } else if (mode == SEEK_END) {
      base = s.file.currentSize();
      if (base < 0) return -1;
    } else if (mode != SEEK_SET) {
      return -1;
    }
    return setPositionAbsolute(id, base + delta);
  }
  static int pushBackByte(void* id, int c) {
    Stream& s = of(id);
    if (c == EOF || s.position == 0 || s.pushed >= 0) return EOF;
    s.position -= 1;
    s.pushed = c & 0xFF;
    return c;
  }
  static std::int64_t getLength(void* id) { return of(id).file.currentSize(); }
  static int canSeek(void*) { return 1; }
  static int truncateHere(void*) { return -1; }
  // The file is closed with this object, not by the library.
  static int closeStream(void*) { return 0; }

  static WavpackStreamReader64* reader() {
    static WavpackStreamReader64 callbacks = {
        readBytes,   writeBytes, getPosition, setPositionAbsolute, setPositionRelative,
        pushBackByte, getLength, canSeek,     truncateHere,        closeStream};
    return &callbacks;
  }
};

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
  chunks_ = ChunkMetadata{};

  RegularFile file;
  if (!file.open(path, &error_)) return kStatusFail;
  return open(file, format);
}

Status WavPackFile::open(RegularFile& file, WaveFormat* format) {
  if (!file.isOpen() || !format) {
    error_ = "missing argument";
    return kStatusInvalidArg;
  }
  if (context_) close();
  error_.clear();
  chunks_ = ChunkMetadata{};

  // The library reads the file already opened and checked, never a name.
  auto stream = std::make_unique<Stream>();
  stream->file = std::move(file);
  char libraryError[kLibraryErrorSize] = {};
  WavpackContext* ctx = WavpackOpenFileInputEx64(Stream::reader(), stream.get(), nullptr,
                                                 libraryError, kOpenFlags, kNormOffset);
  if (!ctx) {
    libraryError[kLibraryErrorSize - 1] = '\0';
    error_ = "not a WavPack file";
    if (libraryError[0]) error_ += std::string(" (") + libraryError + ")";
    file = std::move(stream->file);
    return kStatusFail;
  }
  auto fail = [&](const std::string& why) {
    error_ = why;
    WavpackCloseFile(ctx);
    file = std::move(stream->file);
    return kStatusFail;
  };

  const bool isFloat = (WavpackGetMode(ctx) & MODE_FLOAT) != 0;
  const int channels = WavpackGetNumChannels(ctx);
  const int bytesPerSample = WavpackGetBytesPerSample(ctx);
  const long blockAlign = long(channels) * bytesPerSample;
  if (channels <= 0 || bytesPerSample <= 0 || bytesPerSample > 4 ||
      blockAlign > std::numeric_limits<std::uint16_t>::max()) {
    return fail("unsupported format: channel count or sample size out of range");
  }

  WaveFormat fmt;
  fmt.formatTag = isFloat ? kFormatIeeeFloat : kFormatPcm;
  fmt.channels = static_cast<std::uint16_t>(channels);
  fmt.sampleRate = WavpackGetSampleRate(ctx);
  const int bits = std::max(0, WavpackGetBitsPerSample(ctx));
  // read() hands over whole containers; when the stated width would imply
  // another container (24 bits kept in 4 bytes), the header states the
  // container's width, whose low bits are then zero.
  fmt.bitsPerSample = static_cast<std::uint16_t>(
      (bits + 7) / 8 == bytesPerSample ? bits : bytesPerSample * 8);
  fmt.blockAlign = static_cast<std::uint16_t>(blockAlign);
  fmt.avgBytesPerSec = static_cast<std::uint32_t>(std::min<std::uint64_t>(
      std::uint64_t(fmt.blockAlign) * fmt.sampleRate, std::numeric_limits<std::uint32_t>::max()));

  const std::string unsupported = unsupportedFormatReason(fmt);
  if (!unsupported.empty()) return fail(unsupported);
  if (isFloat && bytesPerSample != 4) {
    return fail("unsupported format: float samples of other than 4 bytes");
  }

  ChunkMetadata chunks;
  // The attribute block. The library cuts a value that does not fit its
  // buffer and ends it with "...", so the value is fetched whole; the header
  // keeps its first kMaxExtraBytes.
  const int itemLength = WavpackGetTagItem(ctx, kAttributeItem, nullptr, 0);
  if (itemLength > 0) {
    std::vector<char> value(static_cast<std::size_t>(itemLength) + 1);
    const int got =
        WavpackGetTagItem(ctx, kAttributeItem, value.data(), static_cast<int>(value.size()));
    const std::size_t whole = std::min<std::size_t>(
        static_cast<std::size_t>(std::clamp(got, 0, itemLength)), kMaxMetadataChunk);
    chunks.extension.assign(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(whole));
    const std::size_t keep = std::min(whole, kMaxExtraBytes);
    std::memcpy(fmt.extra.data(), value.data(), keep);
    fmt.extraSize = static_cast<std::uint16_t>(keep);
  }
  findGuanoInWrapper(ctx, &chunks);

  dataSize_ = WavpackGetFileSize(ctx);
  stream_ = std::move(stream);
  context_ = ctx;
  format_ = fmt;
  chunks_ = std::move(chunks);
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
  const std::size_t sampleBytes = frameBytes / channels;
  const bool isFloat = format_.formatTag == kFormatIeeeFloat;
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
    if (isFloat) {
      // The library hands float samples scaled to +-2^15 (its normalisation
      // offset); they go out as WAV floats of full scale 1.0.
      for (std::size_t i = 0; i < samples; ++i) {
        float v;
        std::memcpy(&v, &s[i], sizeof v);
        v *= 1.0f / 32768.0f;
        std::memcpy(out, &v, sizeof v);
        out += sizeof v;
      }
    } else if (sampleBytes == 1) {
      for (std::size_t i = 0; i < samples; ++i) *out++ = static_cast<std::uint8_t>(s[i] + 128);
    } else {
      // Little-endian, the low sampleBytes bytes of each value.
      for (std::size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<std::uint32_t>(s[i]);
        for (std::size_t b = 0; b < sampleBytes; ++b) *out++ = static_cast<std::uint8_t>(v >> (8 * b));
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
  stream_.reset();
  dataSize_ = 0;
  return kStatusOk;
}

}  // namespace quilve
