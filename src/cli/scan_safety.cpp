#include "cli/scan_safety.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>
#include <system_error>

#include "cli/console.h"
#include "cli/recording_summary.h"
#include "engine/file_list.h"
#include "engine/recording_analyzer.h"
#include "engine/scan_results.h"
#include "output/file_disposition.h"
#include "output/file_operations.h"
#include "output/generate_zcd.h"
#include "output/recording_signature.h"
#include "output/sonogram_writer.h"
#include "output/name_text.h"

namespace quilve {

namespace fs = std::filesystem;

namespace {

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
  return fs::is_directory(p, ec) && userMayWrite(p, true);
}

// The files of the run's inputs by device and inode, with a spelling each.
class KnownFiles {
 public:
  void add(const std::string& path) {
    FileIdentity f;
    if (identityOfPath(path, &f)) byFile_.emplace(Key{f.device, f.inode}, path);
  }
  // The spelling of the known file `f` is, or null.
  const std::string* find(const FileIdentity& f) const {
    if (!f.known()) return nullptr;
    const auto it = byFile_.find(Key{f.device, f.inode});
    return it == byFile_.end() ? nullptr : &it->second;
  }

 private:
  using Key = std::pair<std::uint64_t, std::uint64_t>;
  std::map<Key, std::string> byFile_;
};

// What the run reads: the recordings, the directories they are in, and the
// trees scanned whole.
struct RunInputs {
  KnownFiles recordings;
  KnownFiles directories;
  KnownFiles trees;
};

// The tree of `trees` that `dir` (existing or not) lies in, by any name;
// null when it is in none.
const std::string* treeHolding(const std::string& dir, const KnownFiles& trees) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(fs::u8path(dir), ec), ec);
  if (ec) return nullptr;
  for (;;) {
    FileIdentity f;
    if (identityOfPath(p.u8string(), &f)) {
      if (const std::string* tree = trees.find(f)) return tree;
    }
    const fs::path parent = p.parent_path();
    if (parent == p || parent.empty()) return nullptr;
    p = parent;
  }
}

RunInputs runInputs(const std::vector<std::string>& inputs,
                    const std::vector<std::string>& recordingPaths) {
  RunInputs in;
  std::set<std::string> parents;
  auto addRecording = [&](const std::string& path) {
    in.recordings.add(path);
    const std::string parent = fs::absolute(fs::u8path(path)).parent_path().u8string();
    if (parents.insert(parent).second) in.directories.add(parent);
  };
  for (const std::string& p : recordingPaths) addRecording(p);
  for (const std::string& p : inputs) {
    std::error_code ec;
    if (fs::is_directory(fs::u8path(p), ec)) {
      in.directories.add(p);
    } else if (fs::exists(fs::u8path(p), ec)) {
      addRecording(p);
    }
  }
  return in;
}

// Problem of a file the run writes, or empty: it must not be a recording
// of the run nor any other recording.
std::string checkWrittenFile(const std::string& head, const std::string& path,
                             const RunInputs& inputs) {
  FileIdentity target;
  if (!identityOfPath(path, &target)) return {};
  if (const std::string* r = inputs.recordings.find(target)) {
    return head + "is the recording " + *r + " (the same file); choose another name";
  }
  if (holdsRecording(path)) {
    return head + "holds a recording (a WAV or WavPack file), which is not replaced; choose "
                  "another name";
  }
  return {};
}

// Problem of an output file option, or empty.
std::string checkOutputFile(const std::string& option, const std::string& path,
                            const RunInputs& inputs) {
  if (path.empty()) return {};
  const std::string head = option + " " + path + ": ";
  std::error_code ec;
  if (fs::is_directory(fs::u8path(path), ec)) return head + "is a directory";
  return checkWrittenFile(head, path, inputs);
}

// Problem of a directory target, or empty.
std::string checkDirectory(const std::string& option, const std::string& dir,
                           const RunInputs& inputs, bool create) {
  const std::string head = option + " " + dir + ": ";
  // Checked before it is made: nothing is left in the tree.
  if (const std::string* tree = treeHolding(dir, inputs.trees)) {
    return head + "lies in the tree " + *tree + " scanned with -r, whose next scan would find its recordings again";
  }
  std::error_code ec;
  const fs::path path = fs::u8path(dir);
  if (fs::exists(path, ec)) {
    if (!fs::is_directory(path, ec)) return head + "is a file, not a directory";
    if (!writableDirectory(path)) return head + "the directory is not writable";
  } else {
    const fs::path base = existingAncestor(path);
    if (!fs::is_directory(base, ec)) return head + "cannot be created: " + base.u8string() + " is a file";
    if (!writableDirectory(base)) {
      return head + "cannot be created: " + base.u8string() + " is not writable";
    }
    if (create) {
      fs::create_directories(path, ec);
      if (ec) return head + "cannot be created: " + ec.message();
    }
  }
  FileIdentity target;
  if (identityOfPath(dir, &target)) {
    if (const std::string* in = inputs.directories.find(target)) {
      return head + (*in == dir ? std::string("is an input directory")
                                : "is an input directory (" + *in + ", the same directory)");
    }
  }
  return {};
}

}  // namespace

