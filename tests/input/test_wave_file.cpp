// The RIFF/WAVE reader: chunk walk, "BSn0" headers, data positioning, reads
// at the end of the data, and refusal of input it cannot read correctly.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "input/recording.h"
#include "input/wave_file.h"
#include "settings/scan_settings.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve;
using namespace quilve::test;

namespace {

Bytes ramp16(int n) {
  std::vector<std::int16_t> s(n);
  for (int i = 0; i < n; ++i) s[i] = static_cast<std::int16_t>(i * 37 - 5000);
  return pcm16(s);
}

// A "BSn0" form with the text at offset 14 and the factor at offset 52 of the
// bytes after the form type.
Bytes bsn0Header(const std::string& text, std::uint16_t factorTimes1000, std::size_t size = 64) {
  Bytes body(size, 0);
  for (std::size_t i = 0; i < text.size() && 14 + i < size; ++i) body[14 + i] = text[i];
  if (size >= 54) {
    body[52] = factorTimes1000 & 0xFF;
    body[53] = factorTimes1000 >> 8;
  }
  return body;
}

Bytes bsn0File(const Bytes& bsn0Body, std::uint32_t rate, const Bytes& data) {
  Bytes out = RiffBuilder("BSn0").raw(bsn0Body).build();
  Bytes wave = RiffBuilder().chunk("fmt ", fmtFields(1, 1, rate, 16)).chunk("data", data).build();
  out.insert(out.end(), wave.begin(), wave.end());
  return out;
}

struct Opened {
  Status status;
  WaveFormat format;
  std::string error;
  std::int64_t dataSize;
};

Opened openBytes(const TempDir& dir, const Bytes& bytes, WaveFile* keep = nullptr) {
  const std::string path = dir.file("t.wav");
  writeFile(path, bytes);
  WaveFile local;
  WaveFile& f = keep ? *keep : local;
  Opened o;
  o.status = f.open(path.c_str(), &o.format);
  o.error = f.lastError();
  o.dataSize = f.dataSize();
  return o;
}

std::vector<std::uint8_t> readAll(WaveFile& f, std::size_t chunk, Status* last) {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> buf(chunk);
  for (;;) {
    std::size_t got = 0;
    *last = f.read(buf.data(), chunk, &got);
    out.insert(out.end(), buf.begin(), buf.begin() + got);
    if (failed(*last) || got == 0) break;
  }
  return out;
}

}  // namespace

TEST(WaveFileBsn0, BuildsTheAttributeBlockFromTheHeader) {
  TempDir dir;
  const Bytes data = ramp16(300);
  Opened o = openBytes(dir, bsn0File(bsn0Header("DEV=AB", 10000), 25000, data));
  ASSERT_EQ(o.status, kStatusOk) << o.error;
  // 47 characters built, the trailing blank falls away to make the length even.
  EXPECT_EQ(o.format.extraSize, 46);
  EXPECT_EQ(o.format.extraText(), "MMMMMMMMM(#25000#)<&10&>[!250!]DEV=ABMMMMMMMMM");
  EXPECT_EQ(o.dataSize, static_cast<std::int64_t>(data.size()));

  o = openBytes(dir, bsn0File(bsn0Header("DEV=A", 10000), 25000, data));
  ASSERT_EQ(o.status, kStatusOk) << o.error;
  EXPECT_EQ(o.format.extraText(), "MMMMMMMMM(#25000#)<&10&>[!250!]DEV=AMMMMMMMMM ");
}

TEST(WaveFileBsn0, EffectiveRateAndDeviceComeFromTheBuiltBlock) {
  TempDir dir;
  const std::string path = dir.file("bsn0.wav");
  writeFile(path, bsn0File(bsn0Header("DEV=AB", 10000), 25000, ramp16(300)));
  ScanSettings settings;
  Recording rec;
  std::string reason;
  ASSERT_EQ(openRecording(path, settings, rec, &reason), kStatusOk) << reason;
  EXPECT_FLOAT_EQ(rec.effectiveSampleRate, 250000.0f);
  ASSERT_TRUE(rec.attributesParsed);
  std::string dev;
  EXPECT_TRUE(SonoAttribute().getAttribute("DEV", &dev, rec.attributeText));
  EXPECT_EQ(dev, "AB");
}

