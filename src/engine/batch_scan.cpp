#include "engine/batch_scan.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "output/results_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

// Messages of one analysis, replayed when it is committed so that they come
// out in input order whatever thread produced them.
class DeferredReporter final : public Reporter {
 public:
  void warning(const std::string& text) override { items_.push_back({true, text}); }
  void trace(const std::string& text) override { items_.push_back({false, text}); }
  void replay(Reporter* to) {
    if (to) {
      for (const auto& [isWarning, text] : items_) {
        if (isWarning) {
          to->warning(text);
        } else {
          to->trace(text);
        }
      }
    }
    items_.clear();
  }

 private:
  std::vector<std::pair<bool, std::string>> items_;
};

// Messages of the commit step (results file, zero-crossing files), held
// until the analysis' own messages of the same recording have been replayed.
// A recording whose calls are committed while it is analysed thus reports in
// the same order as one committed afterwards.
class HeldReporter final : public Reporter {
 public:
  void warning(const std::string& text) override { held_.warning(text); }
  void trace(const std::string& text) override { held_.trace(text); }
  void release(Reporter* to) { held_.replay(to); }

 private:
  DeferredReporter held_;
};

struct Slot {
  std::optional<RecordingOutcome> outcome;
  DeferredReporter messages;
};

}  // namespace

std::vector<std::string> recordingsInDirectory(const std::string& directory) {
  FileList list;
  list.fillFromDirectory(directory, "*.w*");
  std::vector<std::string> out;
  const std::filesystem::path dir(directory);
  for (const FileEntry& e : list.entries()) out.push_back((dir / e.name).string());
  return out;
}

void analyseInOrder(const std::vector<std::string>& paths, const ScanSettings& settings, int jobsWanted,
                    Reporter* reporter, const std::function<void(RecordingOutcome&&)>& take,
                    const AnalysedHook& analysed) {
  const std::size_t total = paths.size();
  const int jobs = std::max(1, std::min<int>(jobsWanted, static_cast<int>(std::max<std::size_t>(total, 1))));
  // At most this many analyses wait for their commit, which bounds memory.
  const std::size_t window = static_cast<std::size_t>(jobs) * 2;

  // Recording i waits in slot i % window: those analysed ahead of the commit
  // are never more than the window.
  std::vector<Slot> slots(window);
  auto slotOf = [&](std::size_t i) -> Slot& { return slots[i % window]; };
  std::mutex mutex;
  std::condition_variable ready;   // an analysis finished
  std::condition_variable space;   // the commit moved on
  std::size_t nextToAnalyse = 0;
  std::size_t committed = 0;

  // Each thread keeps one analyzer (its buffers and chirp store are made
  // once) and takes the next recording that fits the window.
  auto run = [&]() {
    DeferredReporter messages;
    RecordingAnalyzer analyzer(nullptr, &messages, SlotsKept::Current);
    for (;;) {
      std::size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex);
        space.wait(lock, [&] { return nextToAnalyse >= total || nextToAnalyse < committed + window; });
        if (nextToAnalyse >= total) return;
        index = nextToAnalyse++;
      }
      analyzer.analyse(paths[index], settings);
      RecordingOutcome outcome = analyzer.takeOutcome();
      if (analysed) analysed(index, outcome, messages);
      {
        std::lock_guard<std::mutex> lock(mutex);
        slotOf(index).outcome = std::move(outcome);
        slotOf(index).messages = std::move(messages);
        messages = DeferredReporter{};
      }
      ready.notify_all();
    }
  };

  std::vector<std::thread> threads;
  for (int i = 0; i < jobs; ++i) threads.emplace_back(run);

  for (std::size_t i = 0; i < total; ++i) {
    RecordingOutcome outcome;
    DeferredReporter messages;
    {
      std::unique_lock<std::mutex> lock(mutex);
      Slot& slot = slotOf(i);
      ready.wait(lock, [&] { return slot.outcome.has_value(); });
      outcome = std::move(*slot.outcome);
      slot.outcome.reset();
      messages = std::move(slot.messages);
    }
    messages.replay(reporter);
    take(std::move(outcome));
    {
      std::lock_guard<std::mutex> lock(mutex);
      committed = i + 1;
    }
    space.notify_all();
  }
  for (auto& t : threads) t.join();
}

