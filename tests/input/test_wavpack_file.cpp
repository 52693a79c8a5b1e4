#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "input/sono_attribute.h"
#include "input/wave_file.h"
#include "input/wavpack_file.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

using test::Bytes;

const std::string kAttributeText =
    "MMMMMMMMM(#25000#)<&10&>[!250!]DEV=D1,CMT=hello,GPS=lat:1.5 lon:2.5 alt:3MMMMMMMMM";

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

bool run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool haveWavpackTools() {
  static const bool have = run("wavpack --version") && run("wvtag --version");
  return have;
}

// Writes the WAV file `name`.wav and compresses it to `name`.wv.
std::string compress(const test::TempDir& dir, const std::string& name, const Bytes& wav) {
  const std::string wavPath = dir.file(name + ".wav");
  const std::string wvPath = dir.file(name + ".wv");
  test::writeFile(wavPath, wav);
  EXPECT_TRUE(run("wavpack -q -y " + quoted(wavPath) + " -o " + quoted(wvPath)))
      << "wavpack failed on " << wavPath;
  return wvPath;
}

void addTagItem(const std::string& wvPath, const std::string& item, const std::string& value) {
  ASSERT_TRUE(run("wvtag -q -y -w " + quoted(item + "=" + value) + " " + quoted(wvPath)));
}

// Reads the whole recording in pieces of `count` bytes.
Bytes readAll(WavPackFile& reader, std::size_t count) {
  Bytes all;
  Bytes piece(count);
  for (;;) {
    std::size_t got = 99;
    EXPECT_FALSE(failed(reader.read(piece.data(), count, &got)));
    EXPECT_LE(got, count);
    if (got == 0) break;
    all.insert(all.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got));
  }
  return all;
}

Bytes randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>(gen());
  return b;
}

class WavPackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveWavpackTools()) {
      GTEST_SKIP() << "the wavpack command-line tools (wavpack, wvtag) are not installed; "
                      "run scripts/bootstrap";
    }
  }
  test::TempDir dir_;
  WavPackFile reader_;
  WaveFormat format_;
};

// --- Decoded samples -------------------------------------------------------

TEST_F(WavPackTest, Mono16ReadsBackTheWavDataAndHeader) {
  std::vector<std::int16_t> samples = {0, 1, -1, 32767, -32768, 12345, -12345};
  std::mt19937 gen(7);
  for (int i = 0; i < 3000; ++i) samples.push_back(static_cast<std::int16_t>(gen()));
  const Bytes data = test::pcm16(samples);
  const std::string wv = compress(dir_, "m16", test::pcmWav(250000, 1, 16, data));

  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.formatTag, kFormatPcm);
  EXPECT_EQ(format_.channels, 1);
  EXPECT_EQ(format_.sampleRate, 250000u);
  EXPECT_EQ(format_.bitsPerSample, 16);
  EXPECT_EQ(format_.blockAlign, 2);
  EXPECT_EQ(format_.avgBytesPerSec, 500000u);
  EXPECT_EQ(format_.extraSize, 0);
  // The compressed file's size, not the decoded data's.
  EXPECT_EQ(reader_.dataSize(), static_cast<std::int64_t>(std::filesystem::file_size(wv)));
  // An odd byte count decodes only whole frames.
  EXPECT_EQ(readAll(reader_, 777), data);
}

TEST_F(WavPackTest, StereoAndEightBitKeepInterleavingAndUnsignedBytes) {
  std::vector<std::int16_t> samples;
  for (int i = 0; i < 1500; ++i) {
    samples.push_back(static_cast<std::int16_t>(i * 20));  // left
    samples.push_back(static_cast<std::int16_t>(-i * 7));  // right
  }
  const Bytes data16 = test::pcm16(samples);
  const std::string wv16 = compress(dir_, "s16", test::pcmWav(192000, 2, 16, data16));
  ASSERT_FALSE(failed(reader_.open(wv16.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.channels, 2);
  EXPECT_EQ(format_.blockAlign, 4);
  EXPECT_EQ(readAll(reader_, 1024), data16);

  // 8-bit stereo: two unsigned one-byte samples per frame, 0 to 255.
  Bytes data8;
  for (int i = 0; i < 1500; ++i) {
    data8.push_back(static_cast<std::uint8_t>(i & 0xFF));
    data8.push_back(static_cast<std::uint8_t>(255 - (i & 0xFF)));
  }
  const std::string wv8 = compress(dir_, "s8", test::pcmWav(192000, 2, 8, data8));
  ASSERT_FALSE(failed(reader_.open(wv8.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.bitsPerSample, 8);
  EXPECT_EQ(format_.blockAlign, 2);
  EXPECT_EQ(readAll(reader_, 513), data8);
}

TEST_F(WavPackTest, ReadsAtTheEndReturnOnlyTheFramesLeft) {
  std::vector<std::int16_t> samples(1000);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i);
  const std::string wv = compress(dir_, "end", test::pcmWav(250000, 1, 16, test::pcm16(samples)));
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_)));

  Bytes buffer(256 * 2);
  std::vector<std::size_t> sizes;
  for (int i = 0; i < 6; ++i) {
    std::size_t got = 0;
    ASSERT_FALSE(failed(reader_.read(buffer.data(), buffer.size(), &got)));
    sizes.push_back(got);
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{512, 512, 512, 464, 0, 0}));
}

