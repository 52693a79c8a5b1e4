#pragma once
// The analysis of one recording, column by column: open and set up, prime
// the spectrum with the first 256 frames, then per column the DC removal,
// spectrum, levels, chirp detector and, for every finished candidate, the
// acceptance chain. Accepted calls are kept in order for the commit step
// (results rows or zero-crossing records, bat passes, classification),
// which the scan worker runs when the recording ends and the batch tool runs
// in input order, so both write the same files.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/accepted_calls.h"
#include "engine/chirp_detector.h"
#include "engine/chirp_record.h"
#include "engine/scan_control.h"
#include "engine/scan_state.h"
#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "input/recording.h"
#include "records/recording_outcome.h"

namespace quilve {

class Reporter;

class RecordingAnalyzer {
 public:
  enum class Phase { Closed, Prime, Columns, Done };

  // `tiles` may be null when nothing shows the chirp tiles. Warnings ("Failed
  // reading wave file", "Failed closing file") and trace lines go to
  // `reporter` when one is given.
  // `kept`: SlotsKept::Current when every accepted call is handed on at
  // once (a batch scan) and nothing looks at earlier slots afterwards.
  explicit RecordingAnalyzer(TileSink* tiles = nullptr, Reporter* reporter = nullptr,
                             SlotsKept kept = SlotsKept::Every);
  ~RecordingAnalyzer();
  RecordingAnalyzer(const RecordingAnalyzer&) = delete;
  RecordingAnalyzer& operator=(const RecordingAnalyzer&) = delete;

  // Opens the recording and sets up the job. False (with
  // outcome().openFailure) when it cannot be opened. The settings are read
  // here and by every later step.
  bool open(const std::string& path, const ScanSettings& settings);

  // One step: priming, or one column. Returns false once the recording is
  // done (end of data, read error); then call finish().
  bool step(const ScanSettings& settings);

  // Ends the recording early (a stop): the candidate under way is dropped.
  void stop();

  // Clears the unfinished slot and closes the reader. Safe to call twice.
  void finish();

  // Accepted calls go to `sink` as they are found instead of being kept in
  // the outcome (a single scan in input order needs no buffer). Null keeps
  // them.
  void setCallSink(CallOutput* sink) { sink_ = sink; }

  // Whether open() warns of an empty analysed band (on by default). A caller
  // that gathers them from outcome() for one warning per run turns it off.
  void setWarnsOfEmptyBand(bool on) { warnsOfEmptyBand_ = on; }

  // Runs open, every step and finish. `stopNow`, when given, is asked every
  // few hundred columns; once it says yes the recording is stopped there.
  bool analyse(const std::string& path, const ScanSettings& settings,
               const std::function<bool()>& stopNow = {});

  Phase phase() const { return phase_; }
  DetectorState detectorState() const { return detector_.state(); }
  // Share of the recording analysed so far, 0..100.
  int percent() const;
  const RecordingOutcome& outcome() const { return outcome_; }
  RecordingOutcome takeOutcome();
  const ChirpStore& store() const { return *store_; }
  // Takes a call back after the user rejected it: slot `slot` no longer
  // counts as accepted. False for a slot outside the store.
  bool rejectCall(int slot);
  const ScanJob& job() const { return job_; }
  const Recording& recording() const { return recording_; }
  float columnTime() const { return columnTime_; }
  int samplesPerColumn() const { return samplesPerColumn_; }

 private:
  bool primeStep();
  bool columnStep(const ScanSettings& settings);
  bool queueColumns();
  void warn(const std::string& text);
  bool readBytes(std::size_t count, std::size_t* got);
  void reportReadFailure(const std::string& reason);

  TileSink* tiles_;
  Reporter* reporter_;
  bool warnsOfEmptyBand_ = true;
  CallOutput* sink_ = nullptr;
  std::unique_ptr<ChirpStore> store_;
  // Slots 0 .. dirtySlots_ - 1 may differ from their reset state; the rest
  // have not been used since they were last reset.
  int dirtySlots_ = 0;
  ChirpDetector detector_;
  ColumnSpectrum spectrum_;
  LinearFit linearFit_;
  PolyFit polyFit_;
  Recording recording_;
  ScanJob job_;
  RecordingOutcome outcome_;
  Phase phase_ = Phase::Closed;
  std::vector<std::uint8_t> buffer_;
  int samplesPerColumn_ = 0;
  // Columns read ahead and computed together; the detector takes them one by
  // one. The read that ended the recording is reported when the detector
  // gets there.
  int nextQueued_ = 0;
  bool queueEndsRecording_ = false;
  bool pendingReadFailure_ = false;
  std::string pendingReadError_;
  float columnTime_ = 0.0f;
  double clock_ = 0.0;
  double duration_ = 0.0;
};

// Why a recording that could not be opened was not read: a refused sample
// format, or not opened at all, from the reader's reason.
ReadStatus openFailureStatus(const std::string& reason);

// Records that the recording was not read whole, unless an earlier cause is
// already recorded.
void markNotWhole(RecordingOutcome& outcome, ReadStatus status, const std::string& reason);

// The list entry of a recording: its bare name shown, its full path as its
// key, its call count, and, when it was not read whole, what holds it.
FileEntry recordingEntry(const RecordingOutcome& outcome, int value);

// Classifies a finished recording by its call count: below the pass
// threshold (compared as unsigned) it enters the failed list, else the
// passed list, replacing the entry of the same path in either list; the
// counters move with it. The caller holds the lists' mutex.
void classifyRecording(const RecordingOutcome& outcome, const ScanSettings& settings,
                       ScanLists& lists, ScanSession& session);

// A recording that could not be opened: failed with 0 calls, held in place.
void enterUnreadable(const RecordingOutcome& outcome, ScanLists& lists, ScanSession& session);
// The same for a recording known only by its path and the reason.
void enterUnreadable(const std::string& path, const std::string& reason, ScanLists& lists,
                     ScanSession& session);

// Counters recomputed from the lists at the end of a run.
void recountFromLists(const ScanLists& lists, ScanSession& session);

// Where committed calls go.
struct CommitOutputs {
  CallOutput& results;
  CallOutput* zeroCrossing = nullptr;
};

// Commits each call as it is handed over: output and bat pass.
class CommitCalls final : public CallOutput {
 public:
  CommitCalls(const ScanSettings& settings, ScanSession& session, const CommitOutputs& outputs)
      : settings_(settings), session_(session), outputs_(outputs) {}
  void writeCall(const ChirpRecord& trace, const CallParameters& call,
                 const CallParameters& previous, const ScanJob& job) override {
    commitCall(trace, call, previous, job, session_, settings_, outputs_.results,
               outputs_.zeroCrossing);
  }

 private:
  const ScanSettings& settings_;
  ScanSession& session_;
  CommitOutputs outputs_;
};

// Commits a recording's kept calls in order (output and bat passes) and
// classifies it.
void commitRecording(const RecordingOutcome& outcome, const ScanSettings& settings,
                     ScanSession& session, ScanLists& lists, const CommitOutputs& outputs);

}  // namespace quilve
