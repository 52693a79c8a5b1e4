#pragma once
// The operations both recording readers give the scan.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/regular_file.h"
#include "input/status.h"
#include "input/wave_format.h"

namespace quilve {

// What a reader found besides the header: the whole "fmt " extension (or
// attribute tag item), of which the header keeps kMaxExtraBytes, and the
// bodies of a GUANO ("guan") and a "wamd" chunk. Each is bounded by
// kMaxMetadataChunk.
struct ChunkMetadata {
  std::vector<std::uint8_t> extension;
  bool hasGuano = false;
  std::vector<std::uint8_t> guano;
  bool hasWamd = false;
  std::vector<std::uint8_t> wamd;
};

constexpr std::size_t kMaxMetadataChunk = 64 * 1024;

class RecordingReader {
 public:
  virtual ~RecordingReader() = default;
  // Opens the file (only a regular file, see RegularFile) and fills the
  // caller's header (with its extension).
  virtual Status open(const char* path, WaveFormat* format) = 0;
  // The same on a file already opened: every byte read comes from it. On
  // success the reader keeps the file (`file` is left closed); on failure
  // `file` stays open for another reader.
  virtual Status open(RegularFile& file, WaveFormat* format) = 0;
  // The data size in bytes (for WavPack: the compressed file size), or -1.
  virtual std::int64_t dataSize() const = 0;
  // Copies up to count bytes of sample data; fewer at the end of the data.
  virtual Status read(std::uint8_t* buffer, std::size_t count, std::size_t* bytesRead) = 0;
  virtual Status close() = 0;
  // A short reason for the last failure, for messages naming the file.
  virtual const std::string& lastError() const = 0;
  // Valid after a successful open.
  const ChunkMetadata& chunkMetadata() const { return chunks_; }

 protected:
  ChunkMetadata chunks_;
};

}  // namespace quilve