TEST(WaveFileBsn0, MalformedHeadersAreRefused) {
  TempDir dir;
  // Fewer than 54 bytes after the form type: the factor would lie outside.
  Opened o = openBytes(dir, bsn0File(bsn0Header("DEV=AB", 10000, 40), 25000, ramp16(10)));
  EXPECT_LT(o.status, 0);
  EXPECT_NE(o.error.find("BSn0"), std::string::npos) << o.error;
  // A text that runs to the end of the chunk without a terminator.
  Bytes body = bsn0Header("", 10000, 60);
  for (std::size_t i = 14; i < body.size(); ++i) body[i] = 'x';
  o = openBytes(dir, bsn0File(body, 25000, ramp16(10)));
  EXPECT_LT(o.status, 0);
  // A text of 512 characters or more is dropped, not refused.
  Bytes longText = bsn0Header(std::string(600, 'y'), 10000, 1000);
  longText[52] = 0x10;  // the factor sits inside the text here: 10000 again
  longText[53] = 0x27;
  o = openBytes(dir, bsn0File(longText, 25000, ramp16(10)));
  ASSERT_EQ(o.status, kStatusOk) << o.error;
  EXPECT_EQ(o.format.extraText(), "MMMMMMMMM(#25000#)<&10&>[!250!]MMMMMMMMM");
}

TEST(WaveFileFmt, SeventeenByteFmtWithoutPadStillFindsTheData) {
  TempDir dir;
  Bytes fmt = fmtFields(1, 1, 250000, 16);
  fmt.push_back(0);  // 17 bytes, odd, written without its pad byte
  const Bytes data = ramp16(100);
  Bytes file = RiffBuilder().chunk("fmt ", fmt, /*pad=*/false).chunk("data", data).build();
  WaveFile f;
  Opened o = openBytes(dir, file, &f);
  ASSERT_EQ(o.status, kStatusOk) << o.error;
  EXPECT_EQ(o.format.extraSize, 0);
  EXPECT_EQ(o.dataSize, 200);
  Status last;
  EXPECT_EQ(readAll(f, 64, &last), data);
}

TEST(WaveFileFmt, IntegerAndFloatFormatsOpenOthersAreRefusedWithAReason) {
  TempDir dir;
  const Bytes data(48, 0x11);
  auto plain = [&](std::uint16_t tag, std::uint16_t bits) {
    return RiffBuilder().chunk("fmt ", fmtFields(tag, 1, 48000, bits)).chunk("data", data).build();
  };
  auto extensible = [&](std::uint16_t bits, std::uint16_t valid, std::uint16_t subFormat) {
    Bytes fmt = fmtFields(kFormatExtensible, 1, 96000, bits);
    putU16(fmt, 22);
    putU16(fmt, valid);
    putU32(fmt, 4);
    putU16(fmt, subFormat);
    const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    fmt.insert(fmt.end(), guidTail, guidTail + 14);
    return RiffBuilder().chunk("fmt ", fmt).chunk("data", data).build();
  };
  // A plain "fmt " of 16 bytes with float samples opens now too.
  for (const auto& [file, what] : std::vector<std::pair<Bytes, const char*>>{
           {plain(1, 12), "12-bit"},
           {plain(1, 24), "24-bit"},
           {plain(1, 32), "32-bit"},
           {plain(3, 32), "float"},
           {plain(3, 64), "double"},
           {extensible(16, 16, 1), "extensible 16-bit"},
           {extensible(32, 24, 1), "extensible 24 in 32"},
           {extensible(32, 32, 3), "extensible float"}}) {
    SCOPED_TRACE(what);
    const Opened o = openBytes(dir, file);
    EXPECT_EQ(o.status, kStatusOk) << o.error;
  }
  // Formats still not read are refused at open with what they are.
  for (const auto& [file, reason] : std::vector<std::pair<Bytes, const char*>>{
           {plain(6, 8), "A-law"},
           {plain(7, 8), "mu-law"},
           {plain(2, 4), "ADPCM"},
           {plain(0x55, 16), "MPEG layer 3"},
           {plain(1, 4), "4 bits"},
           {plain(1, 40), "40 bits"},
           {plain(3, 16), "16 bits per float"},
           {extensible(16, 20, 1), "20 bits"},
           {extensible(32, 32, 6), "A-law"}}) {
    SCOPED_TRACE(reason);
    const Opened o = openBytes(dir, file);
    EXPECT_LT(o.status, 0);
    EXPECT_NE(o.error.find(reason), std::string::npos) << o.error;
  }
}

