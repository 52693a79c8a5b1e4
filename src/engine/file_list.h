#pragma once
// The models behind the input file list and the passed-files and failed-files
// lists: entries kept in name order (compared without regard to case, as a
// sorted list box does), each with an integer value (a recording's call
// count), one selected entry, and reordering by dragging.
//
// Entries of the scan lists are recordings and are known by their full path:
// two recordings of the same name in two directories, or names that differ
// only in case, are two entries. Lookups by path go through an index and
// entries added in bulk are merged into place when the list is next read, so
// building, searching and writing a list of a million recordings takes
// seconds. Plain lists (list boxes of names) use the name as the path.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "input/file_identity.h"

namespace quilve {

struct FileEntry {
  std::string name;  // shown in the list: the bare file name
  int value = 0;
  std::string path;  // the recording's full path; the name in plain lists
  // Why a failed-files disposition must leave this recording where it is
  // (it was not read whole); empty when nothing holds it.
  std::string hold;
  // The file when the scan opened it. A recording that is no longer that
  // file, unchanged, at its disposition stays where it is.
  FileIdentity identity;
  // The folder below the scanned folder the recording was found in (a scan
  // of a tree); its disposition keeps it below the target. Empty for a
  // recording of the scanned folder itself or one given by name.
  std::string subfolder;
};

class FileList {
 public:
  static constexpr int kNone = -1;

  // Inserts in name order and returns the index. With `replace`, an entry
  // of the same name (any case) keeps its place and takes the new value.
  int add(const std::string& name, int value, bool replace = false);
  // Puts a recording in name order, replacing the entry of exactly the same
  // path (which keeps its place and takes the new fields). With `select`,
  // it becomes the selection. Costs O(1) on average: the list is put in
  // order when it is next read by index.
  void put(FileEntry entry, bool select = false);
  bool remove(int index);
  void clear();

  int size() const { return static_cast<int>(entries_.size() + pending_.size()); }
  bool empty() const { return size() == 0; }
  const FileEntry& at(int index) const;
  const std::vector<FileEntry>& entries() const;

  int selection() const;
  bool select(int index);
  void clearSelection();
  // Selects the entry of that name (any case); false when there is none.
  bool selectByName(const std::string& name);
  // Index of the entry of exactly that name compared without case, or kNone.
  int find(const std::string& name) const;
  // Index of the entry of exactly that path, or kNone.
  int findPath(const std::string& path) const;
  bool containsPath(const std::string& path) const { return index_.count(path) != 0; }
  // Removes the entry of that path; false when there is none.
  bool removePath(const std::string& path);
  // Removes every entry whose path is among `paths`, in one pass; returns
  // how many went.
  std::size_t removePaths(const std::vector<std::string>& paths);
  // Removes the selected entry; false when nothing is selected.
  bool removeSelected(int* value = nullptr);

  // Drops the entry `from` on the entry `to`: it is removed and inserted at
  // that entry's position (one less when it came from above). `to` equal to
  // size() moves it to the end. The moved entry keeps its value and becomes
  // the selection.
  bool move(int from, int to);

  // Sum of all entry values.
  std::int64_t sum() const { return sum_; }

  // Replaces the entries with the regular files of `directory` whose names
  // match the wildcard `pattern` ("*" and "?", compared without case); each
  // entry's path is the directory joined with its name.
  // False when the directory cannot be read (the list is then empty).
  bool fillFromDirectory(const std::string& directory, const std::string& pattern);

 private:
  void settle() const;  // merges the pending entries into place
  void indexAdd(const FileEntry& e);
  void indexRemove(const FileEntry& e);
  int insertSettled(FileEntry entry);

  // Mutable: reading by index puts pending entries in place first.
  mutable std::vector<FileEntry> entries_;
  mutable std::vector<FileEntry> pending_;
  mutable int selection_ = kNone;
  mutable std::string pendingSelection_;  // path to select once settled
  mutable bool hasPendingSelection_ = false;
  bool sorted_ = true;  // entries_ are in name order (no drag since the last fill)
  // Path -> number of entries with it (plain lists may repeat a name).
  std::unordered_map<std::string, int> index_;
  std::int64_t sum_ = 0;
};

// Wildcard match of "*" and "?" without regard to ASCII case.
bool wildcardMatch(const std::string& pattern, const std::string& name);

// Entry order of the lists: names compared without regard to ASCII case,
// then byte by byte so that the order is total.
bool nameBefore(const std::string& a, const std::string& b);

// Order of entries: by name (nameBefore), then by path.
bool entryBefore(const FileEntry& a, const FileEntry& b);

}  // namespace quilve
