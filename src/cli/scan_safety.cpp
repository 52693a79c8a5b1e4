#include "cli/scan_safety.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/recording_summary.h"
#include "engine/file_list.h"
#include "engine/recording_analyzer.h"
#include "engine/scan_results.h"
#include "output/file_disposition.h"
#include "output/file_operations.h"
#include "output/name_text.h"

namespace quilve {

namespace fs = std::filesystem;

namespace {

fs::path canonicalOf(const fs::path& p) {
  std::error_code ec;
  fs::path c = fs::weakly_canonical(fs::absolute(p, ec), ec);
  return ec ? fs::absolute(p) : c;
}

// The nearest existing directory at or above `p`.
fs::path existingAncestor(fs::path p) {
  std::error_code ec;
  p = fs::absolute(p, ec);
  while (!p.empty() && !fs::exists(p, ec)) {
    const fs::path parent = p.parent_path();
    if (parent == p) break;
    p = parent;
  }
  return p;
}

bool writableDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec) && ::access(p.c_str(), W_OK | X_OK) == 0;
}

// Problem of a directory target, or empty.
std::string checkDirectory(const std::string& option, const std::string& dir,
                           const std::vector<fs::path>& inputDirectories, bool create) {
  const std::string head = option + " " + dir + ": ";
  std::error_code ec;
  const fs::path path(dir);
  if (fs::exists(path, ec)) {
    if (!fs::is_directory(path, ec)) return head + "is a file, not a directory";
    if (!writableDirectory(path)) return head + "the directory is not writable";
  } else {
    const fs::path base = existingAncestor(path);
    if (!fs::is_directory(base, ec)) return head + "cannot be created: " + base.string() + " is a file";
    if (!writableDirectory(base)) {
      return head + "cannot be created: " + base.string() + " is not writable";
    }
    if (create) {
      fs::create_directories(path, ec);
      if (ec) return head + "cannot be created: " + ec.message();
    }
  }
  const fs::path c = canonicalOf(path);
  for (const fs::path& in : inputDirectories) {
    if (c == in) return head + "is an input directory";
  }
  return {};
}

}  // namespace

std::string checkRunTargets(const RunTargets& targets, bool dryRun) {
  std::vector<fs::path> inputDirectories;
  std::vector<fs::path> inputFiles;
  for (const std::string& in : targets.inputs) {
    std::error_code ec;
    if (fs::is_directory(in, ec)) {
      inputDirectories.push_back(canonicalOf(in));
    } else {
      const fs::path c = canonicalOf(in);
      inputFiles.push_back(c);
      inputDirectories.push_back(c.parent_path());
    }
  }
  const DispositionRequest& d = targets.dispose;
  const std::pair<const char*, std::string> directories[] = {
      {"--archive", d.archive},
      {"--move-passed", d.movePassed},
      {"--move-failed", d.moveFailed},
  };
  for (const auto& [option, dir] : directories) {
    if (dir.empty()) continue;
    const std::string problem = checkDirectory(option, dir, inputDirectories, !dryRun);
    if (!problem.empty()) return problem;
  }
  if (!targets.zeroCrossingDirectory.empty()) {
    std::error_code ec;
    const fs::path path(targets.zeroCrossingDirectory);
    const std::string head = "--zcd-dir " + targets.zeroCrossingDirectory + ": ";
    if (fs::exists(path, ec)) {
      if (!fs::is_directory(path, ec)) return head + "is a file, not a directory";
      if (!writableDirectory(path)) return head + "the directory is not writable";
    } else {
      const fs::path base = existingAncestor(path);
      if (!writableDirectory(base)) return head + "cannot be created under " + base.string();
      if (!dryRun) {
        fs::create_directories(path, ec);
        if (ec) return head + "cannot be created: " + ec.message();
      }
    }
  }
  if (!targets.resultsPath.empty()) {
    std::error_code ec;
    const fs::path path(targets.resultsPath);
    const std::string head = "--output " + targets.resultsPath + ": ";
    if (fs::is_directory(path, ec)) return head + "is a directory";
    fs::path parent = fs::absolute(path, ec).parent_path();
    if (!fs::is_directory(parent, ec)) return head + "its directory " + parent.string() + " does not exist";
    if (!writableDirectory(parent)) return head + "its directory " + parent.string() + " is not writable";
    if (fs::exists(path, ec) && ::access(path.c_str(), W_OK) != 0) return head + "the file is not writable";
    // Writing the results over a recording would destroy it.
    const fs::path c = canonicalOf(path);
    bool recording = false;
    for (const fs::path& in : inputFiles) recording |= c == in;
    for (const std::string& in : targets.inputs) {
      std::error_code dirEc;
      if (fs::is_directory(in, dirEc) && c.parent_path() == canonicalOf(in) &&
          wildcardMatch("*.w*", c.filename().string())) {
        recording = true;
      }
    }
    if (recording) return head + "is one of the recordings to scan";
  }
  return {};
}

