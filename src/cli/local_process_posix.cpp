#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "cli/local_process.h"

namespace quilve {

std::string localHostName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return "host";
  return host;
}

long localProcessId() { return static_cast<long>(getpid()); }

bool processRunning(long pid) {
  if (pid <= 0) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace quilve
