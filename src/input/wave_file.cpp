#include "input/wave_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

namespace quilve {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// Bytes of a "BSn0" header we look at: the text at 14 (at most 511
// characters and its terminator) and the factor at 52.
constexpr std::size_t kBsn0MinBytes = 54;
constexpr std::size_t kBsn0ReadLimit = 4096;
constexpr std::size_t kBsn0TextOffset = 14;
constexpr std::size_t kBsn0FactorOffset = 52;
constexpr std::size_t kBsn0MaxText = 512;
// The start marker of an attribute block.
constexpr std::string_view kBlockMarker = "MMMMMMMMM";

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

bool isChunkId(const char* id) {
  for (int i = 0; i < 4; ++i) {
    if (id[i] < 0x20 || id[i] > 0x7E) return false;
  }
  return true;
}

struct ChunkInfo {
  char id[5] = {0, 0, 0, 0, 0};
  std::uint32_t size = 0;
  std::int64_t dataOffset = 0;  // first byte after the size field
};

}  // namespace

// Buffered reads over the open file with the chunk operations the walk
// needs: read a chunk header, find a chunk by identifier inside a parent,
// move to the chunk after one. Every walk over chunks goes through skip(),
// so all of them read the pad byte the same way.
class WaveFile::Riff {
 public:
  ~Riff() { closeFile(); }

  // Reads from `file`, which it keeps.
  void adopt(RegularFile& file) {
    file_ = std::move(file);
    fileSize_ = file_.identity().size;
    buffer_.resize(kBufferSize);
    pos_ = 0;
    begin_ = end_ = 0;
  }

  // Gives the file back (to another reader, after a failed open).
  void giveBack(RegularFile& file) { file = std::move(file_); }

  bool closeFile() {
    file_.close();
    return true;
  }

  std::int64_t position() const { return pos_; }
  std::int64_t fileSize() const { return fileSize_; }

  void seek(std::int64_t pos) {
    // Keep the buffered bytes when the new position falls inside them.
    const std::int64_t bufStart = pos_ - static_cast<std::int64_t>(begin_);
    if (pos >= bufStart && pos <= bufStart + static_cast<std::int64_t>(end_)) {
      begin_ = static_cast<std::size_t>(pos - bufStart);
    } else {
      begin_ = end_ = 0;
    }
    pos_ = pos;
  }

  // Reads up to n bytes through the buffer; fewer only at the end of the
  // file or on an error.
  std::size_t read(std::uint8_t* dst, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
      if (begin_ == end_ && !refill()) break;
      const std::size_t take = std::min(n - done, end_ - begin_);
      std::memcpy(dst + done, buffer_.data() + begin_, take);
      begin_ += take;
      done += take;
      pos_ += static_cast<std::int64_t>(take);
    }
    return done;
  }

  // The same for sample data: what the buffer holds, then large remainders
  // straight into the caller's memory.
  std::size_t readData(std::uint8_t* dst, std::size_t n) {
    std::size_t done = read(dst, std::min(n, end_ - begin_));
    while (n - done >= kBufferSize) {
      const long long got = file_.readAt(dst + done, n - done, pos_);
      if (got <= 0) return done;
      done += static_cast<std::size_t>(got);
      pos_ += got;
    }
    return done + read(dst + done, n - done);
  }

  bool readHeader(ChunkInfo* c) {
    std::uint8_t h[8];
    if (read(h, 8) != 8) return false;
    std::memcpy(c->id, h, 4);
    c->id[4] = 0;
    c->size = le32(h + 4);
    c->dataOffset = pos_;
    return true;
  }

  // Searches the chunks from the current position up to parentEnd for `id`.
  bool find(const char* id, std::int64_t parentEnd, ChunkInfo* c) {
    while (pos_ + 8 <= parentEnd) {
      if (!readHeader(c)) return false;
      if (std::memcmp(c->id, id, 4) == 0) return true;
      skip(*c);
    }
    return false;
  }

  // Moves to where the chunk after `c` starts: past its pad byte after an
  // odd size. A pad byte is 0; a non-zero byte in its place that starts a
  // chunk identifier means the writer left the pad byte out, and the next
  // chunk starts there. False when that lies past the end of the file.
  bool skip(const ChunkInfo& c) {
    std::int64_t next = c.dataOffset + c.size;
    if ((c.size & 1) != 0) {
      char id[4];
      seek(next);
      const bool padLeftOut =
          read(reinterpret_cast<std::uint8_t*>(id), 4) == 4 && id[0] != 0 && isChunkId(id);
      if (!padLeftOut) ++next;
    }
    seek(next);
    return next <= fileSize_;
  }

 private:
  bool refill() {
    const long long got = file_.readAt(buffer_.data(), kBufferSize, pos_);
    if (got <= 0) return false;
    begin_ = 0;
    end_ = static_cast<std::size_t>(got);
    return true;
  }

  RegularFile file_;
  std::int64_t fileSize_ = 0;
  std::int64_t pos_ = 0;  // file position of buffer_[begin_]
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