void markBeingWritten(std::vector<BatchRecordingReport>& reports) {
  for (BatchRecordingReport& r : reports) {
    if (r.status != ReadStatus::Whole || !r.identity.known()) continue;
    FileIdentity now;
    if (!identityOfPath(r.path, &now)) continue;
    if (now.size != r.identity.size || now.modified != r.identity.modified) {
      r.status = ReadStatus::BeingWritten;
      r.reason = "still being written: its size or modification time changed while it was scanned";
    }
  }
}

namespace {

// Disposition without a person at the keyboard: nothing is asked (an
// existing file in the target is reported and left alone), warnings go to
// the reporter.
class QuietHost final : public DispositionHost {
 public:
  explicit QuietHost(Reporter& reporter) : reporter_(reporter) {}
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  void warning(const std::string& text) override { reporter_.warning(text); }
  bool pickFolder(const std::string&, std::string*) override { return false; }

 private:
  Reporter& reporter_;
};

}  // namespace

bool disposeRecordings(const DispositionRequest& request, ScanLists& scanned, Reporter& reporter,
                       std::set<std::string>* disposed) {
  const std::string passedTarget = !request.archive.empty() ? request.archive : request.movePassed;
  ScanResultsLists view(scanned);
  if (request.dryRun) {
    auto leave = [](ResultList list, const ListedFile& f) {
      const std::string why = leaveInPlaceReason(list, f);
      if (why.empty()) return false;
      std::printf("would leave %s in place: %s\n", messageText(f.path).c_str(), why.c_str());
      return true;
    };
    if (!passedTarget.empty()) {
      for (const ListedFile& f : view.files(ResultList::Passed)) {
        if (leave(ResultList::Passed, f)) continue;
        std::printf("would %s %s to %s\n", request.archive.empty() ? "move" : "copy",
                    messageText(f.path).c_str(), messageText(passedTarget).c_str());
      }
    }
    if (!request.moveFailed.empty() || request.trashFailed) {
      for (const ListedFile& f : view.files(ResultList::Failed)) {
        if (leave(ResultList::Failed, f)) continue;
        if (!request.moveFailed.empty()) {
          std::printf("would move %s to %s\n", messageText(f.path).c_str(),
                      messageText(request.moveFailed).c_str());
        } else {
          std::printf("would send %s to the trash\n", messageText(f.path).c_str());
        }
      }
    }
    return true;
  }
  bool ok = true;
  QuietHost host(reporter);
  DispositionState state;
  FileDisposition disposition(state, view, host);
  auto note = [&]() {
    if (disposed) disposed->insert(disposition.lastHandled().begin(), disposition.lastHandled().end());
  };
  if (!passedTarget.empty() && !scanned.passed.empty()) {
    state.archiveDirectory = withTrailingSeparator(passedTarget);
    state.passedAction = request.archive.empty() ? PassedAction::Move : PassedAction::Archive;
    ok &= disposition.archiveAll(ResultList::Passed, false);
    note();
  }
  if (!request.moveFailed.empty() && !scanned.failed.empty()) {
    state.moveDirectory = withTrailingSeparator(request.moveFailed);
    state.failedAction = FailedAction::Move;
    ok &= disposition.moveAll(ResultList::Failed, false);
    note();
  } else if (request.trashFailed && !scanned.failed.empty()) {
    ok &= disposition.trashAll(ResultList::Failed, false);
    note();
  }
  return ok;
}

nlohmann::json summaryJson(const ScanLists& lists, const ScanSession& session) {
  nlohmann::json j;
  auto listJson = [](const FileList& l) {
    nlohmann::json a = nlohmann::json::array();
    for (const FileEntry& e : l.entries()) {
      nlohmann::json entry = nlohmann::json::object();
      putNameField(entry, "name", e.name);
      putNameField(entry, "path", e.path);
      entry["calls"] = e.value;
      a.push_back(std::move(entry));
    }
    return a;
  };
  j["passed"] = listJson(lists.passed);
  j["failed"] = listJson(lists.failed);
  j["filesSelected"] = session.filesSelected;
  j["totalChirpCount"] = session.totalChirpCount;
  j["batPassCount"] = session.batPassCount;
  j["filesFailed"] = session.filesFailed;
  j["unreadable"] = nlohmann::json::array();
  return j;
}

nlohmann::json unreadableJson(const std::vector<BatchRecordingReport>& reports,
                              const std::set<std::string>& disposed) {
  nlohmann::json unreadable = nlohmann::json::array();
  for (const BatchRecordingReport& r : reports) {
    if (r.status == ReadStatus::Whole) continue;
    nlohmann::json entry = nlohmann::json::object();
    putNameField(entry, "path", r.path);
    entry["status"] = readStatusName(r.status);
    // A reason may quote the path or text read from the recording.
    entry["reason"] = utf8Text(r.reason);
    entry["disposed"] = disposed.count(r.path) != 0;
    unreadable.push_back(std::move(entry));
  }
  return unreadable;
}

}  // namespace quilve
