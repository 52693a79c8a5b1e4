#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "input/folder_entries.h"

namespace quilve {

bool folderEntries(const std::string& folder, std::vector<std::string>* names, std::string* why) {
  names->clear();
  auto refuse = [&](int error) {
    names->clear();
    if (why) *why = std::strerror(error);
    return false;
  };
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return refuse(errno);
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) break;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names->emplace_back(entry->d_name);
  }
  const int readError = errno;
  ::closedir(dir);
  if (readError != 0) return refuse(readError);
  // Names in a folder without search permission are listed, but none of
  // them can be opened: the folder is what cannot be read.
  if (::faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) != 0) return refuse(errno);
  if (why) why->clear();
  return true;
}

}  // namespace quilve
