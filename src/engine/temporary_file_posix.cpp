#include <unistd.h>

#include <cstdlib>
#include <string>

#include "engine/temporary_file.h"

namespace quilve {

// An unnamed file in TMPDIR (else /tmp): it goes away with its last handle.
std::FILE* anonymousTemporaryFile() {
  const char* dir = std::getenv("TMPDIR");
  std::string name = std::string(dir && *dir ? dir : "/tmp") + "/quilve-calls-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return nullptr;
  ::unlink(name.c_str());
  std::FILE* file = ::fdopen(fd, "w+b");
  if (!file) ::close(fd);
  return file;
}

}  // namespace quilve
