#include "engine/recording_analyzer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "input/name_stamp.h"
#include "input/wide_path.h"
#include "output/results_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

constexpr int kPrimeFrames = ColumnSpectrum::kWindow;

// Keeps accepted calls for the commit step.
class KeepCalls final : public CallOutput {
 public:
  explicit KeepCalls(std::vector<AcceptedCall>& calls) : calls_(calls) {}
  void writeCall(const ChirpRecord& trace, const CallParameters& call,
                 const CallParameters& previous, const ScanJob&) override {
    calls_.push_back(AcceptedCall{trace, call, previous});
  }

 private:
  std::vector<AcceptedCall>& calls_;
};

// "240 kHz" or "24.5 kHz": a rate for messages.
std::string kiloHertz(double hz) {
  char text[32];
  std::snprintf(text, sizeof text, "%g kHz", hz / 1000.0);
  return text;
}

}  // namespace

ReadStatus openFailureStatus(const std::string& reason) {
  // The readers name a refused sample format "unsupported format: ...".
  return reason.rfind("unsupported format", 0) == 0 ? ReadStatus::RefusedFormat
                                                     : ReadStatus::NotOpened;
}

void markNotWhole(RecordingOutcome& outcome, ReadStatus status, const std::string& reason) {
  // The first cause stands: a recording cut short and then stopped was cut.
  if (outcome.readStatus != ReadStatus::Whole) return;
  outcome.readStatus = status;
  outcome.readReason = reason;
}

RecordingAnalyzer::RecordingAnalyzer(TileSink* tiles, Reporter* reporter, SlotsKept kept)
    : tiles_(tiles), reporter_(reporter), store_(std::make_unique<ChirpStore>(kept)), detector_(tiles) {
  buffer_.resize(1024);
}

RecordingAnalyzer::~RecordingAnalyzer() { finish(); }

void RecordingAnalyzer::warn(const std::string& text) {
  if (reporter_) reporter_->warning(text);
}

bool RecordingAnalyzer::open(const std::string& path, const ScanSettings& settings) {
  finish();
  // The previous recording used the slots up to its last chirp index.
  dirtySlots_ = std::max(dirtySlots_, std::min(job_.chirpIndex + 1, static_cast<int>(store_->records.held())));
  outcome_ = RecordingOutcome{};
  outcome_.path = path;
  phase_ = Phase::Closed;
  std::string reason;
  // The stamp is the open file's, taken before its header is read: a
  // detector appending meanwhile shows at the disposition, and a file put
  // under the name after the listing is known by what was read.
  const bool openFailed = failed(openRecording(path, settings, recording_, &reason));
  outcome_.identity = recording_.identity;
  if (openFailed) {
    outcome_.openFailure = reason;
    markNotWhole(outcome_, openFailureStatus(reason),
                 reason.empty() ? std::string("it could not be opened") : reason);
    if (reporter_) reporter_->trace("Failed opening input file " + path + "\n");
    return false;
  }
  fillMetadata(path, recording_);
  outcome_.opened = true;
  outcome_.effectiveSampleRate = recording_.effectiveSampleRate;
  outcome_.metadata = recording_.metadata;
  // Nothing above MinimumFrequency is left below the Nyquist frequency
  // (a time-expanded recording read at x1, say): the detector would see an
  // empty band and the recording would fail with 0 calls unanalysed.
  const double nyquist = static_cast<double>(recording_.effectiveSampleRate) / 2.0;
  if (static_cast<double>(settings.MinimumFrequency) >= nyquist) {
    const double factor = recording_.format.sampleRate > 0
                              ? static_cast<double>(recording_.effectiveSampleRate) /
                                    static_cast<double>(recording_.format.sampleRate)
                              : 1.0;
    char text[256];
    std::snprintf(text, sizeof text,
                  "empty analysed band: MinimumFrequency %s is at or above the Nyquist "
                  "frequency %s of the effective sample rate %s (expansion factor %g)",
                  kiloHertz(settings.MinimumFrequency).c_str(), kiloHertz(nyquist).c_str(),
                  kiloHertz(recording_.effectiveSampleRate).c_str(), factor);
    markNotWhole(outcome_, ReadStatus::EmptyBand, text);
    if (warnsOfEmptyBand_) warn(path + ": " + text);
  }

  samplesPerColumn_ = quilve::samplesPerColumn(settings.DetailSelection, recording_.effectiveSampleRate);
  const std::size_t blockAlign = recording_.format.blockAlign;
  const std::size_t needed =
      std::max<std::size_t>(static_cast<std::size_t>(samplesPerColumn_),
                            static_cast<std::size_t>(kPrimeFrames)) * blockAlign;
  if (buffer_.size() < needed) buffer_.resize(needed);  // grows, never shrinks
  columnTime_ = static_cast<float>(samplesPerColumn_) / recording_.effectiveSampleRate;
  duration_ = static_cast<double>(recording_.dataSize) /
              (static_cast<double>(recording_.effectiveSampleRate) * static_cast<double>(blockAlign));
  clock_ = 0.0;
  spectrum_.clearQueue();
  nextQueued_ = 0;
  queueEndsRecording_ = false;
  pendingReadFailure_ = false;

  job_ = ScanJob{};
  startRecordingCalls(job_);
  job_.recordingPath = path;
  job_.metadata = recording_.metadata;
  // The file name's stamp, else the GUANO (or "wamd") time stamp.
  job_.timeOfDay = recordingTimeOfDay(path.c_str(), recording_.hasGuano ? &recording_.guano
                                                    : recording_.hasWamd ? &recording_.wamd
                                                                         : nullptr);
  if (reporter_) {
    for (const std::string& problem :
         recording_.hasGuano ? recording_.guano.problems : recording_.wamd.problems) {
      reporter_->trace(path + ": " + problem + ", ignored\n");
    }
  }
  outcome_.timeOfDay = job_.timeOfDay;
  for (int i = 0; i < dirtySlots_; ++i) {
    resetChirpRecord(store_->records[i]);
    resetCallParameters(store_->parameters[i]);
  }
  dirtySlots_ = 0;
  if (tiles_) clearAllTiles(*tiles_);
  detector_.startRecording(
      makeDetectorSetup(settings, recording_.effectiveSampleRate, samplesPerColumn_));
  phase_ = Phase::Prime;
  return true;
}

