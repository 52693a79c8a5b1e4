#include "engine/scan_results.h"

#include <mutex>

#include "input/wide_path.h"
#include "output/file_operations.h"

namespace quilve {

ListedFile listedFile(const FileEntry& entry, const std::string& inputDirectory) {
  ListedFile f;
  f.name = entry.name;
  // An entry added by name alone names a file in the input directory.
  f.path = entry.path == entry.name ? joinPath(inputDirectory, entry.name) : entry.path;
  f.hold = entry.hold;
  f.identity = entry.identity;
  f.subfolder = entry.subfolder;
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
  for (const FileEntry& e : entries) out.push_back(listedFile(e, lists_.inputDirectory));
  return out;
}

bool ScanResultsLists::selectedFile(ResultList list, ListedFile* file) const {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  const FileList& l = resultList(list);
  const int sel = l.selection();
  if (sel == FileList::kNone || sel >= l.size()) return false;
  *file = listedFile(l.at(sel), lists_.inputDirectory);
  return true;
}

void ScanResultsLists::removeHandled(ResultList list, const std::vector<std::string>& paths) {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  FileList& l = list == ResultList::Passed ? lists_.passed : lists_.failed;
  // Entries added by name alone are known by their name.
  std::vector<std::string> keys = paths;
  const std::string& dir = lists_.inputDirectory;
  for (const std::string& p : paths) {
    if (!dir.empty() && p.size() > dir.size() && p.compare(0, dir.size(), dir) == 0 &&
        p.find_first_of(pathSeparators(), dir.size()) == std::string::npos) {
      keys.push_back(p.substr(dir.size()));
    }
  }
  l.removePaths(keys);
  lists_.input.removePaths(keys);
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
