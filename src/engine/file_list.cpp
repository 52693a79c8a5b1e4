#include "engine/file_list.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <unordered_set>

#include "input/file_identity.h"
#include "input/folder_entries.h"
#include "input/wide_path.h"

namespace quilve {

namespace {

// ASCII case folding without a locale look-up: the lists compare names in
// every insertion and search, so this runs millions of times on big lists.
inline unsigned char lower(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

bool sameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

bool nameBefore(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = lower(a[i]);
    const unsigned char y = lower(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool entryBefore(const FileEntry& a, const FileEntry& b) {
  if (a.name != b.name) return nameBefore(a.name, b.name);
  return a.path < b.path;
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
  // Iterative matcher with one backtrack point for the last "*".
  std::size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

void FileList::indexAdd(const FileEntry& e) {
  ++index_[e.path];
  sum_ += e.value;
}

void FileList::indexRemove(const FileEntry& e) {
  auto it = index_.find(e.path);
  if (it != index_.end() && --it->second <= 0) index_.erase(it);
  sum_ -= e.value;
}

void FileList::settle() const {
  if (!pending_.empty()) {
    // The selected entry keeps its selection across the merge.
    std::string selectedPath;
    const bool hadSelection = selection_ != kNone && !hasPendingSelection_;
    if (hadSelection) selectedPath = entries_[static_cast<std::size_t>(selection_)].path;
    std::stable_sort(pending_.begin(), pending_.end(), entryBefore);
    std::vector<FileEntry> merged;
    merged.reserve(entries_.size() + pending_.size());
    // Equal keys: the entry already listed comes first, as with one-by-one
    // insertion.
    std::merge(std::make_move_iterator(entries_.begin()), std::make_move_iterator(entries_.end()),
               std::make_move_iterator(pending_.begin()), std::make_move_iterator(pending_.end()),
               std::back_inserter(merged), entryBefore);
    entries_ = std::move(merged);
    pending_.clear();
    if (hadSelection) {
      hasPendingSelection_ = true;
      pendingSelection_ = selectedPath;
    }
  }
  if (hasPendingSelection_) {
    hasPendingSelection_ = false;
    selection_ = kNone;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].path == pendingSelection_) {
        selection_ = static_cast<int>(i);
        break;
      }
    }
    pendingSelection_.clear();
  }
}

const FileEntry& FileList::at(int index) const {
  settle();
  return entries_.at(static_cast<std::size_t>(index));
}

const std::vector<FileEntry>& FileList::entries() const {
  settle();
  return entries_;
}

int FileList::selection() const {
  settle();
  return selection_;
}

void FileList::clearSelection() {
  selection_ = kNone;
  hasPendingSelection_ = false;
  pendingSelection_.clear();
}

int FileList::insertSettled(FileEntry entry) {
  settle();
  // The first entry that sorts after the new name; after a drag the list
  // may be out of order, and the new entry still lands beside its peers.
  auto after = [&](const FileEntry& e) { return nameBefore(entry.name, e.name); };
  std::vector<FileEntry>::iterator it;
  if (sorted_) {
    it = std::upper_bound(entries_.begin(), entries_.end(), entry, entryBefore);
  } else {
    it = std::find_if(entries_.begin(), entries_.end(), after);
  }
  const int index = static_cast<int>(it - entries_.begin());
  indexAdd(entry);
  entries_.insert(it, std::move(entry));
  if (selection_ != kNone && selection_ >= index) ++selection_;
  return index;
}

int FileList::add(const std::string& name, int value, bool replace) {
  if (replace) {
    const int existing = find(name);
    if (existing != kNone) {
      FileEntry& e = entries_[static_cast<std::size_t>(existing)];
      sum_ += static_cast<std::int64_t>(value) - e.value;
      e.value = value;
      return existing;
    }
  }
  FileEntry entry;
  entry.name = name;
  entry.path = name;
  entry.value = value;
  return insertSettled(std::move(entry));
}

void FileList::put(FileEntry entry, bool select) {
  if (containsPath(entry.path)) {
    const int existing = findPath(entry.path);
    if (existing != kNone) {
      FileEntry& e = entries_[static_cast<std::size_t>(existing)];
      sum_ += static_cast<std::int64_t>(entry.value) - e.value;
      entry.name = e.name;  // keeps its place
      e = std::move(entry);
      if (select) {
        clearSelection();
        selection_ = existing;
      }
      return;
    }
  }
  const std::string path = select ? entry.path : std::string();
  if (!sorted_) {
    const int index = insertSettled(std::move(entry));
    if (select) {
      clearSelection();
      selection_ = index;
    }
    return;
  }
  indexAdd(entry);
  if (pending_.empty() && (entries_.empty() || !entryBefore(entry, entries_.back()))) {
    entries_.push_back(std::move(entry));
    if (select) {
      clearSelection();
      selection_ = static_cast<int>(entries_.size()) - 1;
    }
    return;
  }
  pending_.push_back(std::move(entry));
  if (select) {
    selection_ = kNone;
    hasPendingSelection_ = true;
    pendingSelection_ = path;
  }
}

bool FileList::remove(int index) {
  settle();
  if (index < 0 || index >= size()) return false;
  indexRemove(entries_[static_cast<std::size_t>(index)]);
  entries_.erase(entries_.begin() + index);
  if (selection_ == index) {
    selection_ = kNone;
  } else if (selection_ > index) {
    --selection_;
  }
  return true;
}

bool FileList::removePath(const std::string& path) {
  // Most look-ups miss (a recording classified for the first time): the
  // index answers those without putting pending entries in place.
  if (!containsPath(path)) return false;
  return remove(findPath(path));
}

std::size_t FileList::removePaths(const std::vector<std::string>& paths) {
  if (paths.empty() || empty()) return 0;
  settle();
  const std::unordered_set<std::string> gone(paths.begin(), paths.end());
  std::string selectedPath;
  if (selection_ != kNone) selectedPath = entries_[static_cast<std::size_t>(selection_)].path;
  const std::size_t before = entries_.size();
  auto keep = std::remove_if(entries_.begin(), entries_.end(), [&](const FileEntry& e) {
    if (gone.count(e.path) == 0) return false;
    indexRemove(e);
    return true;
  });
  entries_.erase(keep, entries_.end());
  if (selection_ != kNone) {
    selection_ = kNone;
    if (gone.count(selectedPath) == 0) {
      hasPendingSelection_ = true;
      pendingSelection_ = selectedPath;
      settle();
    }
  }
  return before - entries_.size();
}

void FileList::clear() {
  entries_.clear();
  pending_.clear();
  index_.clear();
  sum_ = 0;
  sorted_ = true;
  clearSelection();
}

bool FileList::select(int index) {
  settle();
  if (index < 0 || index >= size()) return false;
  selection_ = index;
  return true;
}

int FileList::find(const std::string& name) const {
  settle();
  for (int i = 0; i < size(); ++i) {
    if (sameNoCase(entries_[static_cast<std::size_t>(i)].name, name)) return i;
  }
  return kNone;
}

int FileList::findPath(const std::string& path) const {
  if (!containsPath(path)) return kNone;
  settle();
  if (sorted_) {
    // Entries are ordered by name, then path; the name of a recording is
    // the text after the last separator of its path, and in plain lists the
    // path is the name.
    FileEntry key;
    key.path = path;
    const std::size_t cut = path.find_last_of(pathSeparators());
    key.name = cut == std::string::npos ? path : path.substr(cut + 1);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key, entryBefore);
    if (it != entries_.end() && it->path == path) return static_cast<int>(it - entries_.begin());
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].path == path) return static_cast<int>(i);
  }
  return kNone;
}

