#pragma once
// WavPack reader over libwavpack: hands the caller the same header and the
// same sample bytes as the PCM WAV file the recording was made from, with the
// attribute block taken from the APEv2 tag item "SONO_ATTR".
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/recording_reader.h"

struct WavpackContext;

namespace quilve {

class WavPackFile final : public RecordingReader {
 public:
  WavPackFile();
  ~WavPackFile() override;
  WavPackFile(const WavPackFile&) = delete;
  WavPackFile& operator=(const WavPackFile&) = delete;

  // Refuses float data and widths other than 8 and 16 bits with a reason.
  Status open(const char* path, WaveFormat* format) override;
  // The library reads through a stream reader over `file`.
  Status open(RegularFile& file, WaveFormat* format) override;
  // The size of the compressed file in bytes (not of the decoded samples).
  std::int64_t dataSize() const override;
  // Decodes count / blockAlign frames: 8-bit samples as unsigned bytes
  // (sample + 128), 16-bit samples little-endian. Fewer bytes at the end.
  Status read(std::uint8_t* buffer, std::size_t count, std::size_t* bytesRead) override;
  Status close() override;
  const std::string& lastError() const override { return error_; }

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;  // what the library reads from
  WavpackContext* context_ = nullptr;
  WaveFormat format_;
  std::int64_t dataSize_ = 0;
  // Decoded samples of one read, kept across reads; grows when a read asks
  // for more frames than it holds.
  std::vector<std::int32_t> decode_;
  std::string error_;
};

}  // namespace quilve
