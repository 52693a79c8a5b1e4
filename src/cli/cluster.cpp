#include "cli/cluster.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "cli/local_process.h"
#include "output/name_text.h"
#include "quilve_version.h"
#include "settings/settings_names.h"

namespace quilve {

namespace fs = std::filesystem;

namespace {

void problem(const std::string& file, const std::string& text) {
  std::fprintf(stderr, "quilve-scan: %s: %s\n", messageText(file).c_str(), messageText(text).c_str());
}

bool parseShard(const std::string& text, std::uint32_t* index, std::uint32_t* count) {
  const auto slash = text.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == text.size()) return false;
  const std::string k = text.substr(0, slash);
  const std::string n = text.substr(slash + 1);
  auto digits = [](const std::string& s) {
    return s.size() <= 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(k) || !digits(n)) return false;
  *index = static_cast<std::uint32_t>(std::stoul(k));
  *count = static_cast<std::uint32_t>(std::stoul(n));
  return *count >= 1 && *index < *count;
}

// The folder this program runs in, by the name the shell that started it
// gives it where that names the same folder (so a job started with "cd
// /shared/x" records /shared/x on every node, whatever links lead there).
std::string workingFolder() {
  std::error_code ec;
  const fs::path physical = fs::current_path(ec);
  if (const char* logical = std::getenv("PWD"); logical && fs::u8path(logical).is_absolute() &&
                                                  fs::equivalent(logical, physical, ec)) {
    return logical;
  }
  return physical.u8string();
}

bool sameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  return a == b || fs::equivalent(fs::u8path(a), fs::u8path(b), ec);
}

OutcomeFileHeader headerFor(const std::vector<std::string>& paths, const std::vector<std::string>& subfolders,
                            const ScanSettings& settings, std::uint32_t index, std::uint32_t count) {
  OutcomeFileHeader h;
  h.programVersion = kProgramVersion;
  h.settingsValues = settingsValuesText(settings);
  h.settingsDigest = sha256Hex(h.settingsValues);
  h.listLength = paths.size();
  h.listDigest = listDigest(paths, subfolders);
  h.shardIndex = index;
  h.shardCount = count;
  const Slice s = sliceOf(paths.size(), index, count);
  h.sliceFirst = s.first;
  h.sliceCount = s.count;
  if (std::any_of(paths.begin(), paths.end(), [](const std::string& p) { return fs::u8path(p).is_relative(); })) {
    h.workingFolder = workingFolder();
  }
  return h;
}

bool sameHeader(const OutcomeFileHeader& a, const OutcomeFileHeader& b) {
  return a.programVersion == b.programVersion && a.settingsDigest == b.settingsDigest &&
         a.settingsValues == b.settingsValues && a.listLength == b.listLength && a.listDigest == b.listDigest &&
         a.shardIndex == b.shardIndex && a.shardCount == b.shardCount && a.sliceFirst == b.sliceFirst &&
         a.sliceCount == b.sliceCount && a.workingFolder == b.workingFolder;
}

// An outcome file opened for reading.
struct OpenOutcomes {
  std::ifstream stream;
  std::unique_ptr<OutcomeFileReader> reader;
};

// Opens `path` and reads its header; on failure `error` names the problem.
bool openOutcomes(const std::string& path, OpenOutcomes* open, std::string* error) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(fs::u8path(path), ec);
  if (ec) {
    *error = "cannot be read: " + ec.message();
    return false;
  }
  open->stream.open(fs::u8path(path), std::ios::binary);
  if (!open->stream) {
    *error = std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  open->reader = std::make_unique<OutcomeFileReader>(open->stream, size);
  if (!open->reader->readHeader()) {
    *error = open->reader->error();
    return false;
  }
  return true;
}

