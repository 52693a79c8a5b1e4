#pragma once
// The Scan Results lists as file disposition works on them, and Clear All.
#include <string>
#include <vector>

#include "engine/scan_control.h"
#include "engine/scan_state.h"
#include "output/file_disposition.h"

namespace quilve {

// DispositionLists over the program's ScanLists; every call holds the
// lists' mutex for its own duration only.
class ScanResultsLists : public DispositionLists {
 public:
  explicit ScanResultsLists(ScanLists& lists) : lists_(lists) {}
  std::vector<ListedFile> files(ResultList list) const override;
  bool selectedFile(ResultList list, ListedFile* file) const override;
  void removeHandled(ResultList list, const std::vector<std::string>& paths) override;

 private:
  const FileList& resultList(ResultList list) const;
  ScanLists& lists_;
};

// The disposition view of a list entry; an entry known only by its name is
// a file in `inputDirectory`.
ListedFile listedFile(const FileEntry& entry, const std::string& inputDirectory);

// Clear All of the Scan Results window: both result lists, the archive and
// move directories, and the counters with the open pass's call count. The
// input file list, the actions and the bat-pass times are left alone.
void clearAll(ScanLists& lists, ScanSession& session, DispositionState& disposition);

}  // namespace quilve
