#include "engine/batch_scan.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
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

BatchResult runBatchScan(const std::vector<std::string>& paths, const ScanSettings& settings,
                         const BatchOptions& options, ScanLists& lists, ScanSession& session) {
  BatchResult result;
  const std::size_t total = paths.size();
  const int jobs = std::max(1, std::min<int>(options.jobs, static_cast<int>(std::max<std::size_t>(total, 1))));
  // At most this many analyses wait for their commit, which bounds memory.
  const std::size_t window = static_cast<std::size_t>(jobs) * 2;
  // With one job the recordings are analysed on the committing thread and
  // each accepted call is committed as it is found: nothing is kept per call.
  // A caller that looks at each analysis (its calls included) gets them kept.
  const bool streaming = jobs == 1 && !options.analysed;

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
      if (options.analysed) options.analysed(index, outcome, messages);
      {
        std::lock_guard<std::mutex> lock(mutex);
        slotOf(index).outcome = std::move(outcome);
        slotOf(index).messages = std::move(messages);
        messages = DeferredReporter{};
      }
      ready.notify_all();
    }
  };

  HeldReporter commitMessages;
  ResultsTarget target{options.resultsPath, options.newResultsFile};
  ResultsFileLog log;
  log.reporter = &commitMessages;
  ResultsFileOutput resultsOutput(target, settings, &log);
  ZeroCrossingOutput zeroCrossing(settings, target, &commitMessages);
  zeroCrossing.setDirectory(options.zeroCrossingDirectory);
  const CommitOutputs outputs{resultsOutput, &zeroCrossing};
  CommitCalls commitAsFound(settings, session, outputs);

  // The analysis of recording i on this thread (one job).
  DeferredReporter inlineMessages;
  std::unique_ptr<RecordingAnalyzer> inlineAnalyzer;
  if (streaming) {
    inlineAnalyzer = std::make_unique<RecordingAnalyzer>(nullptr, &inlineMessages);
    inlineAnalyzer->setCallSink(&commitAsFound);
  }
  auto analyseInline = [&](std::size_t i) {
    RecordingAnalyzer& analyzer = *inlineAnalyzer;
    if (analyzer.open(paths[i], settings)) {
      zeroCrossing.beginRecording(analyzer.outcome().metadata);
      while (analyzer.step(settings)) {
      }
      analyzer.finish();
    }
    slotOf(i).outcome = analyzer.takeOutcome();
    slotOf(i).messages = std::move(inlineMessages);
    inlineMessages = DeferredReporter{};
  };

  std::vector<std::thread> threads;
  if (!streaming) {
    for (int i = 0; i < jobs; ++i) threads.emplace_back(run);
  }

  BatchProgress progress;
  progress.filesTotal = total;
  for (std::size_t i = 0; i < total; ++i) {
    RecordingOutcome outcome;
    DeferredReporter messages;
    if (streaming) analyseInline(i);
    {
      std::unique_lock<std::mutex> lock(mutex);
      Slot& slot = slotOf(i);
      ready.wait(lock, [&] { return slot.outcome.has_value(); });
      outcome = std::move(*slot.outcome);
      slot.outcome.reset();
      messages = std::move(slot.messages);
    }
    messages.replay(options.reporter);
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
      result.unreadable += 1;
      if (options.reporter) options.reporter->warning("Failed opening file " + outcome.path);
      std::lock_guard<std::mutex> lock(lists.mutex);
      enterUnreadable(outcome, lists, session);
    } else {
      // A streamed recording began (and committed its calls) during its
      // analysis; its outcome holds no calls.
      if (!streaming) zeroCrossing.beginRecording(outcome.metadata);
      commitRecording(outcome, settings, session, lists, outputs);
      zeroCrossing.endRecording(outcome.metadata);
      report.calls = outcome.fileChirpCount;
      report.metadata = outcome.metadata;
    }
    commitMessages.release(options.reporter);
    result.recordings.push_back(report);
    {
      std::lock_guard<std::mutex> lock(mutex);
      committed = i + 1;
    }
    space.notify_all();
    if (options.progress) {
      progress.currentFile = outcome.path;
      progress.percent = 100;
      progress.filesDone = i + 1;
      progress.callsSoFar += report.calls;
      options.progress(progress);
    }
  }
  for (auto& t : threads) t.join();

  // The end of a multi-file run.
  closeOpenPass(session);
  zeroCrossing.endRun();
  commitMessages.release(options.reporter);
  result.writeFailures = log.failures + zeroCrossing.writeFailures();
  std::lock_guard<std::mutex> lock(lists.mutex);
  recountFromLists(lists, session);
  return result;
}

}  // namespace quilve
