#pragma once
// What the analysis of one recording hands to the commit step: whether and
// how it was read, its metadata and its accepted calls in order. The scan
// worker, the batch scanner and the outcome files all carry this record.
#include <cstdint>
#include <string>
#include <vector>

#include "input/file_identity.h"
#include "input/recording.h"
#include "records/accepted_call.h"

namespace quilve {

// Whether a recording was read whole, and if not, why. Anything but Whole
// keeps a failed recording where it is: nothing was analysed that could
// show it holds no bats.
enum class ReadStatus : std::uint8_t {
  Whole,          // read to the end of its data
  NotOpened,      // could not be opened (missing, unreadable, not a recording)
  RefusedFormat,  // opened, but its sample format is not one the scan reads
  ReadFailed,     // a read failed before the end (cut short, empty data chunk)
  EmptyBand,      // no band above MinimumFrequency below the Nyquist frequency
  BeingWritten,   // its size or time changed after it was opened
  Stopped,        // a stop ended its analysis early
};

// Short name of a status for summaries ("whole", "not-opened", ...).
inline const char* readStatusName(ReadStatus s) {
  switch (s) {
    case ReadStatus::Whole: return "whole";
    case ReadStatus::NotOpened: return "not-opened";
    case ReadStatus::RefusedFormat: return "refused-format";
    case ReadStatus::ReadFailed: return "read-failed";
    case ReadStatus::EmptyBand: return "empty-band";
    case ReadStatus::BeingWritten: return "being-written";
    case ReadStatus::Stopped: return "stopped";
  }
  return "?";
}

// What the analysis of one recording leaves for the commit step.
struct RecordingOutcome {
  std::string path;
  // The folder below the scanned folder the recording was found in, when a
  // tree is scanned ("Site1/0601"); its disposition, zero-crossing files
  // and sonograms keep it. Empty for a recording of a folder given or a
  // file given by name.
  std::string subfolder;
  bool opened = false;
  std::string openFailure;  // why the recording could not be opened
  bool readFailed = false;  // the data ended in a read error
  bool closeFailed = false;
  bool stopped = false;     // a stop ended it early
  ReadStatus readStatus = ReadStatus::Whole;
  std::string readReason;   // why it was not read whole, for the user; empty when whole
  // The file as it was when it was opened (unknown when it could not be).
  FileIdentity identity;
  float effectiveSampleRate = 0.0f;
  double timeOfDay = 0.0;
  RecordingMetadata metadata;
  std::uint32_t fileChirpCount = 0;
  std::vector<AcceptedCall> calls;
};

}  // namespace quilve
