#include "output/file_operations.h"

#include "output/gio_trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quilve {

namespace {

constexpr char kSeparator = '/';

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

// Checks the source and the target directory of a copy or a move and
// builds the target path. Fills `result` and returns false when the
// operation must not run.
bool prepareTarget(const std::string& source, const std::string& directory, Overwrite overwrite,
                   std::string* target, struct stat* sourceStat, FileOpResult* result) {
  if (stat(source.c_str(), sourceStat) != 0) {
    *result = failure(source + ": " + errnoText(errno));
    return false;
  }
  if (!S_ISREG(sourceStat->st_mode)) {
    *result = failure(source + " is not a regular file");
    return false;
  }
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
    if (stat(target->c_str(), &followed) == 0 && followed.st_dev == sourceStat->st_dev &&
        followed.st_ino == sourceStat->st_ino) {
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

// Copies `source` into a fresh temporary file of `directory`, with the
// source's permission bits and times, flushed to the disk and checked to
// hold as many bytes as the source. Returns an empty text and the temporary
// path, or the reason (and no temporary file is left behind).
std::string copyToTemporary(const std::string& source, const std::string& directory,
                            std::string* temporary) {
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return source + ": " + errnoText(errno);
  struct stat st;
  if (fstat(in, &st) != 0) {
    const std::string why = source + ": " + errnoText(errno);
    close(in);
    return why;
  }
  std::string pattern = joinPath(directory, ".quilve-XXXXXX");
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int out = mkostemp(name.data(), O_CLOEXEC);
  if (out < 0) {
    const std::string why = directory + ": " + errnoText(errno);
    close(in);
    return why;
  }
  const std::string tmp(name.data());

  std::string why;
  std::vector<char> buffer(1 << 16);
  off_t copied = 0;
  for (;;) {
    const ssize_t n = read(in, buffer.data(), buffer.size());
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
  close(in);
  if (!why.empty()) {
    unlink(tmp.c_str());
    return why;
  }
  *temporary = tmp;
  return {};
}

// Copies into the directory and gives the copy its final name.
FileOpResult copyAndPlace(const std::string& source, const std::string& directory,
                          const std::string& target, Overwrite overwrite) {
  std::string tmp;
  std::string why = copyToTemporary(source, directory, &tmp);
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

}  // namespace

std::string joinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == kSeparator) return directory + name;
  return directory + kSeparator + name;
}

std::string withTrailingSeparator(const std::string& directory) {
  if (directory.empty()) return directory;
  const std::string d = withoutTrailingSeparator(directory);
  return d == "/" ? d : d + kSeparator;
}

std::string withoutTrailingSeparator(const std::string& directory) {
  std::string d = directory;
  while (d.size() > 1 && d.back() == kSeparator) d.pop_back();
  return d;
}

std::string baseName(const std::string& path) {
  const auto pos = path.find_last_of(kSeparator);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

FileOpResult copyIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite) {
  std::string target;
  struct stat st;
  FileOpResult r;
  if (!prepareTarget(source, directory, overwrite, &target, &st, &r)) return r;
  return copyAndPlace(source, directory, target, overwrite);
}

FileOpResult moveIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite) {
  std::string target;
  struct stat st;
  FileOpResult r;
  if (!prepareTarget(source, directory, overwrite, &target, &st, &r)) return r;
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

  // Another file system: the source goes only once its copy is in place.
  r = copyAndPlace(source, directory, target, overwrite);
  if (!r.ok) return r;
  if (unlink(source.c_str()) != 0) {
    return failure(baseName(source) + " was copied to " + directory +
                   " but the original could not be removed: " + errnoText(errno));
  }
  return success();
}

FileOpResult moveToTrash(const std::string& path) {
  if (path.empty()) return failure("no file");
  std::string error;
  if (trashWithGio(path, &error)) return success();
  return failure(error);
}

FileOpResult renameNoReplace(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return failure("no file");
  const int err = placeFile(from, to, Overwrite::Never);
  if (err != 0) return failure(to + ": " + errnoText(err));
  return success();
}

}  // namespace quilve
