// Writes the seed inputs of every fuzz harness into <out>/<harness>/: small
// valid and nearly valid files made by the test fixture writers, plus the
// first 4 KiB of each real recording when the folder of real recordings is
// there. Usage: quilve-fuzz-seeds OUT_DIR [REAL_DATA_DIR]
#include <wavpack/wavpack.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input/wave_file.h"
#include "records/outcome_file.h"
#include "settings/registry.h"
#include "settings/scan_settings.h"
#include "settings/settings_file.h"
#include "support/wav_writer.h"

using namespace quilve;
using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRealHeaderBytes = 4096;

fs::path gOut;

void seed(const std::string& harness, const std::string& name, const Bytes& bytes) {
  const fs::path dir = gOut / harness;
  fs::create_directories(dir);
  writeFile((dir / name).string(), bytes);
}

void seedText(const std::string& harness, const std::string& name, const std::string& text) {
  seed(harness, name, Bytes(text.begin(), text.end()));
}

Bytes sineBytes(std::size_t frames, std::uint16_t channels, std::uint16_t bits) {
  Bytes b;
  for (std::size_t i = 0; i < frames; ++i) {
    for (std::uint16_t c = 0; c < channels; ++c) {
      const double v = std::sin(0.7 * static_cast<double>(i) + c);
      if (bits == 8) {
        b.push_back(static_cast<std::uint8_t>(128 + 100 * v));
      } else {
        putU16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * v)));
      }
    }
  }
  return b;
}

const char* const kBlock =
    "MMMMMMMMM(#250000#)<&10&>[!full!]GPS=lat:48.5 lon:-2.25 alt:12,"
    "UTC=2021:06:14::22:05:09.125,LTB=-120,DEV=<Pettersson D500x>,CMT=<a, b>MMMMMMMMM";

