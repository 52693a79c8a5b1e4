#pragma once
// One open input recording and the shared open step that picks the reader,
// derives the effective sample rate and fills the metadata.
#include <cstdint>
#include <memory>
#include <string>

#include "input/file_identity.h"
#include "input/guano.h"
#include "input/recording_reader.h"
#include "input/sample_format.h"
#include "input/sono_attribute.h"
#include "input/wave_format.h"

namespace quilve {

struct ScanSettings;

extern const char* const kNoDeviceText;  // "<No device found>"

// Where a recording's time came from, in the order they are trusted.
enum class TimeSource { None, Attribute, Guano, Wamd, Name, File };
// Where its time-expansion factor came from.
enum class ExpansionSource { Default, Attribute, Guano };

// "attribute", "guano", "wamd", "name", "file" (empty for None); "attribute",
// "guano", "default".
const char* timeSourceName(TimeSource source);
const char* expansionSourceName(ExpansionSource source);

struct RecordingMetadata {
  float latitude = 0.0f;
  float longitude = 0.0f;
  float altitude = 0.0f;
  bool gpsValid = false;
  DateTime recordingTime;  // local time
  bool timeFromUtc = false;
  bool timeKnown = false;
  TimeSource timeSource = TimeSource::None;
  bool utcOffsetKnown = false;  // recordingTime's offset from UTC is known
  int utcOffsetMinutes = 0;     // local time minus UTC
  std::string device = kNoDeviceText;
  std::string comment;
  long expansionFactor = 1;  // the factor the effective sample rate uses
  ExpansionSource expansionSource = ExpansionSource::Default;
};

struct Recording {
  WaveFormat format;
  std::uint32_t dataSize = 0;
  float effectiveSampleRate = 0.0f;
  bool isWavPack = false;
  bool attributesParsed = false;  // the extension parsed as an attribute block
  std::string attributeText;      // the block's attribute text when it parsed
  SampleFormat sampleFormat;      // how the reader's sample bytes are laid out
  bool hasGuano = false;          // the file holds a GUANO chunk
  GuanoFields guano;              // what of it could be read
  bool hasWamd = false;           // no GUANO, but a "wamd" chunk
  GuanoFields wamd;               // its time stamp and position
  RecordingMetadata metadata;
  // The file that was opened, from its open descriptor (not its name): what
  // the reader reads. Known whenever a regular file was opened, also when its
  // format was then refused.
  FileIdentity identity;
  std::unique_ptr<RecordingReader> reader;  // open while the recording is scanned
};

// Opens `path` once, only when it is a regular file (see RegularFile: a
// FIFO, device, socket or directory is refused without blocking, with the
// reason, and so is a name the system cannot open, with the system's
// reason), then reads it with the WAV reader, else the WavPack reader, both
// on that one open file; refuses formats the scan cannot analyse, and
// derives the effective sample rate. On failure `reason` says why, naming
// the problem (not the path). The reader stays open in `rec.reader` on
// success.
Status openRecording(const std::string& path, const ScanSettings& settings, Recording& rec,
                     std::string* reason);

// The comment shown for a previewed recording: the "CMT" value, else the
// whole attribute text, with every comma shown as a blank.
std::string previewComment(const Recording& rec);

// Fills GPS position, recording time, device and comment, each from the
// first source that has it: the attribute block (when it parsed), GUANO
// (else a "wamd" chunk), the file name's stamp (the time only), the file's
// creation time.
void fillMetadata(const std::string& path, Recording& rec);

}  // namespace quilve
