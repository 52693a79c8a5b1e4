#include "engine/file_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace quilve {

namespace {

int lower(char c) { return std::tolower(static_cast<unsigned char>(c)); }

bool sameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

bool nameBefore(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int x = lower(a[i]);
    const int y = lower(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
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

int FileList::add(const std::string& name, int value, bool replace) {
  if (replace) {
    const int existing = find(name);
    if (existing != kNone) {
      entries_[static_cast<std::size_t>(existing)].value = value;
      return existing;
    }
  }
  // The first entry that sorts after the new name; after a drag the list
  // may be out of order, and the new entry still lands beside its peers.
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const FileEntry& e) { return nameBefore(name, e.name); });
  const int index = static_cast<int>(it - entries_.begin());
  entries_.insert(it, FileEntry{name, value});
  if (selection_ != kNone && selection_ >= index) ++selection_;
  return index;
}

bool FileList::remove(int index) {
  if (index < 0 || index >= size()) return false;
  entries_.erase(entries_.begin() + index);
  if (selection_ == index) {
    selection_ = kNone;
  } else if (selection_ > index) {
    --selection_;
  }
  return true;
}

void FileList::clear() {
  entries_.clear();
  selection_ = kNone;
}

bool FileList::select(int index) {
  if (index < 0 || index >= size()) return false;
  selection_ = index;
  return true;
}

int FileList::find(const std::string& name) const {
  for (int i = 0; i < size(); ++i) {
    if (sameNoCase(entries_[static_cast<std::size_t>(i)].name, name)) return i;
  }
  return kNone;
}

bool FileList::selectByName(const std::string& name) { return select(find(name)); }

bool FileList::removeSelected(int* value) {
  if (selection_ == kNone) return false;
  if (value) *value = entries_[static_cast<std::size_t>(selection_)].value;
  return remove(selection_);
}

bool FileList::move(int from, int to) {
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
  return true;
}

std::int64_t FileList::sum() const {
  std::int64_t total = 0;
  for (const FileEntry& e : entries_) total += e.value;
  return total;
}

bool FileList::fillFromDirectory(const std::string& directory, const std::string& pattern) {
  clear();
  std::error_code ec;
  std::filesystem::directory_iterator it(directory, ec);
  if (ec) return false;
  std::vector<FileEntry> found;
  for (const auto& entry : it) {
    std::error_code fileEc;
    if (!entry.is_regular_file(fileEc)) continue;
    const std::string name = entry.path().filename().string();
    if (wildcardMatch(pattern, name)) found.push_back(FileEntry{name, 0});
  }
  std::sort(found.begin(), found.end(),
            [](const FileEntry& a, const FileEntry& b) { return nameBefore(a.name, b.name); });
  entries_ = std::move(found);
  return true;
}

}  // namespace quilve
