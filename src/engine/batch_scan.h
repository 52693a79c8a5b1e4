#pragma once
// Scanning a list of recordings without the desktop program: each recording
// is analysed on one of several threads, and the analyses are committed
// (results rows, zero-crossing files, bat passes, classification) strictly in
// input order, so the output does not depend on the number of threads and
// equals what the scan worker writes.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/recording_analyzer.h"
#include "engine/scan_control.h"
#include "engine/scan_state.h"
#include "engine/scan_worker.h"

namespace quilve {

struct BatchProgress {
  std::string currentFile;     // being committed or analysed
  int percent = 0;             // of the current file
  std::size_t filesDone = 0;
  std::size_t filesTotal = 0;
  std::uint64_t callsSoFar = 0;
};

struct BatchOptions {
  int jobs = 1;
  std::string resultsPath;     // empty: no results rows
  bool newResultsFile = true;  // start the results file with its header
  // Zero-crossing files (OutputFormat 4) go here; empty: the directory of
  // the results path.
  std::string zeroCrossingDirectory;
  // Recordings found below a folder given (a tree scanned), by path: the
  // folder below it each was found in. Their zero-crossing files go there
  // below the zero-crossing directory, and their list entries keep it for
  // disposition. A recording not named here is of the folder given itself.
  std::map<std::string, std::string> subfolders;
  Reporter* reporter = nullptr;  // warnings and trace lines, in input order
  // Memory for the calls of the recordings analysed ahead of their turn
  // (with several jobs), shared among them; more go to a temporary file in
  // TMPDIR.
  std::size_t keptCallBytes = std::size_t{2} << 20;
  // Called after each recording's commit, one call at a time, on the thread
  // that committed it: with several jobs, any of the analysing threads.
  std::function<void(const BatchProgress&)> progress;
  // Called on the analysing thread after the analysis of recording `index`
  // (of `paths`), before its commit; its messages go to `reporter` and come
  // out in input order. It must not change the outcome.
  std::function<void(std::size_t index, const RecordingOutcome& outcome, Reporter& reporter)> analysed;
  // Raised to end the run early (an interruption): no recording is begun or
  // committed after the one whose turn it is, which is finished whole, so
  // the outputs hold whole recordings only. Those analysed ahead of their
  // turn are stopped and dropped. Null: the run goes to the end.
  const std::atomic<bool>* stop = nullptr;
};

struct BatchRecordingReport {
  std::string path;
  bool opened = false;
  std::string failure;  // why it could not be read, when not opened
  bool readError = false;
  std::uint32_t calls = 0;
  RecordingMetadata metadata;  // when opened
  ReadStatus status = ReadStatus::Whole;  // read whole, or why not
  std::string reason;                     // for the user, when not read whole
  FileIdentity identity;                  // the file when it was opened
};

struct BatchResult {
  std::vector<BatchRecordingReport> recordings;  // in input order
  std::size_t unreadable = 0;
  // Results rows and zero-crossing records or files that could not be
  // written (each failure was reported through the reporter).
  std::size_t writeFailures = 0;
  // The stop ended the run before the end of the list: `recordings` holds
  // the recordings committed, the first of the list in order.
  bool stopped = false;
};

// Scans `paths` in order into `lists` and `session` (which carry over, as
// between runs of the desktop program).
BatchResult runBatchScan(const std::vector<std::string>& paths, const ScanSettings& settings,
                         const BatchOptions& options, ScanLists& lists, ScanSession& session);

// Analyses `paths` on `jobs` threads and hands each outcome to `take` on the
// calling thread, strictly in input order; the analyses' warnings and trace
// lines go to `reporter` just before their outcome is handed over.
// `analysed`, when set, sees each outcome on the thread that analysed it,
// with the recording's index in `paths`.
using AnalysedHook = std::function<void(std::size_t index, const RecordingOutcome& outcome, Reporter& reporter)>;
// With `stop` raised, no recording is begun or handed over after the one
// whose turn it is (which is analysed whole); returns the number handed over.
std::size_t analyseInOrder(const std::vector<std::string>& paths, const ScanSettings& settings, int jobs,
                           Reporter* reporter, const std::function<void(RecordingOutcome&&)>& take,
                           const AnalysedHook& analysed = {}, const std::atomic<bool>* stop = nullptr);

// The commit step of a batch run: outcomes handed over in input order become
// results rows, zero-crossing files, bat passes and list entries, whether
// they were analysed here or on other machines.
class BatchCommitter {
 public:
  // `totalFiles` is what progress reports count up to.
  BatchCommitter(const ScanSettings& settings, const BatchOptions& options, ScanLists& lists,
                 ScanSession& session, std::size_t totalFiles);
  ~BatchCommitter();
  BatchCommitter(const BatchCommitter&) = delete;
  BatchCommitter& operator=(const BatchCommitter&) = delete;

  void commit(const RecordingOutcome& outcome);
  // Analyses `paths` on `jobs` threads, this one among them, and commits
  // them in input order as commit() does: the same bytes and messages for
  // any number of jobs. The recording next in order commits each accepted
  // call as it is found; one analysed ahead of its turn keeps its calls
  // (compact, and beyond a bound in a temporary file) until its turn comes,
  // from when on it commits them as found too. Progress reports and the
  // reporter's messages come from whichever analysing thread commits, one at
  // a time.
  // With options.stop raised, the run ends after the commit under way.
  void analyseAndCommit(const std::vector<std::string>& paths, int jobs);
  // Ends the run (an open bat pass, combined zero-crossing output, the
  // counters) and hands over the reports.
  BatchResult finish();

 private:
  struct Outputs;
  class Run;
  void commitOutcome(const RecordingOutcome& outcome, bool begun);
  const ScanSettings& settings_;
  const BatchOptions& options_;
  ScanLists& lists_;
  ScanSession& session_;
  std::unique_ptr<Outputs> outputs_;
  BatchResult result_;
  BatchProgress progress_;
};

// The recordings of a directory: its entries matching "*.w*" compared
// without case, whatever their kind (a FIFO, device, socket, folder or
// broken link of such a name is there too, for the open step to refuse with
// its reason), in the order the input list sorts them. False when the
// directory cannot be listed; `problem` is then the system's reason.
bool recordingsInDirectory(const std::string& directory, std::vector<std::string>* paths,
                           std::string* problem);
// The same, empty when the directory cannot be listed.
std::vector<std::string> recordingsInDirectory(const std::string& directory);

}  // namespace quilve
