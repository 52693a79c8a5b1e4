// Sonogram pictures: drawn from generated recordings with known calls and
// read back from the PNG files.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "output/bitmap_font.h"
#include "output/png_file.h"
#include "output/sonogram_columns.h"
#include "output/sonogram_picture.h"
#include "output/sonogram_writer.h"
#include "png_reader.h"
#include "settings/reporter.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;
using test::CallSpec;
using test::GeneratedRecording;
using test::PngPicture;
using test::SignalGenerator;
using test::TempDir;

class Warnings final : public Reporter {
 public:
  void warning(const std::string& text) override { texts.push_back(text); }
  void trace(const std::string&) override {}
  std::vector<std::string> texts;
};

// The accepted call a perfect tracker would give for a generated call: one
// point every 0.2 ms along the true contour.
AcceptedCall tracedCall(const test::CallTruth& truth) {
  AcceptedCall c;
  c.trace.accepted = 1;
  for (double t = truth.startTime; t < truth.endTime && c.trace.endPoint < kTracePoints; t += 0.0002) {
    TracePoint& p = c.trace.points[static_cast<std::size_t>(c.trace.endPoint++)];
    p.time = static_cast<float>(t);
    p.frequency = static_cast<float>(truth.frequencyAt(t));
  }
  return c;
}

struct Fixture {
  TempDir dir;
  RecordingOutcome outcome;
  GeneratedRecording recording;
};

// Three calls over noise in a recording of `seconds`, and its outcome as the
// analysis would leave it.
void makeRecording(Fixture& f, double seconds, double rate = 250000.0) {
  SignalGenerator gen(seconds, rate, 7);
  gen.addNoise(-50);
  for (int i = 0; i < 3; ++i) {
    CallSpec c;
    c.startTime = 0.1 + 0.15 * i;
    c.duration = 0.006;
    c.startFrequency = 90000 - 10000 * i;
    c.endFrequency = 35000;
    c.levelDb = -10;
    gen.addCall(c);
  }
  f.recording = gen.render();
  const std::string path = f.dir.file("calls_D20200101T010203m000.wav");
  test::writeFile(path, f.recording.wavFile());
  f.outcome.path = path;
  f.outcome.opened = true;
  f.outcome.effectiveSampleRate = static_cast<float>(rate);
  for (const auto& truth : f.recording.calls) f.outcome.calls.push_back(tracedCall(truth));
  f.outcome.fileChirpCount = static_cast<std::uint32_t>(f.outcome.calls.size());
}

TEST(SonogramColumns, OneColumnPerMillisecondWithTheCallsAboveTheNoise) {
  Fixture f;
  makeRecording(f, 0.5);
  SonogramColumns columns;
  ScanSettings settings;
  ASSERT_TRUE(columns.open(f.outcome.path, settings, nullptr));
  std::vector<std::vector<float>> all;
  std::vector<float> levels(SonogramColumns::kLevels);
  while (columns.next(levels.data())) all.push_back(levels);
  EXPECT_EQ(all.size(), 500u);
  EXPECT_FALSE(columns.readFailed());
  // Within each call, the bin of its frequency stands far above the same
  // bin in a column of noise alone.
  const double binHz = 250000.0 / 256;
  for (const auto& truth : f.recording.calls) {
    const double t = truth.startTime + truth.duration() / 2;
    const int bin = static_cast<int>(truth.frequencyAt(t) / binHz + 0.5);
    const float call = all[static_cast<std::size_t>(t * 1000)][static_cast<std::size_t>(bin)];
    const float noise = all[20][static_cast<std::size_t>(bin)];
    EXPECT_GT(call - noise, 20.0f) << "call at " << truth.startTime;
  }
  std::string reason;
  EXPECT_FALSE(columns.open(f.dir.file("missing.wav"), settings, &reason));
  EXPECT_FALSE(reason.empty());
}

