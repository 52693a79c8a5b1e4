// quilve-scan: scans recordings and directories of recordings from the
// command line and writes the same results and zero-crossing files as the
// desktop program.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "cli/cluster.h"
#include "cli/recording_summary.h"
#include "cli/scan_safety.h"
#include "cli/sonogram_option.h"
#include "engine/batch_scan.h"
#include "quilve_version.h"
#include "output/results_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"
#include "settings/settings_file.h"
#include "settings/settings_names.h"
#include "engine/scan_results.h"
#include "output/file_disposition.h"
#include "output/file_operations.h"

namespace fs = std::filesystem;
using namespace quilve;

namespace {

const std::string kVersion = std::string("quilve-scan ") + kProgramVersion;

class ConsoleReporter final : public Reporter {
 public:
  explicit ConsoleReporter(bool showTrace) : showTrace_(showTrace) {}
  void warning(const std::string& text) override {
    clearProgressLine();
    std::fprintf(stderr, "quilve-scan: warning: %s\n", text.c_str());
  }
  void trace(const std::string& text) override {
    if (!showTrace_) return;
    clearProgressLine();
    std::fputs(text.c_str(), stderr);
  }
  void clearProgressLine() {
    if (progressShown) {
      std::fputs("\r\033[K", stderr);
      progressShown = false;
    }
  }
  bool progressShown = false;

 private:
  bool showTrace_;
};

std::string fileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

int formatIndex(const std::string& name) {
  if (name == "sonobat2") return kOutputSonoBat2;
  if (name == "echoclass") return kOutputEchoclass;
  if (name == "quilve") return kOutputQuilve;
  if (name == "zcd") return kOutputZcd;
  return kOutputAnalook;
}

void showProgress(ConsoleReporter& console, const BatchProgress& p,
                  std::chrono::steady_clock::time_point start) {
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int percent = p.filesTotal ? static_cast<int>(100 * p.filesDone / p.filesTotal) : 100;
  const double left =
      p.filesDone ? elapsed / static_cast<double>(p.filesDone) * static_cast<double>(p.filesTotal - p.filesDone) : 0;
  constexpr int kBar = 24;
  const int filled = percent * kBar / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(kBar, '.');
  std::fprintf(stderr, "\r\033[K[%s] %3d%%  %zu/%zu files  %llu calls  %d:%02d left  %s", bar.c_str(),
               percent, p.filesDone, p.filesTotal, static_cast<unsigned long long>(p.callsSoFar),
               static_cast<int>(left) / 60, static_cast<int>(left) % 60,
               fileNameOf(p.currentFile).c_str());
  std::fflush(stderr);
  console.progressShown = true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Scans bat echolocation recordings (WAV or WavPack) for calls and writes a results file "
               "or zero-crossing files.",
               "quilve-scan"};
  std::vector<std::string> inputs;
  std::string resultsPath;
  std::string format = "analook";
  std::vector<std::string> includes;
  bool combine = false;
  std::string zcdDir;
  int expansion = 0;
  int minCalls = -1;
  std::vector<std::string> sets;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string summaryJson;
  bool quiet = false;
  bool trace = false;
  std::string settingsFile;
  std::string saveSettingsFile;
  DispositionRequest dispose;