TEST_F(WavPackTest, LargeReadDecodesInPiecesWithoutLoss) {
  // More frames than one decode pass takes, read with a single call.
  std::vector<std::int16_t> samples(300000);
  std::mt19937 gen(11);
  for (auto& s : samples) s = static_cast<std::int16_t>(gen() % 2000);
  const Bytes data = test::pcm16(samples);
  const std::string wv = compress(dir_, "big", test::pcmWav(250000, 1, 16, data));
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_)));

  Bytes buffer(data.size() + 64);
  std::size_t got = 0;
  ASSERT_FALSE(failed(reader_.read(buffer.data(), buffer.size(), &got)));
  ASSERT_EQ(got, data.size());
  buffer.resize(got);
  EXPECT_EQ(buffer, data);
}

// --- Attribute block ------------------------------------------------------

TEST_F(WavPackTest, TagItemGivesTheSameBlockAsTheWavExtension) {
  const Bytes data = test::pcm16(std::vector<std::int16_t>(500, 100));
  const std::string wv = compress(dir_, "tagged", test::pcmWav(25000, 1, 16, data));
  addTagItem(wv, "SONO_ATTR", kAttributeText);

  const std::string wavPath = dir_.file("with_extension.wav");
  test::writeFile(wavPath, test::pcmWav(25000, 1, 16, data, &kAttributeText));
  WaveFile wave;
  WaveFormat waveFormat;
  ASSERT_FALSE(failed(wave.open(wavPath.c_str(), &waveFormat))) << wave.lastError();

  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.extraSize, kAttributeText.size());
  EXPECT_EQ(format_.extraText(), kAttributeText);
  EXPECT_EQ(format_.extraText(), waveFormat.extraText());

  AttributeFields fields;
  ASSERT_TRUE(SonoAttribute().parseBlock(format_.extra.data(), format_.extraSize, 1, &fields));
  EXPECT_EQ(fields.sampleRate, 25000);
  EXPECT_EQ(fields.factor, 10);
  EXPECT_EQ(fields.text, "DEV=D1,CMT=hello,GPS=lat:1.5 lon:2.5 alt:3");
  EXPECT_EQ(readAll(reader_, 512), data);
}

TEST_F(WavPackTest, MissingOrOtherTagItemsGiveNoBlock) {
  const Bytes data = test::pcm16(std::vector<std::int16_t>(100, 5));
  const std::string wv = compress(dir_, "plain", test::pcmWav(25000, 1, 16, data));
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_)));
  EXPECT_EQ(format_.extraSize, 0);

  addTagItem(wv, "Title", "bats at dusk");
  format_.extraSize = 77;  // must be overwritten
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_)));
  EXPECT_EQ(format_.extraSize, 0);
}

TEST_F(WavPackTest, LongTagItemIsCutToTheFirst512Bytes) {
  const Bytes data = test::pcm16(std::vector<std::int16_t>(100, 5));
  std::string longText = "MMMMMMMMM(#25000#)<&10&>CMT=";
  for (int i = 0; longText.size() < 700; ++i) longText += static_cast<char>('a' + i % 26);

  const std::string wv = compress(dir_, "long", test::pcmWav(25000, 1, 16, data));
  addTagItem(wv, "SONO_ATTR", longText);
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.extraSize, kMaxExtraBytes);
  EXPECT_EQ(format_.extraText(), longText.substr(0, kMaxExtraBytes));  // no "..." added

  // Exactly 512 bytes fit whole.
  const std::string exact = longText.substr(0, kMaxExtraBytes);
  addTagItem(wv, "SONO_ATTR", exact);
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_)));
  EXPECT_EQ(format_.extraText(), exact);
}