TEST(SonogramPictures, ContoursOverTheSonogramReadBackFromThePng) {
  Fixture f;
  makeRecording(f, 0.8);
  ScanSettings settings;
  const SonogramWriter writer(f.dir.file("pictures"), false, settings);
  fs::create_directory(f.dir.file("pictures"));
  Warnings warnings;
  const SonogramPictures written = writer.write(f.outcome, "calls", &warnings);
  EXPECT_TRUE(warnings.texts.empty());
  ASSERT_EQ(written.written.size(), 1u);
  EXPECT_EQ(fs::path(written.written[0]).filename(), "calls-p1.png");

  PngPicture png;
  ASSERT_TRUE(test::readPng(written.written[0], png));
  EXPECT_EQ(png.width, SonogramLayout::width(800));
  EXPECT_EQ(png.height, SonogramLayout::height());

  SonogramPage page;
  page.columns = 800;
  page.effectiveSampleRate = 250000.0f;
  for (const AcceptedCall& call : f.outcome.calls) {
    const TracePoint& first = call.trace.points[0];
    // The start mark around the first point, the contour over it.
    const int x0 = sonogramX(page, first.time), y0 = sonogramY(page, first.frequency);
    EXPECT_EQ(png.at(x0, y0), kContourColour);
    EXPECT_EQ(png.at(x0 - 2, y0 - 2), kCallStartColour);
    for (int i = 0; i < call.trace.endPoint; ++i) {
      const TracePoint& p = call.trace.points[static_cast<std::size_t>(i)];
      EXPECT_EQ(png.at(sonogramX(page, p.time), sonogramY(page, p.frequency)), kContourColour)
          << "point " << i << " of the call at " << first.time;
    }
  }
  // Away from the calls the plot holds the sonogram of the noise: many
  // colours of the scale, not one fill.
  std::set<std::uint32_t> colours;
  for (int x = SonogramLayout::kLeft + 600; x < SonogramLayout::kLeft + 800; ++x) {
    for (int y = SonogramLayout::kTop; y < SonogramLayout::kTop + SonogramLayout::kPlotHeight; ++y) {
      colours.insert(LevelColourTable::pack(png.at(x, y)));
    }
  }
  EXPECT_GT(colours.size(), 50u);
  EXPECT_EQ(colours.count(LevelColourTable::pack(kContourColour)), 0u);
}

TEST(SonogramPictures, LongRecordingsArePagedAndOnlyWantedRecordingsDrawn) {
  Fixture f;
  makeRecording(f, 10.0, 100000.0);
  ScanSettings settings;
  const SonogramWriter writer(f.dir.path().string(), false, settings);
  const SonogramPictures written = writer.write(f.outcome, "long", nullptr);
  ASSERT_EQ(written.written.size(), 4u);
  const int widths[] = {3000, 3000, 3000, 1000};
  for (int i = 0; i < 4; ++i) {
    PngPicture png;
    ASSERT_TRUE(test::readPng(written.written[static_cast<std::size_t>(i)], png));
    EXPECT_EQ(fs::path(written.written[static_cast<std::size_t>(i)]).filename(),
              "long-p" + std::to_string(i + 1) + ".png");
    EXPECT_EQ(png.width, SonogramLayout::width(widths[i]));
  }

  // Without calls a recording gets a picture only when all are asked for;
  // one that could not be read gets none.
  RecordingOutcome quiet = f.outcome;
  quiet.calls.clear();
  quiet.fileChirpCount = 0;
  EXPECT_TRUE(writer.write(quiet, "quiet", nullptr).written.empty());
  const SonogramWriter all(f.dir.path().string(), true, settings);
  EXPECT_EQ(all.write(quiet, "quiet", nullptr).written.size(), 4u);
  RecordingOutcome unread;
  unread.path = f.dir.file("none.wav");
  EXPECT_TRUE(all.write(unread, "none", nullptr).written.empty());
}

TEST(SonogramPictures, FailuresAreReportedAndLeaveNoFiles) {
  Fixture f;
  makeRecording(f, 0.3);
  ScanSettings settings;
  // The picture directory is a file.
  test::writeFile(f.dir.file("plain"), test::Bytes{'x'});
  const SonogramWriter writer(f.dir.file("plain"), false, settings);
  Warnings warnings;
  const SonogramPictures written = writer.write(f.outcome, "calls", &warnings);
  EXPECT_TRUE(written.failed);
  EXPECT_TRUE(written.written.empty());
  ASSERT_EQ(warnings.texts.size(), 1u);
  EXPECT_NE(warnings.texts[0].find("calls-p1.png: cannot write the sonogram"), std::string::npos);

  // A recording that vanished after its analysis.
  fs::remove(f.outcome.path);
  const SonogramWriter ok(f.dir.path().string(), false, settings);
  warnings.texts.clear();
  EXPECT_TRUE(ok.write(f.outcome, "calls", &warnings).failed);
  ASSERT_EQ(warnings.texts.size(), 1u);
  EXPECT_NE(warnings.texts[0].find("no sonogram"), std::string::npos);
  // Recordings with nothing to draw are reported, not failed.
  RecordingOutcome slow = f.outcome;
  slow.path = f.dir.file("slow.wav");
  test::writeFile(slow.path, SignalGenerator(0.5, 4000.0).addNoise(-40).render().wavFile());
  RecordingOutcome empty = f.outcome;
  empty.path = f.dir.file("empty.wav");
  test::writeFile(empty.path, SignalGenerator(0.0, 250000.0).render().wavFile());
  for (const RecordingOutcome& nothing : {slow, empty}) {
    warnings.texts.clear();
    const SonogramPictures none = ok.write(nothing, "nothing", &warnings);
    EXPECT_FALSE(none.failed) << nothing.path;
    EXPECT_TRUE(none.written.empty());
    ASSERT_EQ(warnings.texts.size(), 1u);
    EXPECT_NE(warnings.texts[0].find(nothing.path + ": no sonogram: "), std::string::npos) << warnings.texts[0];
  }
  // Nothing but the directory's own files are left (no temporary files).
  for (const auto& e : fs::directory_iterator(f.dir.path())) {
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
  }
}