bool RecordingAnalyzer::readBytes(std::size_t count, std::size_t* got) {
  *got = 0;
  if (failed(recording_.reader->read(buffer_.data(), count, got))) {
    reportReadFailure(recording_.reader->lastError());
    return false;
  }
  return true;
}

void RecordingAnalyzer::reportReadFailure(const std::string& reason) {
  outcome_.readFailed = true;
  markNotWhole(outcome_, ReadStatus::ReadFailed, "read failed before the end: " + reason);
  // The file and the reason on a line of their own.
  warn("Failed reading wave file\n" + outcome_.path + (reason.empty() ? "" : ": " + reason));
  if (reporter_) reporter_->trace("Read error in " + outcome_.path + ": " + reason + "\n");
}

bool RecordingAnalyzer::primeStep() {
  const std::size_t want = static_cast<std::size_t>(kPrimeFrames) * recording_.format.blockAlign;
  std::size_t got = 0;
  if (!readBytes(want, &got) || got < want) {
    phase_ = Phase::Done;
    return false;
  }
  spectrum_.prime(buffer_.data(), recording_.format.blockAlign, recording_.sampleFormat);
  detector_.prime(spectrum_.levels());
  phase_ = Phase::Columns;
  return true;
}

bool RecordingAnalyzer::queueColumns() {
  spectrum_.clearQueue();
  nextQueued_ = 0;
  if (queueEndsRecording_) return false;
  const std::size_t want = static_cast<std::size_t>(samplesPerColumn_) * recording_.format.blockAlign;
  while (spectrum_.queuedColumns() < ColumnSpectrum::kBatchColumns) {
    std::size_t got = 0;
    if (failed(recording_.reader->read(buffer_.data(), want, &got))) {
      pendingReadFailure_ = true;
      pendingReadError_ = recording_.reader->lastError();
      queueEndsRecording_ = true;
      break;
    }
    // The last, incomplete column of a recording is never analysed.
    if (got < want) {
      queueEndsRecording_ = true;
      break;
    }
    spectrum_.queue(buffer_.data(), samplesPerColumn_, recording_.format.blockAlign,
                    recording_.sampleFormat);
  }
  if (spectrum_.queuedColumns() > 0) spectrum_.computeQueued();
  return spectrum_.queuedColumns() > 0;
}

bool RecordingAnalyzer::columnStep(const ScanSettings& settings) {
  if (nextQueued_ >= spectrum_.queuedColumns() && !queueColumns()) {
    if (pendingReadFailure_) {
      pendingReadFailure_ = false;
      reportReadFailure(pendingReadError_);
    }
    phase_ = Phase::Done;
    return false;
  }
  const int column = nextQueued_++;
  const int slot = job_.chirpIndex;
  const DetectorStep step = detector_.step(spectrum_.levels(column), spectrum_.power(column),
                                           clock_, store_->records[slot], slot);
  if (step.candidateFinished) {
    KeepCalls keep(outcome_.calls);
    CallOutput& accepted = sink_ ? *sink_ : keep;
    CallFinishing finishing{settings, linearFit_, polyFit_, accepted, &accepted, tiles_};
    acceptCandidate(*store_, job_, finishing, accepted);
    outcome_.fileChirpCount = job_.fileChirpCount;
  }
  clock_ += columnTime_;
  return true;
}

bool RecordingAnalyzer::step(const ScanSettings& settings) {
  switch (phase_) {
    case Phase::Prime:
      return primeStep();
    case Phase::Columns:
      return columnStep(settings);
    case Phase::Closed:
    case Phase::Done:
      return false;
  }
  return false;
}

