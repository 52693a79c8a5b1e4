#include "engine/scan_results.h"

#include <mutex>

namespace quilve {

namespace {

// The entry of exactly that name, else the first of that name in any case:
// names that differ only in case are different files here, so the exact
// one goes first.
int findEntry(const FileList& list, const std::string& name) {
  for (int i = 0; i < list.size(); ++i) {
    if (list.at(i).name == name) return i;
  }
  return list.find(name);
}

}  // namespace

const FileList& ScanResultsLists::resultList(ResultList list) const {
  return list == ResultList::Passed ? lists_.passed : lists_.failed;
}

std::string ScanResultsLists::inputDirectory() const {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  return lists_.inputDirectory;
}

std::vector<std::string> ScanResultsLists::names(ResultList list) const {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  std::vector<std::string> out;
  for (const FileEntry& e : resultList(list).entries()) out.push_back(e.name);
  return out;
}

bool ScanResultsLists::selectedName(ResultList list, std::string* name) const {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  const FileList& l = resultList(list);
  if (l.selection() == FileList::kNone || l.selection() >= l.size()) return false;
  *name = l.at(l.selection()).name;
  return true;
}

void ScanResultsLists::removeHandled(ResultList list, const std::string& name) {
  std::lock_guard<std::mutex> lock(lists_.mutex);
  FileList& l = list == ResultList::Passed ? lists_.passed : lists_.failed;
  const int index = findEntry(l, name);
  if (index != FileList::kNone) l.remove(index);
  const int inputIndex = findEntry(lists_.input, name);
  if (inputIndex != FileList::kNone) lists_.input.remove(inputIndex);
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
