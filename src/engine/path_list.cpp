#include "engine/path_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "input/file_identity.h"
#include "settings/open_file.h"

namespace quilve {

bool parsePathList(std::string_view bytes, bool nul, std::vector<std::string>* paths, std::string* error) {
  const char end = nul ? '\0' : '\n';
  const char* const unit = nul ? "entry " : "line ";
  std::vector<std::string> found;
  std::size_t number = 0;
  std::size_t from = 0;
  while (from < bytes.size()) {
    std::size_t stop = bytes.find(end, from);
    if (stop == std::string_view::npos) stop = bytes.size();
    std::string_view entry = bytes.substr(from, stop - from);
    from = stop + 1;
    ++number;
    if (!nul && !entry.empty() && entry.back() == '\r') entry.remove_suffix(1);
    if (entry.empty()) continue;
    if (!nul && entry.find('\0') != std::string_view::npos) {
      *error = unit + std::to_string(number) + ": holds a NUL byte (a list of NUL-separated paths needs --null)";
      return false;
    }
    if (entry.size() > kLongestListedPath) {
      *error = unit + std::to_string(number) + ": longer than " + std::to_string(kLongestListedPath) +
               " bytes, no path" + (nul ? "" : " (a list of NUL-separated paths needs --null)");
      return false;
    }
    found.emplace_back(entry);
  }
  paths->insert(paths->end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
  return true;
}

bool readPathList(const std::string& source, bool nul, std::vector<std::string>* paths, std::string* error) {
  const bool standardInput = source == "-";
  // A folder is named as one wherever the system would refuse to open it
  // rather than fail to read it.
  FileKind kind = FileKind::Other;
  if (!standardInput && identityOfPath(source, nullptr, nullptr, &kind) && kind == FileKind::Directory) {
    *error = std::string("cannot be read: ") + std::strerror(EISDIR);
    return false;
  }
  std::FILE* f = standardInput ? stdin : openFile(source, "rb");
  if (!f) {
    *error = std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    bytes.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  const bool failed = std::ferror(f) != 0;
  const int readError = errno;
  if (!standardInput) std::fclose(f);
  if (failed) {
    *error = std::string("cannot be read: ") + std::strerror(readError);
    return false;
  }
  return parsePathList(bytes, nul, paths, error);
}

}  // namespace quilve