void waveSeeds() {
  const std::string h = "wave_file";
  seed(h, "pcm16_mono", pcmWav(250000, 1, 16, sineBytes(600, 1, 16)));
  seed(h, "pcm8_stereo", pcmWav(44100, 2, 8, sineBytes(300, 2, 8)));
  const std::string block = kBlock;
  seed(h, "pcm16_block", pcmWav(25000, 1, 16, sineBytes(400, 1, 16), &block));
  const std::string odd = "MMMMMMMMM(#384000#)CMT=xMMMMMMMMM ";
  seed(h, "pcm16_block_odd", pcmWav(384000, 1, 16, sineBytes(100, 1, 16), &odd));

  // A "BSn0" form before the WAVE form: text at 14, factor at 52.
  Bytes bsn(70, 0);
  const std::string text = "GPS=lat:1 lon:2 alt:3,DEV=bsn";
  std::copy(text.begin(), text.end(), bsn.begin() + 10);
  bsn[48] = 0x10;
  bsn[49] = 0x27;  // 10000 / 1000 = factor 10
  Bytes twoForms = RiffBuilder("BSn0").raw(bsn).build();
  const Bytes wave = pcmWav(38400, 1, 16, sineBytes(200, 1, 16));
  twoForms.insert(twoForms.end(), wave.begin(), wave.end());
  seed(h, "bsn0_then_wave", twoForms);

  // Vendor chunks, an odd chunk without its pad byte, a list.
  seed(h, "vendor_chunks",
       RiffBuilder()
           .chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0})
           .chunk("bext", Bytes(33, 'x'), false)
           .chunk("fmt ", fmtFields(1, 1, 96000, 16))
           .chunk("wamd", Bytes(5, 1))
           .chunk("data", sineBytes(128, 1, 16))
           .chunk("id3 ", Bytes(9, 0))
           .build());
  // An odd "fmt " without pad byte, so "data" starts one byte early.
  Bytes fmt17 = fmtFields(1, 1, 48000, 16);
  fmt17.push_back(0);
  seed(h, "fmt_odd_unpadded",
       RiffBuilder().chunk("fmt ", fmt17, false).chunk("data", sineBytes(64, 1, 16)).build());
  // The extensible header with a PCM sub-format.
  Bytes ext = fmtFields(0xFFFE, 2, 192000, 16);
  putU16(ext, 22);
  putU16(ext, 16);
  putU32(ext, 3);
  putU16(ext, 1);
  ext.insert(ext.end(), 14, 0x10);
  seed(h, "extensible",
       RiffBuilder().chunk("fmt ", ext).chunk("data", sineBytes(64, 2, 16)).build());
  // A data chunk claiming far more than the file holds.
  seed(h, "data_claims_more",
       RiffBuilder()
           .chunk("fmt ", fmtFields(1, 1, 250000, 16))
           .chunkWithSize("data", 0xFFFFFFFFu, sineBytes(64, 1, 16))
           .build(0xFFFFFFFFu));
  seed(h, "float", RiffBuilder().chunk("fmt ", fmtFields(3, 1, 250000, 32)).chunk("data", Bytes(64, 0)).build());
  seed(h, "float64", RiffBuilder().chunk("fmt ", fmtFields(3, 1, 250000, 64)).chunk("data", Bytes(64, 0x41)).build());
  seed(h, "pcm24", pcmWav(96000, 2, 24, Bytes(96, 0x35)));
  seed(h, "pcm32", pcmWav(96000, 1, 32, Bytes(64, 0x85)));
  seed(h, "pcm12", pcmWav(96000, 1, 12, sineBytes(64, 1, 16)));
  // An attribute block straight after the 16 PCM bytes, no length field.
  Bytes noLength = fmtFields(1, 1, 250000, 16);
  putText(noLength, "MMMMMMMMM(#250000#)<&1&>[!250!]MMMMMMMMM");
  // A length field claiming more than the chunk holds.
  Bytes overLength = fmtFields(1, 1, 250000, 16);
  putU16(overLength, 600);
  putText(overLength, "MMMMMMMMMDEV=xMMMMMMMMM");
  const std::string guano =
      "GUANO|Version: 1.0\nTimestamp: 2022-06-27T22:42:46.759-06:00\nTE: 10\n"
      "Loc Position: 40.1 -105.9\nMake: Wildlife\nNote: a\\nb\n";
  seed(h, "fmt_block_without_length",
       RiffBuilder()
           .chunk("fmt ", noLength)
           .chunk("data", sineBytes(300, 1, 16))
           .chunk("guan", Bytes(guano.begin(), guano.end()))
           .build());
  seed(h, "fmt_length_too_long",
       RiffBuilder().chunk("fmt ", overLength).chunk("guan", Bytes(5, 'x'), false).chunk("data", sineBytes(64, 1, 16)).build());
  // The extensible header with float samples, 24 valid bits in 32, 12 in 16.
  auto extensible = [&](std::uint16_t bits, std::uint16_t valid, std::uint16_t sub) {
    Bytes e = fmtFields(0xFFFE, 1, 192000, bits);
    putU16(e, 22);
    putU16(e, valid);
    putU32(e, 4);
    putU16(e, sub);
    e.insert(e.end(), 14, 0x10);
    return RiffBuilder().chunk("fmt ", e).chunk("data", Bytes(128, 0x7F)).build();
  };
  seed(h, "extensible_float", extensible(32, 32, 3));
  seed(h, "extensible_24_in_32", extensible(32, 24, 1));
  seed(h, "extensible_12_in_16", extensible(16, 12, 1));
  seed(h, "alaw", RiffBuilder().chunk("fmt ", fmtFields(6, 1, 8000, 8)).chunk("data", Bytes(64, 0x55)).build());
}

void nameTextSeeds() {
  const std::string h = "name_text";
  seedText(h, "plain", "/data/night 1/D20140930T010203m456.wav");
  seedText(h, "latin1", "/card/\xE9t\xE9.wav");
  seedText(h, "controls", "tab\there\nnew\r\x1B[2J\xC2\x85\xE2\x80\xA8.wav");
  seedText(h, "broken", "\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82");
  seedText(h, "escapes", "a\\x09\\\\b%E9%4%");
}