// Walks every chunk of the WAVE form (from its first chunk to the end of the
// file, as some writers leave the RIFF size short) for the GUANO and the
// "wamd" chunk, up to the first bytes that are no chunk header.
void WaveFile::findMetadataChunks(Riff& riff, std::int64_t start, ChunkMetadata* chunks) {
  riff.seek(start);
  ChunkInfo c;
  while (riff.position() + 8 <= riff.fileSize()) {
    if (!riff.readHeader(&c) || !isChunkId(c.id)) return;
    const bool guan = !chunks->hasGuano && std::memcmp(c.id, "guan", 4) == 0;
    const bool wamd = !chunks->hasWamd && std::memcmp(c.id, "wamd", 4) == 0;
    if (guan || wamd) {
      std::vector<std::uint8_t>& body = guan ? chunks->guano : chunks->wamd;
      const std::size_t want = std::min<std::size_t>(c.size, kMaxMetadataChunk);
      body.resize(want);
      body.resize(riff.read(body.data(), want));
      (guan ? chunks->hasGuano : chunks->hasWamd) = true;
      if (chunks->hasGuano && chunks->hasWamd) return;
    }
    riff.skip(c);
  }
}

WaveFile::WaveFile() = default;

WaveFile::~WaveFile() { close(); }

Status WaveFile::open(const char* path, WaveFormat* format) {
  if (!path || !format) {
    error_ = "missing argument";
    return kStatusInvalidArg;
  }
  if (open_) close();
  looksLikeRiff_ = false;
  RegularFile file;
  if (!file.open(path, &error_)) return kStatusFail;
  return open(file, format);
}

