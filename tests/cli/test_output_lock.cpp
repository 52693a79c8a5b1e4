// The lock beside a run's output: held while the run writes, seen by every
// other run, taken over only when it was left by a run of this host that
// has ended.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/local_process.h"
#include "cli/output_lock.h"
#include "support/temp_dir.h"

using namespace quilve;
using quilve::test::TempDir;
namespace fs = std::filesystem;

namespace {

struct Notes : Reporter {
  std::vector<std::string> warnings;
  void warning(const std::string& t) override { warnings.push_back(t); }
  void trace(const std::string&) override {}
};

// No process has this id: beyond Linux's largest, and not one Windows hands
// out in practice.
constexpr long kEndedProcess = 0x7FFFFFFC;

void writeLock(const std::string& path, const std::string& text) {
  std::ofstream(fs::u8path(path), std::ios::binary) << text;
}

std::string readLock(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(OutputLock, HeldWhileTheRunWritesAndGoneAfter) {
  TempDir dir;
  const std::string lock = outputLockFile(dir.file("results.txt"), "");
  Notes notes;
  {
    OutputLock first;
    ASSERT_EQ(first.acquire(lock, notes), 0);
    // The file names its writer whole, as every other run reads it.
    EXPECT_EQ(readLock(lock), localHostName() + " " + std::to_string(localProcessId()) + "\n");
    // A second writer (this process runs, so its lock is live) is refused
    // and leaves the lock as it was.
    OutputLock second;
    EXPECT_EQ(second.acquire(lock, notes), 2);
    EXPECT_TRUE(fs::exists(fs::u8path(lock)));
    first.release();
    EXPECT_FALSE(fs::exists(fs::u8path(lock)));
    // Once it is gone the next run takes it.
    EXPECT_EQ(second.acquire(lock, notes), 0);
  }
  EXPECT_FALSE(fs::exists(fs::u8path(lock))) << "the lock outlived its run";
  EXPECT_TRUE(notes.warnings.empty());
  // Beside a zero-crossing folder, in a folder named in any script.
  const std::string folder = (dir.path() / fs::u8path("n\u00fcit \u591c")).u8string();
  fs::create_directories(fs::u8path(folder));
  OutputLock zc;
  ASSERT_EQ(zc.acquire(outputLockFile("", folder), notes), 0);
  EXPECT_TRUE(fs::exists(fs::u8path(folder) / ".quilve-scan.lock"));
}

TEST(OutputLock, OnlyALockOfAnEndedRunOfThisHostIsTakenOver) {
  TempDir dir;
  const std::string lock = dir.file("results.txt.lock");
  Notes notes;
  writeLock(lock, localHostName() + " " + std::to_string(kEndedProcess) + "\n");
  {
    OutputLock run;
    ASSERT_EQ(run.acquire(lock, notes), 0);
    ASSERT_EQ(notes.warnings.size(), 1u);
    EXPECT_NE(notes.warnings[0].find("taking over the lock of quilve-scan process " + std::to_string(kEndedProcess)),
              std::string::npos)
        << notes.warnings[0];
    EXPECT_EQ(readLock(lock), localHostName() + " " + std::to_string(localProcessId()) + "\n");
  }
  // Another host's process cannot be seen from here: never taken over.
  writeLock(lock, "not-" + localHostName() + " " + std::to_string(kEndedProcess) + "\n");
  OutputLock run;
  EXPECT_EQ(run.acquire(lock, notes), 2);
  EXPECT_EQ(readLock(lock), "not-" + localHostName() + " " + std::to_string(kEndedProcess) + "\n");
  EXPECT_EQ(notes.warnings.size(), 1u);
}

TEST(LocalProcess, ThisProcessRunsAndAnEndedOneDoesNot) {
  EXPECT_TRUE(processRunning(localProcessId()));
  EXPECT_FALSE(processRunning(kEndedProcess));
  EXPECT_FALSE(processRunning(0));
  EXPECT_FALSE(processRunning(-1));
  const std::string host = localHostName();
  EXPECT_FALSE(host.empty());
  EXPECT_EQ(host.find_first_of(" \t\n"), std::string::npos) << "the lock file could not be read back";
}