bool FileList::selectByName(const std::string& name) { return select(find(name)); }

bool FileList::removeSelected(int* value) {
  const int sel = selection();
  if (sel == kNone) return false;
  if (value) *value = entries_[static_cast<std::size_t>(sel)].value;
  return remove(sel);
}

bool FileList::move(int from, int to) {
  settle();
  if (from < 0 || from >= size() || to < 0 || to > size()) return false;
  if (from == to) {
    selection_ = from;
    return true;
  }
  FileEntry moved = entries_[static_cast<std::size_t>(from)];
  entries_.erase(entries_.begin() + from);
  int target = to;
  if (to == size() + 1) {
    target = size();  // dropped below the last entry
  } else if (from < to) {
    target = to - 1;
  }
  entries_.insert(entries_.begin() + target, std::move(moved));
  selection_ = target;
  sorted_ = false;
  return true;
}

bool FileList::fillFromDirectory(const std::string& directory, const std::string& pattern) {
  clear();
  std::vector<std::string> names;
  if (!folderEntries(directory, &names, nullptr)) return false;
  std::vector<FileEntry> found;
  const std::filesystem::path dir = std::filesystem::u8path(directory);
  for (const std::string& name : names) {
    if (!wildcardMatch(pattern, name)) continue;
    FileEntry e;
    e.name = name;
    e.path = (dir / std::filesystem::u8path(name)).u8string();
    FileKind kind = FileKind::Other;
    if (!identityOfPath(e.path, nullptr, nullptr, &kind) || kind != FileKind::Regular) continue;
    found.push_back(std::move(e));
  }
  std::sort(found.begin(), found.end(), entryBefore);
  for (const FileEntry& e : found) indexAdd(e);
  entries_ = std::move(found);
  return true;
}

}  // namespace quilve
