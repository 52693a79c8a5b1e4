// The parts of the file layer every platform shares: path spelling and
// whether a listed file is still the one that was read.
#include "output/file_operations.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace quilve {

namespace {

// The separator a joined path gets (the Windows calls take it as well).
constexpr char kSeparator = '/';

bool isSeparator(char c) { return std::strchr(pathSeparators(), c) != nullptr && c != '\0'; }

}  // namespace

std::string joinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (isSeparator(directory.back())) return directory + name;
  return directory + kSeparator + name;
}

std::string withTrailingSeparator(const std::string& directory) {
  if (directory.empty()) return directory;
  const std::string d = withoutTrailingSeparator(directory);
  return isSeparator(d.back()) ? d : d + kSeparator;  // a root keeps its own
}

std::string withoutTrailingSeparator(const std::string& directory) {
  std::string d = directory;
  const std::size_t keep = std::max<std::size_t>(1, pathRootLength(d));
  while (d.size() > keep && isSeparator(d.back())) d.pop_back();
  return d;
}

std::string baseName(const std::string& path) {
  const auto pos = path.find_last_of(pathSeparators());
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

SourceState compareSource(bool exists, FileKind kind, const FileIdentity& now,
                          const FileIdentity& expected) {
  if (!exists) return expected.known() ? SourceState::Missing : SourceState::Unchanged;
  if (kind == FileKind::Symlink) return SourceState::SymbolicLink;
  if (!expected.known()) return SourceState::Unchanged;
  if (!now.sameFile(expected)) return SourceState::Replaced;
  if (now.size != expected.size || now.modified != expected.modified) {
    return SourceState::BeingWritten;
  }
  // Same size and time but a status change: new contents given the old
  // time (as a copy keeping times leaves it), or other metadata.
  if (now.changed != expected.changed) return SourceState::Replaced;
  return SourceState::Unchanged;
}

namespace {

SourceState lookOnce(const std::string& path, const FileIdentity& expected, bool* sameFile) {
  FileIdentity now;
  FileKind kind = FileKind::Other;
  int error = 0;
  *sameFile = false;
  if (!identityOfLink(path, &now, &error, &kind)) {
    // Only a name that is gone is "no longer there"; any other failure is
    // the operation's to report.
    return kind == FileKind::Missing ? compareSource(false, kind, now, expected)
                                     : SourceState::Unchanged;
  }
  *sameFile = now.sameFile(expected);
  return compareSource(true, kind, now, expected);
}

}  // namespace

SourceState checkSource(const std::string& path, const FileIdentity& expected) {
  bool sameFile = false;
  SourceState state = lookOnce(path, expected, &sameFile);
  // A file that another program is renaming away shows its new status-change
  // time under the old name for a moment: look again before calling it
  // replaced.
  for (int again = 0; again < 5 && state == SourceState::Replaced && sameFile; ++again) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state = lookOnce(path, expected, &sameFile);
  }
  return state;
}

std::string sourceStateText(SourceState state) {
  switch (state) {
    case SourceState::Unchanged:
      break;
    case SourceState::Missing:
      return "no longer there: moved or removed by another program since the scan";
    case SourceState::Replaced:
      return "it was replaced since the scan (it is no longer the file that was read)";
    case SourceState::BeingWritten:
      return "it is still being written (its size or modification time changed since the scan "
             "opened it)";
    case SourceState::SymbolicLink:
      return "it is a symbolic link; neither it nor its target is moved";
  }
  return {};
}

}  // namespace quilve