std::string checkRunTargets(const RunTargets& targets,
                            const std::vector<std::string>& recordingPaths, bool dryRun) {
  RunInputs inputs = runInputs(targets.inputs, recordingPaths);
  for (const std::string& tree : targets.trees) inputs.trees.add(tree);
  const DispositionRequest& d = targets.dispose;
  const std::pair<const char*, std::string> directories[] = {
      {"--archive", d.archive},
      {"--move-passed", d.movePassed},
      {"--move-failed", d.moveFailed},
  };
  for (const auto& [option, dir] : directories) {
    if (dir.empty()) continue;
    const std::string problem = checkDirectory(option, dir, inputs, !dryRun);
    if (!problem.empty()) return problem;
  }
  if (!targets.zeroCrossingDirectory.empty()) {
    std::error_code ec;
    const fs::path path = fs::u8path(targets.zeroCrossingDirectory);
    const std::string head = "--zcd-dir " + targets.zeroCrossingDirectory + ": ";
    if (fs::exists(path, ec)) {
      if (!fs::is_directory(path, ec)) return head + "is a file, not a directory";
      if (!writableDirectory(path)) return head + "the directory is not writable";
    } else {
      const fs::path base = existingAncestor(path);
      if (!writableDirectory(base)) return head + "cannot be created under " + base.u8string();
      if (!dryRun) {
        fs::create_directories(path, ec);
        if (ec) return head + "cannot be created: " + ec.message();
      }
    }
  }
  if (!targets.resultsPath.empty()) {
    std::error_code ec;
    const fs::path path = fs::u8path(targets.resultsPath);
    const std::string head = "--output " + targets.resultsPath + ": ";
    if (fs::is_directory(path, ec)) return head + "is a directory";
    fs::path parent = fs::absolute(path, ec).parent_path();
    if (!fs::is_directory(parent, ec)) return head + "its directory " + parent.u8string() + " does not exist";
    if (!writableDirectory(parent)) return head + "its directory " + parent.u8string() + " is not writable";
    if (fs::exists(path, ec) && !userMayWrite(path, false)) return head + "the file is not writable";
    // Writing the results over a recording would destroy it.
    const std::string problem = checkWrittenFile(head, targets.resultsPath, inputs);
    if (!problem.empty()) return problem;
  }
  const std::pair<const char*, std::string> files[] = {
      {"--summary-json", targets.summaryJson},
      {"--save-settings", targets.saveSettings},
      {"--outcomes", targets.outcomes},
  };
  for (const auto& [option, path] : files) {
    const std::string problem = checkOutputFile(option, path, inputs);
    if (!problem.empty()) return problem;
  }
  // The files written per recording, by the names they will have.
  std::string zcDirectory = targets.zeroCrossingDirectory;
  if (zcDirectory.empty() && !targets.resultsPath.empty()) {
    zcDirectory = fs::absolute(fs::u8path(targets.resultsPath)).parent_path().u8string();
  }
  if (targets.separateZeroCrossingFiles && !zcDirectory.empty()) {
    for (std::size_t i = 0; i < recordingPaths.size(); ++i) {
      const std::string& recording = recordingPaths[i];
      const std::string folder = i < targets.subfolders.size() ? joinPath(zcDirectory, targets.subfolders[i]) : zcDirectory;
      const std::string path = GenerateZCD::filePathFor(folder, recording);
      const std::string problem =
          checkWrittenFile("zero-crossing file " + path + " of " + recording + ": ", path, inputs);
      if (!problem.empty()) return problem;
    }
  }
  if (!targets.sonogramDirectory.empty()) {
    const std::vector<std::string> names = SonogramWriter::pictureNames(recordingPaths, targets.subfolders);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string path = (fs::u8path(targets.sonogramDirectory) / (names[i] + "-p1.png")).u8string();
      const std::string problem = checkWrittenFile(
          "sonogram " + path + " of " + recordingPaths[i] + ": ", path, inputs);
      if (!problem.empty()) return problem;
    }
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
  // Nothing of ours failed there: a note of one line each.
  void noLongerThere(const std::vector<std::string>& lines) override {
    for (const std::string& line : lines) std::fprintf(stderr, "quilve-scan: note: %s\n", line.c_str());
  }
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
      bool missing = false;
      const std::string why = leaveInPlaceReason(list, f, &missing);
      if (missing) {
        std::printf("%s: %s\n", f.path.c_str(), sourceStateText(SourceState::Missing).c_str());
        return true;
      }
      if (why.empty()) return false;
      std::printf("would leave %s in place: %s\n", messageText(f.path).c_str(), why.c_str());
      return true;
    };
    if (!passedTarget.empty()) {
      for (const ListedFile& f : view.files(ResultList::Passed)) {
        if (leave(ResultList::Passed, f)) continue;
        std::printf("would %s %s to %s\n", request.archive.empty() ? "move" : "copy",
                    messageText(f.path).c_str(), messageText(joinPath(passedTarget, f.subfolder)).c_str());
      }
    }
    if (!request.moveFailed.empty() || request.trashFailed) {
      for (const ListedFile& f : view.files(ResultList::Failed)) {
        if (leave(ResultList::Failed, f)) continue;
        if (!request.moveFailed.empty()) {
          std::printf("would move %s to %s\n", messageText(f.path).c_str(),
                      messageText(joinPath(request.moveFailed, f.subfolder)).c_str());
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
