#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "timer/thread_priority.h"

namespace quilve {

void lowerThisThreadPriority() {
  // On Linux a thread has a nice value of its own, set through its id.
  const pid_t tid = static_cast<pid_t>(::syscall(SYS_gettid));
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 5);
}

}  // namespace quilve
