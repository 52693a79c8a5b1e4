#pragma once
// The models behind the input file list and the passed-files and failed-files
// lists: entries kept in name order (compared without regard to case, as a
// sorted list box does), each with an integer value (a recording's call
// count), one selected entry, and reordering by dragging.
#include <cstdint>
#include <string>
#include <vector>

namespace quilve {

struct FileEntry {
  std::string name;
  int value = 0;
};

class FileList {
 public:
  static constexpr int kNone = -1;

  // Inserts in name order and returns the index. With `replace`, an entry
  // of the same name (any case) keeps its place and takes the new value.
  int add(const std::string& name, int value, bool replace = false);
  bool remove(int index);
  void clear();

  int size() const { return static_cast<int>(entries_.size()); }
  bool empty() const { return entries_.empty(); }
  const FileEntry& at(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
  const std::vector<FileEntry>& entries() const { return entries_; }

  int selection() const { return selection_; }
  bool select(int index);
  void clearSelection() { selection_ = kNone; }
  // Selects the entry of that name (any case); false when there is none.
  bool selectByName(const std::string& name);
  // Index of the entry of exactly that name compared without case, or kNone.
  int find(const std::string& name) const;
  // Removes the selected entry; false when nothing is selected.
  bool removeSelected(int* value = nullptr);

  // Drops the entry `from` on the entry `to`: it is removed and inserted at
  // that entry's position (one less when it came from above). `to` equal to
  // size() moves it to the end. The moved entry keeps its value and becomes
  // the selection.
  bool move(int from, int to);

  // Sum of all entry values.
  std::int64_t sum() const;

  // Replaces the entries with the regular files of `directory` whose names
  // match the wildcard `pattern` ("*" and "?", compared without case).
  // False when the directory cannot be read (the list is then empty).
  bool fillFromDirectory(const std::string& directory, const std::string& pattern);

 private:
  std::vector<FileEntry> entries_;
  int selection_ = kNone;
};

// Wildcard match of "*" and "?" without regard to ASCII case.
bool wildcardMatch(const std::string& pattern, const std::string& name);

// Entry order of the lists: names compared without regard to ASCII case,
// then byte by byte so that the order is total.
bool nameBefore(const std::string& a, const std::string& b);

}  // namespace quilve
