#include "engine/batch_scan.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "engine/call_spool.h"
#include "engine/file_list.h"
#include "input/folder_entries.h"
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
  // Hands the messages over to `to`, which must hold none.
  void moveTo(DeferredReporter& to) {
    to.items_.swap(items_);
    items_.clear();
  }
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

std::string subfolderOf(const BatchOptions& options, const std::string& path) {
  const auto it = options.subfolders.find(path);
  return it == options.subfolders.end() ? std::string() : it->second;
}

struct Slot {
  std::optional<RecordingOutcome> outcome;
  DeferredReporter messages;
};

}  // namespace

bool recordingsInDirectory(const std::string& directory, std::vector<std::string>* paths,
                           std::string* problem) {
  paths->clear();
  std::vector<std::string> names;
  if (!folderEntries(directory, &names, problem)) return false;
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& name) { return !wildcardMatch("*.w*", name); }),
              names.end());
  std::sort(names.begin(), names.end(), nameBefore);
  const std::filesystem::path dir = std::filesystem::u8path(directory);
  paths->reserve(names.size());
  for (const std::string& name : names) paths->push_back((dir / std::filesystem::u8path(name)).u8string());
  return true;
}

std::vector<std::string> recordingsInDirectory(const std::string& directory) {
  std::vector<std::string> paths;
  std::string problem;
  recordingsInDirectory(directory, &paths, &problem);
  return paths;
}

std::size_t analyseInOrder(const std::vector<std::string>& paths, const ScanSettings& settings, int jobsWanted,
                           Reporter* reporter, const std::function<void(RecordingOutcome&&)>& take,
                           const AnalysedHook& analysed, const std::atomic<bool>* stop) {
  auto stopping = [stop] { return stop && stop->load(std::memory_order_relaxed); };
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
  bool quit = false;  // the stop ended the hand-over

  // Each thread keeps one analyzer (its buffers and chirp store are made
  // once) and takes the next recording that fits the window.
  auto run = [&]() {
    DeferredReporter messages;
    RecordingAnalyzer analyzer(nullptr, &messages, SlotsKept::Current);
    for (;;) {
      std::size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex);
        space.wait(lock, [&] { return quit || nextToAnalyse >= total || nextToAnalyse < committed + window; });
        if (quit || nextToAnalyse >= total || stopping()) {
          ready.notify_all();
          return;
        }
        index = nextToAnalyse++;
      }
      // Only the recording whose turn it is goes on to its end after a stop.
      analyzer.analyse(paths[index], settings, [&] {
        if (!stopping()) return false;
        std::lock_guard<std::mutex> lock(mutex);
        return index != committed;
      });
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

  std::size_t handed = 0;
  for (std::size_t i = 0; i < total; ++i) {
    RecordingOutcome outcome;
    DeferredReporter messages;
    {
      std::unique_lock<std::mutex> lock(mutex);
      Slot& slot = slotOf(i);
      // After a stop nothing is begun that is not already under way.
      ready.wait(lock, [&] { return slot.outcome.has_value() || (stopping() && i >= nextToAnalyse); });
      if (!slot.outcome.has_value()) break;
      outcome = std::move(*slot.outcome);
      slot.outcome.reset();
      messages = std::move(slot.messages);
    }
    messages.replay(reporter);
    take(std::move(outcome));
    handed = i + 1;
    {
      std::lock_guard<std::mutex> lock(mutex);
      committed = i + 1;
    }
    space.notify_all();
    if (stopping()) break;
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    quit = true;
  }
  space.notify_all();
  for (auto& t : threads) t.join();
  return handed;
}

struct BatchCommitter::Outputs {
  Outputs(const ScanSettings& settings, const BatchOptions& options, ScanSession& session)
      : target{options.resultsPath, options.newResultsFile},
        resultsOutput(target, settings, &log),
        zeroCrossing(settings, target, &held),
        commitAsFound(settings, session, CommitOutputs{resultsOutput, &zeroCrossing}) {
    log.reporter = &held;
    zeroCrossing.setDirectory(options.zeroCrossingDirectory);
    zeroCrossing.setSubfolders(&options.subfolders);
  }
  HeldReporter held;
  ResultsTarget target;
  ResultsFileLog log;
  ResultsFileOutput resultsOutput;
  ZeroCrossingOutput zeroCrossing;
  CommitCalls commitAsFound;
  // Kept calls that could not be read back from their temporary file.
  std::size_t unreadCalls = 0;
};

