// quilve-scan: scans recordings and directories of recordings from the
// command line and writes the same results and zero-crossing files as the
// desktop program.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "cli/cluster.h"
#include "cli/console.h"
#include "cli/interruption.h"
#include "cli/option_errors.h"
#include "cli/output_lock.h"
#include "cli/recording_summary.h"
#include "cli/scan_safety.h"
#include "cli/settings_list.h"
#include "cli/sonogram_option.h"
#include "engine/batch_scan.h"
#include "engine/input_paths.h"
#include "engine/path_list.h"
#include "input/regular_file.h"
#include "quilve_version.h"
#include "output/results_file.h"
#include "settings/open_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"
#include "settings/settings_check.h"
#include "settings/settings_file.h"
#include "settings/settings_names.h"
#include "engine/scan_results.h"
#include "output/file_disposition.h"
#include "output/file_operations.h"
#include "output/whole_file.h"
#include "output/name_text.h"

namespace fs = std::filesystem;
using namespace quilve;

namespace {

const std::string kVersion = std::string("quilve-scan ") + kProgramVersion;

// Exit status of a run that completed with every output written, some of
// whose recordings were not read whole.
constexpr int kExitNotAllRead = 3;

class ConsoleReporter final : public Reporter {
 public:
  explicit ConsoleReporter(bool showTrace) : showTrace_(showTrace) {}
  void warning(const std::string& text) override {
    clearProgressLine();
    // A warning of several lines (a headline, then the files it names)
    // keeps its lines, each shown readably and indented under the first.
    std::string shown;
    std::size_t from = 0;
    for (;;) {
      const std::size_t end = text.find('\n', from);
      shown += (from ? "\n  " : "") + messageText(text.substr(from, end == std::string::npos ? end : end - from));
      if (end == std::string::npos) break;
      from = end + 1;
    }
    std::fprintf(stderr, "quilve-scan: warning: %s\n", shown.c_str());
  }
  void trace(const std::string& text) override {
    if (!showTrace_) return;
    clearProgressLine();
    // A trace text is whole lines: names in it are escaped, its line end kept.
    const bool line = !text.empty() && text.back() == '\n';
    std::fputs((messageText(std::string_view(text).substr(0, text.size() - line)) + (line ? "\n" : "")).c_str(),
               stderr);
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

std::string fileNameOf(const std::string& path) { return fs::u8path(path).filename().u8string(); }

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
               messageText(fileNameOf(p.currentFile)).c_str());
  std::fflush(stderr);
  console.progressShown = true;
}

// Settings that cannot scan end the run before anything is read, written or
// moved; each problem is named with where the settings came from.
// Names each path of `inputs` that names nothing (not even a broken link);
// 2 when there is one, else 0.
int reportMissingInputs(const std::vector<std::string>& inputs) {
  constexpr std::size_t kNamed = 20;
  std::size_t missing = 0;
  for (const std::string& in : inputs) {
    FileIdentity own;
    FileKind kind = FileKind::Other;
    int error = 0;
    if (identityOfLink(in, &own, &error, &kind) || (error != ENOENT && error != ENOTDIR)) continue;
    if (missing++ < kNamed) {
      std::fprintf(stderr, "quilve-scan: %s: no such file or directory\n", messageText(in).c_str());
    }
  }
  if (missing > kNamed) std::fprintf(stderr, "quilve-scan: and %zu more paths that do not exist\n", missing - kNamed);
  if (missing == 0) return 0;
  std::fprintf(stderr, "quilve-scan: nothing was scanned\n");
  return 2;
}

bool settingsSound(const ScanSettings& settings, const std::string& source) {
  const std::vector<std::string> problems = settingsProblems(settings);
  for (const std::string& p : problems) {
    std::fprintf(stderr, "quilve-scan: %s: %s\n", messageText(source).c_str(), p.c_str());
  }
  return problems.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const ConsoleSetup consoleSetup;
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
  bool recursive = false;
  std::string fromFile;
  bool nulSeparated = false;

  app.add_option("PATH", inputs, "Recordings, or directories whose *.w* entries are scanned (any name holding \".w\" in any case: a.wav, b.WV, but also c.wma and d.wav.bak)");
  app.add_flag("-r,--recursive", recursive,
               "Scan the folders given with every folder below them (symbolic links not followed)");
  auto* fromFileOption =
      app.add_option("--from-file", fromFile, "Also scan the paths listed in FILE, one a line (- for standard input)")
          ->type_name("FILE");
  app.add_flag("-0,--null", nulSeparated, "With --from-file: the paths are separated by NUL bytes, not line ends")
      ->needs(fromFileOption);
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
  app.add_option("--min-calls", minCalls, "Calls a recording needs to pass")->check(atLeast(0));
  app.add_option("--set", sets,
                 "A scan setting by its name or settings-file key, in its unit, e.g. --set TriggerThreshold=20 "
                 "(repeatable)")
      ->allow_extra_args(false);
  bool listSettings = false;
  app.add_flag("--list-settings", listSettings,
               "List every setting --set takes: name, settings-file key, unit, default, range, meaning");
  app.add_option("--jobs", jobs, "Recordings analysed at once")->check(atLeast(1));
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
    CommandLine commandLine(argc, argv);
    app.parse(commandLine.argc(), commandLine.argv());
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return reportParseError(app, e);
  }
  if (listSettings) {
    std::fputs(settingsListText().c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // Before any thread starts: the threads inherit the blocked signals.
  Interruption interruption;
  interruption.watchStandardOutput();

  ScanSettings settings;
  if (!settingsFile.empty()) {
    // Opened without blocking and read only when it is a regular file: a
    // FIFO given here would otherwise wait for a writer for ever.
    RegularFile file;
    std::string why;
    FileKind kind = FileKind::Other;
    if (!file.open(settingsFile, &why, &kind)) {
      if (kind == FileKind::Fifo || kind == FileKind::Socket || kind == FileKind::Device) {
        why += ", not a settings file";
      }
      std::fprintf(stderr, "quilve-scan: %s: cannot be read: %s\n", messageText(settingsFile).c_str(), messageText(why).c_str());
      return 2;
    }
    if (!readSettingsFile(file.releaseAsStream(), settings, stderr)) {
      std::fprintf(stderr, "quilve-scan: %s: not a settings file\n", messageText(settingsFile).c_str());
      return 2;
    }
  }
  if (!settingsFile.empty() && !settingsSound(settings, settingsFile)) return 2;
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
      std::fprintf(stderr, "quilve-scan: --set %s: expected NAME=VALUE\n", messageText(s).c_str());
      return 2;
    }
    if (!setSettingByName(settings, s.substr(0, eq), s.substr(eq + 1), &error)) {
      std::fprintf(stderr, "quilve-scan: --set %s: %s\n", messageText(s).c_str(), messageText(error).c_str());
      return 2;
    }
  }
  if (!settingsSound(settings, sets.empty() ? "settings" : "--set")) return 2;
  if (!fromFile.empty()) {
    // The listed paths come after those of the command line.
    std::string why;
    if (!readPathList(fromFile, nulSeparated, &inputs, &why)) {
      std::fprintf(stderr, "quilve-scan: --from-file %s: %s\n", messageText(fromFile).c_str(),
                   messageText(why).c_str());
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
    std::fprintf(stderr, "quilve-scan: no recordings given (PATH... or --from-file)\nRun with --help for more "
                         "information.\n");
    return 2;
  }
  // A path that names nothing is a slip of the command line (or of the
  // list), not a recording that failed: nothing is scanned.
  if (const int status = reportMissingInputs(inputs)) return status;
  if (settings.OutputFormat == kOutputZcd && resultsPath.empty() && zcdDir.empty() && !cluster.writesNoResults() &&
      !settingsOnly) {
    std::fprintf(stderr, "quilve-scan: zero-crossing output needs -o or --zcd-dir\n");
    return 2;
  }

  if (resultsPath.empty() && settings.OutputFormat != kOutputZcd && !cluster.writesNoResults() && !settingsOnly) {
    std::fprintf(stderr, "quilve-scan: note: no results file is written (-o FILE writes one)\n");
  }

  ConsoleReporter console(trace);
  // Each file once, however many spellings reach it; a folder that cannot
  // be listed is named with the system's reason.
  ExpandedInputs expanded = expandInputs(inputs, recursive);
  for (const std::string& in : expanded.emptyFolders) {
    console.warning(in + (recursive ? ": no recordings (*.w*) in this folder or any folder below it"
                                    : ": no recordings (*.w*) in this directory"));
  }
  for (const auto& [folder, count] : expanded.unscannedSubfolders) {
    console.warning(folder + ": " + std::to_string(count) + (count == 1 ? " subfolder holds" : " subfolders hold") +
                    " recordings, not scanned (-r, --recursive scans them)");
  }
  std::vector<BatchRecordingReport> unreadableFolders;
  for (const InputProblem& p : expanded.unreadableFolders) {
    std::fprintf(stderr, "quilve-scan: %s: cannot be read: %s\n", messageText(p.path).c_str(),
                 messageText(p.reason).c_str());
    BatchRecordingReport folder;
    folder.path = p.path;
    folder.failure = folder.reason = p.reason;
    folder.status = ReadStatus::NotOpened;
    unreadableFolders.push_back(folder);
  }
  for (const std::string& note : expanded.notes) {
    std::fprintf(stderr, "quilve-scan: note: %s\n", messageText(note).c_str());
  }
  std::vector<std::string> paths = std::move(expanded.paths);
  std::vector<std::string> subfolders = std::move(expanded.subfolders);
  MergePlan mergePlan;
  if (cluster.merging()) {
    if (const int status = planMerge(cluster.mergeFiles, settings, &mergePlan)) return status;
    if (const int status = enterShardsFolder(mergePlan, {&resultsPath, &zcdDir, &summaryJson, &dispose.archive,
                                                         &dispose.movePassed, &dispose.moveFailed})) {
      return status;
    }
    paths = mergePlan.paths;
    subfolders = mergePlan.subfolders;
  }
  // Where below their folders the outputs and disposition of each recording
  // of a tree go.
  std::map<std::string, std::string> subfolderOf;
  for (std::size_t i = 0; i < paths.size() && i < subfolders.size(); ++i) {
    if (!subfolders[i].empty()) subfolderOf.emplace(paths[i], subfolders[i]);
  }
  if (subfolderOf.empty()) subfolders.clear();

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
    targets.subfolders = subfolders;
    if (recursive) {
      for (const std::string& in : inputs) {
        std::error_code ec;
        if (fs::is_directory(fs::u8path(in), ec)) targets.trees.push_back(in);
      }
    }
    const std::string problem = checkRunTargets(targets, paths, dispose.dryRun);
    if (!problem.empty()) {
      std::fprintf(stderr, "quilve-scan: %s\n", messageText(problem).c_str());
      return 2;
    }
  }
  if (!saveSettingsFile.empty()) {
    if (!writeSettingsFile(saveSettingsFile, settings)) {
      std::fprintf(stderr, "quilve-scan: %s: cannot write the settings file: %s\n",
                   messageText(saveSettingsFile).c_str(), std::strerror(errno));
      return 1;
    }
    if (settingsOnly) return 0;
  }

