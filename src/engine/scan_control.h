#pragma once
// The variables through which commands reach the scan worker and the worker
// answers. Counters, flags and bytes are atomics; the texts are written only
// while the worker is idle and are published to it by the increment of the
// scan-request counter that follows.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/file_list.h"

namespace quilve {

struct ScanControl {
  std::atomic<bool> running{true};
  std::atomic<std::uint32_t> scanRequestCounter{0};
  std::atomic<std::uint32_t> stopCounter{0};
  std::atomic<bool> scanRequestFlag{false};  // continue through the input list
  std::atomic<bool> pauseFlag{false};
  std::atomic<bool> scanDone{false};         // idle and the latest request taken up
  std::atomic<bool> newResultsFile{false};   // a results file was chosen

  std::string currentRecordingPath;  // full path of the recording to scan
  std::string resultsPath;           // results file (or zero-crossing output) path
  // OutputDirectory of the history, where zero-crossing files go (empty:
  // the results file's directory). Written, like resultsPath, under the
  // lists' mutex, since Select Output and Save Selected change it during a run.
  std::string outputDirectory;
  std::string messageBuffer;         // failure text of the last file-list operation
  std::string lastOpenFailure;       // why the last preview could not open its file
};

// The input file list and the two result lists with the input directory
// their names belong to. The worker, the windows and the timer all change
// them, so every access holds `mutex`.
struct ScanLists {
  mutable std::mutex mutex;
  std::string inputDirectory;  // with a trailing separator
  FileList input;
  FileList passed;
  FileList failed;
};

}  // namespace quilve
