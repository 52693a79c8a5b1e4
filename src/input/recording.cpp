#include "input/recording.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "input/wave_file.h"
#include "input/wavpack_file.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

// Parses the recording's extension as an attribute block and derives the
// effective sample rate from its factor, else from the default factor.
void deriveSampleRate(const ScanSettings& settings, Recording& rec) {
  const WaveFormat& f = rec.format;
  long factor = settings.DefaultExpansionFactor;
  rec.attributesParsed = false;
  rec.attributeText.clear();
  if (f.extraSize != 0) {
    long rate = 0;
    long third = 0;
    long blockFactor = factor;
    SonoAttribute attr;
    if (attr.parseBlock(f.extra.data(), f.extraSize, &rate, &blockFactor, &third,
                        &rec.attributeText)) {
      rec.attributesParsed = true;
      // A block stating a factor of 0 would give a sample rate of 0 and no
      // column size; such a recording is analysed with the default factor.
      if (blockFactor > 0) factor = blockFactor;
    } else {
      rec.attributeText.clear();
    }
  }
  if (factor <= 0) factor = 1;
  rec.effectiveSampleRate = static_cast<float>(f.sampleRate) * static_cast<float>(factor);
}

}  // namespace

Status openRecording(const std::string& path, const ScanSettings& settings, Recording& rec,
                     std::string* reason) {
  std::string why;
  if (rec.reader) rec.reader->close();
  rec = Recording{};

  std::error_code ec;
  const auto st = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(st)) {
    why = "no such file";
  } else if (std::filesystem::is_directory(st)) {
    why = "is a directory";
  } else {
    auto wav = std::make_unique<WaveFile>();
    if (!failed(wav->open(path.c_str(), &rec.format))) {
      rec.reader = std::move(wav);
    } else if (wav->looksLikeRiff()) {
      why = wav->lastError();
    } else {
      auto wv = std::make_unique<WavPackFile>();
      rec.format = WaveFormat{};
      if (!failed(wv->open(path.c_str(), &rec.format))) {
        rec.isWavPack = true;
        rec.reader = std::move(wv);
      } else {
        why = wv->lastError().empty() ? "not a WAV or WavPack recording"
                                      : "not a WAV or WavPack recording (" + wv->lastError() + ")";
      }
    }
  }
  if (!rec.reader) {
    rec.format = WaveFormat{};
    if (reason) *reason = why;
    return kStatusFail;
  }
  const std::int64_t size = rec.reader->dataSize();
  rec.dataSize = static_cast<std::uint32_t>(
      std::clamp<std::int64_t>(size, 0, std::numeric_limits<std::uint32_t>::max()));
  deriveSampleRate(settings, rec);
  if (reason) reason->clear();
  return kStatusOk;
}

std::string previewComment(const Recording& rec) {
  std::string comment;
  SonoAttribute attr;
  if (!attr.getAttribute("CMT", &comment, rec.attributeText)) comment = rec.attributeText;
  std::replace(comment.begin(), comment.end(), ',', ' ');
  return comment;
}

}  // namespace quilve
