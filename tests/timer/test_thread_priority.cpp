// The scan worker and the timer thread run below normal priority.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <thread>

#include "timer/thread_priority.h"

namespace {

// How far the calling thread's priority is below normal (0: normal).
int stepsBelowNormal() {
#ifdef _WIN32
  return -GetThreadPriority(GetCurrentThread());
#else
  return getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))) -
         getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
#endif
}

}  // namespace

TEST(ThreadPriority, OnlyTheCallingThreadIsLowered) {
#ifndef _WIN32
  if (getpriority(PRIO_PROCESS, 0) >= 5) GTEST_SKIP() << "the tests already run below the workers' priority";
#endif
  int before = 0, after = 0;
  std::thread worker([&] {
    before = stepsBelowNormal();
    quilve::lowerThisThreadPriority();
    after = stepsBelowNormal();
  });
  worker.join();
  EXPECT_EQ(before, 0);
  EXPECT_GT(after, 0) << "the thread kept its priority";
  EXPECT_EQ(stepsBelowNormal(), 0) << "the process was lowered, not the thread";
}
