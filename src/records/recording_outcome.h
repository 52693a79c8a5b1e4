#pragma once
// What the analysis of one recording hands to the commit step: whether and
// how it was read, its metadata and its accepted calls in order. The scan
// worker, the batch scanner and the outcome files all carry this record.
#include <cstdint>
#include <string>
#include <vector>

#include "input/recording.h"
#include "records/accepted_call.h"

namespace quilve {

// What the analysis of one recording leaves for the commit step.
struct RecordingOutcome {
  std::string path;
  bool opened = false;
  std::string openFailure;  // why the recording could not be opened
  bool readFailed = false;  // the data ended in a read error
  bool closeFailed = false;
  bool stopped = false;     // a stop ended it early
  float effectiveSampleRate = 0.0f;
  double timeOfDay = 0.0;
  RecordingMetadata metadata;
  std::uint32_t fileChirpCount = 0;
  std::vector<AcceptedCall> calls;
};

}  // namespace quilve