  app.add_option("PATH", inputs, "Recordings, or directories whose *.w* entries are scanned");
  app.add_option("-o,--output", resultsPath, "Results file (created with its header)");
  app.add_option("--format", format, "Results layout, or zcd for zero-crossing files")
      ->check(CLI::IsMember({"analook", "sonobat2", "echoclass", "quilve", "zcd"}));
  app.add_option("--include", includes, "Optional results columns: spl,curvature,fit,gps")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->check(CLI::IsMember({"spl", "curvature", "fit", "gps"}));
  app.add_flag("--combine", combine, "Combine zero-crossing output of consecutive recordings");
  app.add_option("--zcd-dir", zcdDir, "Directory for zero-crossing files (default: that of -o)");
  app.add_option("--expansion", expansion, "Time-expansion factor of recordings that state none")
      ->check(CLI::IsMember({1, 10}));
  app.add_option("--min-calls", minCalls, "Calls a recording needs to pass")->check(CLI::NonNegativeNumber);
  app.add_option("--set", sets, "Any scan setting by name, e.g. --set TriggerThreshold=20 (repeatable)")
      ->allow_extra_args(false);
  app.add_option("--jobs", jobs, "Recordings analysed at once")->check(CLI::PositiveNumber);
  app.add_option("--summary-json", summaryJson, "Write the summary as JSON to this file");
  app.add_flag("-q,--quiet", quiet, "No progress and no summary");
  app.add_flag("--trace", trace, "Print diagnostic trace lines");
  app.add_option("--settings", settingsFile, "Read scan settings from a settings file (.set)")
      ->check(CLI::ExistingFile);
  app.add_option("--save-settings", saveSettingsFile,
                 "Write the settings in force (defaults, --settings, --set) to a settings file");
  auto* archive = app.add_option("--archive", dispose.archive, "Copy passed recordings into DIR");
  auto* movePassed = app.add_option("--move-passed", dispose.movePassed, "Move passed recordings into DIR");
  auto* moveFailed = app.add_option("--move-failed", dispose.moveFailed, "Move failed recordings into DIR");
  auto* trashFailed = app.add_flag("--trash-failed", dispose.trashFailed, "Send failed recordings to the trash");
  archive->excludes(movePassed);
  moveFailed->excludes(trashFailed);
  app.add_flag("--dry-run", dispose.dryRun, "Print what the disposition options would do");
  app.set_version_flag("--version", kVersion);
  SonogramOption sonograms;
  sonograms.addTo(app);
  ClusterOptions cluster;
  addClusterOptions(app, cluster);

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }

  ScanSettings settings;
  if (!settingsFile.empty() && !readSettingsFile(settingsFile, settings, stderr)) {
    std::fprintf(stderr, "quilve-scan: %s: not a settings file\n", settingsFile.c_str());
    return 2;
  }
  if (app.count("--format")) settings.OutputFormat = formatIndex(format);
  for (const std::string& inc : includes) {
    if (inc == "spl") settings.IncludeSoundPressureLevel = true;
    if (inc == "curvature") settings.IncludeCurvature = true;
    if (inc == "fit") settings.IncludeCurveFitError = true;
    if (inc == "gps") settings.IncludeGPSCoordinates = true;
  }
  settings.AllowFileCombining = combine;
  if (expansion) settings.DefaultExpansionFactor = expansion;
  if (minCalls >= 0) settings.ChirpDetectionThreshold = minCalls;
  for (const std::string& s : sets) {
    const auto eq = s.find('=');
    std::string error;
    if (eq == std::string::npos) {
      std::fprintf(stderr, "quilve-scan: --set %s: expected NAME=VALUE\n", s.c_str());
      return 2;
    }
    if (!setSettingByName(settings, s.substr(0, eq), s.substr(eq + 1), &error)) {
      std::fprintf(stderr, "quilve-scan: --set %s: %s\n", s.c_str(), error.c_str());
      return 2;
    }
  }
  // --save-settings alone writes the settings file and scans nothing.
  const bool settingsOnly = !saveSettingsFile.empty() && inputs.empty() && !cluster.merging();
  if (cluster.merging() && sonograms.requested()) {
    std::fprintf(stderr, "quilve-scan: --sonograms goes to the shards (--shard), which read the recordings, not to --merge\n");
    return 2;
  }
  if (cluster.merging() && !inputs.empty()) {
    std::fprintf(stderr, "quilve-scan: --merge takes outcome files only; the recordings are those they name\n");
    return 2;
  }
  if (inputs.empty() && !cluster.merging() && !settingsOnly) {
    std::fprintf(stderr, "quilve-scan: no recordings given (PATH...)\nRun with --help for more information.\n");
    return 2;
  }
  if (settings.OutputFormat == kOutputZcd && resultsPath.empty() && zcdDir.empty() && !cluster.writesNoResults() &&
      !settingsOnly) {
    std::fprintf(stderr, "quilve-scan: zero-crossing output needs -o or --zcd-dir\n");
    return 2;
  }

  ConsoleReporter console(trace);
  std::vector<std::string> paths;
  for (const std::string& in : inputs) {
    std::error_code ec;
    if (fs::is_directory(in, ec)) {
      const auto found = recordingsInDirectory(in);
      if (found.empty()) console.warning(in + ": no recordings (*.w*) in this directory");
      paths.insert(paths.end(), found.begin(), found.end());
    } else {
      paths.push_back(in);
    }
  }
  MergePlan mergePlan;
  if (cluster.merging()) {
    if (const int status = planMerge(cluster.mergeFiles, settings, &mergePlan)) return status;
    paths = mergePlan.paths;
  }

  {
    // Every target is checked before a night's scan rather than after it,
    // against the recordings it will read.
    RunTargets targets;
    targets.inputs = inputs;
    targets.resultsPath = resultsPath;
    targets.zeroCrossingDirectory = zcdDir;
    targets.dispose = dispose;
    targets.summaryJson = summaryJson;
    targets.saveSettings = saveSettingsFile;
    targets.outcomes = cluster.outcomesPath;
    targets.separateZeroCrossingFiles = settings.OutputFormat == kOutputZcd && !settings.AllowFileCombining;
    targets.sonogramDirectory = sonograms.directory();
    const std::string problem = checkRunTargets(targets, paths, dispose.dryRun);
    if (!problem.empty()) {
      std::fprintf(stderr, "quilve-scan: %s\n", problem.c_str());
      return 2;
    }
  }
  if (!saveSettingsFile.empty()) {
    if (!writeSettingsFile(saveSettingsFile, settings)) {
      std::fprintf(stderr, "quilve-scan: %s: cannot write the settings file: %s\n",
                   saveSettingsFile.c_str(), std::strerror(errno));
      return 1;
    }
    if (settingsOnly) return 0;
  }

  if (cluster.list) return printInputList(paths);
  if (cluster.sharding()) {
    // The shards read the recordings, so they draw the pictures.
    BatchOptions pictures;
    if (!sonograms.prepare(paths, settings, pictures)) return 1;
    const int status = runShard(cluster, paths, settings, jobs, quiet, console, pictures.analysed);
    return status == 0 && sonograms.anyFailed() ? 1 : status;
  }
  const bool showProgressBar = !quiet && isatty(STDERR_FILENO);
  const auto start = std::chrono::steady_clock::now();
  BatchOptions options;
  if (!sonograms.prepare(paths, settings, options)) return 1;
  options.jobs = jobs;
  options.resultsPath = resultsPath;
  if (!resultsPath.empty() && settings.OutputFormat != kOutputZcd) {
    // The results file exists with its header even when no call is found.
    std::FILE* f = std::fopen(resultsPath.c_str(), "w");
    if (!f || std::fputs(resultsHeader(settings).c_str(), f) < 0 || std::fclose(f) != 0) {
      std::fprintf(stderr, "quilve-scan: %s: cannot create the results file: %s\n",
                   resultsPath.c_str(), std::strerror(errno));
      return 1;
    }
    options.newResultsFile = false;
  }
  options.zeroCrossingDirectory = zcdDir;
  options.reporter = &console;
  if (showProgressBar) {
    options.progress = [&](const BatchProgress& p) { showProgress(console, p, start); };
  }

  ScanLists lists;
  ScanSession session;
  bool mergeFailed = false;
  BatchResult result = cluster.merging()
                                 ? commitMerge(mergePlan, settings, options, lists, session, &mergeFailed)
                                 : runBatchScan(paths, settings, options, lists, session);
  if (mergeFailed) return 2;
  console.clearProgressLine();
  markBeingWritten(result.recordings);

  for (const BatchRecordingReport& r : result.recordings) {
    if (!r.opened) {
      std::fprintf(stderr, "quilve-scan: %s: cannot be read: %s\n", r.path.c_str(), r.failure.c_str());
    } else if (r.readError) {
      std::fprintf(stderr, "quilve-scan: %s: read error; scanned up to it\n", r.path.c_str());
    } else if (r.status == ReadStatus::BeingWritten) {
      std::fprintf(stderr, "quilve-scan: %s: %s\n", r.path.c_str(), r.reason.c_str());
    }
  }

  if (!quiet) {
    std::printf("Passed recordings:\n");
    for (const FileEntry& e : lists.passed.entries()) std::printf("  %s\t%d\n", e.name.c_str(), e.value);
    std::printf("Failed recordings:\n");
    for (const FileEntry& e : lists.failed.entries()) std::printf("  %s\t%d\n", e.name.c_str(), e.value);
    std::printf("Files selected: %u\nTotal chirp count: %u\nBat pass count: %u\nFiles failed: %u\n",
                session.filesSelected, session.totalChirpCount, session.batPassCount,
                session.filesFailed);
  }

  // The lists as scanned, before disposition takes moved entries out.
  nlohmann::json summary = quilve::summaryJson(lists, session);
  addRecordingSummaryFields(summary["passed"], result.recordings);
  addRecordingSummaryFields(summary["failed"], result.recordings);
  std::set<std::string> disposed;
  const bool disposedAll =
      !dispose.any() || disposeRecordings(dispose, lists, console, &disposed);

  bool summaryWritten = true;
  if (!summaryJson.empty()) {
    summary["unreadable"] = unreadableJson(result.recordings, disposed);
    std::ofstream out(summaryJson);
    out << summary.dump(2) << "\n";
    out.close();
    if (!out) {
      std::fprintf(stderr, "quilve-scan: cannot write %s: %s\n", summaryJson.c_str(),
                   std::strerror(errno));
      summaryWritten = false;
    }
  }

  if (result.writeFailures > 0) {
    std::fprintf(stderr, "quilve-scan: %zu results rows or zero-crossing records could not be written\n",
                 result.writeFailures);
  }
  if (paths.empty() || result.unreadable == paths.size()) return 1;
  if (!disposedAll || !summaryWritten || result.writeFailures > 0 || sonograms.anyFailed()) return 1;
  return 0;
}
