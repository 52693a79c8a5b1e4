#pragma once
// What the system offers the tests, and the system calls they make, behind
// one interface (platform_posix.cpp, platform_windows.cpp). A hazard the
// system does not have is skipped with the reason these functions give.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quilve::test {

// A UTF-8 path as the standard library's file streams and std::filesystem
// take it: on Windows in UTF-16 with the long-path prefix, so that names in
// any script and paths beyond 260 characters work.
std::filesystem::path filePath(const std::string& path);

// Empty where the system has the feature; otherwise why a test of it cannot
// run here. Use through SKIP_WITHOUT.
std::string noFifos();            // named pipes in the file system
std::string noPermissionBits();   // owner bits that deny reading or listing
std::string noSymbolicLinks();    // links that any user may make
std::string noSignals();          // signals sent to a process by number
std::string noDevices();          // /dev/null, /dev/full and the like
std::string noMounts();           // tmpfs and bind mounts made by the test
std::string noHiveFile();         // a settings hive kept in a file of its own

// True on Windows: names are compared without regard to case there, so two
// names differing only in case are one file.
bool namesIgnoreCase();

// Whether the name of a file held open may be taken by another file or
// removed and made anew (POSIX); Windows refuses both while the file is
// open, but lets the open file be moved to another name.
bool namesOfOpenFilesReusable();
// `path` (written with '/') as the programs write the paths they build:
// with '\\' between names on Windows, unchanged elsewhere.
std::string nativeSeparators(std::string path);

// Whether the trash is the freedesktop.org one under $XDG_DATA_HOME/Trash
// (not the Windows recycle bin).
bool trashUnderDataHome();

// A FIFO at `path`, readable and writable by the owner.
bool makeFifo(const std::string& path);
// Opens the FIFO at `path` for writing, without waiting, and closes it: a
// reader blocked in its open goes on.
void unblockFifo(const std::string& path);
// Sets the permission bits (as chmod does); false where that fails.
bool setMode(const std::string& path, unsigned mode);
// Whether this process may read `path` (as access(R_OK) answers).
bool canRead(const std::string& path);
// Whether this process reads whatever the permissions say (root).
bool isSuperUser();
// Sets an environment variable of this process.
bool setEnvironment(const std::string& name, const std::string& value);

// Unsets an environment variable of this process.
bool unsetEnvironment(const std::string& name);

// Points the system's temporary folder (TMPDIR; TMP and TEMP on Windows)
// at `folder` while it lives, and puts back what was there.
class TemporaryFolderAt {
 public:
  explicit TemporaryFolderAt(const std::string& folder);
  ~TemporaryFolderAt();
  TemporaryFolderAt(const TemporaryFolderAt&) = delete;
  TemporaryFolderAt& operator=(const TemporaryFolderAt&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The variables that name the temporary folder here.
std::vector<std::string> temporaryFolderVariables();

// Broken-down UTC of `t`, safe to call from any thread.
std::tm utcTime(std::time_t t);

// This machine's host name, as the programs write it into lock files.
std::string hostName();
// A process id no process has: the id of a child that has ended.
long endedProcess();

// The file system and the file behind `path`: st_dev and st_ino on POSIX,
// the volume serial number and file index on Windows.
struct FileKey {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
};
bool fileKeyOf(const std::string& path, FileKey* key);

// The last modification time of `path` in nanoseconds since 1970 (to the
// file system's resolution), and setting it.
bool modifiedTime(const std::string& path, std::int64_t* ns);
bool setModifiedTime(const std::string& path, std::int64_t ns);

// Mounts `folder` again at `at` (a bind mount, as root), and takes it away.
bool bindMount(const std::string& folder, const std::string& at);
void unmount(const std::string& at);

// A new empty folder on another file system than `beside` (made here,
// removed by the caller), or empty where there is none: /dev/shm on
// Linux, another fixed drive on Windows.
std::string otherFileSystemFolder(const std::string& beside);

// Holds `path` open so that no other process may open, rename or delete it
// while the lock exists (Windows share modes); false where files cannot be
// locked that way.
class ExclusiveOpen {
 public:
  explicit ExclusiveOpen(const std::string& path);
  ~ExclusiveOpen();
  ExclusiveOpen(const ExclusiveOpen&) = delete;
  ExclusiveOpen& operator=(const ExclusiveOpen&) = delete;
  bool held() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace quilve::test

// Skips the running test, with the reason, where `why` is not empty.
#define SKIP_WITHOUT(why)                                      \
  do {                                                         \
    const std::string skip_reason_ = (why);                    \
    if (!skip_reason_.empty()) GTEST_SKIP() << skip_reason_;   \
  } while (0)