// The settings lines of `theirs` that differ from `ours`, for the message.
std::string settingsDifference(const std::string& theirs, const std::string& ours) {
  std::map<std::string, std::string> mine;
  std::istringstream a(ours);
  for (std::string line; std::getline(a, line);) {
    const auto eq = line.find('=');
    mine[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
  }
  std::string out;
  int shown = 0;
  std::istringstream b(theirs);
  for (std::string line; std::getline(b, line);) {
    const auto eq = line.find('=');
    const std::string name = line.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
    const auto here = mine.find(name);
    if (here != mine.end() && here->second == value) continue;
    if (shown++ == 4) {
      out += ", ...";
      break;
    }
    out += (out.empty() ? "" : ", ") + name + "=" + value +
           (here == mine.end() ? " (unknown here)" : " (here " + here->second + ")");
  }
  // Settings of this merge the file does not state.
  std::map<std::string, std::string> theirNames;
  std::istringstream c(theirs);
  for (std::string line; std::getline(c, line);) theirNames[line.substr(0, line.find('='))] = "";
  for (const auto& [name, value] : mine) {
    if (shown >= 5 || theirNames.count(name)) continue;
    if (shown++ == 4) {
      out += ", ...";
      break;
    }
    out += (out.empty() ? "" : ", ") + name + " not stated (here " + value + ")";
  }
  return out;
}

// Removes the temporary files that shards of this host which no longer run
// left beside `path`, and names those of other hosts.
void removeDeadTemporaries(const std::string& path, Reporter& reporter) {
  const fs::path target = fs::u8path(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string host = localHostName();
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string writer;
    long pid = 0;
    if (!parseOutcomeTemporary(target.filename().u8string(), it->path().filename().u8string(), &writer, &pid)) continue;
    const std::string name = (folder / it->path().filename()).u8string();
    if (writer != host) {
      reporter.warning(name + ": the temporary file of a shard on host " + writer + " (process " +
                       std::to_string(pid) + "); left alone, remove it if that shard no longer runs");
    } else if (pid != localProcessId() && !processRunning(pid)) {
      std::error_code removed;
      if (fs::remove(fs::u8path(name), removed)) {
        reporter.warning(name + ": removed, left by quilve-scan process " + std::to_string(pid) +
                         " on this host, which no longer runs");
      } else if (removed) {
        reporter.warning(name + ": left by a shard that no longer runs, but cannot be removed: " + removed.message());
      }
    }
  }
}

}  // namespace

void addClusterOptions(CLI::App& app, ClusterOptions& options) {
  auto* list = app.add_flag("--list", options.list, "Print the input list in scan order, one path a line");
  auto* shard = app.add_option("--shard", options.shard,
                               "Analyse the K-th of N slices of the input list (K from 0) into --outcomes");
  auto* outcomes = app.add_option("--outcomes", options.outcomesPath, "Outcome file written by --shard");
  auto* merge = app.add_option("--merge", options.mergeFiles,
                               "Commit the outcome files of every slice as one scan of the whole list");
  shard->needs(outcomes);
  outcomes->needs(shard);
  list->excludes(shard);
  list->excludes(merge);
  shard->excludes(merge);
  for (const char* name : {"--output", "--summary-json", "--zcd-dir", "--archive", "--move-passed",
                           "--move-failed", "--trash-failed", "--dry-run"}) {
    if (CLI::Option* other = app.get_option_no_throw(name)) {
      list->excludes(other);
      shard->excludes(other);
    }
  }
}