void RecordingAnalyzer::stop() {
  if (phase_ == Phase::Prime || phase_ == Phase::Columns) {
    outcome_.stopped = true;
    markNotWhole(outcome_, ReadStatus::Stopped, "the scan was stopped before its end");
    detector_.dropCandidate();
    phase_ = Phase::Done;
  }
}

void RecordingAnalyzer::finish() {
  if (!recording_.reader) return;
  // The unfinished slot holds at most a dropped candidate.
  const int slot = job_.chirpIndex;
  if (tiles_) tiles_->clearTile(slot);
  resetChirpRecord(store_->records[slot]);
  resetCallParameters(store_->parameters[slot]);
  detector_.dropCandidate();
  if (failed(recording_.reader->close())) {
    outcome_.closeFailed = true;
    warn("Failed closing file");
  }
  recording_.reader.reset();
  phase_ = Phase::Done;
}

bool RecordingAnalyzer::analyse(const std::string& path, const ScanSettings& settings,
                                const std::function<bool()>& stopNow) {
  if (!open(path, settings)) return false;
  for (unsigned n = 1; step(settings); ++n) {
    if (stopNow && n % 256 == 0 && stopNow()) {
      stop();
      break;
    }
  }
  finish();
  return true;
}

int RecordingAnalyzer::percent() const {
  if (duration_ <= 0.0) return 0;
  return static_cast<int>(std::min(100.0, clock_ / duration_ * 100.0));
}

RecordingOutcome RecordingAnalyzer::takeOutcome() {
  RecordingOutcome out = std::move(outcome_);
  outcome_ = RecordingOutcome{};
  return out;
}

FileEntry recordingEntry(const RecordingOutcome& outcome, int value) {
  FileEntry e;
  // The name as the directory lists it (the results file's Filename column
  // also cuts at a backslash).
  const std::size_t cut = outcome.path.find_last_of(pathSeparators());
  e.name = cut == std::string::npos ? outcome.path : outcome.path.substr(cut + 1);
  e.path = outcome.path;
  e.value = value;
  if (outcome.readStatus != ReadStatus::Whole) {
    e.hold = outcome.readReason.empty() ? readStatusName(outcome.readStatus) : outcome.readReason;
  }
  e.identity = outcome.identity;
  e.subfolder = outcome.subfolder;
  return e;
}

void classifyRecording(const RecordingOutcome& outcome, const ScanSettings& settings,
                       ScanLists& lists, ScanSession& session) {
  const std::uint32_t calls = outcome.fileChirpCount;
  const int value = static_cast<int>(std::min<std::uint32_t>(calls, 0x7FFFFFFF));
  const bool passed = calls >= static_cast<std::uint32_t>(settings.ChirpDetectionThreshold);
  FileList& into = passed ? lists.passed : lists.failed;
  FileList& other = passed ? lists.failed : lists.passed;
  other.removePath(outcome.path);
  into.put(recordingEntry(outcome, value), /*select=*/true);
  other.clearSelection();
  if (passed) {
    session.filesSelected += 1;
    session.totalChirpCount += calls;
  } else {
    session.filesFailed += 1;
  }
}

void enterUnreadable(const RecordingOutcome& outcome, ScanLists& lists, ScanSession& session) {
  lists.passed.removePath(outcome.path);
  lists.failed.put(recordingEntry(outcome, 0), /*select=*/true);
  lists.passed.clearSelection();
  session.filesFailed += 1;
}

void enterUnreadable(const std::string& path, const std::string& reason, ScanLists& lists,
                     ScanSession& session) {
  RecordingOutcome outcome;
  outcome.path = path;
  outcome.openFailure = reason;
  markNotWhole(outcome, openFailureStatus(reason),
               reason.empty() ? "it could not be opened" : reason);
  identityOfPath(path, &outcome.identity);
  enterUnreadable(outcome, lists, session);
}

bool RecordingAnalyzer::rejectCall(int slot) {
  if (slot < 0 || slot >= kChirpSlots) return false;
  store_->records[static_cast<std::size_t>(slot)].accepted = 0;
  return true;
}

void recountFromLists(const ScanLists& lists, ScanSession& session) {
  session.filesSelected = static_cast<std::uint32_t>(lists.passed.size());
  session.totalChirpCount = static_cast<std::uint32_t>(lists.passed.sum());
  session.filesFailed = static_cast<std::uint32_t>(lists.failed.size());
}

void commitRecording(const RecordingOutcome& outcome, const ScanSettings& settings,
                     ScanSession& session, ScanLists& lists, const CommitOutputs& outputs) {
  ScanJob job;
  job.recordingPath = outcome.path;
  job.metadata = outcome.metadata;
  job.timeOfDay = outcome.timeOfDay;
  for (const AcceptedCall& c : outcome.calls) {
    commitCall(c.trace, c.call, c.previous, job, session, settings, outputs.results,
               outputs.zeroCrossing);
  }
  std::lock_guard<std::mutex> lock(lists.mutex);
  classifyRecording(outcome, settings, lists, session);
}

}  // namespace quilve
