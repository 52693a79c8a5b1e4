#include "engine/scan_results.h"

#include <mutex>

namespace quilve {

ListedFile listedFile(const FileEntry& entry) {
  ListedFile f;
  f.name = entry.name;
  f.path = entry.path;
  f.hold = entry.hold;
  f.openedSize = entry.openedSize;
  f.openedModified = entry.openedModified;
  return f;
}

const FileList& ScanResultsLists::resultList(ResultList list) const {
  return list == ResultList::Passed ? lists_.passed : lists_.failed;
}

std::vector<ListedFile> ScanResultsLists::files(ResultList list) const {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  std::vector<ListedFile> out;
  const auto& entries = resultList(list).entries();
  out.reserve(entries.size());
  for (const FileEntry& e : entries) out.push_back(listedFile(e));
  return out;
}

bool ScanResultsLists::selectedFile(ResultList list, ListedFile* file) const {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  const FileList& l = resultList(list);
  const int sel = l.selection();
  if (sel == FileList::kNone || sel >= l.size()) return false;
  *file = listedFile(l.at(sel));
  return true;
}

void ScanResultsLists::removeHandled(ResultList list, const std::vector<std::string>& paths) {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  FileList& l = list == ResultList::Passed ? lists_.passed : lists_.failed;
  l.removePaths(paths);
  lists_.input.removePaths(paths);
}

void clearAll(ScanLists& lists, ScanSession& session, DispositionState& disposition) {
  {
    std::lock_guard<std::mutex> lock(lists.mutex);
    lists.passed.clear();
    lists.failed.clear();
  }
  disposition.archiveDirectory.clear();
  disposition.moveDirectory.clear();
  session.filesSelected = 0;
  session.totalChirpCount = 0;
  session.batPassCount = 0;
  session.filesFailed = 0;
  session.passChirpCount = 0;
}

}  // namespace quilve