// --- Refused formats ------------------------------------------------------

TEST_F(WavPackTest, WideAndFloatSamplesReadBackAsInTheWavFile) {
  // 24- and 32-bit integers and floats come back as the WAV file's bytes.
  const Bytes data24 = randomBytes(3000, 3);
  std::string wv = compress(dir_, "p24", test::pcmWav(48000, 1, 24, data24));
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.bitsPerSample, 24);
  EXPECT_EQ(format_.blockAlign, 3);
  EXPECT_EQ(readAll(reader_, 3 * 100), data24);

  const Bytes data32 = randomBytes(4000, 4);
  wv = compress(dir_, "p32", test::pcmWav(48000, 2, 32, data32));
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.blockAlign, 8);
  EXPECT_EQ(readAll(reader_, 8 * 33), data32);

  Bytes floats;
  for (int i = 0; i < 1000; ++i) {
    const float v = std::sin(0.01f * static_cast<float>(i)) * (i % 7 == 0 ? 1.5f : 0.5f);
    std::uint8_t raw[4];
    std::memcpy(raw, &v, 4);
    floats.insert(floats.end(), raw, raw + 4);
  }
  wv = compress(dir_, "float", test::RiffBuilder()
                                   .chunk("fmt ", test::fmtFields(kFormatIeeeFloat, 1, 48000, 32))
                                   .chunk("data", floats)
                                   .build());
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_))) << reader_.lastError();
  EXPECT_EQ(format_.formatTag, kFormatIeeeFloat);
  EXPECT_EQ(format_.bitsPerSample, 32);
  EXPECT_EQ(readAll(reader_, 4 * 77), floats);
}

TEST_F(WavPackTest, GuanoIsReadFromTheKeptRiffWrapper) {
  const Bytes guano = test::guanoBody({{"Timestamp", "2022-06-27T22:42:46.759-06:00"}, {"TE", "10"}});
  const Bytes data = randomBytes(2001 * 2, 6);
  // After the data (the trailer), and before it (the header).
  const std::string after = compress(dir_, "after", test::RiffBuilder()
                                                        .chunk("fmt ", test::fmtFields(1, 1, 25000, 16))
                                                        .chunk("data", data)
                                                        .chunk("guan", guano)
                                                        .build());
  const std::string before = compress(dir_, "before", test::RiffBuilder()
                                                          .chunk("fmt ", test::fmtFields(1, 1, 25000, 16))
                                                          .chunk("guan", guano)
                                                          .chunk("data", data)
                                                          .build());
  for (const std::string& wv : {after, before}) {
    SCOPED_TRACE(wv);
    ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_))) << reader_.lastError();
    EXPECT_TRUE(reader_.chunkMetadata().hasGuano);
    EXPECT_EQ(reader_.chunkMetadata().guano, guano);
    // Reading the trailer leaves the samples where they were.
    EXPECT_EQ(readAll(reader_, 1000), data);
  }
  // Without a wrapper nothing is found, and nothing fails.
  const std::string raw = dir_.file("raw.wv");
  ASSERT_TRUE(run("wavpack -q -y -r " + quoted(dir_.file("after.wav")) + " -o " + quoted(raw)));
  ASSERT_FALSE(failed(reader_.open(raw.c_str(), &format_))) << reader_.lastError();
  EXPECT_FALSE(reader_.chunkMetadata().hasGuano);
  EXPECT_EQ(readAll(reader_, 1000), data);
}

// --- Hostile input and reader state ---------------------------------------

TEST_F(WavPackTest, HostileInputFailsWithAReason) {
  const std::string empty = dir_.file("empty.wv");
  test::writeFile(empty, {});
  const std::string noise = dir_.file("noise.wv");
  test::writeFile(noise, randomBytes(4096, 42));
  const std::string wav = dir_.file("real.wav");
  test::writeFile(wav, test::pcmWav(25000, 1, 16, Bytes(200, 1)));

  const std::string good =
      compress(dir_, "good", test::pcmWav(25000, 1, 16, randomBytes(20000, 5)));
  const Bytes whole = test::readFile(good);
  const std::string header = dir_.file("header.wv");
  test::writeFile(header, Bytes(whole.begin(), whole.begin() + 20));  // inside the block header

  for (const std::string& path :
       {empty, noise, wav, header, dir_.path().string(), dir_.file("missing.wv")}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(failed(reader_.open(path.c_str(), &format_)));
    EXPECT_FALSE(reader_.lastError().empty());
    EXPECT_EQ(reader_.dataSize(), -1);
  }
  EXPECT_EQ(reader_.open(nullptr, &format_), kStatusInvalidArg);
  EXPECT_EQ(reader_.open(good.c_str(), nullptr), kStatusInvalidArg);
}