  if (cluster.list) return printInputList(paths);
  if (cluster.sharding()) {
    // The shards read the recordings, so they draw the pictures.
    BatchOptions pictures;
    if (!sonograms.prepare(paths, subfolders, settings, pictures)) return 1;
    const int status = runShard(cluster, paths, subfolders, settings, jobs, quiet, console, pictures.analysed,
                                &interruption.stopFlag());
    if (status < 0 || interruption.interrupted()) return 128 + interruption.signal();
    return status == 0 && sonograms.anyFailed() ? 1 : status;
  }
  // One run at a time writes these results; held until the run ends.
  OutputLock outputLock;
  if (const int status = outputLock.acquire(outputLockFile(resultsPath, zcdDir), console)) return status;

  const bool showProgressBar = !quiet && standardErrorIsTerminal();
  const auto start = std::chrono::steady_clock::now();
  BatchOptions options;
  if (!sonograms.prepare(paths, subfolders, settings, options)) return 1;
  options.jobs = jobs;
  options.subfolders = std::move(subfolderOf);
  options.resultsPath = resultsPath;
  if (!resultsPath.empty() && settings.OutputFormat != kOutputZcd) {
    // The results file exists with its header even when no call is found.
    std::FILE* f = openFile(resultsPath, "wb");
    if (!f || std::fputs(resultsHeader(settings).c_str(), f) < 0 || std::fclose(f) != 0) {
      std::fprintf(stderr, "quilve-scan: %s: cannot create the results file: %s\n",
                   messageText(resultsPath).c_str(), std::strerror(errno));
      return 1;
    }
    options.newResultsFile = false;
    interruption.watchResultsFile(resultsPath);
  }
  options.zeroCrossingDirectory = zcdDir;
  options.reporter = &console;
  options.stop = &interruption.stopFlag();
  options.progress = [&](const BatchProgress& p) {
    // Each recording's rows are whole once it is committed.
    interruption.markResultsWhole();
    if (showProgressBar) showProgress(console, p, start);
  };

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
      std::fprintf(stderr, "quilve-scan: %s: cannot be read: %s\n", messageText(r.path).c_str(),
                   messageText(r.failure).c_str());
    } else if (r.readError) {
      std::fprintf(stderr, "quilve-scan: %s: read error; scanned up to it\n", messageText(r.path).c_str());
    } else if (r.status == ReadStatus::BeingWritten) {
      std::fprintf(stderr, "quilve-scan: %s: %s\n", messageText(r.path).c_str(), messageText(r.reason).c_str());
    }
  }

  if (!quiet) {
    std::printf("Passed recordings:\n");
    for (const FileEntry& e : lists.passed.entries()) std::printf("  %s\t%d\n", messageText(e.name).c_str(), e.value);
    std::printf("Failed recordings:\n");
    for (const FileEntry& e : lists.failed.entries()) std::printf("  %s\t%d\n", messageText(e.name).c_str(), e.value);
    std::printf("Files selected: %u\nTotal chirp count: %u\nBat pass count: %u\nFiles failed: %u\n",
                session.filesSelected, session.totalChirpCount, session.batPassCount,
                session.filesFailed);
  }

  // The lists as scanned, before disposition takes moved entries out.
  nlohmann::json summary = quilve::summaryJson(lists, session);
  addRecordingSummaryFields(summary["passed"], result.recordings);
  addRecordingSummaryFields(summary["failed"], result.recordings);
  std::set<std::string> disposed;
  const bool stoppedEarly = interruption.interrupted();
  std::vector<std::string> notScanned;
  if (result.stopped) {
    notScanned.assign(paths.begin() + static_cast<std::ptrdiff_t>(std::min(result.recordings.size(), paths.size())),
                      paths.end());
  }
  if (stoppedEarly) {
    // An interrupted run files nothing away: the next run scans again what
    // this one did not finish, and nothing is left half-done.
    std::fprintf(stderr, "quilve-scan: interrupted by %s: %zu of %zu recordings scanned%s%s%s\n",
                 interruption.cause().c_str(), result.recordings.size(), paths.size(),
                 result.recordings.empty() ? "" : ", the results end with the rows of ",
                 result.recordings.empty() ? "" : messageText(result.recordings.back().path).c_str(),
                 dispose.any() ? "; no recording was moved, copied or trashed" : "");
  }
  const bool disposedAll =
      stoppedEarly || !dispose.any() || disposeRecordings(dispose, lists, console, &disposed);

  bool summaryWritten = true;
  if (!summaryJson.empty()) {
    summary["unreadable"] = unreadableJson(result.recordings, disposed);
    for (auto& folder : unreadableJson(unreadableFolders, disposed)) summary["unreadable"].push_back(folder);
    summary["interrupted"] = stoppedEarly;
    nlohmann::json left = nlohmann::json::array();
    for (const std::string& path : notScanned) {
      nlohmann::json entry = nlohmann::json::object();
      putNameField(entry, "path", path);
      left.push_back(std::move(entry));
    }
    summary["notScanned"] = std::move(left);
    // Names are valid UTF-8 by now; the handler only keeps a stray byte
    // elsewhere from ending the run before the summary is written.
    std::string error;
    if (!writeFileReplacing(summaryJson,
                            summary.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                            &error)) {
      std::fprintf(stderr, "quilve-scan: cannot write %s: %s\n", messageText(summaryJson).c_str(),
                   messageText(error).c_str());
      summaryWritten = false;
    }
  }

  if (result.writeFailures > 0) {
    std::fprintf(stderr, "quilve-scan: %zu results rows or zero-crossing records could not be written\n",
                 result.writeFailures);
  }
  if (stoppedEarly) return 128 + interruption.signal();
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "quilve-scan: standard output: %s\n", std::strerror(errno));
    return 1;
  }
  if (paths.empty() || result.unreadable == paths.size()) return 1;
  if (!disposedAll || !summaryWritten || result.writeFailures > 0 || sonograms.anyFailed()) return 1;
  // The scan ran and every output was written, but not every recording
  // was read whole: each was named above and is in the summary.
  if (!unreadableFolders.empty() ||
      std::any_of(result.recordings.begin(), result.recordings.end(),
                  [](const BatchRecordingReport& r) { return r.status != ReadStatus::Whole; })) {
    return kExitNotAllRead;
  }
  return 0;
}
