#pragma once
// One writer at a time for a results file or a zero-crossing folder: two
// scans or merges writing the same results would interleave their rows. The
// writer holds a lock file beside its output ("RESULTS.lock", or
// ".quilve-scan.lock" inside a zero-crossing folder) that names its host and
// process; the file appears whole (written under another name and linked
// into place) and goes when the writer ends.
#include <string>

#include "settings/reporter.h"

namespace quilve {

// The lock file of a run writing `resultsPath` (or, without one, into
// `zeroCrossingDirectory`); empty when the run writes neither.
std::string outputLockFile(const std::string& resultsPath, const std::string& zeroCrossingDirectory);

class OutputLock {
 public:
  OutputLock() = default;
  ~OutputLock() { release(); }
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

  // Takes `lockFile` (nothing to take when empty). Returns 0, or 2 after
  // naming on standard error the run that holds it, or why it cannot be
  // made. A lock left by a process of this host that no longer runs is
  // taken over with a note to `notes`; a lock of another host is never
  // taken over (its process cannot be seen from here).
  int acquire(const std::string& lockFile, Reporter& notes);
  // Removes the lock file (if it is still this run's) and lets it go.
  void release();

 private:
  std::string lockFile_;
  int fd_ = -1;
};

}  // namespace quilve