TEST(WaveFileFmt, ExtensionRulesNeverRefuseAndParseLongBlocksWhole) {
  TempDir dir;
  ScanSettings settings;
  settings.DefaultExpansionFactor = 1;
  const Bytes data = ramp16(300);
  auto openWith = [&](const Bytes& fmt, Recording& rec) {
    const std::string path = dir.file("x.wav");
    writeFile(path, RiffBuilder().chunk("fmt ", fmt).chunk("data", data).build());
    std::string reason;
    const Status st = openRecording(path, settings, rec, &reason);
    EXPECT_EQ(st, kStatusOk) << reason;
    return st;
  };
  // The attribute block written straight after the 16 PCM bytes, with no
  // length field: "MM" would read as a length of 19789.
  Bytes fmt = fmtFields(1, 1, 25000, 16);
  putText(fmt, "MMMMMMMMM(#25000#)<&10&>[!250!]DEV=D1MMMMMMMMM");
  Recording rec;
  ASSERT_EQ(openWith(fmt, rec), kStatusOk);
  EXPECT_TRUE(rec.attributesParsed);
  EXPECT_FLOAT_EQ(rec.effectiveSampleRate, 250000.0f);
  EXPECT_EQ(rec.format.extraText(), "MMMMMMMMM(#25000#)<&10&>[!250!]DEV=D1MMMMMMMMM");

  // A length claiming more than the chunk holds: the bytes it holds.
  fmt = fmtFields(1, 1, 44100, 16);
  putU16(fmt, 100);
  putText(fmt, "MMMMMMMMMMMMMMMMMM");
  ASSERT_EQ(openWith(fmt, rec), kStatusOk);
  EXPECT_EQ(rec.format.extraSize, 18);
  EXPECT_TRUE(rec.attributesParsed);

  // 600 extension bytes: parsed whole (its factor of 10 counts, its end
  // marker lies past 512), of which the header keeps the first 512.
  const std::string ext = "MMMMMMMMM(#25000#)<&10&>" + std::string(567, 'a') + "MMMMMMMMM";
  ASSERT_EQ(ext.size(), 600u);
  fmt = fmtFields(1, 1, 25000, 16);
  putU16(fmt, 600);
  putText(fmt, ext);
  ASSERT_EQ(openWith(fmt, rec), kStatusOk);
  EXPECT_EQ(rec.format.extraSize, 512);
  EXPECT_EQ(rec.format.extraText(), ext.substr(0, 512));
  EXPECT_TRUE(rec.attributesParsed);
  EXPECT_EQ(rec.metadata.expansionFactor, 10);
  EXPECT_EQ(rec.metadata.expansionSource, ExpansionSource::Attribute);

  // A chunk too short for its length field, and a truncated chunk, still fail.
  Bytes cut = fmtFields(1, 1, 44100, 16);
  putU16(cut, 4);
  putText(cut, "MMMMMMMMM");
  EXPECT_LT(openBytes(dir, RiffBuilder().chunkWithSize("fmt ", 0xFFFFFFF0u, cut).build()).status, 0);
}

