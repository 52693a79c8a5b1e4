#pragma once
// This machine and its processes, as the files that name a writer record
// them: the lock beside a results file and a shard's temporary outcome
// file hold the host name and the process id of the program writing them.
#include <string>

namespace quilve {

// The host name (as gethostname gives it; "host" when it cannot be had).
std::string localHostName();

// This process's id.
long localProcessId();

// False only when no process with this id exists on this machine; a
// process of another user counts as running.
bool processRunning(long pid);

}  // namespace quilve