int printInputList(const std::vector<std::string>& paths) {
  // One path a line, whatever the names hold.
  for (const std::string& p : paths) std::printf("%s\n", messageText(p).c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int runShard(const ClusterOptions& options, const std::vector<std::string>& paths,
             const std::vector<std::string>& subfolders, const ScanSettings& settings, int jobs, bool quiet, Reporter& reporter,
             const AnalysedHook& analysed, const std::atomic<bool>* stop) {
  std::uint32_t index = 0;
  std::uint32_t count = 0;
  if (!parseShard(options.shard, &index, &count)) {
    std::fprintf(stderr, "quilve-scan: --shard %s: expected K/N with 0 <= K < N\n", options.shard.c_str());
    return 2;
  }
  const OutcomeFileHeader header = headerFor(paths, subfolders, settings, index, count);
  const std::string& path = options.outcomesPath;
  removeDeadTemporaries(path, reporter);

  // A complete file for this very slice stays as it is.
  std::error_code ec;
  if (fs::exists(fs::u8path(path), ec)) {
    OpenOutcomes existing;
    std::string error;
    if (openOutcomes(path, &existing, &error) && sameHeader(existing.reader->header(), header) &&
        existing.reader->verifyRest()) {
      if (!quiet) std::printf("%s: slice %s already complete\n", messageText(path).c_str(), options.shard.c_str());
      return 0;
    }
    if (error.empty()) error = existing.reader ? existing.reader->error() : "";
    reporter.warning(path + ": " + (error.empty() ? "written for another slice, list, folder or settings" : error) +
                     "; analysing the slice again");
  }

  const auto first = paths.begin() + static_cast<std::ptrdiff_t>(header.sliceFirst);
  const std::vector<std::string> slice(first, first + static_cast<std::ptrdiff_t>(header.sliceCount));
  OutcomeFileWriter writer;
  std::string error;
  bool ok = writer.open(path, header, &error);
  std::size_t handed = 0;
  std::size_t handedSoFar = 0;
  if (ok) {
    handed = analyseInOrder(slice, settings, jobs, &reporter, [&](RecordingOutcome&& outcome) {
      if (!outcome.opened) {
        std::fprintf(stderr, "quilve-scan: %s: cannot be read: %s\n", messageText(outcome.path).c_str(),
                     messageText(outcome.openFailure).c_str());
      } else if (outcome.readFailed) {
        std::fprintf(stderr, "quilve-scan: %s: read error; scanned up to it\n", messageText(outcome.path).c_str());
      }
      const std::size_t at = header.sliceFirst + handedSoFar++;
      if (at < subfolders.size()) outcome.subfolder = subfolders[at];
      if (ok) ok = writer.write(outcome, &error);
    }, analysed ? AnalysedHook([&](std::size_t i, const RecordingOutcome& outcome, Reporter& messages) {
      analysed(header.sliceFirst + i, outcome, messages);
    }) : AnalysedHook{}, stop);
  }
  if (ok && handed < slice.size()) {
    // Interrupted: an outcome file is complete or absent, so this one is
    // not committed (the writer removes it) and the next run analyses the
    // slice again.
    std::fprintf(stderr, "quilve-scan: %s: interrupted after %zu of %zu recordings of the slice; no outcome file "
                 "was written\n", messageText(path).c_str(), handed, slice.size());
    return -1;
  }
  if (ok) ok = writer.commit(&error);
  if (!ok) {
    std::fprintf(stderr, "quilve-scan: %s\n", messageText(error).c_str());
    return 1;
  }
  if (!quiet) {
    std::printf("%s: slice %s, recordings %llu to %llu of %llu\n", messageText(path).c_str(), options.shard.c_str(),
                static_cast<unsigned long long>(header.sliceFirst + (header.sliceCount ? 1 : 0)),
                static_cast<unsigned long long>(header.sliceFirst + header.sliceCount),
                static_cast<unsigned long long>(header.listLength));
  }
  return 0;
}

int planMerge(const std::vector<std::string>& files, const ScanSettings& settings, MergePlan* plan) {
  const std::string ourValues = settingsValuesText(settings);
  const std::string ourDigest = sha256Hex(ourValues);
  struct Checked {
    std::string file;
    OutcomeFileHeader header;
    std::vector<std::string> paths;
    std::vector<std::string> subfolders;
  };
  std::vector<Checked> good;
  bool problems = false;
  for (const std::string& file : files) {
    OpenOutcomes open;
    std::string error;
    if (!openOutcomes(file, &open, &error)) {
      problem(file, error);
      problems = true;
      continue;
    }
    Checked c{file, open.reader->header(), {}, {}};
    bool fine = true;
    if (c.header.programVersion != kProgramVersion) {
      problem(file, "written by quilve-scan " + c.header.programVersion + "; this is " + kProgramVersion);
      fine = false;
    }
    if (c.header.settingsDigest != sha256Hex(c.header.settingsValues)) {
      problem(file, "its settings digest does not match its settings (damaged file)");
      fine = false;
    } else if (c.header.settingsDigest != ourDigest || c.header.settingsValues != ourValues) {
      const std::string difference = settingsDifference(c.header.settingsValues, ourValues);
      problem(file, "analysed with other settings than this merge's: " +
                        (difference.empty() ? std::string("the same values, stated otherwise (order or spelling)")
                                            : difference));
      fine = false;
    }
    RecordingOutcome outcome;
    while (open.reader->next(&outcome)) {
      c.paths.push_back(outcome.path);
      c.subfolders.push_back(outcome.subfolder);
    }
    if (!open.reader->error().empty()) {
      problem(file, open.reader->error());
      fine = false;
    }
    if (fine) {
      good.push_back(std::move(c));
    } else {
      problems = true;
    }
  }
  if (good.empty()) {
    if (!problems) std::fprintf(stderr, "quilve-scan: --merge: no outcome files given\n");
    return 2;
  }

  // One list, split once: every slice of it exactly once.
  const OutcomeFileHeader& first = good.front().header;
  std::map<std::uint32_t, const Checked*> bySlice;
  for (const Checked& c : good) {
    if (c.header.listDigest != first.listDigest || c.header.listLength != first.listLength) {
      problem(c.file, "a shard of another input list (" + std::to_string(c.header.listLength) +
                          " recordings) than " + good.front().file + " (" + std::to_string(first.listLength) +
                          ")");
      problems = true;
    } else if (c.header.shardCount != first.shardCount) {
      problem(c.file, "one of " + std::to_string(c.header.shardCount) + " shards, but " + good.front().file +
                          " is one of " + std::to_string(first.shardCount));
      problems = true;
    } else if (!sameFolder(c.header.workingFolder, first.workingFolder)) {
      problem(c.file, "its recordings' relative paths start from " + c.header.workingFolder + ", but those of " +
                          good.front().file + " from " + first.workingFolder + " (shards run in different folders)");
      problems = true;
    } else if (const auto before = bySlice.find(c.header.shardIndex); before != bySlice.end()) {
      problem(c.file, "slice " + std::to_string(c.header.shardIndex) + "/" + std::to_string(c.header.shardCount) +
                          " again; " + before->second->file + " holds it already");
      problems = true;
    } else {
      bySlice[c.header.shardIndex] = &c;
    }
  }
  // Each missing slice by name, up to a screenful.
  constexpr std::uint32_t kNamedMissing = 20;
  std::uint32_t named = 0;
  const std::uint64_t missing = first.shardCount - bySlice.size();
  for (std::uint32_t k = 0; k < first.shardCount && named < kNamedMissing && named < missing; ++k) {
    if (bySlice.count(k)) continue;
    const Slice s = sliceOf(first.listLength, k, first.shardCount);
    std::fprintf(stderr, "quilve-scan: slice %u/%u missing: no outcome file holds recordings %llu to %llu of %llu\n",
                 k, first.shardCount, static_cast<unsigned long long>(s.first + (s.count ? 1 : 0)),
                 static_cast<unsigned long long>(s.first + s.count),
                 static_cast<unsigned long long>(first.listLength));
    ++named;
  }
  if (missing > named) {
    std::fprintf(stderr, "quilve-scan: and %llu more slices of %u missing\n",
                 static_cast<unsigned long long>(missing - named), first.shardCount);
  }
  if (missing > 0) problems = true;
  if (problems) return 2;

  plan->files.clear();
  plan->paths.clear();
  plan->subfolders.clear();
  plan->folder = first.workingFolder;
  for (const auto& [index, c] : bySlice) {
    plan->files.push_back(c->file);
    plan->paths.insert(plan->paths.end(), c->paths.begin(), c->paths.end());
    plan->subfolders.insert(plan->subfolders.end(), c->subfolders.begin(), c->subfolders.end());
  }
  if (listDigest(plan->paths, plan->subfolders) != first.listDigest) {
    std::fprintf(stderr, "quilve-scan: --merge: the recordings of the outcome files do not make up the list "
                         "they were split from\n");
    return 2;
  }
  return 0;
}

int enterShardsFolder(MergePlan& plan, const std::vector<std::string*>& outputs) {
  if (plan.folder.empty()) return 0;
  std::error_code ec;
  const fs::path here = fs::current_path(ec);
  if (!ec && sameFolder(here.u8string(), plan.folder)) return 0;
  std::vector<std::string> absolute;
  for (const std::string* p : outputs) absolute.push_back(p->empty() ? *p : fs::absolute(fs::u8path(*p), ec).u8string());
  std::vector<std::string> files;
  for (const std::string& f : plan.files) files.push_back(fs::absolute(fs::u8path(f), ec).u8string());
  if (!ec) fs::current_path(fs::u8path(plan.folder), ec);
  if (ec) {
    std::fprintf(stderr,
                 "quilve-scan: --merge: the recordings' relative paths start from %s, where the shards ran, "
                 "which cannot be entered from here (%s): %s\n",
                 plan.folder.c_str(), workingFolder().c_str(), ec.message().c_str());
    return 2;
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) *outputs[i] = absolute[i];
  plan.files = files;
  return 0;
}

BatchResult commitMerge(const MergePlan& plan, const ScanSettings& settings, const BatchOptions& options,
                        ScanLists& lists, ScanSession& session, bool* failed) {
  *failed = false;
  BatchCommitter committer(settings, options, lists, session, plan.paths.size());
  std::size_t index = 0;
  for (const std::string& file : plan.files) {
    OpenOutcomes open;
    std::string error;
    if (!openOutcomes(file, &open, &error)) {
      problem(file, "changed since it was checked: " + error);
      *failed = true;
      break;
    }
    RecordingOutcome outcome;
    while (open.reader->next(&outcome)) {
      if (options.stop && options.stop->load()) break;
      if (index >= plan.paths.size() || outcome.path != plan.paths[index] ||
          outcome.subfolder != plan.subfolders[index]) {
        problem(file, "changed since it was checked");
        *failed = true;
        break;
      }
      committer.commit(outcome);
      index += 1;
    }
    if (*failed) break;
    if (options.stop && options.stop->load()) break;
    if (!open.reader->error().empty()) {
      problem(file, "changed since it was checked: " + open.reader->error());
      *failed = true;
      break;
    }
  }
  BatchResult result = committer.finish();
  result.stopped = index < plan.paths.size() && !*failed;
  return result;
}

}  // namespace quilve
