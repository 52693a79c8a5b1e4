#pragma once
// The safety of a quilve-scan run: its output and disposition targets are
// checked before anything is scanned, recordings are filed away only when
// it is certain what they are, and the summary says what was not read whole.
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/batch_scan.h"
#include "engine/scan_control.h"
#include "engine/scan_state.h"
#include "settings/reporter.h"

namespace quilve {

struct DispositionRequest {
  std::string archive;      // copy passed recordings here
  std::string movePassed;   // or move them here
  std::string moveFailed;   // move failed recordings here
  bool trashFailed = false; // or send them to the trash
  bool dryRun = false;
  bool any() const {
    return !archive.empty() || !movePassed.empty() || !moveFailed.empty() || trashFailed;
  }
};

// What the run writes to: the results file, the zero-crossing directory and
// the disposition targets.
struct RunTargets {
  std::vector<std::string> inputs;  // recordings and directories as given
  std::string resultsPath;
  std::string zeroCrossingDirectory;
  DispositionRequest dispose;
};

// Checks every target before the scan: a directory target exists or can be
// created, is a writable directory (not a file) and is not an input
// directory; the results file's directory exists and is writable, and the
// results file is neither a directory nor one of the recordings. Missing
// target directories are created unless `dryRun`. Returns the problem
// ("--move-failed /x: is a file"), empty when all is well.
std::string checkRunTargets(const RunTargets& targets, bool dryRun);

// A recording whose size or modification time changed since the scan opened
// it is still being written: its report says so (unless it already says
// why it was not read whole).
void markBeingWritten(std::vector<BatchRecordingReport>& reports);

// Files the scanned recordings away as `request` asks (with dryRun: prints
// what would be done). Failed recordings not read whole and recordings still
// being written stay in place and are named with their reason. The paths
// filed away are added to `disposed`. False when any file could not be
// handled.
bool disposeRecordings(const DispositionRequest& request, ScanLists& scanned, Reporter& reporter,
                       std::set<std::string>* disposed);

// The summary: the lists with name, path and calls, and the counters.
nlohmann::json summaryJson(const ScanLists& lists, const ScanSession& session);

// Every recording not read whole, with path, status, reason and whether it
// was filed away (archived or moved as passed).
nlohmann::json unreadableJson(const std::vector<BatchRecordingReport>& reports,
                              const std::set<std::string>& disposed);

}  // namespace quilve