namespace {

// The recording's identity as the commit step of its calls sees it.
ScanJob jobOf(const RecordingOutcome& outcome) {
  ScanJob job;
  job.recordingPath = outcome.path;
  job.metadata = outcome.metadata;
  job.timeOfDay = outcome.timeOfDay;
  return job;
}

}  // namespace

// One run of analyseAndCommit. The commit step (outputs, session, lists,
// reporter, progress) belongs to one thread at a time: while the analysis of
// the recording whose turn it is (head_) goes on, to the thread analysing
// it; once that has ended, to the thread that ended it or to the one that
// committed the recording before, whichever came last (the two meet under
// the mutex). head_ moves on only once a commit is complete, with release
// order, so the thread that then reads its own recording's index there owns
// the commit step.
class BatchCommitter::Run {
 public:
  // With several jobs up to 64 recordings per job are analysed ahead of the
  // commit, so a long recording does not hold up the threads that go on with
  // the short ones after it; their kept calls share the memory given for
  // them. One job is never ahead.
  Run(BatchCommitter& committer, const std::vector<std::string>& paths, int jobs)
      : committer_(committer), paths_(paths),
        window_(jobs == 1 ? 1 : static_cast<std::size_t>(jobs) * 64),
        keptMemory_(committer.options_.keptCallBytes) {
    pending_.reserve(window_);
    for (std::size_t i = 0; i < window_; ++i) pending_.push_back(std::make_unique<Pending>(keptMemory_));
  }

  // One thread's share: the next recording that fits the window, until none
  // is left.
  void work() {
    Worker worker(*this);
    for (;;) {
      std::size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        space_.wait(lock, [&] { return next_ >= paths_.size() || next_ < head_.load() + window_; });
        if (next_ >= paths_.size() || stopping()) return;
        index = next_++;
      }
      worker.analyse(index);
    }
  }

 private:
  // A recording analysed and waiting for its commit. Recording i uses slot
  // i % window, free again once recording i - window has been committed.
  struct Pending {
    explicit Pending(CallMemory& memory) : calls(memory) {}
    RecordingOutcome outcome;
    DeferredReporter messages;
    CallSpool calls;       // calls found before its turn
    bool streamed = false;  // its calls were committed as found
    bool done = false;      // analysed (guarded by the mutex)
  };

  // A thread's analyzer, and where its accepted calls go.
  class Worker final : public CallOutput {
   public:
    explicit Worker(Run& run) : run_(run), analyzer_(nullptr, &messages_, SlotsKept::Current) {
      analyzer_.setCallSink(this);
    }

    void analyse(std::size_t index) {
      index_ = index;
      pending_ = &run_.pendingFor(index);
      streaming_ = false;
      // After a stop only the recording whose turn it is goes on to its end.
      analyzer_.analyse(run_.paths_[index], run_.committer_.settings_, [this] {
        return run_.stopping() && (run_.head_.load(std::memory_order_acquire) != index_ || run_.ended());
      });
      pending_->outcome = analyzer_.takeOutcome();
      messages_.moveTo(pending_->messages);
      pending_->streamed = streaming_;
      run_.analysed(index);
    }

    void writeCall(const ChirpRecord& trace, const CallParameters& call,
                   const CallParameters& previous, const ScanJob& job) override {
      if (!streaming_ && run_.head_.load(std::memory_order_acquire) == index_ && !run_.ended()) {
        // Its turn has come: the calls kept so far, then each as it is found.
        Outputs& out = *run_.committer_.outputs_;
        out.zeroCrossing.beginRecording(analyzer_.outcome().metadata);
        run_.replayKept(*pending_, job);
        streaming_ = true;
      }
      CallOutput& to = streaming_ ? static_cast<CallOutput&>(run_.committer_.outputs_->commitAsFound)
                                  : pending_->calls;
      to.writeCall(trace, call, previous, job);
    }

   private:
    Run& run_;
    DeferredReporter messages_;
    RecordingAnalyzer analyzer_;
    std::size_t index_ = 0;
    Pending* pending_ = nullptr;
    bool streaming_ = false;
  };

  Pending& pendingFor(std::size_t index) { return *pending_[index % window_]; }

 public:
  bool stopping() const {
    const std::atomic<bool>* stop = committer_.options_.stop;
    return stop && stop->load(std::memory_order_relaxed);
  }
  // The stop ended the run: nothing after `head_` is committed.
  bool ended() const { return ended_.load(); }

 private:
  // Recording `index` is analysed: committed now if its turn has come.
  void analysed(std::size_t index) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pendingFor(index).done = true;
      if (head_.load() != index || ended_.load()) return;  // the commit of the one before will take it
    }
    commitFrom(index);
  }

  // Commits recording `index` (its turn, analysed) and every analysed one
  // after it.
  void commitFrom(std::size_t index) {
    for (;;) {
      commitPending(pendingFor(index));
      bool more = false;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingFor(index).done = false;
        ++index;
        // Ended before head_ moves on, so a thread that sees its own
        // recording's turn come also sees that the run has ended.
        if (stopping() && index < paths_.size()) {
          ended_.store(true);
          next_ = paths_.size();  // nothing more is begun
        }
        head_.store(index, std::memory_order_release);
        more = !ended_.load() && index < paths_.size() && pendingFor(index).done;
      }
      space_.notify_all();
      if (!more) return;
    }
  }

  void replayKept(Pending& p, const ScanJob& job) {
    Outputs& out = *committer_.outputs_;
    const std::size_t unread = p.calls.replay(out.commitAsFound, job);
    if (unread > 0) {
      out.unreadCalls += unread;
      out.held.warning(std::to_string(unread) + " calls of " + job.recordingPath +
                       " could not be read back from their temporary file");
    }
  }

  void commitPending(Pending& p) {
    p.messages.replay(committer_.options_.reporter);
    p.outcome.subfolder = subfolderOf(committer_.options_, p.outcome.path);
    bool begun = p.streamed;
    if (!begun && p.outcome.opened && p.calls.size() > 0) {
      committer_.outputs_->zeroCrossing.beginRecording(p.outcome.metadata);
      replayKept(p, jobOf(p.outcome));
      begun = true;
    }
    committer_.commitOutcome(p.outcome, begun);
    p.calls.clear();
    p.outcome = RecordingOutcome{};
  }

  BatchCommitter& committer_;
  const std::vector<std::string>& paths_;
  const std::size_t window_;
  CallMemory keptMemory_;
  std::vector<std::unique_ptr<Pending>> pending_;
  std::mutex mutex_;
  std::condition_variable space_;  // the commit moved on
  std::size_t next_ = 0;           // next recording to analyse (guarded by the mutex)
  std::atomic<std::size_t> head_{0};  // next recording to commit; moved under the mutex
  std::atomic<bool> ended_{false};    // set under the mutex
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

