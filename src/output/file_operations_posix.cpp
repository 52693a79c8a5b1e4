// The file layer on POSIX systems.
#include "output/file_operations.h"

#include "output/recycle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

namespace quilve {

namespace {

std::string errnoText(int err) { return std::strerror(err); }

FileOpResult failure(std::string text) {
  FileOpResult r;
  r.error = std::move(text);
  return r;
}

FileOpResult success() {
  FileOpResult r;
  r.ok = true;
  return r;
}

// Gives `from` the name `to`. With Overwrite::Never an existing `to` makes
// it fail with EEXIST; where the file system lacks an atomic no-replace
// rename a hard link stands in, and where that is missing too the name is
// checked just before the rename. Returns 0 or the errno value.
int placeFile(const std::string& from, const std::string& to, Overwrite overwrite) {
  if (overwrite == Overwrite::Replace) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int err = errno;
  if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return 0;
  }
  err = errno;
  if (err != EPERM && err != ENOTSUP && err != EOPNOTSUPP) return err;
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) return EEXIST;
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Makes the directory's entries durable; a failure here is not reported
// because the data are already in place.
void syncDirectory(const std::string& directory) {
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The source of a copy or a move, opened without following a symbolic link
// and compared with what the scan read.
struct OpenSource {
  int fd = -1;
  struct stat st {};
  FileIdentity identity;  // of the open file
  ~OpenSource() {
    if (fd >= 0) close(fd);
  }
};

// The result for a source left alone because of `state`.
FileOpResult leftAlone(const std::string& source, SourceState state) {
  FileOpResult r = failure(source + ": " + sourceStateText(state));
  r.source = state;
  return r;
}

// Opens `source` for reading (never through a symbolic link, never waiting
// on a FIFO) and checks that it is a regular file and, with a known
// `expected`, the very file that was read. Fills `result` and returns false
// when the operation must not run.
bool openSource(const std::string& source, const FileIdentity& expected, OpenSource* open_,
                FileOpResult* result) {
  // Nothing but a regular file is opened (a device might act on it).
  struct stat entry;
  if (lstat(source.c_str(), &entry) == 0 && !S_ISREG(entry.st_mode) && !S_ISLNK(entry.st_mode)) {
    *result = expected.known() ? leftAlone(source, SourceState::Replaced)
                               : failure(source + " is not a regular file");
    return false;
  }
  open_->fd = open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (open_->fd < 0) {
    const int err = errno;
    if (err == ELOOP) {
      *result = leftAlone(source, SourceState::SymbolicLink);
    } else if (err == ENOENT && expected.known()) {
      *result = leftAlone(source, SourceState::Missing);
    } else {
      *result = failure(source + ": " + errnoText(err));
    }
    return false;
  }
  FileKind kind = FileKind::Other;
  if (fstat(open_->fd, &open_->st) != 0 ||
      !identityOfDescriptor(open_->fd, &open_->identity, &kind)) {
    *result = failure(source + ": " + errnoText(errno));
    return false;
  }
  SourceState state = compareSource(true, kind, open_->identity, expected);
  if (state == SourceState::Replaced && open_->identity.sameFile(expected)) {
    // Only its status changed: perhaps another program is moving it away
    // right now (then the name is gone in a moment).
    if (checkSource(source, expected) == SourceState::Missing) state = SourceState::Missing;
  }
  if (state != SourceState::Unchanged) {
    *result = leftAlone(source, state);
    return false;
  }
  if (!S_ISREG(open_->st.st_mode)) {
    *result = failure(source + " is not a regular file");
    return false;
  }
  // Reads block as usual from here on.
  const int flags = fcntl(open_->fd, F_GETFL);
  if (flags >= 0) fcntl(open_->fd, F_SETFL, flags & ~O_NONBLOCK);
  return true;
}

// Checks the target directory of a copy or a move of the open `sourceStat`
// and builds the target path. Fills `result` and returns false when the
// operation must not run.
bool prepareTarget(const std::string& source, const std::string& directory, Overwrite overwrite,
                   const struct stat& sourceStat, std::string* target, FileOpResult* result) {
  struct stat dirStat;
  if (directory.empty()) {
    *result = failure("no target directory");
    return false;
  }
  if (stat(directory.c_str(), &dirStat) != 0) {
    *result = failure(directory + ": " + errnoText(errno));
    return false;
  }
  if (!S_ISDIR(dirStat.st_mode)) {
    *result = failure(directory + " is not a directory");
    return false;
  }
  const std::string name = baseName(source);
  *target = joinPath(directory, name);
  struct stat targetStat;
  if (lstat(target->c_str(), &targetStat) == 0) {
    struct stat followed;
    if (stat(target->c_str(), &followed) == 0 && followed.st_dev == sourceStat.st_dev &&
        followed.st_ino == sourceStat.st_ino) {
      *result = failure(name + " is already in " + directory);
      return false;
    }
    if (S_ISDIR(targetStat.st_mode)) {
      *result = failure(*target + " is a directory");
      return false;
    }
    if (overwrite == Overwrite::Never) {
      *result = failure(name + " already exists in " + directory);
      result->targetExists = true;
      return false;
    }
  }
  return true;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies the open source (from its start) into a fresh temporary file of
// `directory`, with the source's permission bits and times, flushed to the
// disk and checked to hold as many bytes as the source. Returns an empty
// text and the temporary path, or the reason (and no temporary file is left
// behind).
std::string copyToTemporary(const std::string& source, const OpenSource& in,
                            const std::string& directory, std::string* temporary) {
  const struct stat& st = in.st;
  std::string pattern = joinPath(directory, ".quilve-XXXXXX");
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int out = mkostemp(name.data(), O_CLOEXEC);
  if (out < 0) return directory + ": " + errnoText(errno);
  const std::string tmp(name.data());

  std::string why;
  std::vector<char> buffer(1 << 16);
  off_t copied = 0;
  for (;;) {
    const ssize_t n = pread(in.fd, buffer.data(), buffer.size(), copied);
    if (n < 0) {
      if (errno == EINTR) continue;
      why = source + ": " + errnoText(errno);
      break;
    }
    if (n == 0) break;
    if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n))) {
      why = directory + ": " + errnoText(errno);
      break;
    }
    copied += n;
  }
  if (why.empty()) {
    fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
    struct stat written;
    if (fsync(out) != 0) {
      why = directory + ": " + errnoText(errno);
    } else if (fstat(out, &written) != 0 || written.st_size != st.st_size || copied != st.st_size) {
      why = "the copy in " + directory + " does not have the size of " + source;
    }
  }
  if (close(out) != 0 && why.empty()) why = directory + ": " + errnoText(errno);
  if (!why.empty()) {
    unlink(tmp.c_str());
    return why;
  }
  *temporary = tmp;
  return {};
}

