#pragma once
// quilve-scan past one machine: --list prints the input list a scheduler
// splits, --shard K/N --outcomes FILE analyses the K-th of N slices into an
// outcome file, and --merge FILE... commits the outcomes of every slice
// through the same commit step as a one-machine scan.
#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/batch_scan.h"
#include "records/outcome_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"

namespace quilve {

struct ClusterOptions {
  bool list = false;
  std::string shard;  // "K/N"
  std::string outcomesPath;
  std::vector<std::string> mergeFiles;
  bool sharding() const { return !shard.empty(); }
  bool merging() const { return !mergeFiles.empty(); }
  // Modes that analyse or list only and write no results.
  bool writesNoResults() const { return list || sharding(); }
};

// Adds --list, --shard, --outcomes and --merge to `app`, after the other
// options (which they exclude where they make no sense).
void addClusterOptions(CLI::App& app, ClusterOptions& options);

// --list: the paths, one a line. Returns the exit status.
int printInputList(const std::vector<std::string>& paths);

// --shard: analyses the slice on `jobs` threads into the outcome file;
// returns the exit status (0 also when the file was already complete; -1
// when `stop` ended it, with no outcome file written).
// `analysed` (sonogram pictures) sees each outcome with its index in the
// whole list.
// `subfolders` (one per path, or none) are carried for the merge.
int runShard(const ClusterOptions& options, const std::vector<std::string>& paths,
             const std::vector<std::string>& subfolders, const ScanSettings& settings, int jobs, bool quiet, Reporter& reporter,
             const AnalysedHook& analysed = {}, const std::atomic<bool>* stop = nullptr);

// The checked outcome files of a merge, in slice order, and the list they
// make up.
struct MergePlan {
  std::vector<std::string> files;
  std::vector<std::string> paths;
  std::vector<std::string> subfolders;  // one per path, as the shards had them
  // Where the list's relative paths start from (empty: all are absolute).
  std::string folder;
};

// --merge: reads and checks every outcome file (format, checksum, version,
// settings against `settings`, one list, every slice once). Returns 0 with
// `plan` filled, else 2 after naming each problem on standard error.
int planMerge(const std::vector<std::string>& files, const ScanSettings& settings, MergePlan* plan);

// Reads the recordings as the shards saw them: when the list has relative
// paths and this merge runs in another folder than the shards did, makes
// each of `outputs` (paths given relative to this folder) absolute and
// changes into the shards' folder (the plan's outcome files too). Returns 0, or 2 after naming both folders
// when that folder cannot be entered.
int enterShardsFolder(MergePlan& plan, const std::vector<std::string*>& outputs);

// Commits the planned outcomes in list order. `failed` is set when a file
// can no longer be read as it was checked (the problem is named).
BatchResult commitMerge(const MergePlan& plan, const ScanSettings& settings, const BatchOptions& options,
                        ScanLists& lists, ScanSession& session, bool* failed);

}  // namespace quilve
