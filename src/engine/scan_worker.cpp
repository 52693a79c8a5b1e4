#include "engine/scan_worker.h"

#include <chrono>
#include <thread>

#include "engine/file_list_ops.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

ScanState fromDetector(DetectorState s) {
  switch (s) {
    case DetectorState::Search:
      return ScanState::Search;
    case DetectorState::Confirm:
      return ScanState::Confirm;
    case DetectorState::Track:
      return ScanState::Track;
  }
  return ScanState::Search;
}

}  // namespace

const char* scanStateName(ScanState state) {
  switch (state) {
    case ScanState::Idle: return "Idle";
    case ScanState::OpenFile: return "OpenFile";
    case ScanState::Prime: return "Prime";
    case ScanState::Search: return "Search";
    case ScanState::Confirm: return "Confirm";
    case ScanState::Track: return "Track";
    case ScanState::FinishFile: return "FinishFile";
    case ScanState::Paused: return "Paused";
  }
  return "?";
}

ScanWorker::ScanWorker(ScanControl& control, ScanLists& lists, ScanSession& session,
                       const ScanSettings& settings, ScanHost& host, TileSink* tiles)
    : control_(control),
      lists_(lists),
      session_(session),
      settings_(settings),
      host_(host),
      analyzer_(std::make_unique<RecordingAnalyzer>(tiles, &host)) {
  resultsLog_.reporter = &host;
  resultsOutput_ = std::make_unique<ResultsFileOutput>(results_, settings_, &resultsLog_);
  // Zero-crossing files go to OutputDirectory (openFile takes it up).
  zeroCrossing_ = std::make_unique<ZeroCrossingOutput>(settings_, results_, &host);
  commit_ = std::make_unique<CommitCalls>(settings_, session_,
                                          CommitOutputs{*resultsOutput_, zeroCrossing_.get()});
  analyzer_->setCallSink(commit_.get());
  analyzer_->setWarnsOfEmptyBand(false);
  lastRequest_ = control_.scanRequestCounter.load();
  stopSnapshot_ = control_.stopCounter.load();
}

ScanWorker::~ScanWorker() = default;