Status WaveFile::open(RegularFile& file, WaveFormat* format) {
  if (!file.isOpen() || !format) {
    error_ = "missing argument";
    return kStatusInvalidArg;
  }
  if (open_) close();
  error_.clear();
  chunks_ = ChunkMetadata{};
  looksLikeRiff_ = false;
  auto riff = std::make_unique<Riff>();
  riff->adopt(file);

  auto fail = [&](const char* why) {
    error_ = why;
    riff->giveBack(file);
    return kStatusFail;
  };

  WaveFormat fmt;
  ChunkMetadata chunks;
  bool haveBsn0 = false;
  long bsn0Factor = 0;
  std::string bsn0Text;
  ChunkInfo top;
  std::int64_t waveFormStart = 0;  // first byte after the WAVE form type
  std::int64_t waveEnd = 0;
  ChunkInfo fmtChunk;

  // A file that starts like RIFF is judged by this reader alone, however
  // short it is, so its reason is the one reported.
  std::uint8_t magic[4];
  looksLikeRiff_ = riff->read(magic, 4) == 4 && std::memcmp(magic, "RIFF", 4) == 0;
  riff->seek(0);
  bool firstChunk = true;

  // Walk the top-level RIFF chunks until the WAVE form.
  for (;;) {
    if (!riff->readHeader(&top)) {
      if (firstChunk) return fail(looksLikeRiff_ ? "truncated RIFF header" : "not a RIFF file");
      return fail("no WAVE form in the RIFF file");
    }
    firstChunk = false;
    if (std::memcmp(top.id, "RIFF", 4) != 0) {
      return fail(looksLikeRiff_ ? "no WAVE form in the RIFF file" : "not a RIFF file");
    }
    looksLikeRiff_ = true;
    std::uint8_t form[4];
    if (top.size < 4 || riff->read(form, 4) != 4) return fail("truncated RIFF header");
    const std::int64_t end = top.dataOffset + top.size;
    if (std::memcmp(form, "WAVE", 4) == 0) {
      waveFormStart = riff->position();
      waveEnd = end;
      if (!riff->find("fmt ", waveEnd, &fmtChunk)) return fail("no \"fmt \" chunk");
      if (fmtChunk.size < 16) return fail("\"fmt \" chunk shorter than 16 bytes");
      std::uint8_t f[16];
      if (riff->read(f, 16) != 16) return fail("truncated \"fmt \" chunk");
      fmt.formatTag = le16(f);
      fmt.channels = le16(f + 2);
      fmt.sampleRate = le32(f + 4);
      fmt.avgBytesPerSec = le32(f + 8);
      fmt.blockAlign = le16(f + 12);
      fmt.bitsPerSample = le16(f + 14);
      if (haveBsn0) {
        char text[kBsn0MaxText + 64];
        const long rate = static_cast<long>(fmt.sampleRate);
        int n = std::snprintf(text, sizeof text, "MMMMMMMMM(#%ld#)<&%ld&>[!%ld!]%sMMMMMMMMM ", rate,
                              bsn0Factor, rate * bsn0Factor / 1000, bsn0Text.c_str());
        std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)),
                                                sizeof text - 1);
        len = std::min(len & ~std::size_t(1), kMaxExtraBytes);
        std::memcpy(fmt.extra.data(), text, len);
        fmt.extraSize = static_cast<std::uint16_t>(len);
      } else if (fmtChunk.size > 18) {
        // What follows the 16 PCM bytes: normally a length and that many
        // extension bytes. Some writers put the attribute block there with
        // no length before it, and some state a length the chunk does not
        // hold; neither refuses the recording. The whole extension is kept
        // for parsing, the header holds its first kMaxExtraBytes.
        const std::size_t after = std::min<std::size_t>(fmtChunk.size - 16, kMaxMetadataChunk);
        std::vector<std::uint8_t> rest(after);
        if (riff->read(rest.data(), after) != after) return fail("truncated \"fmt \" extension");
        std::vector<std::uint8_t>& ext = chunks.extension;
        if (after >= kBlockMarker.size() &&
            std::equal(kBlockMarker.begin(), kBlockMarker.end(), rest.begin())) {
          ext = std::move(rest);
        } else {
          const std::size_t stated = le16(rest.data());
          ext.assign(rest.begin() + 2, rest.begin() + 2 + std::min(stated, after - 2));
        }
        const std::size_t keep = std::min(ext.size(), kMaxExtraBytes);
        if (keep > 0) std::memcpy(fmt.extra.data(), ext.data(), keep);
        fmt.extraSize = static_cast<std::uint16_t>(keep);
      }
      riff->skip(fmtChunk);
      break;
    }
    if (std::memcmp(form, "BSn0", 4) == 0) {
      const std::size_t rest = top.size - 4;
      if (rest < kBsn0MinBytes) return fail("\"BSn0\" header too short");
      const std::size_t want = std::min(rest, kBsn0ReadLimit);
      std::vector<std::uint8_t> b(want);
      if (riff->read(b.data(), want) != want) return fail("truncated \"BSn0\" header");
      bsn0Factor = le16(b.data() + kBsn0FactorOffset) / 1000;
      const auto textBegin = b.begin() + kBsn0TextOffset;
      const auto nul = std::find(textBegin, b.end(), std::uint8_t(0));
      if (nul == b.end() && want == rest) return fail("\"BSn0\" text without terminator");
      const std::size_t textLen = static_cast<std::size_t>(nul - textBegin);
      bsn0Text = textLen < kBsn0MaxText ? std::string(textBegin, nul) : std::string();
      haveBsn0 = true;
    }
    // Any other form is skipped; continue with the next top-level chunk.
    if (!riff->skip(top)) return fail("truncated RIFF chunk");
  }

  // The sample data may come before or after the "fmt " chunk.
  ChunkInfo data;
  riff->seek(waveFormStart);
  const bool found = riff->find("data", waveEnd, &data);
  if (!found) return fail("no \"data\" chunk");
  findMetadataChunks(*riff, waveFormStart, &chunks);
  riff->seek(data.dataOffset);

  const std::string unsupported = unsupportedFormatReason(fmt);
  if (!unsupported.empty()) {
    error_ = unsupported;
    riff->giveBack(file);
    return kStatusFail;
  }

  riff_ = std::move(riff);
  format_ = fmt;
  chunks_ = std::move(chunks);
  dataSize_ = data.size;
  remaining_ = data.size;
  readError_ = false;
  open_ = true;
  *format = format_;
  return kStatusOk;
}

std::int64_t WaveFile::dataSize() const { return open_ ? static_cast<std::int64_t>(dataSize_) : -1; }

Status WaveFile::read(std::uint8_t* buffer, std::size_t count, std::size_t* bytesRead) {
  if (!buffer || !bytesRead) return kStatusInvalidArg;
  *bytesRead = 0;
  if (!open_) return kStatusNotInitialized;
  if (readError_) return kStatusFail;
  if (dataSize_ == 0 && count > 0) {
    // A data chunk of size 0 holds nothing to analyse (a recorder that
    // wrote its header and no more): reported like a file cut short.
    error_ = "the data chunk is empty";
    readError_ = true;
    return kStatusFail;
  }
  const std::size_t n = std::min<std::size_t>(count, remaining_);
  const std::size_t got = riff_->readData(buffer, n);
  remaining_ -= static_cast<std::uint32_t>(got);
  *bytesRead = got;
  if (got < n) {
    // The data chunk claims more bytes than the file holds (a recorder that
    // stopped mid-write). Hand over what exists and fail this read already:
    // a caller that stops at a short read (the scan does, as its last column
    // is incomplete) would otherwise never learn that the file is cut short.
    error_ = "data ends early: the file is truncated";
    readError_ = true;
    return kStatusFail;
  }
  return kStatusOk;
}

Status WaveFile::close() {
  if (!open_) return kStatusNotInitialized;
  open_ = false;
  const bool ok = riff_->closeFile();
  riff_.reset();
  return ok ? kStatusOk : kStatusFail;
}

}  // namespace quilve
