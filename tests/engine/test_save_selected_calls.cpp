// Saving the accepted calls of a recording to a file of the user's choice:
// which slots are chosen, the header only on saving, and a first write that
// fails not costing the header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "engine/save_selected_calls.h"
#include "support/temp_dir.h"

namespace quilve {
namespace {

using test::TempDir;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::size_t lineCount(const std::string& s) {
  return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
}

struct Calls {
  ChirpStore store;
  ScanJob job;
  ScanSettings settings;
  Calls() {
    job.recordingPath = "/data/site_D20140930T010203m000.wav";
    // Slots 0..4: accepted at 0.1, 0.2 (rejected), 0.3, 0.4, and slot 4
    // beyond the current slot.
    const float starts[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    for (int i = 0; i < 5; ++i) {
      store.records[i].accepted = i == 1 ? 0 : 1;
      store.records[i].contextStartTime = starts[i];
      store.parameters[i].startTime = starts[i];
      store.parameters[i].duration = 0.004f;
    }
    job.chirpIndex = 4;
  }
};

TEST(SaveSelectedCalls, ChoosesAcceptedCallsBelowTheCurrentSlotInsideTheRange) {
  auto held = std::make_unique<Calls>();  // the store is too large for the stack
  Calls& c = *held;
  CallTimeRange all;
  EXPECT_TRUE(callSelected(c.store, 0, all));
  EXPECT_FALSE(callSelected(c.store, 1, all));
  EXPECT_FALSE(callSelected(c.store, -1, all));
  EXPECT_FALSE(callSelected(c.store, kChirpSlots, all));
  // Both ends of the range are included.
  const CallTimeRange range{true, 0.1f, 0.3f};
  EXPECT_TRUE(callSelected(c.store, 0, range));
  EXPECT_TRUE(callSelected(c.store, 2, range));
  EXPECT_FALSE(callSelected(c.store, 3, range));

  TempDir dir;
  const std::string path = dir.file("calls.txt");
  EXPECT_EQ(saveSelectedCalls(c.store, c.job, c.settings, path, dir.path().string() + "/", false,
                              all, nullptr, nullptr),
            3);
  const std::string saved = slurp(path);
  EXPECT_EQ(lineCount(saved), 1u + 3u);
  EXPECT_EQ(saved.rfind("Filename", 0), 0u);
  EXPECT_NE(saved.find("site_D20140930T010203m000.wav"), std::string::npos);

  // Appending adds rows only.
  EXPECT_EQ(saveSelectedCalls(c.store, c.job, c.settings, path, dir.path().string() + "/", true,
                              range, nullptr, nullptr),
            2);
  EXPECT_EQ(lineCount(slurp(path)), 1u + 3u + 2u);
  EXPECT_EQ(slurp(path).substr(0, saved.size()), saved);
}

TEST(SaveSelectedCalls, NothingIsWrittenWithoutAPathOrCalls) {
  auto held = std::make_unique<Calls>();
  Calls& c = *held;
  TempDir dir;
  EXPECT_EQ(saveSelectedCalls(c.store, c.job, c.settings, "", dir.path().string() + "/", false, {},
                              nullptr, nullptr),
            0);
  c.job.chirpIndex = 0;
  EXPECT_EQ(saveSelectedCalls(c.store, c.job, c.settings, dir.file("none.txt"),
                              dir.path().string() + "/", false, {}, nullptr, nullptr),
            0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.txt")));
  // A file that cannot be made is reported once, not once per call.
  c.job.chirpIndex = 4;
  struct Count : Reporter {
    int warnings = 0;
    void warning(const std::string&) override { ++warnings; }
    void trace(const std::string&) override {}
  } reporter;
  ResultsFileLog log;
  log.reporter = &reporter;
  EXPECT_EQ(saveSelectedCalls(c.store, c.job, c.settings, dir.file("missing/dir/calls.txt"),
                              dir.path().string() + "/", false, {}, &log, nullptr),
            0);
  EXPECT_EQ(reporter.warnings, 1);
}

}  // namespace
}  // namespace quilve

namespace quilve {
namespace {

TEST(SaveSelectedCalls, AppendingToANewZeroCrossingFileStartsItWithItsHeader) {
  auto held = std::make_unique<Calls>();
  Calls& c = *held;
  c.settings.OutputFormat = kOutputZcd;
  for (int slot : {0, 2, 3}) {
    ChirpRecord& r = c.store.records[static_cast<std::size_t>(slot)];
    for (int i = 0; i < 20; ++i) {
      TracePoint& p = r.points[r.endPoint++];
      p.time = c.store.parameters[static_cast<std::size_t>(slot)].startTime + 0.0002f * i;
      p.frequency = 70000.0f - 1500.0f * i;
      p.smoothedFrequency = p.frequency;
      p.level = 80.0f;
    }
  }
  TempDir dir;
  const std::string out = dir.path().string() + "/";
  ASSERT_EQ(saveSelectedCalls(c.store, c.job, c.settings, "saved.00#", out, false, {}, nullptr, nullptr), 3);
  ASSERT_EQ(saveSelectedCalls(c.store, c.job, c.settings, "appended.00#", out, true, {}, nullptr, nullptr), 3);
  const std::string saved = slurp(dir.file("saved.00#"));
  ASSERT_GT(saved.size(), 336u);
  EXPECT_EQ(slurp(dir.file("appended.00#")), saved);
  // Appending to it again adds calls and no second header.
  ASSERT_EQ(saveSelectedCalls(c.store, c.job, c.settings, "appended.00#", out, true, {}, nullptr, nullptr), 3);
  EXPECT_EQ(slurp(dir.file("appended.00#")).size(), 2 * saved.size() - 336u);
}

}  // namespace
}  // namespace quilve
