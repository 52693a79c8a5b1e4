#pragma once
// What happens to scanned recordings on disk after a scan: passed files are
// archived (copied) or moved into a directory, failed files are sent to the
// trash or moved. The Scan Results window runs these with a confirmation
// question, the operation timer without one, and the batch tool from its
// options; all of them go through FileDisposition.
//
// The operations never replace a file silently and never drop a list entry
// whose file is still in the input directory: an entry leaves the lists
// exactly when its file was moved or trashed. A recording is only filed away
// when it is certain what it is: a failed recording that was not read whole
// stays where it is (unless the person, asked about the selected one, says
// to go on; a copy leaves it in place anyway, so it is made and named), and
// so does any recording still being written (its
// size or time changed since the scan opened it), any recording replaced
// since the scan (it is no longer the file that was read) and any entry that
// is a symbolic link (neither the link nor its target is touched); each one
// left in place is named with its reason. A recording that another program
// moved or removed since the scan is named as no longer there: not a
// failure, and its entry stays.
#include <cstdint>
#include <string>
#include <vector>

#include "input/file_identity.h"
#include "output/file_operations.h"

namespace quilve {

enum class ResultList { Passed, Failed };
enum class PassedAction { Archive, Move };
enum class FailedAction { Delete, Move };

struct DispositionState {
  // Target directories; the pickers store them with a trailing separator.
  // Empty means none chosen. Cleared by Clear All.
  std::string archiveDirectory;
  std::string moveDirectory;
  PassedAction passedAction = PassedAction::Archive;
  FailedAction failedAction = FailedAction::Delete;
};

// Captions of the Scan Results buttons for the current actions: "Archive",
// "Archive All", "Move", "Move All", "Delete", "Delete All".
const char* passedButtonCaption(PassedAction action, bool all);
const char* failedButtonCaption(FailedAction action, bool all);

// The dialogs disposition needs from whoever runs it.
class DispositionHost {
 public:
  virtual ~DispositionHost() = default;
  // Yes/No question with a question icon; true for Yes.
  virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
  // Warning box titled "Warning".
  virtual void warning(const std::string& text) = 0;
  // Folder browser with that title; true and the folder when one was chosen.
  virtual bool pickFolder(const std::string& title, std::string* folder) = 0;
  // Progress of a running operation ("Archiving Files", "Moving Files",
  // "Deleting File", "Deleting Files"): `done` of `total` files handled.
  virtual void progress(const std::string& title, int done, int total) {
    (void)title;
    (void)done;
    (void)total;
  }
  // Recordings another program moved or removed since the scan, one line
  // each ("<path>: no longer there: ..."); by default one warning.
  virtual void noLongerThere(const std::vector<std::string>& lines);
};

// One recording of a result list as disposition sees it.
struct ListedFile {
  std::string name;  // as the list shows it
  std::string path;  // full path: the file that is handled
  // Why it was not read whole; a failed recording with a reason is never
  // moved or trashed. Empty when it was read whole.
  std::string hold;
  // The file when the scan opened it; unknown when it was not opened.
  FileIdentity identity;
  // Where below the target folder a copy or move puts it ("Site1/0601" for
  // a recording found that far below the scanned folder), so that equal
  // names of different branches never meet; empty: the target itself.
  std::string subfolder;
};

// The passed-files and failed-files lists and the input file list, as
// disposition sees them. Implementations lock as they need; no call is made
// while a file operation runs.
class DispositionLists {
 public:
  virtual ~DispositionLists() = default;
  virtual std::vector<ListedFile> files(ResultList list) const = 0;
  // The list's selected entry; false when nothing is selected.
  virtual bool selectedFile(ResultList list, ListedFile* file) const = 0;
  // These files left their directory: remove their entries (by path) from
  // `list` and from the input file list.
  virtual void removeHandled(ResultList list, const std::vector<std::string>& paths) = 0;
};

// Why `file` must stay where it is when its list is disposed of, or empty:
// a failed recording that was not read whole, any recording whose size or
// time changed since the scan opened it (still being written), one replaced
// since the scan, or an entry that is a symbolic link. A recording known
// from the scan that is gone from its path has no reason; `missing` (when
// given) is set for it.
std::string leaveInPlaceReason(ResultList list, const ListedFile& file, bool* missing = nullptr);
// Its two parts: "it was not read whole (...)" for a failed recording that
// was not (else empty), and the reasons of the file itself (still being
// written, replaced, a symbolic link), with `missing` as above.
std::string notReadWholeText(ResultList list, const ListedFile& file);
std::string changedSourceReason(const ListedFile& file, bool* missing = nullptr);

class FileDisposition {
 public:
  FileDisposition(DispositionState& state, DispositionLists& lists, DispositionHost& host);