TEST(SonogramPictures, ARecordingUnderThePictureNameIsNotReplaced) {
  Fixture f;
  makeRecording(f, 0.3);
  ScanSettings settings;
  // A recording (here a "BSn0" form ahead of the WAVE form) under the name
  // of the first page.
  const test::Bytes bsn0 = test::RiffBuilder("BSn0").raw(test::Bytes(60, 0)).build();
  test::Bytes held = bsn0;
  const test::Bytes wave = f.recording.wavFile();
  held.insert(held.end(), wave.begin(), wave.end());
  test::writeFile(f.dir.file("calls-p1.png"), held);
  const SonogramWriter writer(f.dir.path().string(), false, settings);
  Warnings warnings;
  const SonogramPictures written = writer.write(f.outcome, "calls", &warnings);
  EXPECT_TRUE(written.failed);
  EXPECT_TRUE(written.written.empty());
  EXPECT_EQ(test::readFile(f.dir.file("calls-p1.png")), held);
  ASSERT_EQ(warnings.texts.size(), 1u);
  EXPECT_NE(warnings.texts[0].find("calls-p1.png: cannot write the sonogram: it holds a recording"),
            std::string::npos)
      << warnings.texts[0];
}

TEST(SonogramPictures, PictureNamesNeverCollide) {
  const auto names =
      SonogramWriter::pictureNames({"a/night.wav", "b/night.wav", "night.wv", "c/night.wv", "x/.wav"});
  EXPECT_EQ(names, (std::vector<std::string>{"night", "night.wav", "night.wv", "night.wv~2", ".wav"}));
}

TEST(PngFile, WritesAtomicallyAndReportsWhy) {
  TempDir dir;
  Raster r(7, 3, Rgb{10, 20, 30});
  r.setPixel(6, 2, Rgb{255, 0, 0});
  r.line(0, 0, 6, 2, Rgb{1, 2, 3});
  ASSERT_TRUE(writePngFile(dir.file("a.png"), r, nullptr));
  PngPicture png;
  ASSERT_TRUE(test::readPng(dir.file("a.png"), png));
  EXPECT_EQ(png.width, 7);
  EXPECT_EQ(png.height, 3);
  EXPECT_EQ(png.at(3, 1), (Rgb{1, 2, 3}));
  EXPECT_EQ(png.at(6, 2), (Rgb{1, 2, 3}));
  EXPECT_EQ(png.at(6, 0), (Rgb{10, 20, 30}));
  std::string error;
  EXPECT_FALSE(writePngFile(dir.file("no/such/dir/a.png"), r, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(writePngFile(dir.file("empty.png"), Raster(0, 5, Rgb{}), &error));
  EXPECT_FALSE(fs::exists(dir.file("empty.png")));
}

TEST(BitmapFont, CharactersOutsideAsciiAreQuestionMarks) {
  EXPECT_EQ(textLength("kHz"), 3);
  EXPECT_EQ(textWidth("kHz"), 17);
  EXPECT_EQ(textWidth(""), 0);
  EXPECT_EQ(textLength("caf\xC3\xA9\t"), 5);
  auto draw = [](const std::string& text) {
    Raster r(12, kGlyphHeight, Rgb{});
    drawText(r, 0, 0, text, Rgb{255, 255, 255});
    return std::vector<std::uint8_t>(r.row(0), r.row(0) + 12 * 3 * kGlyphHeight);
  };
  EXPECT_EQ(draw("\xC3\xA9?"), draw("??"));
  EXPECT_NE(draw("0"), draw("O"));
  EXPECT_NE(draw("1"), draw("l"));
}

}  // namespace
}  // namespace quilve
