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

// What the run writes to: the results file, the zero-crossing directory,
// the disposition targets and the other files of the run.
struct RunTargets {
  std::vector<std::string> inputs;  // recordings and directories as given
  std::string resultsPath;
  std::string zeroCrossingDirectory;
  DispositionRequest dispose;
  std::string summaryJson;           // --summary-json
  std::string saveSettings;          // --save-settings
  std::string outcomes;              // --outcomes of a shard
  // Zero-crossing files, one per recording, go into zeroCrossingDirectory
  // (else that of resultsPath); not predicted when recordings are combined.
  bool separateZeroCrossingFiles = false;
  std::string sonogramDirectory;     // --sonograms
  // One per recording path (or none): the folder below the scanned folder
  // it was found in, which its zero-crossing file and sonograms keep.
  std::vector<std::string> subfolders;
  // Folders scanned with every folder below them (-r): no disposition
  // target may lie in such a tree, where the next scan of it would find
  // the recordings filed away again.
  std::vector<std::string> trees;
};

// Checks every target before the scan: a directory target exists or can be
// created, is a writable directory (not a file) and is not an input
// directory (compared as files: another spelling, a symbolic link or a bind
// mount of an input directory is one too); the results file's directory
// exists and is writable. No file the run writes may be one of
// `recordingPaths` (the recordings to scan, after folders are expanded;
// compared by device and inode, so a hard link counts), nor an existing
// file that holds a recording; the zero-crossing files and the first
// sonogram pages the run will write are checked by their names the same
// way. No disposition target may lie in one of `trees`, by any name.
// Missing target directories are created unless `dryRun`. Returns the
// problem ("--move-failed /x: is a file", "--summary-json s.json: is the
// recording in/a.wav (the same file); choose another name"), empty when all
// is well.
std::string checkRunTargets(const RunTargets& targets,
                            const std::vector<std::string>& recordingPaths, bool dryRun);

// A recording whose size or modification time changed since the scan opened
// it is still being written: its report says so (unless it already says
// why it was not read whole).
void markBeingWritten(std::vector<BatchRecordingReport>& reports);

// Files the scanned recordings away as `request` asks (with dryRun: prints
// what would be done). Failed recordings not read whole, recordings still
// being written or replaced since the scan, and symbolic links stay in place
// and are named with their reason; a recording another program moved or
// removed since the scan is named in one line as no longer there. The paths
// filed away are added to `disposed`. False when any file could not be
// handled (those left in place or no longer there do not count).
bool disposeRecordings(const DispositionRequest& request, ScanLists& scanned, Reporter& reporter,
                       std::set<std::string>* disposed);

// The summary: the lists with name, path and calls, and the counters.
nlohmann::json summaryJson(const ScanLists& lists, const ScanSession& session);

// Every recording not read whole, with path, status, reason and whether it
// was filed away (archived or moved as passed).
nlohmann::json unreadableJson(const std::vector<BatchRecordingReport>& reports,
                              const std::set<std::string>& disposed);

}  // namespace quilve