  // The operations on one list. The single-file ones act on the selected
  // entry and return true when its file was handled; the "All" ones act on
  // every entry, report the files that could not be handled in one warning
  // and return true only when every file was handled (false at once, without
  // a question, for an empty list). Files left in place with a reason and
  // files no longer there are reported but do not make an "All" operation
  // fail; the single-file ones return false for them. With `confirm` the user is asked first,
  // and a name that already exists in the target directory is a question;
  // without it, such a file stays where it is and is reported.
  //
  // Archive copies into the archive directory (passed action Archive) or
  // moves there (Move); Move moves into the move directory; Trash sends the
  // files to the trash.
  bool archive(ResultList list, bool confirm);
  bool archiveAll(ResultList list, bool confirm);
  bool move(ResultList list, bool confirm);
  bool moveAll(ResultList list, bool confirm);
  bool trash(ResultList list, bool confirm);
  bool trashAll(ResultList list, bool confirm);

  // The Scan Results buttons: "Archive"/"Move" and "Archive All"/"Move All"
  // of the passed-files list, "Delete"/"Move" and "Delete All"/"Move All" of
  // the failed-files list. They open the folder picker where needed.
  bool passedButton();
  bool passedAllButton();
  bool failedButton();
  bool failedAllButton();

  // Folder pickers; true when a folder was chosen (else the directory keeps
  // its value).
  bool pickArchiveDirectory();
  bool pickMoveDirectory();

  // After a timed scan: the passed files go into the program's archive
  // directory (passed action Move from then on), or to the trash when it is
  // empty; the failed files go to the trash.
  void timedDisposition(const std::string& programArchiveDirectory);

  // Paths of the files the last operation copied, moved or trashed.
  const std::vector<std::string>& lastHandled() const { return lastHandled_; }

 private:
  enum class Kind { Copy, Move, Trash };
  struct Job {
    Kind kind;
    std::string directory;
    std::string caption;
    std::string progressTitle;
    const char* missingDirectoryWarning;  // null for Trash
  };

  Job archiveJob(bool all) const;
  Job moveJob(bool all) const;
  Job trashJob(bool all) const;
  bool runOne(ResultList list, bool confirm, const Job& job, const char* questionFormat,
              bool questionTakesName);
  bool runAll(ResultList list, bool confirm, const Job& job, const std::string& question);
  // Runs the file operation for one entry; `declined` is set when the user
  // would not replace an existing file, `left` to the state of a source that
  // is no longer the file the scan read (then nothing was done).
  bool handleFile(const Job& job, const ListedFile& file, bool confirm, bool* declined,
                  SourceState* left, std::string* error);
  std::string donePhrase(const Job& job) const;

  DispositionState& state_;
  DispositionLists& lists_;
  DispositionHost& host_;
  std::vector<std::string> lastHandled_;
};

// The program directory picker of the Operation Timer window: `buffer`
// receives the folder without a trailing separator.
bool pickProgramDirectory(DispositionHost& host, std::string* buffer);

// Renames a file without asking or showing anything; false when either
// path is empty, the rename fails or `to` exists already.
bool renameFile(const std::string& from, const std::string& to);

}  // namespace quilve
