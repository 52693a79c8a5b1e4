// Whether a recording was read whole, and why not, as the analysis records
// it for the commit step and the disposition.
#include <gtest/gtest.h>

#include "engine/recording_analyzer.h"
#include "settings/scan_settings.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

using namespace test;

struct Analysed {
  RecordingOutcome outcome;
  std::vector<std::string> warnings;
};

class Warnings final : public Reporter {
 public:
  void warning(const std::string& text) override { texts.push_back(text); }
  void trace(const std::string&) override {}
  std::vector<std::string> texts;
};

Analysed analyse(const std::string& path, const ScanSettings& settings = ScanSettings{}) {
  Warnings warnings;
  RecordingAnalyzer analyzer(nullptr, &warnings);
  analyzer.analyse(path, settings);
  return {analyzer.takeOutcome(), warnings.texts};
}

TEST(ReadStatus, EachWayOfNotBeingReadWholeIsRecordedWithItsReason) {
  TempDir dir;
  SignalGenerator gen(0.2, 250000, 1);
  gen.addNoise(-60);
  const Bytes whole = gen.render().wavFile();
  writeFile(dir.file("whole.wav"), whole);
  writeFile(dir.file("cut.wav"), Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2)));
  writeFile(dir.file("empty.wav"), pcmWav(250000, 1, 16, Bytes{}));
  writeFile(dir.file("adpcm.wav"),
            RiffBuilder().chunk("fmt ", fmtFields(2, 1, 250000, 4)).chunk("data", Bytes(4000, 0)).build());
  writeFile(dir.file("te.wav"), pcmWav(25000, 1, 16, Bytes(20000, 0)));

  const Analysed ok = analyse(dir.file("whole.wav"));
  EXPECT_EQ(ok.outcome.readStatus, ReadStatus::Whole);
  EXPECT_TRUE(ok.outcome.readReason.empty());
  EXPECT_EQ(ok.outcome.identity.size, static_cast<std::int64_t>(whole.size()));
  EXPECT_GT(ok.outcome.identity.modified, 0);
  EXPECT_GT(ok.outcome.identity.inode, 0u);

  const Analysed cut = analyse(dir.file("cut.wav"));
  EXPECT_EQ(cut.outcome.readStatus, ReadStatus::ReadFailed);
  EXPECT_NE(cut.outcome.readReason.find("truncated"), std::string::npos) << cut.outcome.readReason;

  // A data chunk of size 0 is reported like a cut file.
  const Analysed empty = analyse(dir.file("empty.wav"));
  EXPECT_EQ(empty.outcome.readStatus, ReadStatus::ReadFailed);
  EXPECT_NE(empty.outcome.readReason.find("the data chunk is empty"), std::string::npos);
  ASSERT_EQ(empty.warnings.size(), 1u);
  EXPECT_EQ(empty.warnings[0].rfind("Failed reading wave file", 0), 0u);

  const Analysed refused = analyse(dir.file("adpcm.wav"));
  EXPECT_EQ(refused.outcome.readStatus, ReadStatus::RefusedFormat);
  EXPECT_EQ(refused.outcome.readReason, refused.outcome.openFailure);

  const Analysed missing = analyse(dir.file("missing.wav"));
  EXPECT_EQ(missing.outcome.readStatus, ReadStatus::NotOpened);
  EXPECT_EQ(missing.outcome.readReason, "No such file or directory");

  // Read at x1 a time-expanded recording leaves no band above 15 kHz; at
  // x10 it is analysed.
  const Analysed band = analyse(dir.file("te.wav"));
  EXPECT_EQ(band.outcome.readStatus, ReadStatus::EmptyBand);
  EXPECT_NE(band.outcome.readReason.find("Nyquist frequency 12.5 kHz of the effective sample rate "
                                         "25 kHz (expansion factor 1)"),
            std::string::npos)
      << band.outcome.readReason;
  ASSERT_EQ(band.warnings.size(), 1u);
  EXPECT_EQ(band.warnings[0], dir.file("te.wav") + ": " + band.outcome.readReason);
  ScanSettings te;
  te.DefaultExpansionFactor = 10;
  EXPECT_EQ(analyse(dir.file("te.wav"), te).outcome.readStatus, ReadStatus::Whole);
}

TEST(ReadStatus, ARecordingEndedByAStopWasNotReadWhole) {
  TempDir dir;
  SignalGenerator gen(0.2, 250000, 1);
  writeFile(dir.file("a.wav"), gen.render().wavFile());
  ScanSettings settings;
  RecordingAnalyzer analyzer;
  ASSERT_TRUE(analyzer.open(dir.file("a.wav"), settings));
  analyzer.step(settings);
  analyzer.step(settings);
  analyzer.stop();
  analyzer.finish();
  EXPECT_EQ(analyzer.outcome().readStatus, ReadStatus::Stopped);

  // Its list entry holds it back from failed-file disposition.
  const FileEntry e = recordingEntry(analyzer.outcome(), 0);
  EXPECT_EQ(e.path, dir.file("a.wav"));
  EXPECT_EQ(e.name, "a.wav");
  EXPECT_EQ(e.hold, "the scan was stopped before its end");
}

}  // namespace
}  // namespace quilve