TEST(WaveFileGuano, TheGuanoChunkIsFoundWhereverItLies) {
  TempDir dir;
  const Bytes data = ramp16(501);  // odd chunk sizes around it below
  const Bytes guano = guanoBody({{"Timestamp", "2021-06-15T22:22:35.319-06:00"}, {"TE", "10"}});
  ScanSettings settings;
  settings.DefaultExpansionFactor = 1;
  const std::vector<std::pair<const char*, Bytes>> files = {
      {"after data", RiffBuilder()
                         .chunk("fmt ", fmtFields(1, 1, 25000, 16))
                         .chunk("data", data)
                         .chunk("wamd", Bytes(69, 'w'))
                         .chunk("guan", guano)
                         .build()},
      {"before data", RiffBuilder()
                          .chunk("fmt ", fmtFields(1, 1, 25000, 16))
                          .chunk("guan", guano)
                          .chunk("data", data)
                          .build()},
      {"after an odd chunk without its pad byte",
       RiffBuilder()
           .chunk("fmt ", fmtFields(1, 1, 25000, 16))
           .chunk("data", data)
           .chunk("bext", Bytes(603, 'b'), /*pad=*/false)
           .chunk("guan", guano)
           .build()},
  };
  for (const auto& [what, bytes] : files) {
    SCOPED_TRACE(what);
    const std::string path = dir.file("g.wav");
    writeFile(path, bytes);
    Recording rec;
    std::string reason;
    ASSERT_EQ(openRecording(path, settings, rec, &reason), kStatusOk) << reason;
    ASSERT_TRUE(rec.hasGuano);
    EXPECT_TRUE(rec.guano.hasTimestamp);
    EXPECT_EQ(rec.metadata.expansionSource, ExpansionSource::Guano);
    EXPECT_FLOAT_EQ(rec.effectiveSampleRate, 250000.0f);
    // The data is still read from its start, whole.
    std::vector<std::uint8_t> got(4096);
    std::size_t n = 0;
    ASSERT_EQ(rec.reader->read(got.data(), got.size(), &n), kStatusOk);
    got.resize(n);
    EXPECT_EQ(got, data);
  }
  // Without GUANO, the "wamd" chunk's time stamp; with both, GUANO counts.
  Bytes wamd;
  putU16(wamd, 5);
  putU32(wamd, 19);
  putText(wamd, "2020-01-02 03:04:05");
  for (const bool withGuano : {false, true}) {
    RiffBuilder b;
    b.chunk("fmt ", fmtFields(1, 1, 25000, 16)).chunk("data", data).chunk("wamd", wamd);
    if (withGuano) b.chunk("guan", guano);
    const std::string path = dir.file("w.wav");
    writeFile(path, b.build());
    Recording rec;
    std::string reason;
    ASSERT_EQ(openRecording(path, settings, rec, &reason), kStatusOk) << reason;
    fillMetadata(path, rec);
    EXPECT_EQ(rec.metadata.timeSource, withGuano ? TimeSource::Guano : TimeSource::Wamd);
    EXPECT_EQ(rec.metadata.recordingTime.year, withGuano ? 2021 : 2020);
  }

  // A data chunk claiming more than the file holds: no GUANO, no failure.
  const std::string path = dir.file("cut.wav");
  writeFile(path, RiffBuilder()
                      .chunk("fmt ", fmtFields(1, 1, 25000, 16))
                      .chunkWithSize("data", 1000000, data)
                      .build());
  Recording rec;
  std::string reason;
  ASSERT_EQ(openRecording(path, settings, rec, &reason), kStatusOk) << reason;
  EXPECT_FALSE(rec.hasGuano);
}

