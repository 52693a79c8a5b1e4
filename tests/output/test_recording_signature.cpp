// Which files hold recordings, so that no output replaces one.
#include <gtest/gtest.h>

#include <string>

#include "output/recording_signature.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

using test::Bytes;

bool looksLikeRecording(const Bytes& b) { return startsLikeRecording(b.data(), b.size()); }

Bytes joined(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RecordingSignature, WaveWavPackAndFormsAheadOfTheWaveForm) {
  const Bytes wave = test::pcmWav(250000, 1, 16, Bytes(100, 1));
  EXPECT_TRUE(looksLikeRecording(wave));
  EXPECT_TRUE(looksLikeRecording(Bytes(wave.begin(), wave.begin() + 12))) << "the header alone";
  EXPECT_TRUE(looksLikeRecording({'w', 'v', 'p', 'k', 0, 0, 0, 0}));
  // "BSn0" ahead of the WAVE form, and another form (odd-sized, padded)
  // ahead of it.
  EXPECT_TRUE(looksLikeRecording(joined(test::RiffBuilder("BSn0").raw(Bytes(60, 0)).build(), wave)));
  const Bytes other = test::RiffBuilder("INFO").chunk("note", Bytes(3, 'x')).build();
  EXPECT_TRUE(looksLikeRecording(joined(other, wave)));

  EXPECT_FALSE(looksLikeRecording(other)) << "a RIFF file without a WAVE form";
  EXPECT_FALSE(looksLikeRecording({'R', 'I', 'F', 'F', 4, 0, 0}));
  EXPECT_FALSE(looksLikeRecording(Bytes{}));
  const std::string text = "Filename\tSt\tDur\n";
  EXPECT_FALSE(looksLikeRecording(Bytes(text.begin(), text.end())));
  EXPECT_FALSE(looksLikeRecording(joined(Bytes(8, ' '), wave))) << "WAVE only at the start";

  test::TempDir dir;
  test::writeFile(dir.file("a.txt"), wave);
  EXPECT_TRUE(holdsRecording(dir.file("a.txt")));
  EXPECT_FALSE(holdsRecording(dir.file("missing")));
  EXPECT_FALSE(holdsRecording(dir.path().string())) << "a directory";
}

}  // namespace
}  // namespace quilve
