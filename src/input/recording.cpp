#include "input/recording.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "input/regular_file.h"
#include "input/sono_attribute.h"
#include "input/wamd.h"
#include "input/wave_file.h"
#include "input/wavpack_file.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

// Parses the recording's extension (the whole of it, even where the header
// keeps only its start) as an attribute block, and derives the effective
// sample rate from the factor it states, else from GUANO's "TE", else from
// the default factor.
void deriveSampleRate(const ScanSettings& settings, Recording& rec) {
  const WaveFormat& f = rec.format;
  long factor = settings.DefaultExpansionFactor;
  ExpansionSource source = ExpansionSource::Default;
  rec.attributesParsed = false;
  rec.attributeText.clear();
  const std::vector<std::uint8_t>* whole =
      rec.reader ? &rec.reader->chunkMetadata().extension : nullptr;
  const std::uint8_t* block = whole && !whole->empty() ? whole->data() : f.extra.data();
  const std::size_t blockSize = whole && !whole->empty() ? whole->size() : f.extraSize;
  AttributeFields fields;
  if (blockSize != 0 && SonoAttribute().parseBlock(block, blockSize, factor, &fields)) {
    rec.attributesParsed = true;
    rec.attributeText = std::move(fields.text);
    // A stated factor of 0 or less would give a sample rate of 0 and no
    // column size: it does not count as the block's, and becomes 1 below.
    if (fields.statedFactor && *fields.statedFactor > 0) {
      factor = *fields.statedFactor;
      source = ExpansionSource::Attribute;
    } else if (!(rec.hasGuano && rec.guano.hasExpansion)) {
      // The default factor, with the block's correction for its rate.
      factor = fields.factor;
    }
  }
  if (source == ExpansionSource::Default && rec.hasGuano && rec.guano.hasExpansion) {
    factor = rec.guano.expansion;
    source = ExpansionSource::Guano;
  }
  if (factor <= 0) factor = 1;
  rec.metadata.expansionFactor = factor;
  rec.metadata.expansionSource = source;
  rec.effectiveSampleRate = static_cast<float>(f.sampleRate) * static_cast<float>(factor);
}

}  // namespace

Status openRecording(const std::string& path, const ScanSettings& settings, Recording& rec,
                     std::string* reason) {
  std::string why;
  if (rec.reader) rec.reader->close();
  rec = Recording{};

  RegularFile file;
  FileKind kind = FileKind::Other;
  if (!file.open(path, &why, &kind)) {
    // "is a FIFO (named pipe), not a recording"; "is a directory" as it was.
    if (kind == FileKind::Fifo || kind == FileKind::Socket || kind == FileKind::Device) {
      why += ", not a recording";
    }
  } else {
    rec.identity = file.identity();
    auto wav = std::make_unique<WaveFile>();
    if (!failed(wav->open(file, &rec.format))) {
      rec.reader = std::move(wav);
    } else if (wav->looksLikeRiff()) {
      why = wav->lastError();
    } else {
      auto wv = std::make_unique<WavPackFile>();
      rec.format = WaveFormat{};
      if (!failed(wv->open(file, &rec.format))) {
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
  sampleFormatOf(rec.format, &rec.sampleFormat);
  const ChunkMetadata& chunks = rec.reader->chunkMetadata();
  if (chunks.hasGuano) {
    rec.hasGuano = true;
    rec.guano = parseGuano(chunks.guano.data(), chunks.guano.size());
  } else if (chunks.hasWamd) {
    rec.hasWamd = true;
    rec.wamd = parseWamd(chunks.wamd.data(), chunks.wamd.size());
  }
  deriveSampleRate(settings, rec);
  if (reason) reason->clear();
  return kStatusOk;
}

std::string previewComment(const Recording& rec) {
  std::string comment;
  SonoAttribute attr;
  if (!attr.getAttribute("CMT", &comment, rec.attributeText)) comment = rec.attributeText;
  if (comment.empty() && rec.hasGuano) comment = rec.guano.note;
  std::replace(comment.begin(), comment.end(), ',', ' ');
  return comment;
}

}  // namespace quilve
