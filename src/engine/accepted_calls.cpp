#include "engine/accepted_calls.h"

#include <cmath>

#include "engine/tile_sink.h"

namespace quilve {

void ResultsFileOutput::writeCall(const ChirpRecord& /*trace*/, const CallParameters& call,
                                  const CallParameters& previous, const ScanJob& job) {
  const bool written = writeResultRow(target_.path, target_.newResultsFile, call, previous,
                                      job.recordingPath, job.metadata, settings_, log_);
  if (written) target_.newResultsFile = false;
}

namespace {

// Hands every accepted call straight to the commit step.
class CommitAtOnce final : public CallOutput {
 public:
  CommitAtOnce(ScanSession& session, const CallFinishing& finishing)
      : session_(session), finishing_(finishing) {}
  void writeCall(const ChirpRecord& trace, const CallParameters& call,
                 const CallParameters& previous, const ScanJob& job) override {
    commitCall(trace, call, previous, job, session_, finishing_.settings, finishing_.results,
               finishing_.zeroCrossing);
  }

 private:
  ScanSession& session_;
  const CallFinishing& finishing_;
};

}  // namespace

ChainResult acceptCandidate(ChirpStore& store, ScanJob& job, const CallFinishing& finishing,
                            CallOutput& accepted) {
  const int slot = job.chirpIndex;
  // A slot outside the store holds no trace to finish.
  if (slot < 0 || slot > kLastChirpSlot) return ChainResult::TooShort;
  ChirpRecord& record = store.records[slot];
  CallParameters& call = store.parameters[slot];

  const ChainResult verdict = runAcceptanceChain(record, call, finishing.settings,
                                                 finishing.linearFit, finishing.polyFit);
  if (verdict != ChainResult::Accepted) return verdict;

  const CallParameters& previous = job.hasPreviousCall ? job.previousCall : call;
  accepted.writeCall(record, call, previous, job);
  job.previousCall = call;
  job.hasPreviousCall = true;
  advanceChirpSlot(store, job, finishing.tiles);
  return verdict;
}

void commitCall(const ChirpRecord& trace, const CallParameters& call,
                const CallParameters& previous, const ScanJob& job, ScanSession& session,
                const ScanSettings& settings, CallOutput& results, CallOutput* zeroCrossing) {
  if (settings.OutputFormat == kOutputZcd) {
    if (zeroCrossing != nullptr) zeroCrossing->writeCall(trace, call, previous, job);
  } else {
    results.writeCall(trace, call, previous, job);
  }
  trackBatPass(session, static_cast<double>(call.startTime) + job.timeOfDay);
}

ChainResult finishCandidate(ChirpStore& store, ScanJob& job, ScanSession& session,
                            const CallFinishing& finishing) {
  CommitAtOnce commit(session, finishing);
  return acceptCandidate(store, job, finishing, commit);
}

void trackBatPass(ScanSession& session, double timeOfDay) {
  if (session.passChirpCount == 0) {
    session.passStartTime = session.lastChirpTime = timeOfDay;
    session.passChirpCount = 1;
    return;
  }
  if (std::fabs(timeOfDay - session.lastChirpTime) > kPassMaxGapSeconds ||
      std::fabs(timeOfDay - session.passStartTime) > kPassMaxSpanSeconds) {
    if (session.passChirpCount >= kPassMinCalls) session.batPassCount += 1;
    session.passStartTime = session.lastChirpTime = timeOfDay;
    session.passChirpCount = 1;
    return;
  }
  session.passChirpCount += 1;
  session.lastChirpTime = timeOfDay;
}

void closeOpenPass(ScanSession& session) {
  if (session.passChirpCount >= kPassMinCalls) {
    session.batPassCount += 1;
    session.passChirpCount = 0;
  }
}

void advanceChirpSlot(ChirpStore& store, ScanJob& job, TileSink* tiles) {
  if (job.chirpIndex < kLastChirpSlot) job.chirpIndex += 1;
  if (job.chirpIndex < 0) job.chirpIndex = 0;
  job.fileChirpCount += 1;
  const int slot = job.chirpIndex;
  if (tiles != nullptr) tiles->clearTile(slot);
  resetChirpRecord(store.records[slot]);
  resetCallParameters(store.parameters[slot]);
}

}  // namespace quilve