TEST(WaveFileRead, ReadsPastTheEndReturnTheRestThenNothing) {
  TempDir dir;
  const Bytes data = ramp16(300);  // 600 bytes
  WaveFile f;
  ASSERT_EQ(openBytes(dir, pcmWav(250000, 1, 16, data), &f).status, kStatusOk);
  std::vector<std::uint8_t> buf(512);
  std::size_t got = 0;
  ASSERT_EQ(f.read(buf.data(), 512, &got), kStatusOk);
  EXPECT_EQ(got, 512u);
  ASSERT_EQ(f.read(buf.data(), 512, &got), kStatusOk);
  EXPECT_EQ(got, 88u);
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 88, data.begin() + 512));
  ASSERT_EQ(f.read(buf.data(), 512, &got), kStatusOk);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(f.read(nullptr, 4, &got), kStatusInvalidArg);
  EXPECT_EQ(f.close(), kStatusOk);
  EXPECT_EQ(f.read(buf.data(), 4, &got), kStatusNotInitialized);
  EXPECT_EQ(f.dataSize(), -1);
}

TEST(WaveFileRead, VendorChunksAndOddChunksAroundTheData) {
  TempDir dir;
  const Bytes data = ramp16(1000);
  Bytes odd(603, 'b');  // an odd chunk written without its pad byte after the data
  Bytes file = RiffBuilder()
                   .chunk("LIST", Bytes(26, 'l'))
                   .chunk("fmt ", fmtFields(1, 1, 384000, 16))
                   .chunk("wamd", Bytes(69, 'w'))
                   .chunk("data", data)
                   .chunk("bext", odd, /*pad=*/false)
                   .chunk("id3 ", Bytes(68, 'i'))
                   .build();
  WaveFile f;
  Opened o = openBytes(dir, file, &f);
  ASSERT_EQ(o.status, kStatusOk) << o.error;
  Status last;
  EXPECT_EQ(readAll(f, 4096, &last), data);
  EXPECT_EQ(last, kStatusOk);
}

// Every chunk is found after an odd chunk, with its pad byte or without it,
// wherever the odd chunk lies: before "fmt ", between "fmt " and the data,
// before the GUANO chunk after the data.
TEST(WaveFileRead, OddChunksWithOrWithoutTheirPadByteBeforeEveryChunk) {
  TempDir dir;
  const Bytes data = ramp16(1000);
  const Bytes guano = guanoBody({{"TE", "10"}});
  for (const bool pad : {true, false}) {
    for (int where = 0; where < 3; ++where) {
      SCOPED_TRACE(std::string(pad ? "with" : "without") + " its pad byte, place " +
                   std::to_string(where));
      RiffBuilder b;
      if (where == 0) b.chunk("bext", Bytes(603, 'b'), pad);
      b.chunk("fmt ", fmtFields(1, 1, 25000, 16));
      if (where == 1) b.chunk("bext", Bytes(603, 'b'), pad);
      b.chunk("data", data);
      if (where == 2) b.chunk("bext", Bytes(603, 'b'), pad);
      b.chunk("guan", guano);
      WaveFile f;
      Opened o = openBytes(dir, b.build(), &f);
      ASSERT_EQ(o.status, kStatusOk) << o.error;
      EXPECT_EQ(o.format.sampleRate, 25000u);
      EXPECT_TRUE(f.chunkMetadata().hasGuano);
      EXPECT_EQ(f.chunkMetadata().guano, guano);
      Status last;
      EXPECT_EQ(readAll(f, 4096, &last), data);
    }
  }
}

TEST(WaveFileRead, TruncatedDataHandsOverWhatExistsThenReportsTheError) {
  TempDir dir;
  const Bytes data = ramp16(1000);
  Bytes file = RiffBuilder().chunk("fmt ", fmtFields(1, 1, 250000, 16)).chunkWithSize("data", 1000000, data).build();
  WaveFile f;
  Opened o = openBytes(dir, file, &f);
  ASSERT_EQ(o.status, kStatusOk) << o.error;
  EXPECT_EQ(o.dataSize, 1000000);
  Status last;
  EXPECT_EQ(readAll(f, 512, &last), data);
  EXPECT_LT(last, 0);
  EXPECT_NE(f.lastError().find("truncated"), std::string::npos);
}