// Copies into the directory and gives the copy its final name.
FileOpResult copyAndPlace(const std::string& source, const OpenSource& in,
                          const std::string& directory, const std::string& target,
                          Overwrite overwrite) {
  std::string tmp;
  std::string why = copyToTemporary(source, in, directory, &tmp);
  if (!why.empty()) return failure(why);
  const int err = placeFile(tmp, target, overwrite);
  if (err != 0) {
    unlink(tmp.c_str());
    FileOpResult r = failure(err == EEXIST ? baseName(target) + " already exists in " + directory
                                           : target + ": " + errnoText(err));
    r.targetExists = err == EEXIST;
    return r;
  }
  syncDirectory(directory);
  return success();
}

// A failed operation on a file known from the scan whose name is gone by
// now: another program moved or removed it meanwhile (nothing of ours
// removes a source without succeeding).
FileOpResult settle(FileOpResult r, const std::string& source, const FileIdentity& expected) {
  if (r.ok || r.source != SourceState::Unchanged || !expected.known()) return r;
  if (checkSource(source, expected) == SourceState::Missing) {
    return leftAlone(source, SourceState::Missing);
  }
  return r;
}

// The regular file `path` holds exactly the bytes of the open `source`
// (read from its start; the descriptor's offset is put back).
bool holdsTheSameBytes(const std::string& path, const OpenSource& source) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool same = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == source.st.st_size;
  std::vector<char> a(1 << 16), b(1 << 16);
  for (off_t at = 0; same && at < st.st_size;) {
    const ssize_t n = pread(source.fd, a.data(), a.size(), at);
    const ssize_t m = n > 0 ? pread(fd, b.data(), static_cast<std::size_t>(n), at) : -1;
    same = n > 0 && m == n && std::memcmp(a.data(), b.data(), static_cast<std::size_t>(n)) == 0;
    at += n > 0 ? n : 0;
  }
  close(fd);
  return same;
}