void BatchCommitter::analyseAndCommit(const std::vector<std::string>& paths, int jobsWanted) {
  if (paths.empty()) return;
  const int jobs = std::max(1, std::min<int>(jobsWanted, static_cast<int>(paths.size())));
  Run run(*this, paths, jobs);
  std::vector<std::thread> others;
  for (int i = 1; i < jobs; ++i) others.emplace_back([&run] { run.work(); });
  run.work();
  for (auto& t : others) t.join();
  if (run.ended()) result_.stopped = true;
}

void BatchCommitter::commitOutcome(const RecordingOutcome& outcome, bool begun) {
  BatchRecordingReport report;
  report.path = outcome.path;
  report.identity = outcome.identity;
  report.readError = outcome.readFailed;
  report.status = outcome.readStatus;
  report.reason = outcome.readReason;
  report.opened = outcome.opened;
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
  result_.writeFailures =
      outputs_->log.failures + outputs_->zeroCrossing.writeFailures() + outputs_->unreadCalls;
  std::lock_guard<std::mutex> lock(lists_.mutex);
  recountFromLists(lists_, session_);
  return std::move(result_);
}

BatchResult runBatchScan(const std::vector<std::string>& paths, const ScanSettings& settings,
                         const BatchOptions& options, ScanLists& lists, ScanSession& session) {
  BatchCommitter committer(settings, options, lists, session, paths.size());
  if (!options.analysed) {
    committer.analyseAndCommit(paths, options.jobs);
    return committer.finish();
  }
  // A caller that looks at each analysis sees its calls: they are kept.
  const std::size_t handed =
      analyseInOrder(paths, settings, options.jobs, options.reporter,
                     [&](RecordingOutcome&& outcome) {
                       outcome.subfolder = subfolderOf(options, outcome.path);
                       committer.commit(outcome);
                     }, options.analysed,
                     options.stop);
  BatchResult result = committer.finish();
  result.stopped = handed < paths.size();
  return result;
}

}  // namespace quilve
