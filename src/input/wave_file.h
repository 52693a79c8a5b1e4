#pragma once
// RIFF/WAVE reader: the chunk walk (with the "BSn0" form), the data
// positioning and buffered reads of the sample bytes.
#include <cstdio>
#include <memory>
#include <vector>

#include "input/recording_reader.h"

namespace quilve {

class WaveFile final : public RecordingReader {
 public:
  WaveFile();
  ~WaveFile() override;
  WaveFile(const WaveFile&) = delete;
  WaveFile& operator=(const WaveFile&) = delete;

  Status open(const char* path, WaveFormat* format) override;
  Status open(RegularFile& file, WaveFormat* format) override;
  std::int64_t dataSize() const override;
  // When the file ends before its data chunk does, the read that meets the
  // end fails with the bytes before it in *bytesRead.
  Status read(std::uint8_t* buffer, std::size_t count, std::size_t* bytesRead) override;
  Status close() override;
  const std::string& lastError() const override { return error_; }
  // Whether the last open met a RIFF header, so that its failure reason is
  // the one to report rather than the WavPack reader's.
  bool looksLikeRiff() const { return looksLikeRiff_; }

 private:
  class Riff;
  static void findMetadataChunks(Riff& riff, std::int64_t start, ChunkMetadata* chunks);
  std::unique_ptr<Riff> riff_;
  WaveFormat format_;
  std::uint32_t dataSize_ = 0;
  std::uint32_t remaining_ = 0;
  bool open_ = false;
  bool looksLikeRiff_ = false;
  bool readError_ = false;
  std::string error_;
};

}  // namespace quilve
