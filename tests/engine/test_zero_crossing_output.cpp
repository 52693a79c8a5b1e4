// Accepted calls into zero-crossing files during a scan: one file per
// recording, combined files across recordings, and the cases where the
// order of the scan would lose or mix calls.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/zero_crossing_output.h"
#include "support/temp_dir.h"
#include "support/zc_decoder.h"

namespace quilve {
namespace {

ChirpRecord constantCall(float start, float frequency = 40000.0f) {
  ChirpRecord r;
  for (int i = 0; i < 4; ++i) {
    TracePoint& p = r.points[r.endPoint++];
    p.time = start + 0.0005f * static_cast<float>(i);
    p.frequency = frequency;
  }
  return r;
}

struct Warnings : Reporter {
  void warning(const std::string& text) override { seen.push_back(text); }
  void trace(const std::string&) override {}
  std::vector<std::string> seen;
};

class ZeroCrossingScan : public ::testing::Test {
 protected:
  ZeroCrossingScan() { target.path = dir.file("results.00#"); }

  // Starts recording `name` at 2014-09-30 01:02:second.ms.
  ScanJob& record(const std::string& name, int second, int ms = 0, bool utc = true) {
    job = ScanJob{};
    job.recordingPath = "/field/" + name;
    job.metadata.recordingTime.year = 2014;
    job.metadata.recordingTime.month = 9;
    job.metadata.recordingTime.day = 30;
    job.metadata.recordingTime.hour = 1;
    job.metadata.recordingTime.minute = 2;
    job.metadata.recordingTime.second = second;
    job.metadata.recordingTime.millisecond = ms;
    job.metadata.timeFromUtc = utc;
    out.beginRecording(job.metadata);
    return job;
  }
  void call(float start, float frequency = 40000.0f) {
    out.writeCall(constantCall(start, frequency), CallParameters{}, CallParameters{}, job);
  }
  // Start times in the file (us from its reference) of the calls in it:
  // the ends of the intervals longer than 1 ms.
  std::vector<double> callTimes(const std::string& name) {
    test::ZcFile f;
    std::string error;
    EXPECT_TRUE(test::readZcFile(dir.file(name), &f, &error)) << error;
    std::vector<double> times;
    for (const auto& i : f.intervals)
      if (i.micros > 1000) times.push_back(static_cast<double>(i.timeMicros) * 1e-6);
    return times;
  }
  std::size_t fileCount() const {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) n += e.exists();
    return n;
  }

  test::TempDir dir;
  ScanSettings settings;
  ResultsTarget target;
  Warnings warnings;
  ZeroCrossingOutput out{settings, target, &warnings};
  ScanJob job;
};

TEST_F(ZeroCrossingScan, OneFilePerRecordingWithItsHeader) {
  record("rec01.wav", 3);
  job.metadata.device = "D500X-17";
  job.metadata.comment = "Pond";
  job.metadata.gpsValid = true;
  job.metadata.latitude = 5.5f;
  job.metadata.longitude = 0.25f;
  call(0.5f);
  call(1.25f);
  out.endRecording(job.metadata);
  record("rec02.wav", 9);
  call(0.2f);
  out.endRun();

  EXPECT_EQ(fileCount(), 2u);
  test::ZcFile f;
  std::string error;
  ASSERT_TRUE(test::readZcFile(dir.file("rec01.00#"), &f, &error)) << error;
  EXPECT_EQ(f.header.device(), "D500X-17");
  EXPECT_EQ(f.header.comment(), "Pond");
  EXPECT_EQ(f.header.latitude, "N0550000 ");
  EXPECT_EQ(f.header.longitude, "E00025000");
  EXPECT_EQ(f.header.second, 3);
  const auto times = callTimes("rec01.00#");
  ASSERT_EQ(times.size(), 2u) << "the second call appends, no second header";
  EXPECT_NEAR(times[0], 0.5, 1e-5);
  EXPECT_NEAR(times[1], 1.25, 1e-5);
  ASSERT_TRUE(test::readZcFile(dir.file("rec02.00#"), &f, &error)) << error;
  EXPECT_EQ(f.header.device(), "") << "no device named: the field stays blank";
  EXPECT_EQ(f.header.second, 9);
}

TEST_F(ZeroCrossingScan, CombinedFileRunsOnAcrossRecordings) {
  settings.AllowFileCombining = true;
  record("rec01.wav", 3);
  call(0.5f);
  out.endRecording(job.metadata);
  EXPECT_TRUE(out.generator().isOpen());
  record("rec02.wav", 4);  // one second later
  call(0.8f);              // 1.3 s after the call before
  out.endRecording(job.metadata);
  record("rec03.wav", 20);  // too late for that file
  call(0.1f);
  out.endRun();

  EXPECT_EQ(fileCount(), 2u);
  const auto times = callTimes("rec01_201409300102.03#");
  ASSERT_EQ(times.size(), 2u);
  EXPECT_NEAR(times[0], 0.5, 1e-5);
  EXPECT_NEAR(times[1], 1.8, 1e-5) << "on the clock of the file's header";
  EXPECT_EQ(callTimes("rec03_201409300102.20#").size(), 1u);
}

TEST_F(ZeroCrossingScan, LongGapInOneRecordingKeepsItsCombinedFile) {
  // The gap leaves the 3 s window, and a new combined file for the same
  // recording would have the same name and truncate the first call.
  settings.AllowFileCombining = true;
  record("rec01.wav", 3);
  call(0.5f);
  call(5.0f);
  out.endRun();
  const auto times = callTimes("rec01_201409300102.03#");
  ASSERT_EQ(times.size(), 2u);
  EXPECT_NEAR(times[1], 5.0, 1e-5);
}

TEST_F(ZeroCrossingScan, RecordingWithoutUtcDoesNotJoinAnOpenCombinedFile) {
  settings.AllowFileCombining = true;
  record("rec01.wav", 3);
  call(0.5f);
  out.endRecording(job.metadata);  // stays open for the next recording
  record("rec02.wav", 4, 0, /*utc=*/false);
  call(0.7f);
  out.endRecording(job.metadata);
  out.endRun();
  EXPECT_EQ(callTimes("rec01_201409300102.03#").size(), 1u);
  const auto own = callTimes("rec02.00#");
  ASSERT_EQ(own.size(), 1u);
  EXPECT_NEAR(own[0], 0.7, 1e-5);
}

TEST_F(ZeroCrossingScan, DirectoriesAndFailures) {
  target.path = "results.txt";
  EXPECT_EQ(out.outputDirectory(), "./");
  out.setDirectory(dir.file("zcd"));
  EXPECT_EQ(out.outputDirectory(), dir.file("zcd"));

  // The directory does not exist: one warning however many calls are lost.
  record("rec01.wav", 3, 0, false);
  call(0.5f);
  call(0.9f);
  EXPECT_EQ(warnings.seen.size(), 1u);
  EXPECT_FALSE(out.generator().isOpen());

  out.setDirectory("");
  target.path.clear();
  call(1.2f);
  EXPECT_FALSE(out.generator().isOpen()) << "no results path: no files";
  EXPECT_EQ(fileCount(), 0u);
}

}  // namespace
}  // namespace quilve
