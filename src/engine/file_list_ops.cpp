#include "engine/file_list_ops.h"

#include "input/recording.h"

namespace quilve {

namespace {

constexpr std::size_t kMaxPath = 260;

// Opens and closes the recording at the current path (the preview).
bool previewPath(ScanControl& control, const ScanSettings& settings, std::string* comment) {
  Recording rec;
  std::string reason;
  const std::string& path = control.currentRecordingPath;
  if (failed(openRecording(path, settings, rec, &reason))) {
    control.messageBuffer = "Failed opening file " + path;
    control.lastOpenFailure = reason;
    return false;
  }
  if (comment) *comment = previewComment(rec);
  if (failed(rec.reader->close())) {
    control.messageBuffer = "Failed closing file " + path;
    control.lastOpenFailure.clear();
    return false;
  }
  control.lastOpenFailure.clear();
  return true;
}

enum class EntryPath { Ok, NoEntry, TooLong };

// The full path of entry `index`. A path longer than the scan takes is
// handed over too, so that the caller can name it when it skips it.
EntryPath entryPath(const ScanLists& lists, int index, std::string* path) {
  if (index < 0 || index >= lists.input.size()) return EntryPath::NoEntry;
  *path = lists.inputDirectory + lists.input.at(index).name;
  return path->size() > kMaxPath ? EntryPath::TooLong : EntryPath::Ok;
}

// An entry whose full path is too long is not opened: the caller reports
// and skips it (the current path names it).
bool refuseTooLong(ScanControl& control, const std::string& path) {
  control.currentRecordingPath = path;
  control.messageBuffer = "Failed opening file " + path;
  control.lastOpenFailure =
      "the full path is longer than " + std::to_string(kMaxPath) + " characters";
  return false;
}

}  // namespace

bool resetFileList(ScanLists& lists, ScanControl& control) {
  std::lock_guard<std::mutex> lock(lists.mutex);
  if (!lists.input.select(0)) {
    control.messageBuffer = "Failed reseting file list";
    return false;
  }
  return true;
}

bool previewSelectedFile(ScanLists& lists, ScanControl& control, const ScanSettings& settings,
                         std::string* comment) {
  std::string path;
  EntryPath found;
  {
    std::lock_guard<std::mutex> lock(lists.mutex);
    found = entryPath(lists, lists.input.selection(), &path);
  }
  if (found == EntryPath::NoEntry) {
    control.messageBuffer = "Invalid selection";
    return false;
  }
  if (found == EntryPath::TooLong) return refuseTooLong(control, path);
  control.currentRecordingPath = path;
  return previewPath(control, settings, comment);
}

bool selectNextFile(const ScanLists& lists, std::string* nextPath) {
  std::lock_guard<std::mutex> lock(lists.mutex);
  const int next = lists.input.selection() + 1;
  if (lists.input.selection() == FileList::kNone || next >= lists.input.size()) return false;
  std::string path;
  entryPath(lists, next, &path);
  if (nextPath) *nextPath = path;
  return true;
}

bool previewNextFile(ScanLists& lists, ScanControl& control, const ScanSettings& settings,
                     std::string* comment) {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(lists.mutex);
    const int sel = lists.input.selection();
    const int next = sel + 1;
    if (sel == FileList::kNone || next >= lists.input.size()) {
      control.messageBuffer = "Invalid selection or reached the end of list";
      return false;
    }
    lists.input.select(next);
    if (entryPath(lists, next, &path) == EntryPath::TooLong) {
      return refuseTooLong(control, path);
    }
  }
  control.currentRecordingPath = path;
  return previewPath(control, settings, comment);
}

std::string messageWithReason(const ScanControl& control) {
  const bool openFailed = control.messageBuffer.rfind("Failed opening file", 0) == 0;
  if (!openFailed || control.lastOpenFailure.empty()) return control.messageBuffer;
  return control.messageBuffer + "\n" + control.lastOpenFailure;
}

}  // namespace quilve
