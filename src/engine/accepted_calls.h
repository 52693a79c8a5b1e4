#pragma once
// Finishing a call candidate: the acceptance chain, the output of an
// accepted call, the bat-pass tracker and the move to the next chirp slot.
#include <string>

#include "engine/chirp_record.h"
#include "engine/scan_state.h"
#include "engine/selection_criteria.h"
#include "output/results_file.h"
#include "settings/scan_settings.h"

namespace quilve {

class LinearFit;
class PolyFit;
class TileSink;

// Bat-pass tracker: a gap of more than 3 s after the last call, or more than
// 15 s after the first call of the pass, closes the pass; a closed pass with
// at least 3 calls counts as a bat pass.
constexpr double kPassMaxGapSeconds = 3.0;
constexpr double kPassMaxSpanSeconds = 15.0;
constexpr std::uint32_t kPassMinCalls = 3;

// Where accepted calls go: results lines, or zero-crossing files in
// zero-crossing translation mode.
class CallOutput {
 public:
  virtual ~CallOutput() = default;
  // `previous` is the previous accepted call of the same recording, or the
  // call itself for its first call.
  virtual void writeCall(const ChirpRecord& trace, const CallParameters& call,
                         const CallParameters& previous, const ScanJob& job) = 0;
};

// Results lines in the layout of the settings, through writeResultRow. The
// target's new-file flag is cleared once a line has been written; while the
// file cannot be opened it stays set, so the first line that does get written
// starts the file with its header.
class ResultsFileOutput : public CallOutput {
 public:
  ResultsFileOutput(ResultsTarget& target, const ScanSettings& settings, ResultsFileLog* log)
      : target_(target), settings_(settings), log_(log) {}
  void writeCall(const ChirpRecord& trace, const CallParameters& call,
                 const CallParameters& previous, const ScanJob& job) override;

 private:
  ResultsTarget& target_;
  const ScanSettings& settings_;
  ResultsFileLog* log_;
};

// What finishing a candidate needs besides the scan state.
struct CallFinishing {
  const ScanSettings& settings;
  LinearFit& linearFit;
  PolyFit& polyFit;
  CallOutput& results;                 // results lines (OutputFormat 0..3)
  CallOutput* zeroCrossing = nullptr;  // OutputFormat 4; null: such calls are counted, not written
  TileSink* tiles = nullptr;           // chirp tiles; null without a display
};

// Finishes the candidate in slot job.chirpIndex: runs the acceptance chain;
// an accepted call is written, counted for the recording and the bat-pass
// tracker, and the job moves on to the next slot (held at kLastChirpSlot).
// A rejected candidate leaves its slot to the next candidate. Returns the
// chain's verdict.
ChainResult finishCandidate(ChirpStore& store, ScanJob& job, ScanSession& session,
                            const CallFinishing& finishing);

// The two halves of finishCandidate, for callers that analyse recordings
// apart from committing their calls (several recordings at once, committed
// in input order). acceptCandidate runs the chain and, for an accepted call,
// hands trace, parameters and previous call to `accepted` and moves to the
// next slot; commitCall writes one accepted call and feeds the bat-pass
// tracker.
ChainResult acceptCandidate(ChirpStore& store, ScanJob& job, const CallFinishing& finishing,
                            CallOutput& accepted);
void commitCall(const ChirpRecord& trace, const CallParameters& call,
                const CallParameters& previous, const ScanJob& job, ScanSession& session,
                const ScanSettings& settings, CallOutput& results, CallOutput* zeroCrossing);

// Feeds one accepted call, at `timeOfDay` seconds since midnight, to the
// bat-pass tracker.
void trackBatPass(ScanSession& session, double timeOfDay);

// End of a multi-file run: an open pass of at least 3 calls is counted and
// closed; a shorter one stays open.
void closeOpenPass(ScanSession& session);

// Moves the job to the next chirp slot after an accepted call: the index
// advances up to kLastChirpSlot and then stays there, the recording's call
// count grows, and the new slot's tile (when there is a display), trace and
// parameters are cleared.
void advanceChirpSlot(ChirpStore& store, ScanJob& job, TileSink* tiles);

}  // namespace quilve
