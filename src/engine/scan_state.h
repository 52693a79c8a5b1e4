#pragma once
// Working state of a scan: ScanJob for the recording being scanned (reused
// for every recording) and ScanSession for the counters and the bat-pass
// tracker that carry over from one recording and one run to the next until
// Clear All. Only the fields used by the call-finishing step are here so far;
// the scan worker adds its reader, buffers and clocks.
#include <cstdint>
#include <string>

#include "engine/chirp_record.h"
#include "input/recording.h"

namespace quilve {

struct ScanJob {
  // Slot of the candidate being tracked or the next one, 0..kLastChirpSlot.
  std::int32_t chirpIndex = 0;
  // Accepted calls in this recording; not limited by the slot count.
  std::uint32_t fileChirpCount = 0;
  // Seconds since midnight from the recording's file name.
  double timeOfDay = 0.0;

  // Full path of the recording being scanned.
  std::string recordingPath;

  // Position and start time of the recording from its attribute block:
  // latitude, longitude, altitude with gpsValid; recordingTime with timeKnown
  // and timeFromUtc.
  RecordingMetadata metadata;

  // Parameters of the last accepted call of this recording. Results lines
  // measure the time to the previous call against it: once the slots run out,
  // slot 2047 is overwritten by every new candidate and slot 2046 no longer
  // holds the previous call.
  CallParameters previousCall;
  bool hasPreviousCall = false;
};

struct ScanSession {
  std::uint32_t filesSelected = 0;
  std::uint32_t filesFailed = 0;
  std::uint32_t totalChirpCount = 0;
  std::uint32_t batPassCount = 0;

  // Bat-pass tracker; times in seconds since midnight.
  std::uint32_t passChirpCount = 0;
  double passStartTime = 0.0;
  double lastChirpTime = 0.0;
};

// Where the results lines go: the chosen results file and whether the next
// line starts it afresh (header, truncation).
struct ResultsTarget {
  std::string path;
  bool newResultsFile = false;
};

// Prepares the job's call bookkeeping for a new recording: slot 0, no calls.
inline void startRecordingCalls(ScanJob& job) {
  job.chirpIndex = 0;
  job.fileChirpCount = 0;
  job.hasPreviousCall = false;
  resetCallParameters(job.previousCall);
}

}  // namespace quilve
