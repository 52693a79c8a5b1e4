#pragma once
// The scan worker: a long-lived loop with an explicit state machine that
// takes scan requests through ScanControl, analyses one column per pass,
// classifies each recording and moves through the input list. Commands reach
// it only through the shared control variables.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/recording_analyzer.h"
#include "engine/scan_control.h"
#include "engine/scan_host.h"
#include "engine/scan_state.h"
#include "engine/zero_crossing_output.h"
#include "output/results_file.h"

namespace quilve {

enum class ScanState : std::uint8_t { Idle, OpenFile, Prime, Search, Confirm, Track, FinishFile, Paused };

const char* scanStateName(ScanState state);

class ScanWorker {
 public:
  ScanWorker(ScanControl& control, ScanLists& lists, ScanSession& session,
             const ScanSettings& settings, ScanHost& host, TileSink* tiles = nullptr);
  ~ScanWorker();

  // Runs passes until the running flag is cleared, sleeping 100 ms per idle
  // pass.
  void run();

  // One pass of the loop. Returns true when the pass found nothing to do
  // (the caller may sleep before the next one).
  bool pass();

  ScanState state() const { return state_; }
  const RecordingAnalyzer& analyzer() const { return *analyzer_; }
  RecordingAnalyzer& analyzer() { return *analyzer_; }

 private:
  void openFile();
  void primeStep();
  void columnStep();
  void finishFile();
  void endRun();
  bool stopRequested();
  void takeStop();
  void commitOpenFailure(const std::string& path);
  void moveToNextRecording();
  void warnOfEmptyBands();

  ScanControl& control_;
  ScanLists& lists_;
  ScanSession& session_;
  const ScanSettings& settings_;
  ScanHost& host_;
  std::unique_ptr<RecordingAnalyzer> analyzer_;
  ResultsTarget results_;
  ResultsFileLog resultsLog_;
  std::unique_ptr<ResultsFileOutput> resultsOutput_;
  std::unique_ptr<ZeroCrossingOutput> zeroCrossing_;
  std::unique_ptr<CommitCalls> commit_;
  ScanState state_ = ScanState::Idle;
  std::uint32_t lastRequest_ = 0;
  std::uint32_t stopSnapshot_ = 0;
  int lastPercent_ = -1;
  bool continuing_ = false;  // the pending request is the next recording of a run
  // "<path>: empty analysed band: ..." of this run's recordings, told in one
  // warning at its end.
  std::vector<std::string> emptyBand_;
};

// Action/Scan _All without the Clear All that precedes it: selects the first
// entry, raises the scan-request flag and previews entries until one opens
// (those that do not are failed with 0 calls), then requests the scan.
// False when nothing was requested; every failure is shown as a warning.
bool requestScanAll(ScanControl& control, ScanLists& lists, ScanSession& session,
                    const ScanSettings& settings, ScanHost& host);

// Action/Scan: previews the selected entry and requests its scan.
bool requestScan(ScanControl& control, ScanLists& lists, const ScanSettings& settings,
                 ScanHost& host);

}  // namespace quilve
