#include <windows.h>

#include "timer/thread_priority.h"

namespace quilve {

void lowerThisThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }

}  // namespace quilve