// Lists of recordings as --from-file reads them.
void pathListSeeds() {
  const std::string h = "path_list";
  seedText(h, "lines", "/data/night 1/a.wav\nb.WAV\n\nc.wv");
  seedText(h, "windows", "D:\\card\\a.wav\r\nb.wav\r\n");
  seedText(h, "nul_separated", std::string("line\nend.wav\0cr\r\0\0last.wav", 26));
  seedText(h, "long", std::string(4097, 'x') + "\nshort.wav\n");
}

void guanoSeeds() {
  const std::string h = "guano";
  seedText(h, "full",
           "GUANO|Version: 1.0\nMake: Wildlife Acoustics\nModel: SM4BAT\nSerial: S4U01234\n"
           "Timestamp: 2021-06-15T22:22:35.319-06:00\nTE: 10\nLoc Position: 40.16872 -105.90369\n"
           "Loc Elevation: 2501.5\nNote: first line\\nsecond line\nNABat|Site Name: x\n");
  seedText(h, "utc", "GUANO|Version:1.0\r\nTimestamp:2020-02-29T00:00:00Z\r\nTE:1\r\n");
  seedText(h, "no_offset", "GUANO|Version: 1.0\nTimestamp: 2021-07-19 16:00:59.5\nSerial: \xc3\xa9t\xe9\n");
  seedText(h, "broken", "GUANO|Version: 1.0\nno colon here\n: no key\nTimestamp: 2021-13-40T25:61:61\n"
                        "Loc Position: 91 200\nTE: ten\n");
  seedText(h, "names", "3773_SE_Array_S1_20210615_222235_319.wav");
  seedText(h, "names_t", "PAR_20200101T235959+0130.wav");
  seedText(h, "names_d", "x_D20120704T213015m250.wav");
  Bytes wamd;
  for (const auto& [id, text] : std::vector<std::pair<std::uint16_t, std::string>>{
           {0, std::string("\x01\x00", 2)},
           {5, "2022-06-27 22:42:46.759-06:00"},
           {6, "WGS84,47.59183,N,122.33333,W,20.0"}}) {
    putU16(wamd, id);
    putU32(wamd, static_cast<std::uint32_t>(text.size()));
    putText(wamd, text);
  }
  seed(h, "wamd", wamd);
}

void attributeSeeds() {
  const std::string h = "attribute_block";
  seedText(h, "full", kBlock);
  seedText(h, "plain", "MMMMMMMMMGPS=lat:1 lon:2 alt:3,DEV=x,CMT=yMMMMMMMMM");
  seedText(h, "fields", "MMMMMMMMM(#37500#)<&1&>[!3750!]UTC=1999:12:31::23:59:59.999,LTB=60MMMMMMMMM ");
  seedText(h, "empty_text", "MMMMMMMMM(#1#)MMMMMMMMM");
  seedText(h, "nul_in_text", std::string("MMMMMMMMMDEV=a\0CMT=bMMMMMMMMM", 30));
}

// libwavpack writes blocks through a callback; collect them in memory.
int collectBlock(void* id, void* data, std::int32_t count) {
  auto* out = static_cast<Bytes*>(id);
  const auto* p = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), p, p + count);
  return 1;
}

Bytes encodeWavPack(std::uint32_t rate, int channels, int bits, std::size_t frames,
                    const char* attributes) {
  Bytes out;
  WavpackContext* ctx = WavpackOpenFileOutput(collectBlock, &out, nullptr);
  if (!ctx) return out;
  WavpackConfig cfg{};
  cfg.bytes_per_sample = bits / 8;
  cfg.bits_per_sample = bits;
  cfg.num_channels = channels;
  cfg.channel_mask = channels == 1 ? 4 : 3;
  cfg.sample_rate = static_cast<std::int32_t>(rate);
  if (!WavpackSetConfiguration64(ctx, &cfg, static_cast<std::int64_t>(frames), nullptr) ||
      !WavpackPackInit(ctx)) {
    WavpackCloseFile(ctx);
    return {};
  }
  std::vector<std::int32_t> samples;
  const double scale = bits == 8 ? 100.0 : 12000.0;
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      samples.push_back(static_cast<std::int32_t>(scale * std::sin(0.3 * static_cast<double>(i) + c)));
  WavpackPackSamples(ctx, samples.data(), static_cast<std::uint32_t>(frames));
  WavpackFlushSamples(ctx);
  if (attributes) {
    WavpackAppendTagItem(ctx, "SONO_ATTR", attributes, static_cast<int>(std::string(attributes).size()));
    WavpackWriteTag(ctx);
  }
  WavpackCloseFile(ctx);
  return out;
}