FileOpResult copyInto(const std::string& source, const std::string& directory,
                      Overwrite overwrite, const FileIdentity& expected) {
  OpenSource in;
  FileOpResult r;
  if (!openSource(source, expected, &in, &r)) return r;
  std::string target;
  if (!prepareTarget(source, directory, overwrite, in.st, &target, &r)) {
    // A copy made by an earlier run that was interrupted afterwards is the
    // copy this one would make: it is archived already.
    if (r.targetExists && holdsTheSameBytes(target, in)) return success();
    return r;
  }
  return copyAndPlace(source, in, directory, target, overwrite);
}

FileOpResult moveInto(const std::string& source, const std::string& directory,
                      Overwrite overwrite, const FileIdentity& expected) {
  OpenSource in;
  FileOpResult r;
  if (!openSource(source, expected, &in, &r)) return r;
  std::string target;
  if (!prepareTarget(source, directory, overwrite, in.st, &target, &r)) return r;
  // The name must still be the file just opened when it is renamed.
  SourceState state = checkSource(source, in.identity);
  if (state != SourceState::Unchanged) return leftAlone(source, state);
  const int err = placeFile(source, target, overwrite);
  if (err == 0) {
    syncDirectory(directory);
    return success();
  }
  if (err == EEXIST) {
    r = failure(baseName(source) + " already exists in " + directory);
    r.targetExists = true;
    return r;
  }
  if (err != EXDEV) return failure(source + ": " + errnoText(err));

  // Another file system: the source goes only once its copy is in place,
  // and only while it is still the file that was copied.
  r = copyAndPlace(source, in, directory, target, overwrite);
  if (!r.ok) return r;
  state = checkSource(source, in.identity);
  if (state != SourceState::Unchanged) {
    return failure(baseName(source) + " was copied to " + directory +
                   " but the original was not removed: " + sourceStateText(state));
  }
  if (unlink(source.c_str()) != 0) {
    return failure(baseName(source) + " was copied to " + directory +
                   " but the original could not be removed: " + errnoText(errno));
  }
  return success();
}

}  // namespace

std::size_t pathRootLength(const std::string& path) {
  return !path.empty() && path[0] == '/' ? 1 : 0;
}

FileOpResult copyIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite, const FileIdentity& expected) {
  return settle(copyInto(source, directory, overwrite, expected), source, expected);
}

FileOpResult moveIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite, const FileIdentity& expected) {
  return settle(moveInto(source, directory, overwrite, expected), source, expected);
}

FileOpResult moveToTrash(const std::string& path, const FileIdentity& expected) {
  if (path.empty()) return failure("no file");
  // The trash takes a name, so the name is compared just before.
  const SourceState state = checkSource(path, expected);
  if (state != SourceState::Unchanged) return leftAlone(path, state);
  std::string error;
  if (moveToRecycleBin(path, &error)) return success();
  return settle(failure(error), path, expected);
}

bool makeSubfolder(const std::string& directory, const std::string& subfolder, std::string* made,
                   std::string* error) {
  if (!plainSubfolder(subfolder)) {
    *error = subfolder + ": not a folder below " + directory;
    return false;
  }
  std::string path = directory;
  std::size_t from = 0;
  while (from < subfolder.size()) {
    const std::size_t end = std::min(subfolder.find('/', from), subfolder.size());
    path = joinPath(path, subfolder.substr(from, end - from));
    from = end + 1;
    // Made here or by a thread of the same run at once: either way it must
    // be a folder of its own, not a link that leads elsewhere.
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
      *error = path + ": cannot be made: " + errnoText(errno);
      return false;
    }
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
      *error = path + ": " + errnoText(errno);
      return false;
    }
    if (S_ISLNK(st.st_mode)) {
      *error = path + " is a symbolic link, not a folder of the target";
      return false;
    }
    if (!S_ISDIR(st.st_mode)) {
      *error = path + " is not a folder";
      return false;
    }
  }
  *made = path;
  return true;
}

FileOpResult renameNoReplace(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return failure("no file");
  const int err = placeFile(from, to, Overwrite::Never);
  if (err != 0) return failure(to + ": " + errnoText(err));
  return success();
}

}  // namespace quilve