// The library reads the file opened and checked, through the descriptor:
// with the name gone (or given to another file) the samples and the tag
// item at the end of the file still come from the opened one.
TEST_F(WavPackTest, ReadsTheOpenedFileNotTheName) {
  const Bytes data = randomBytes(60000, 11);
  const std::string wv = compress(dir_, "kept", test::pcmWav(250000, 1, 16, data));
  addTagItem(wv, "SONO_ATTR", kAttributeText);
  RegularFile file;
  std::string why;
  ASSERT_TRUE(file.open(wv, &why)) << why;
  const std::int64_t size = file.identity().size;
  std::filesystem::remove(wv);
  test::writeFile(wv, randomBytes(4096, 3));

  ASSERT_FALSE(failed(reader_.open(file, &format_))) << reader_.lastError();
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(reader_.dataSize(), size);
  EXPECT_EQ(std::string(format_.extra.begin(), format_.extra.begin() + format_.extraSize),
            kAttributeText);
  EXPECT_EQ(readAll(reader_, 4000), data);

  // A file that is no WavPack stays open for another reader.
  RegularFile noise;
  ASSERT_TRUE(noise.open(wv, &why)) << why;
  WavPackFile refused;
  EXPECT_TRUE(failed(refused.open(noise, &format_)));
  EXPECT_EQ(refused.lastError().rfind("not a WavPack file", 0), 0u) << refused.lastError();
  EXPECT_TRUE(noise.isOpen());
}

TEST_F(WavPackTest, TruncatedFileHandsOverOnlyIntactSamples) {
  // Several seconds, so that the file holds several blocks.
  const Bytes data = randomBytes(400000, 9);
  const std::string good = compress(dir_, "good", test::pcmWav(25000, 1, 16, data));
  const Bytes whole = test::readFile(good);
  const std::string cut = dir_.file("cut.wv");
  test::writeFile(
      cut, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2)));

  // With its first blocks intact the file opens; the reads then hand over
  // the samples of those blocks unchanged and the read that reaches the cut
  // fails, as with a cut WAV file.
  ASSERT_FALSE(failed(reader_.open(cut.c_str(), &format_))) << reader_.lastError();
  Bytes got;
  Bytes piece(4096);
  bool cutReported = false;
  for (int guard = 0; guard < 1000; ++guard) {
    std::size_t n = 0;
    const bool bad = failed(reader_.read(piece.data(), piece.size(), &n));
    got.insert(got.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
    if (bad) {
      cutReported = true;
      EXPECT_NE(reader_.lastError().find("truncated"), std::string::npos) << reader_.lastError();
      break;
    }
    if (n == 0) break;
  }
  EXPECT_TRUE(cutReported);
  EXPECT_LT(got.size(), data.size());
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
}

TEST_F(WavPackTest, OperationsOnAClosedReaderFail) {
  EXPECT_EQ(reader_.dataSize(), -1);
  EXPECT_EQ(reader_.close(), kStatusNotInitialized);
  EXPECT_FALSE(reader_.lastError().empty());
  std::size_t got = 3;
  std::uint8_t byte = 0;
  EXPECT_EQ(reader_.read(&byte, 1, &got), kStatusNotInitialized);
  EXPECT_EQ(got, 0u);

  const std::string wv = compress(dir_, "x", test::pcmWav(25000, 1, 16, Bytes(400, 2)));
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_)));
  EXPECT_EQ(reader_.read(nullptr, 1, &got), kStatusInvalidArg);
  EXPECT_EQ(reader_.read(&byte, 1, nullptr), kStatusInvalidArg);
  // Opening again while open closes the first file and starts over.
  ASSERT_FALSE(failed(reader_.open(wv.c_str(), &format_)));
  EXPECT_EQ(readAll(reader_, 100).size(), 400u);
  EXPECT_FALSE(failed(reader_.close()));
  EXPECT_EQ(reader_.dataSize(), -1);
  EXPECT_EQ(reader_.close(), kStatusNotInitialized);
}

}  // namespace
}  // namespace quilve