TEST(WaveFileHostile, BrokenFilesFailWithAReason) {
  TempDir dir;
  const Bytes good = pcmWav(250000, 1, 16, ramp16(64));
  // Every cut inside the headers (the data chunk header ends at 44).
  for (std::size_t cut = 0; cut < 44; ++cut) {
    Opened o = openBytes(dir, Bytes(good.begin(), good.begin() + cut));
    EXPECT_LT(o.status, 0) << "cut at " << cut;
    EXPECT_FALSE(o.error.empty()) << "cut at " << cut;
  }
  // A "fmt " chunk claiming far more bytes than the file holds.
  Bytes hugeFmt = RiffBuilder().chunkWithSize("fmt ", 0xFFFFFFF0u, fmtFields(1, 1, 8000, 16)).build();
  EXPECT_LT(openBytes(dir, hugeFmt).status, 0);
  // A RIFF size of 0xFFFFFFFF with nothing behind it.
  EXPECT_LT(openBytes(dir, RiffBuilder().build(0xFFFFFFFFu)).status, 0);
  // Text named .wav.
  const std::string text = "this is not a recording\n";
  EXPECT_LT(openBytes(dir, Bytes(text.begin(), text.end())).status, 0);
  // A directory and a missing path.
  WaveFile f;
  WaveFormat fmt;
  EXPECT_LT(f.open(dir.path().u8string().c_str(), &fmt), 0);
  EXPECT_NE(f.lastError().find("directory"), std::string::npos);
  EXPECT_LT(f.open(dir.file("missing.wav").c_str(), &fmt), 0);
  EXPECT_EQ(f.open(nullptr, &fmt), kStatusInvalidArg);
}

TEST(OpenRecording, EffectiveRateUsesTheDefaultFactorWithoutABlock) {
  TempDir dir;
  const std::string path = dir.file("general.wav");
  writeFile(path, pcmWav(22050, 1, 16, ramp16(500)));
  ScanSettings settings;
  settings.DefaultExpansionFactor = 10;
  Recording rec;
  std::string reason;
  ASSERT_EQ(openRecording(path, settings, rec, &reason), kStatusOk) << reason;
  EXPECT_FLOAT_EQ(rec.effectiveSampleRate, 220500.0f);
  EXPECT_FALSE(rec.isWavPack);
  EXPECT_EQ(rec.dataSize, 1000u);
  EXPECT_EQ(previewComment(rec), "");
}

TEST(OpenRecording, CommentAndFailureReasons) {
  TempDir dir;
  const std::string path = dir.file("sono.wav");
  std::string block = "MMMMMMMMM(#25000#)<&10&>DEV=D1,CMT=<a, b>MMMMMMMMM";
  writeFile(path, pcmWav(25000, 1, 16, ramp16(500), &block));
  ScanSettings settings;
  Recording rec;
  std::string reason;
  ASSERT_EQ(openRecording(path, settings, rec, &reason), kStatusOk) << reason;
  EXPECT_FLOAT_EQ(rec.effectiveSampleRate, 250000.0f);
  EXPECT_EQ(previewComment(rec), "a  b");

  const std::string text = dir.file("notes.wav");
  writeFile(text, Bytes{'h', 'e', 'l', 'l', 'o'});
  EXPECT_LT(openRecording(text, settings, rec, &reason), 0);
  EXPECT_NE(reason.find("not a WAV"), std::string::npos) << reason;
  EXPECT_LT(openRecording(dir.file("gone.wav"), settings, rec, &reason), 0);
  EXPECT_EQ(reason, "No such file or directory");
  const std::string alaw = dir.file("alaw.wav");
  writeFile(alaw, RiffBuilder().chunk("fmt ", fmtFields(6, 1, 8000, 8)).chunk("data", Bytes(8)).build());
  EXPECT_LT(openRecording(alaw, settings, rec, &reason), 0);
  EXPECT_NE(reason.find("A-law"), std::string::npos) << reason;
  EXPECT_FALSE(rec.reader);
}