void wavpackSeeds() {
  const std::string h = "wavpack_file";
  seed(h, "mono16_tag", encodeWavPack(250000, 1, 16, 2000, kBlock));
  seed(h, "stereo8", encodeWavPack(44100, 2, 8, 700, nullptr));
  seed(h, "mono24", encodeWavPack(96000, 1, 24, 100, nullptr));
  Bytes cut = encodeWavPack(384000, 1, 16, 3000, "MMMMMMMMMDEV=xMMMMMMMMM");
  cut.resize(cut.size() / 2);
  seed(h, "mono16_cut", cut);
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void settingsSeeds() {
  const std::string h = "settings_file";
  const fs::path dir = gOut / h;
  fs::create_directories(dir);
  ScanSettings s;
  writeSettingsFile((dir / "defaults").string(), s);
  s.DetailSelection = 3;
  s.PowerThreshold = -12.5f;
  s.EnableCurvatureFilter = true;
  writeSettingsFile((dir / "changed").string(), s);
  seedText(h, "bad_values",
           "QUILVE Configuration File\nDetailSelection = x\nSonoMinDuration = -.5\n"
           "CurvatureFilterMin  = 99999999999999999999999999999999999999999\nSonoMaxFrequency=1.\r\n");
  // Values at the edges of what six decimals and a float hold.
  seedText(h, "extremes",
           "QUILVE Configuration File\nSonoMinFrequency = 340282300000000000000000000000000000000\n"
           "SonoMinDuration = 0.0000004999\nCurvatureFilterMin  = -0.00000049\n"
           "DominantFrequencyMinHz  = 16777217.5\nDetailSelection = 2147483000\n"
           "SonoTriggerThresholdDB = 123456.789\n");
  seedText(h, "numbers", "-123.456");
}

void registrySeeds() {
  const std::string h = "registry_hive";
  RegistryHive hive("unused");
  hive.open("SOFTWARE\\QUILVE\\Settings", true)->setDword("DetailSelection", 2);
  hive.open("SOFTWARE\\QUILVE\\Settings", true)->setString("Folder", "/data/bats \"night\"\\1");
  hive.open("SOFTWARE\\QUILVE\\Recent", true)->setString("Control", std::string("a\tb\x01", 4));
  seedText(h, "written", hive.serialize());
  seedText(h, "crlf",
           "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE]\r\n"
           "\"A\"=dword:0000000a\r\n\"B\"=hex(1):41,00,00,00\r\n");
}

void realSeeds(const fs::path& real) {
  std::error_code ec;
  if (real.empty() || !fs::is_directory(real, ec)) return;
  int n = 0;
  for (const auto& entry : fs::recursive_directory_iterator(real, ec)) {
    if (!entry.is_regular_file()) continue;
    const std::string ext = entry.path().extension().string();
    const std::string name = "real_" + std::to_string(n++);
    if (ext == ".wav" || ext == ".WAV") {
      std::string head = slurp(entry.path());
      if (head.size() > kRealHeaderBytes) head.resize(kRealHeaderBytes);
      seedText("wave_file", name, head);
      // The header extension of the whole file, for the attribute block.
      WaveFile wav;
      WaveFormat fmt;
      if (!failed(wav.open(entry.path().u8string().c_str(), &fmt))) {
        if (fmt.extraSize > 0) {
          seed("attribute_block", name, Bytes(fmt.extra.begin(), fmt.extra.begin() + fmt.extraSize));
        }
        if (wav.chunkMetadata().hasGuano) seed("guano", name, wav.chunkMetadata().guano);
        if (wav.chunkMetadata().hasWamd) seed("guano", name + "_wamd", wav.chunkMetadata().wamd);
      }
    } else if (ext == ".zc") {
      seedText("zc_decoder", name, slurp(entry.path()));
    } else if (ext == ".wv") {
      seedText("wavpack_file", name, slurp(entry.path()));
    }
  }
}

void zcSeeds() {
  // A header with its text block and a short interval stream, laid out as
  // file type 132 is: data information block offset, type, text, block.
  Bytes b(0x156, 0);
  b[0] = 0x12;
  b[1] = 0x01;  // data information block at 0x112
  b[3] = 132;
  const std::string text = "D500X   20210614";
  std::copy(text.begin(), text.end(), b.begin() + 6);
  b[0x112] = 0x56;
  b[0x113] = 0x01;  // intervals at 0x156
  b[0x116] = 16;
  for (std::uint8_t v : {0x80, 0x10, 0x05, 0x85, 0x01, 0xC0, 0x02, 0x03, 0x04}) b.push_back(v);
  seed("zc_decoder", "made", b);
}

// Outcome files: an empty slice, and a slice with an unreadable recording
// and one with calls and metadata.
void outcomeSeeds() {
  const fs::path dir = gOut / "outcome_file";
  fs::create_directories(dir);
  OutcomeFileHeader h;
  h.programVersion = "1.0.0";
  h.settingsValues = "TriggerThreshold=18\n";
  h.settingsDigest = sha256Hex(h.settingsValues);
  h.listLength = 3;
  h.listDigest = listDigest({"a.wav", "b.wav", "c.wav"});
  h.shardCount = 2;
  std::string error;
  {
    OutcomeFileHeader empty = h;
    empty.listLength = 1;
    empty.shardIndex = 1;
    empty.sliceFirst = 1;
    OutcomeFileWriter w;
    if (!w.open((dir / "empty_slice").string(), empty, &error) || !w.commit(&error)) std::fprintf(stderr, "%s\n", error.c_str());
  }
  h.sliceCount = 2;
  RecordingOutcome unreadable;
  unreadable.path = "a.wav";
  unreadable.openFailure = "truncated RIFF header";
  RecordingOutcome calls;
  calls.path = "b.wav";
  calls.opened = true;
  calls.effectiveSampleRate = 250000;
  calls.timeOfDay = 3723.5;
  calls.metadata.gpsValid = true;
  calls.metadata.latitude = 48.5f;
  calls.metadata.recordingTime.year = 2021;
  calls.metadata.device = "D500X";
  calls.metadata.comment = "a, b";
  for (int i = 0; i < 2; ++i) {
    AcceptedCall c;
    c.trace.accepted = 1;
    c.trace.endPoint = 3;
    for (int k = 0; k < 3; ++k) {
      c.trace.points[static_cast<std::size_t>(k)].time = 0.1f * static_cast<float>(i) + 0.001f * static_cast<float>(k);
      c.trace.points[static_cast<std::size_t>(k)].frequency = 40000.0f - 1000.0f * static_cast<float>(k);
    }
    c.call.startTime = 0.1f * static_cast<float>(i);
    c.call.duration = 0.003f;
    calls.calls.push_back(c);
  }
  calls.fileChirpCount = 2;
  calls.subfolder = "Site1/n1";  // found below the folder scanned
  // Relative paths: the header names the folder they start from.
  h.workingFolder = "/data/season";
  OutcomeFileWriter w;
  if (!w.open((dir / "two_recordings").string(), h, &error) || !w.write(unreadable, &error) ||
      !w.write(calls, &error) || !w.commit(&error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
  }
  seed("outcome_file", "record_only", [&] {
    const std::string b = encodeOutcome(calls);
    return Bytes(b.begin(), b.end());
  }());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR [REAL_DATA_DIR]\n", argv[0]);
    return 2;
  }
  gOut = argv[1];
  fs::create_directories(gOut);
  waveSeeds();
  attributeSeeds();
  wavpackSeeds();
  settingsSeeds();
  registrySeeds();
  zcSeeds();
  guanoSeeds();
  nameTextSeeds();
  pathListSeeds();
  outcomeSeeds();
  realSeeds(argc > 2 ? fs::path(argv[2]) : fs::path());
  return 0;
}
