#include "output/file_disposition.h"

#include <initializer_list>

#include "output/file_operations.h"

namespace quilve {

namespace {

// Longest entry text a single-file operation reads, and an "All" operation.
constexpr std::size_t kMaxSelectedName = 259;
constexpr std::size_t kMaxListedName = 260;

const char* const kNoArchiveDirectory = "No Archive directory is selected ";
const char* const kNoMoveDirectory = "No Move directory is selected ";

// `format` with its "%s" markers replaced by `values` in order; a "%s"
// inside a value is left alone.
std::string fill(const std::string& format, std::initializer_list<std::string> values) {
  std::string text;
  std::size_t from = 0;
  for (const std::string& value : values) {
    const auto pos = format.find("%s", from);
    if (pos == std::string::npos) break;
    text += format.substr(from, pos - from) + value;
    from = pos + 2;
  }
  return text + format.substr(from);
}

}  // namespace

std::string notReadWholeText(ResultList list, const ListedFile& file) {
  if (list != ResultList::Failed || file.hold.empty()) return {};
  return "it was not read whole (" + file.hold + ")";
}

std::string leaveInPlaceReason(ResultList list, const ListedFile& file, bool* missing) {
  if (missing) *missing = false;
  const std::string notWhole = notReadWholeText(list, file);
  if (!notWhole.empty()) return notWhole;
  return changedSourceReason(file, missing);
}

std::string changedSourceReason(const ListedFile& file, bool* missing) {
  if (missing) *missing = false;
  const SourceState state = checkSource(file.path, file.identity);
  if (state == SourceState::Missing) {
    if (missing) *missing = true;
    return {};
  }
  return sourceStateText(state);
}

void DispositionHost::noLongerThere(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  warning(text);
}

const char* passedButtonCaption(PassedAction action, bool all) {
  if (action == PassedAction::Move) return all ? "Move All" : "Move";
  return all ? "Archive All" : "Archive";
}

const char* failedButtonCaption(FailedAction action, bool all) {
  if (action == FailedAction::Move) return all ? "Move All" : "Move";
  return all ? "Delete All" : "Delete";
}

FileDisposition::FileDisposition(DispositionState& state, DispositionLists& lists,
                                 DispositionHost& host)
    : state_(state), lists_(lists), host_(host) {}

FileDisposition::Job FileDisposition::archiveJob(bool all) const {
  return Job{state_.passedAction == PassedAction::Move ? Kind::Move : Kind::Copy,
             state_.archiveDirectory, all ? "Archive All" : "Archive", "Archiving Files",
             kNoArchiveDirectory};
}

FileDisposition::Job FileDisposition::moveJob(bool all) const {
  return Job{Kind::Move, state_.moveDirectory, all ? "Move All" : "Move", "Moving Files",
             kNoMoveDirectory};
}

FileDisposition::Job FileDisposition::trashJob(bool all) const {
  return Job{Kind::Trash, std::string(), all ? "Delete All" : "Delete",
             all ? "Deleting Files" : "Deleting File", nullptr};
}

std::string FileDisposition::donePhrase(const Job& job) const {
  switch (job.kind) {
    case Kind::Copy:
      return "copied to " + job.directory;
    case Kind::Move:
      return "moved to " + job.directory;
    case Kind::Trash:
      break;
  }
  return "moved to the trash";
}

bool FileDisposition::handleFile(const Job& job, const ListedFile& file, bool confirm,
                                 bool* declined, SourceState* left, std::string* error) {
  *declined = false;
  *left = SourceState::Unchanged;
  const std::string& name = file.name;
  // An entry names the file at its path; anything else is not a recording
  // the scan listed.
  if (name.empty() || name.find_first_of(pathSeparators()) != std::string::npos || name == "." ||
      name == ".." || !sameNameOnFileSystem(baseName(file.path), name)) {
    *error = "not a file name";
    return false;
  }
  const std::string& source = file.path;
  if (job.kind == Kind::Trash) {
    const FileOpResult r = moveToTrash(source, file.identity);
    if (!r.ok) *error = r.error;
    *left = r.source;
    return r.ok;
  }
  // A recording of a scanned tree goes to its branch below the target.
  std::string directory = job.directory;
  if (!file.subfolder.empty() && !makeSubfolder(job.directory, file.subfolder, &directory, error)) return false;
  auto run = [&](Overwrite overwrite) {
    FileOpResult r = job.kind == Kind::Copy
                         ? copyIntoDirectory(source, directory, overwrite, file.identity)
                         : moveIntoDirectory(source, directory, overwrite, file.identity);
    *left = r.source;
    return r;
  };
  FileOpResult r = run(Overwrite::Never);
  if (!r.ok && r.targetExists && confirm) {
    if (!host_.askYesNo(job.caption,
                        fill("%s already exists in %s. Replace it?", {name, directory}))) {
      *declined = true;
      return false;
    }
    r = run(Overwrite::Replace);
  }
  if (!r.ok) *error = r.error;
  return r.ok;
}

bool FileDisposition::runOne(ResultList list, bool confirm, const Job& job,
                             const char* questionFormat, bool questionTakesName) {
  lastHandled_.clear();
  if (job.missingDirectoryWarning && job.directory.empty()) {
    host_.warning(job.missingDirectoryWarning);
    return false;
  }
  ListedFile file;
  if (!lists_.selectedFile(list, &file) || file.name.empty() ||
      file.name.size() > kMaxSelectedName) {
    host_.warning("Warning: No File Selected");
    return false;
  }
  const std::string& name = file.name;
  bool missing = false;
  // A copy leaves the recording where it is, so one not read whole is
  // copied (and said to be so); moving or trashing it is the person's
  // choice once told why, and never done unasked.
  const std::string notWhole = notReadWholeText(list, file);
  const bool askAboutHold = !notWhole.empty() && job.kind != Kind::Copy && confirm;
  const std::string why = job.kind == Kind::Copy || askAboutHold
                              ? changedSourceReason(file, &missing)
                              : leaveInPlaceReason(list, file, &missing);
  if (missing) {
    host_.noLongerThere({file.path + ": " + sourceStateText(SourceState::Missing)});
    return false;
  }
  if (!why.empty()) {
    host_.warning(file.path + " was left in place: " + why);
    return false;
  }
  const std::string question = fill(questionFormat, {questionTakesName ? name : job.directory});
  if (askAboutHold) {
    if (!host_.askYesNo(job.caption, file.path + ": " + notWhole + ".\n" + question)) return false;
  } else if (confirm && !host_.askYesNo(job.caption, question)) {
    return false;
  }
  host_.progress(job.progressTitle, 0, 1);
  bool declined = false;
  SourceState left = SourceState::Unchanged;
  std::string error;
  const bool ok = handleFile(job, file, confirm, &declined, &left, &error);
  host_.progress(job.progressTitle, 1, 1);
  if (!ok) {
    if (left == SourceState::Missing) {
      host_.noLongerThere({file.path + ": " + sourceStateText(left)});
    } else if (left != SourceState::Unchanged) {
      host_.warning(file.path + " was left in place: " + sourceStateText(left));
    } else if (!declined) {
      host_.warning(name + " was not " + donePhrase(job) + ":\n" + error);
    }
    return false;
  }
  lastHandled_ = {file.path};
  if (job.kind != Kind::Copy) lists_.removeHandled(list, {file.path});
  if (job.kind == Kind::Copy && !notWhole.empty()) {
    host_.warning(file.path + " was " + donePhrase(job) + ", but " + notWhole);
  }
  return true;
}

bool FileDisposition::runAll(ResultList list, bool confirm, const Job& job,
                             const std::string& question) {
  lastHandled_.clear();
  if (job.missingDirectoryWarning && job.directory.empty()) {
    host_.warning(job.missingDirectoryWarning);
    return false;
  }
  const std::vector<ListedFile> files = lists_.files(list);
  if (files.empty()) return false;
  if (confirm && !host_.askYesNo(job.caption, question)) return false;

  const int total = static_cast<int>(files.size());
  std::vector<std::string> handled;
  std::string report;
  std::string leftInPlace;
  std::string copiedNotWhole;
  std::vector<std::string> gone;
  int failures = 0;
  int left = 0;
  int copiedHeld = 0;
  bool allHandled = true;
  host_.progress(job.progressTitle, 0, total);
  for (int i = 0; i < total; ++i) {
    const ListedFile& file = files[static_cast<std::size_t>(i)];
    const std::string& name = file.name;
    bool declined = false;
    std::string error;
    bool ok = false;
    bool missing = false;
    const std::string notWhole = notReadWholeText(list, file);
    std::string why = job.kind == Kind::Copy ? changedSourceReason(file, &missing)
                                             : leaveInPlaceReason(list, file, &missing);
    SourceState state = missing ? SourceState::Missing : SourceState::Unchanged;
    if (why.empty() && !missing) {
      if (name.empty() || name.size() > kMaxListedName) {
        error = "the name is too long";
      } else {
        ok = handleFile(job, file, confirm, &declined, &state, &error);
        if (!ok && state != SourceState::Missing) why = sourceStateText(state);
      }
    }
    if (state == SourceState::Missing) {
      gone.push_back(file.path + ": " + sourceStateText(state));
    } else if (!why.empty()) {
      ++left;
      leftInPlace += file.path + ": " + why + "\n";
    } else if (ok) {
      handled.push_back(file.path);
      if (!notWhole.empty()) {
        ++copiedHeld;
        copiedNotWhole += file.path + ": " + notWhole + "\n";
      }
    } else {
      allHandled = false;
      if (!declined) {
        ++failures;
        report += name + ": " + error + "\n";
      }
    }
    host_.progress(job.progressTitle, i + 1, total);
  }
  if (job.kind != Kind::Copy && !handled.empty()) lists_.removeHandled(list, handled);
  lastHandled_ = handled;
  if (left > 0) {
    host_.warning(std::to_string(left) + " of " + std::to_string(total) +
                  " files were left in place:\n" + leftInPlace);
  }
  if (copiedHeld > 0) {
    host_.warning(std::to_string(copiedHeld) + " of " + std::to_string(total) + " files were " +
                  donePhrase(job) + " although not read whole:\n" + copiedNotWhole);
  }
  if (!gone.empty()) host_.noLongerThere(gone);
  if (failures > 0) {
    host_.warning(std::to_string(failures) + " of " + std::to_string(total) + " files were not " +
                  donePhrase(job) + ":\n" + report);
  }
  return allHandled;
}

bool FileDisposition::archive(ResultList list, bool confirm) {
  const char* question = state_.passedAction == PassedAction::Move
                             ? "This operation will move file to %s \n  Do you wish to continue ?"
                             : "This operation will copy file to %s \n  Do you wish to continue ?";
  return runOne(list, confirm, archiveJob(false), question, false);
}

bool FileDisposition::archiveAll(ResultList list, bool confirm) {
  const char* question = state_.passedAction == PassedAction::Move
                             ? "This operation will move files to %s \n  Do you wish to continue ?"
                             : "This operation will copy files to %s \n  Do you wish to continue ?";
  return runAll(list, confirm, archiveJob(true), fill(question, {state_.archiveDirectory}));
}

bool FileDisposition::move(ResultList list, bool confirm) {
  return runOne(list, confirm, moveJob(false),
                "This operation will move file %s \n  Do you wish to continue ?", true);
}

bool FileDisposition::moveAll(ResultList list, bool confirm) {
  return runAll(list, confirm, moveJob(true),
                "This operation to move all failed files \n  Do you wish to continue ?");
}

bool FileDisposition::trash(ResultList list, bool confirm) {
  return runOne(list, confirm, trashJob(false),
                "This operation will move file %s to RECYCLE bin  \n  Do you wish to continue ?",
                true);
}

bool FileDisposition::trashAll(ResultList list, bool confirm) {
  return runAll(
      list, confirm, trashJob(true),
      "This operation to move all failed files to the RECYCLE bin  \n  Do you wish to continue ?");
}

bool FileDisposition::passedButton() {
  if (state_.archiveDirectory.empty()) pickArchiveDirectory();
  return archive(ResultList::Passed, true);
}

bool FileDisposition::passedAllButton() {
  pickArchiveDirectory();
  return archiveAll(ResultList::Passed, true);
}

bool FileDisposition::failedButton() {
  if (state_.failedAction == FailedAction::Delete) return trash(ResultList::Failed, true);
  if (state_.moveDirectory.empty()) pickMoveDirectory();
  return move(ResultList::Failed, true);
}

bool FileDisposition::failedAllButton() {
  if (state_.failedAction == FailedAction::Delete) return trashAll(ResultList::Failed, true);
  pickMoveDirectory();
  return moveAll(ResultList::Failed, true);
}

bool FileDisposition::pickArchiveDirectory() {
  std::string folder;
  if (!host_.pickFolder("Select archive directory", &folder) || folder.empty()) return false;
  state_.archiveDirectory = withTrailingSeparator(folder);
  return true;
}

bool FileDisposition::pickMoveDirectory() {
  std::string folder;
  if (!host_.pickFolder("Select file move directory", &folder) || folder.empty()) return false;
  state_.moveDirectory = withTrailingSeparator(folder);
  return true;
}

void FileDisposition::timedDisposition(const std::string& programArchiveDirectory) {
  if (!programArchiveDirectory.empty()) {
    state_.archiveDirectory = programArchiveDirectory;
    state_.passedAction = PassedAction::Move;
    archiveAll(ResultList::Passed, false);
  } else {
    trashAll(ResultList::Passed, false);
  }
  trashAll(ResultList::Failed, false);
}

bool pickProgramDirectory(DispositionHost& host, std::string* buffer) {
  std::string folder;
  if (!host.pickFolder("Select archive directory", &folder) || folder.empty()) return false;
  *buffer = withoutTrailingSeparator(folder);
  return true;
}

bool renameFile(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
  return renameNoReplace(from, to).ok;
}

}  // namespace quilve