void ScanWorker::run() {
  while (control_.running.load()) {
    if (pass()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

bool ScanWorker::stopRequested() { return control_.stopCounter.load() != stopSnapshot_; }

void ScanWorker::takeStop() {
  stopSnapshot_ = control_.stopCounter.load();
  control_.pauseFlag = false;
  control_.scanRequestFlag = false;
  analyzer_->stop();
}

bool ScanWorker::pass() {
  const bool done = state_ == ScanState::Idle && control_.scanRequestCounter.load() == lastRequest_;
  // Stored only when it changes: a store of the flag is a full barrier, and
  // this runs once per column.
  if (control_.scanDone.load() != done) control_.scanDone = done;
  switch (state_) {
    case ScanState::Idle: {
      if (host_.idle()) return false;
      const std::uint32_t request = control_.scanRequestCounter.load();
      if (request != lastRequest_) {
        lastRequest_ = request;
        if (continuing_) {
          // The next recording of a run: a Stop pressed since the run
          // began, also between two recordings, ends it here.
          continuing_ = false;
          if (stopRequested()) {
            takeStop();
            endRun();
            return false;
          }
        } else {
          stopSnapshot_ = control_.stopCounter.load();
        }
        state_ = ScanState::OpenFile;
        return false;
      }
      return true;
    }
    case ScanState::Paused:
      if (host_.idle()) return false;
      if (!control_.pauseFlag.load()) {
        state_ = ScanState::Search;
        return false;
      }
      if (stopRequested()) {
        takeStop();
        state_ = ScanState::FinishFile;
        return false;
      }
      return true;
    case ScanState::OpenFile:
      openFile();
      return false;
    case ScanState::Prime:
      primeStep();
      return false;
    case ScanState::Search:
    case ScanState::Confirm:
    case ScanState::Track:
      columnStep();
      return false;
    case ScanState::FinishFile:
      finishFile();
      return false;
  }
  return true;
}

void ScanWorker::openFile() {
  const std::string path = control_.currentRecordingPath;
  // A results file chosen since the last recording starts afresh.
  if (control_.newResultsFile.exchange(false)) results_.newResultsFile = true;
  {
    // The main window's menu may choose another results file during a run,
    // and Save Selected another OutputDirectory.
    std::lock_guard<std::mutex> lock(lists_.mutex);
    results_.path = control_.resultsPath;
    zeroCrossing_->setDirectory(control_.outputDirectory);
  }
  if (!analyzer_->open(path, settings_)) {
    // It opened at its preview but not now (it vanished, or changed).
    commitOpenFailure(path);
    return;
  }
  if (analyzer_->outcome().readStatus == ReadStatus::EmptyBand) {
    emptyBand_.push_back(path + ": " + analyzer_->outcome().readReason);
  }
  zeroCrossing_->beginRecording(analyzer_->outcome().metadata);
  host_.beginFile(path);
  control_.pauseFlag = false;
  lastPercent_ = 0;
  state_ = ScanState::Prime;
}

void ScanWorker::commitOpenFailure(const std::string& path) {
  {
    std::lock_guard<std::mutex> lock(lists_.mutex);
    enterUnreadable(analyzer_->outcome(), lists_, session_);
  }
  host_.listsChanged();
  if (!analyzer_->outcome().openFailure.empty()) {
    host_.warning("Failed opening file " + path + "\n" + analyzer_->outcome().openFailure);
  }
  moveToNextRecording();
}

void ScanWorker::primeStep() {
  const bool more = analyzer_->step(settings_);
  if (stopRequested()) {
    takeStop();
    state_ = ScanState::FinishFile;
    return;
  }
  state_ = more ? ScanState::Search : ScanState::FinishFile;
}

void ScanWorker::columnStep() {
  if (state_ == ScanState::Search && control_.pauseFlag.load()) {
    state_ = ScanState::Paused;
    return;
  }
  const bool more = analyzer_->step(settings_);
  if (!more) {
    state_ = ScanState::FinishFile;
    return;
  }
  if (stopRequested()) {
    takeStop();
    state_ = ScanState::FinishFile;
    return;
  }
  const int percent = analyzer_->percent();
  if (percent != lastPercent_) {
    lastPercent_ = percent;
    host_.progress(percent);
  }
  state_ = fromDetector(analyzer_->detectorState());
}

void ScanWorker::finishFile() {
  analyzer_->finish();
  const RecordingOutcome& outcome = analyzer_->outcome();
  zeroCrossing_->endRecording(outcome.metadata);
  {
    std::lock_guard<std::mutex> lock(lists_.mutex);
    classifyRecording(outcome, settings_, lists_, session_);
  }
  host_.listsChanged();
  moveToNextRecording();
}

void ScanWorker::moveToNextRecording() {
  // A Stop pressed while the recording was being finished ends the run.
  if (control_.scanRequestFlag.load() && stopRequested()) takeStop();
  if (control_.scanRequestFlag.load()) {
    for (;;) {
      control_.currentRecordingPath.clear();
      std::string comment;
      if (previewNextFile(lists_, control_, settings_, &comment)) {
        host_.comment(comment);
        continuing_ = true;
        control_.scanRequestCounter.fetch_add(1);
        host_.counters(session_);
        state_ = ScanState::Idle;
        return;
      }
      if (control_.currentRecordingPath.empty()) break;  // the end of the list
      host_.warning(messageWithReason(control_));
      {
        std::lock_guard<std::mutex> lock(lists_.mutex);
        enterUnreadable(control_.currentRecordingPath, control_.lastOpenFailure, lists_, session_);
      }
      host_.listsChanged();
      if (stopRequested()) {
        takeStop();
        break;
      }
      if (!selectNextFile(lists_, nullptr)) break;
    }
    if (control_.scanRequestFlag.load()) closeOpenPass(session_);
  }
  endRun();
}

void ScanWorker::endRun() {
  zeroCrossing_->endRun();
  warnOfEmptyBands();
  control_.pauseFlag = false;
  control_.scanRequestFlag = false;
  host_.endOfScan();
  {
    std::lock_guard<std::mutex> lock(lists_.mutex);
    recountFromLists(lists_, session_);
  }
  host_.counters(session_);
  state_ = ScanState::Idle;
}

void ScanWorker::warnOfEmptyBands() {
  if (emptyBand_.empty()) return;
  constexpr std::size_t kNamed = 3;
  std::string text;
  if (emptyBand_.size() == 1) {
    text = emptyBand_.front();
  } else {
    text = std::to_string(emptyBand_.size()) +
           " recordings were not analysed, their analysed band being empty:";
    for (std::size_t i = 0; i < emptyBand_.size() && i < kNamed; ++i) text += "\n" + emptyBand_[i];
    if (emptyBand_.size() > kNamed) {
      text += "\nand " + std::to_string(emptyBand_.size() - kNamed) + " more";
    }
  }
  emptyBand_.clear();
  host_.warning(text);
}

bool requestScan(ScanControl& control, ScanLists& lists, const ScanSettings& settings,
                 ScanHost& host) {
  std::string comment;
  if (!previewSelectedFile(lists, control, settings, &comment)) {
    host.warning(messageWithReason(control));
    return false;
  }
  host.comment(comment);
  control.scanRequestCounter.fetch_add(1);
  return true;
}

bool requestScanAll(ScanControl& control, ScanLists& lists, ScanSession& session,
                    const ScanSettings& settings, ScanHost& host) {
  if (!resetFileList(lists, control)) {
    host.warning(messageWithReason(control));
    return false;
  }
  control.scanRequestFlag = true;
  control.currentRecordingPath.clear();
  std::string comment;
  bool ok = previewSelectedFile(lists, control, settings, &comment);
  while (!ok) {
    host.warning(messageWithReason(control));
    if (control.currentRecordingPath.empty()) {
      control.scanRequestFlag = false;
      return false;
    }
    {
      std::lock_guard<std::mutex> lock(lists.mutex);
      enterUnreadable(control.currentRecordingPath, control.lastOpenFailure, lists, session);
    }
    host.listsChanged();
    control.currentRecordingPath.clear();
    ok = previewNextFile(lists, control, settings, &comment);
  }
  host.comment(comment);
  control.scanRequestCounter.fetch_add(1);
  return true;
}

}  // namespace quilve