struct BatchCommitter::Outputs {
  Outputs(const ScanSettings& settings, const BatchOptions& options, ScanSession& session)
      : target{options.resultsPath, options.newResultsFile},
        resultsOutput(target, settings, &log),
        zeroCrossing(settings, target, &held),
        commitAsFound(settings, session, CommitOutputs{resultsOutput, &zeroCrossing}) {
    log.reporter = &held;
    zeroCrossing.setDirectory(options.zeroCrossingDirectory);
  }
  HeldReporter held;
  ResultsTarget target;
  ResultsFileLog log;
  ResultsFileOutput resultsOutput;
  ZeroCrossingOutput zeroCrossing;
  CommitCalls commitAsFound;
  // The analysis on the committing thread (analyseAndCommit), made at first use.
  DeferredReporter analysisMessages;
  std::unique_ptr<RecordingAnalyzer> analyzer;
};

BatchCommitter::BatchCommitter(const ScanSettings& settings, const BatchOptions& options, ScanLists& lists,
                               ScanSession& session, std::size_t totalFiles)
    : settings_(settings),
      options_(options),
      lists_(lists),
      session_(session),
      outputs_(std::make_unique<Outputs>(settings, options, session)) {
  progress_.filesTotal = totalFiles;
}

BatchCommitter::~BatchCommitter() = default;

void BatchCommitter::commit(const RecordingOutcome& outcome) { commitOutcome(outcome, false); }

void BatchCommitter::analyseAndCommit(const std::string& path) {
  if (!outputs_->analyzer) {
    outputs_->analyzer =
        std::make_unique<RecordingAnalyzer>(nullptr, &outputs_->analysisMessages, SlotsKept::Current);
    outputs_->analyzer->setCallSink(&outputs_->commitAsFound);
  }
  RecordingAnalyzer& analyzer = *outputs_->analyzer;
  if (analyzer.open(path, settings_)) {
    outputs_->zeroCrossing.beginRecording(analyzer.outcome().metadata);
    while (analyzer.step(settings_)) {
    }
    analyzer.finish();
  }
  const RecordingOutcome outcome = analyzer.takeOutcome();
  outputs_->analysisMessages.replay(options_.reporter);
  commitOutcome(outcome, true);
}

void BatchCommitter::commitOutcome(const RecordingOutcome& outcome, bool begun) {
  BatchRecordingReport report;
  report.path = outcome.path;
  report.opened = outcome.opened;
  report.readError = outcome.readFailed;
  report.status = outcome.readStatus;
  report.reason = outcome.readReason;
  report.openedSize = outcome.openedSize;
  report.openedModified = outcome.openedModified;
  if (!outcome.opened) {
    report.failure = outcome.openFailure;
    result_.unreadable += 1;
    if (options_.reporter) options_.reporter->warning("Failed opening file " + outcome.path);
    std::lock_guard<std::mutex> lock(lists_.mutex);
    enterUnreadable(outcome, lists_, session_);
  } else {
    const CommitOutputs outputs{outputs_->resultsOutput, &outputs_->zeroCrossing};
    // A recording analysed by analyseAndCommit began (and committed its
    // calls) during its analysis; its outcome holds no calls.
    if (!begun) outputs_->zeroCrossing.beginRecording(outcome.metadata);
    commitRecording(outcome, settings_, session_, lists_, outputs);
    outputs_->zeroCrossing.endRecording(outcome.metadata);
    report.calls = outcome.fileChirpCount;
    report.metadata = outcome.metadata;
  }
  outputs_->held.release(options_.reporter);
  result_.recordings.push_back(report);
  if (options_.progress) {
    progress_.currentFile = outcome.path;
    progress_.percent = 100;
    progress_.filesDone += 1;
    progress_.callsSoFar += report.calls;
    options_.progress(progress_);
  }
}

BatchResult BatchCommitter::finish() {
  // The end of a multi-file run.
  closeOpenPass(session_);
  outputs_->zeroCrossing.endRun();
  outputs_->held.release(options_.reporter);
  result_.writeFailures = outputs_->log.failures + outputs_->zeroCrossing.writeFailures();
  std::lock_guard<std::mutex> lock(lists_.mutex);
  recountFromLists(lists_, session_);
  return std::move(result_);
}

BatchResult runBatchScan(const std::vector<std::string>& paths, const ScanSettings& settings,
                         const BatchOptions& options, ScanLists& lists, ScanSession& session) {
  BatchCommitter committer(settings, options, lists, session, paths.size());
  if (options.jobs <= 1 && !options.analysed) {
    // One job: each recording is analysed on this thread and its calls are
    // committed as they are found, so nothing is kept per call. A caller that
    // looks at each analysis (its calls included) gets them kept instead.
    for (const std::string& path : paths) committer.analyseAndCommit(path);
    return committer.finish();
  }
  analyseInOrder(paths, settings, options.jobs, options.reporter,
                 [&](RecordingOutcome&& outcome) { committer.commit(outcome); }, options.analysed);
  return committer.finish();
}

}  // namespace quilve
