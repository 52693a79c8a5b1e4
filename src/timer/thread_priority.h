#pragma once
// The scan worker and the operation timer run below normal priority, so
// that the windows stay responsive during long scans. Lowering a thread's
// own priority needs no privilege on any system.

namespace quilve {

// Lowers the calling thread's priority one step below normal.
void lowerThisThreadPriority();

}  // namespace quilve
