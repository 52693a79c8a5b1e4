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

  std::vector<Slot> slots(total);
  std::mutex mutex;
  std::condition_variable ready;   // an analysis finished
  std::condition_variable space;   // the commit moved on
  std::size_t nextToAnalyse = 0;
  std::size_t committed = 0;

  // Each thread keeps one analyzer (its buffers and chirp store are made
  // once) and takes the next recording that fits the window.
  auto run = [&]() {
    DeferredReporter messages;
    RecordingAnalyzer analyzer(nullptr, &messages);
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
        slots[index].outcome = std::move(outcome);
        slots[index].messages = std::move(messages);
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
      ready.wait(lock, [&] { return slots[i].outcome.has_value(); });
      outcome = std::move(*slots[i].outcome);
      slots[i].outcome.reset();
      messages = std::move(slots[i].messages);
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
  Outputs(const ScanSettings& settings, const BatchOptions& options)
      : target{options.resultsPath, options.newResultsFile},
        resultsOutput(target, settings, &log),
        zeroCrossing(settings, target, options.reporter) {
    log.reporter = options.reporter;
    zeroCrossing.setDirectory(options.zeroCrossingDirectory);
  }
  ResultsTarget target;
  ResultsFileLog log;
  ResultsFileOutput resultsOutput;
  ZeroCrossingOutput zeroCrossing;
};

BatchCommitter::BatchCommitter(const ScanSettings& settings, const BatchOptions& options, ScanLists& lists,
                               ScanSession& session, std::size_t totalFiles)
    : settings_(settings),
      options_(options),
      lists_(lists),
      session_(session),
      outputs_(std::make_unique<Outputs>(settings, options)) {
  progress_.filesTotal = totalFiles;
}

BatchCommitter::~BatchCommitter() = default;

void BatchCommitter::commit(const RecordingOutcome& outcome) {
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
    outputs_->zeroCrossing.beginRecording(outcome.metadata);
    commitRecording(outcome, settings_, session_, lists_, outputs);
    outputs_->zeroCrossing.endRecording(outcome.metadata);
    report.calls = outcome.fileChirpCount;
    report.metadata = outcome.metadata;
  }
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
  result_.writeFailures = outputs_->log.failures + outputs_->zeroCrossing.writeFailures();
  std::lock_guard<std::mutex> lock(lists_.mutex);
  recountFromLists(lists_, session_);
  return std::move(result_);
}

BatchResult runBatchScan(const std::vector<std::string>& paths, const ScanSettings& settings,
                         const BatchOptions& options, ScanLists& lists, ScanSession& session) {
  BatchCommitter committer(settings, options, lists, session, paths.size());
  analyseInOrder(paths, settings, options.jobs, options.reporter,
                 [&](RecordingOutcome&& outcome) { committer.commit(outcome); }, options.analysed);
  return committer.finish();
}

}  // namespace quilve
