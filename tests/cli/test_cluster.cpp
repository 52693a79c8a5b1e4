// A scan split into shards and merged writes what one machine writes:
// results, zero-crossing files, the summary, counters, bat passes and the
// filing of recordings; a merge of shards that do not belong together is
// refused with the file and the problem named.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "records/outcome_file.h"
#include "support/platform.h"
#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

std::string scan(const std::string& args) { return std::string(QUILVE_SCAN_BINARY) + " " + args; }

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file below `dir` by its relative name, with its bytes.
std::map<std::string, std::string> tree(const fs::path& dir) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(dir, ec)) {
    if (e.is_regular_file()) out[fs::relative(e.path(), dir).string()] = slurp(e.path().string());
  }
  return out;
}

// Recordings two seconds apart with UTC times in their attribute blocks, so
// bat passes and combined zero-crossing files run on from one recording to
// the next (and across slice boundaries); one gap ends a pass, some
// recordings hold no call, one cannot be read.
void generatedRecordings(const fs::path& dir) {
  fs::create_directories(dir);
  const int seconds[] = {0, 2, 4, 5, 7, 9, 11, 24, 26, 27, 29, 31, 33};
  int i = 0;
  for (int s : seconds) {
    SignalGenerator gen(0.5, 250000, static_cast<std::uint32_t>(i + 7));
    gen.addNoise(-60);
    const int calls = i % 4 == 3 ? 0 : 1 + i % 3;
    for (int k = 0; k < calls; ++k) {
      CallSpec c;
      c.startTime = 0.05 + 0.12 * k;
      c.duration = 0.004;
      c.startFrequency = 80000 - 2000 * k;
      c.endFrequency = 40000;
      gen.addCall(c);
    }
    const GeneratedRecording rec = gen.render();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "D20140930T0103%02dm000", s);
    const std::string block = "MMMMMMMMM(#250000#)UTC=2014:09:30::01:03:" + std::string(s < 10 ? "0" : "") +
                              std::to_string(s) + ".000,LTB=0,DEV=<gen>MMMMMMMMM";
    Bytes pcm;
    for (std::int16_t v : rec.samples) putU16(pcm, static_cast<std::uint16_t>(v));
    writeFile((dir / ("bat_" + std::string(stamp) + ".wav")).string(), pcmWav(250000, 1, 16, pcm, &block));
    ++i;
  }
  writeFile((dir / "bat_D20140930T010306m000_broken.wav").string(), Bytes{'R', 'I', 'F', 'F', 1, 0});
}

struct Outputs {
  int status = -1;
  std::string stdOut;
  std::map<std::string, std::string> files;
};

class ClusterScan : public ::testing::Test {
 protected:
  void SetUp() override {
    generatedRecordings(dir.path() / "gen");
    inputs = std::string(QUILVE_SOURCE_DIR) + "/samples " + (dir.path() / "gen").string();
  }

  // One machine: `options` plus outputs into a fresh folder.
  Outputs oneMachine(const std::string& options, const std::string& name) {
    const fs::path out = dir.path() / name;
    fs::create_directories(out / "archive");
    fs::create_directories(out / "zc");
    const ProgramRun r = runProgram(scan("--jobs 2 " + withOutputs(options, out) + " " + inputs), dir);
    return {r.status, r.out, tree(out)};
  }

  // Shards 0..n-1, then the merge.
  Outputs sharded(const std::string& options, int n, const std::string& name) {
    const fs::path out = dir.path() / name;
    const fs::path shards = dir.path() / (name + "-shards");
    fs::create_directories(out / "archive");
    fs::create_directories(out / "zc");
    fs::create_directories(shards);
    std::string files;
    for (int k = 0; k < n; ++k) {
      const std::string file = (shards / ("s" + std::to_string(k) + ".qo")).string();
      const ProgramRun r = runProgram(
          scan("-q --jobs 1 " + options + " --shard " + std::to_string(k) + "/" + std::to_string(n) +
               " --outcomes " + file + " " + inputs),
          dir);
      EXPECT_EQ(r.status, 0) << r.err;
      files = file + " " + files;  // in any order
    }
    const ProgramRun r = runProgram(scan(withOutputs(options, out) + " --merge " + files), dir);
    EXPECT_EQ(r.err.find("problem"), std::string::npos) << r.err;
    return {r.status, r.out, tree(out)};
  }

  static std::string withOutputs(const std::string& options, const fs::path& out) {
    const bool zcd = options.find("zcd") != std::string::npos;
    return options + (zcd ? " --zcd-dir " + (out / "zc").string() : " -o " + (out / "results.txt").string()) +
           " --summary-json " + (out / "summary.json").string() + " --archive " + (out / "archive").string();
  }

  TempDir dir;
  std::string inputs;
};

}  // namespace

TEST_F(ClusterScan, ShardsMergeToTheBytesOfOneMachine) {
  for (const std::string& options : {std::string("--format quilve --include curvature,gps"),
                                    std::string("--format zcd --combine --min-calls 2")}) {
    const bool zcd = options.find("zcd") != std::string::npos;
    const Outputs one = oneMachine(options, zcd ? "one-zc" : "one");
    ASSERT_EQ(one.status, 3);
    // The run is worth comparing: bat passes, calls, archived recordings, and
    // for zero-crossing output files that hold calls of several recordings.
    EXPECT_NE(one.stdOut.find("Bat pass count: "), std::string::npos);
    EXPECT_EQ(one.stdOut.find("Bat pass count: 0\n"), std::string::npos) << one.stdOut;
    EXPECT_GE(std::count_if(one.files.begin(), one.files.end(),
                            [](const auto& f) { return f.first.rfind("archive/", 0) == 0; }),
              5);
    if (zcd) {
      // Six recordings, cut into several slices, in one combined file.
      EXPECT_EQ(one.files.count("zc/bat_201409300103.00#"), 1u);
    } else {
      EXPECT_GT(std::count(one.files.at("results.txt").begin(), one.files.at("results.txt").end(), '\n'), 20);
    }
    for (int n : {1, 2, 3, 7}) {
      const Outputs merged = sharded(options, n, (zcd ? "zc" : "rs") + std::to_string(n));
      EXPECT_EQ(merged.status, one.status) << n;
      EXPECT_EQ(merged.stdOut, one.stdOut) << n << " shards, " << options;
      EXPECT_EQ(merged.files, one.files) << n << " shards, " << options;
    }
  }
}

TEST_F(ClusterScan, ListsTheInputAndResumesCompleteShards) {
  const ProgramRun list = runProgram(scan("--list " + inputs), dir);
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 18);
  EXPECT_EQ(list.out.rfind(std::string(QUILVE_SOURCE_DIR) + "/samples/noise_D20140930T030000m000.wav\n", 0), 0u);

  const std::string file = dir.file("s1.qo");
  const std::string shard = scan("--shard 1/3 --outcomes " + file + " " + inputs);
  const ProgramRun first = runProgram(shard, dir);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, file + ": slice 1/3, recordings 7 to 12 of 18\n");
  const auto written = fs::last_write_time(file);
  const ProgramRun again = runProgram(shard, dir);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, file + ": slice 1/3 already complete\n");
  EXPECT_EQ(fs::last_write_time(file), written);
  // Other settings: the slice is analysed again, with a note.
  const ProgramRun other = runProgram(scan("--set TriggerThreshold=20 --shard 1/3 --outcomes " + file + " " + inputs), dir);
  EXPECT_EQ(other.status, 0);
  EXPECT_NE(other.err.find("analysing the slice again"), std::string::npos) << other.err;
  // No temporary file is left beside it.
  EXPECT_EQ(std::count_if(fs::directory_iterator(dir.path()), fs::directory_iterator(),
                          [](const fs::directory_entry& e) { return e.path().extension() == ".qo"; }),
            1);

  // A shard writes no results: output options are refused.
  EXPECT_EQ(runProgram(scan("--shard 0/2 --outcomes x.qo -o r.txt " + inputs), dir).status, 2);
  EXPECT_EQ(runProgram(scan("--shard 2/2 --outcomes x.qo " + inputs), dir).status, 2);
  EXPECT_EQ(runProgram(scan("--shard 0/2 " + inputs), dir).status, 2);
  EXPECT_EQ(runProgram(scan("--merge " + file + " " + inputs), dir).status, 2);
}

TEST_F(ClusterScan, BrokenMergeInputsAreNamedAndNothingIsWritten) {
  std::vector<std::string> files;
  for (int k = 0; k < 3; ++k) {
    files.push_back(dir.file("s" + std::to_string(k) + ".qo"));
    ASSERT_EQ(runProgram(scan("-q --shard " + std::to_string(k) + "/3 --outcomes " + files.back() + " " + inputs),
                         dir)
                  .status,
              0);
  }
  const std::string results = dir.file("results.txt");
  auto merge = [&](const std::string& args) {
    return runProgram(scan("-o " + results + " --merge " + args), dir);
  };
  auto expectRefused = [&](const ProgramRun& r, const std::string& message) {
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(results)) << message;
  };

  // Truncated, as by a copy that did not finish.
  const std::string cut = dir.file("cut.qo");
  const std::string bytes = slurp(files[1]);
  writeFile(cut, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() * 2 / 3)));
  expectRefused(merge(files[0] + " " + cut + " " + files[2]),
                cut + ": truncated: the file ends inside recording ");
  // One byte changed.
  std::string changed = bytes;
  changed[changed.size() / 2] = static_cast<char>(changed[changed.size() / 2] ^ 0x20);
  writeFile(cut, Bytes(changed.begin(), changed.end()));
  expectRefused(merge(files[0] + " " + cut + " " + files[2]), cut + ": ");

  // A shard analysed with other settings.
  const std::string other = dir.file("other.qo");
  ASSERT_EQ(runProgram(scan("-q --set PowerThreshold=30 --shard 1/3 --outcomes " + other + " " + inputs), dir).status, 0);
  expectRefused(merge(files[0] + " " + other + " " + files[2]),
                other + ": analysed with other settings than this merge's: PowerThreshold=30 (here 21)");
  // The merge itself given other settings than its shards.
  expectRefused(runProgram(scan("--min-calls 3 -o " + results + " --merge " + files[0] + " " + files[1] + " " +
                                files[2]),
                           dir),
                files[0] + ": analysed with other settings than this merge's: ChirpDetectionThreshold=1 (here 3)");

  // A shard written by another version of the program.
  const std::string older = dir.file("older.qo");
  {
    std::ifstream in(files[1], std::ios::binary);
    quilve::OutcomeFileReader reader(in, fs::file_size(files[1]));
    ASSERT_TRUE(reader.readHeader());
    quilve::OutcomeFileHeader header = reader.header();
    header.programVersion = "0.0.1";
    quilve::OutcomeFileWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(older, header, &error)) << error;
    quilve::RecordingOutcome outcome;
    while (reader.next(&outcome)) ASSERT_TRUE(writer.write(outcome, &error)) << error;
    ASSERT_TRUE(writer.commit(&error)) << error;
  }
  expectRefused(merge(files[0] + " " + older + " " + files[2]), older + ": written by quilve-scan 0.0.1; this is ");

  // A slice missing, a slice twice.
  expectRefused(merge(files[0] + " " + files[2]), "slice 1/3 missing: no outcome file holds recordings 7 to 12 of 18");
  expectRefused(merge(files[0] + " " + files[1] + " " + files[1] + " " + files[2]),
                files[1] + ": slice 1/3 again; " + files[1] + " holds it already");

  // A shard of another split, of another list, not an outcome file at all.
  const std::string half = dir.file("half.qo");
  ASSERT_EQ(runProgram(scan("-q --shard 1/2 --outcomes " + half + " " + inputs), dir).status, 0);
  expectRefused(merge(files[0] + " " + half + " " + files[2]), half + ": one of 2 shards, but " + files[0] + " is one of 3");
  const std::string fewer = dir.file("fewer.qo");
  ASSERT_EQ(runProgram(scan("-q --shard 1/3 --outcomes " + fewer + " " + std::string(QUILVE_SOURCE_DIR) + "/samples"), dir).status, 0);
  expectRefused(merge(files[0] + " " + fewer + " " + files[2]), fewer + ": a shard of another input list (4 recordings)");
  expectRefused(merge(files[0] + " " + files[1] + " " + files[2] + " " + dir.file("nosuch.qo")),
                dir.file("nosuch.qo") + ": cannot be read: No such file or directory");
  expectRefused(merge(std::string(QUILVE_SOURCE_DIR) + "/samples/site1_D20140930T010203m456.wav"),
                "site1_D20140930T010203m456.wav: not an outcome file");

  // All there: the merge runs.
  EXPECT_EQ(merge(files[2] + " " + files[0] + " " + files[1]).status, 3);
  EXPECT_TRUE(fs::exists(results));
}

TEST_F(ClusterScan, MoreShardsThanRecordingsLeaveSomeSlicesEmpty) {
  inputs = std::string(QUILVE_SOURCE_DIR) + "/samples";
  const Outputs one = oneMachine("--format analook", "one");
  const Outputs merged = sharded("--format analook", 6, "six");
  EXPECT_EQ(merged.status, 0);
  EXPECT_EQ(merged.stdOut, one.stdOut);
  EXPECT_EQ(merged.files, one.files);
  EXPECT_FALSE(one.files.at("results.txt").empty());
}

TEST_F(ClusterScan, RealRecordingsWithTheirMetadataMergeToTheSameSummary) {
  const std::string real = realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real recordings (QUILVE_REAL_DATA_DIR)";
  // GUANO and attribute-block times, positions and expansion factors reach
  // the summary through the outcome files.
  inputs = real + "/guano " + real + "/bioacoustics " + real + "/tadarida";
  const Outputs one = oneMachine("--format analook", "one");
  const Outputs merged = sharded("--format analook", 3, "three");
  EXPECT_EQ(merged.status, one.status);
  EXPECT_EQ(merged.stdOut, one.stdOut);
  EXPECT_EQ(merged.files, one.files);
}

TEST_F(ClusterScan, ShardsDrawTheSamePicturesAsOneMachine) {
  const fs::path one = dir.path() / "pictures-one";
  const ProgramRun single = runProgram(scan("-q --jobs 2 --sonograms " + one.string() + " " + inputs), dir);
  ASSERT_EQ(single.status, 3) << single.err;
  const auto expected = tree(one);
  ASSERT_FALSE(expected.empty());

  // Each shard draws its own slice, named as in the whole list.
  const fs::path split = dir.path() / "pictures-split";
  for (int k = 0; k < 3; ++k) {
    const ProgramRun r = runProgram(scan("-q --shard " + std::to_string(k) + "/3 --outcomes " +
                                         dir.file("p" + std::to_string(k) + ".qo") + " --sonograms " +
                                         split.string() + " " + inputs),
                                    dir);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  EXPECT_EQ(tree(split), expected);

  // The merge reads no recording, so it draws nothing: asking it is an error.
  const ProgramRun merge = runProgram(
      scan("--merge " + dir.file("p0.qo") + " " + dir.file("p1.qo") + " " + dir.file("p2.qo") +
           " --sonograms " + (dir.path() / "x").string()),
      dir);
  EXPECT_EQ(merge.status, 2);
  EXPECT_NE(merge.err.find("--sonograms"), std::string::npos) << merge.err;
}

namespace {

// The shards of two and the results of one run, for the tests of the lock.
struct TwoShards {
  std::string files;  // " s0.qo s1.qo", as full paths
  std::string one;    // the results of one scan
};

TwoShards twoShards(const TempDir& dir, const std::string& inputs) {
  TwoShards t;
  for (int k = 0; k < 2; ++k) {
    t.files += " " + dir.file("s" + std::to_string(k) + ".qo");
    EXPECT_EQ(runProgram(scan("-q --shard " + std::to_string(k) + "/2 --outcomes " + dir.file("s" + std::to_string(k) + ".qo") +
                              " " + inputs),
                         dir)
                  .status,
              0);
  }
  t.one = dir.file("one.txt");
  EXPECT_EQ(runProgram(scan("-q -o " + t.one + " " + inputs), dir).status, 3);
  return t;
}

}  // namespace

TEST_F(ClusterScan, OneRunAtATimeWritesAResultsFile) {
  // The first merge is stopped by a signal while it holds the lock.
  SKIP_WITHOUT(noSignals());
  const TwoShards shards = twoShards(dir, inputs);
  ASSERT_FALSE(HasFailure());
  const std::string& files = shards.files;
  const std::string& one = shards.one;
  const std::string results = dir.file("results.txt");
  const std::string lock = results + ".lock";

  // The first merge is held (stopped) once it has taken the lock; a second
  // merge into the same results is refused and names it; the first then
  // goes on and ends with the results of one run.
  // (A merge this small may end before it is caught: then it runs again.)
  const std::string first = "exec " + scan("-q -o " + results + " --merge" + files);
  ProgramRun both;
  for (int attempt = 0; attempt < 20; ++attempt) {
    both = runProgram(
        "(" + first + " 2>" + dir.file("first.err") + " & P=$!; while [ ! -e " + lock +
            " ] && kill -0 $P 2>/dev/null; do :; done; kill -STOP $P 2>/dev/null && [ -e " + lock +
            " ] || { kill -CONT $P 2>/dev/null; wait; exit 9; }; echo first=$P; " + scan("-q -o " + results + " --merge" + files) +
            "; echo second=$?; kill -CONT $P; wait; echo done)",
        dir);
    if (both.status != 9) break;
  }
  ASSERT_NE(both.out.find("first="), std::string::npos) << "the first merge was never caught holding the lock";
  const std::string pid = both.out.substr(both.out.find("first=") + 6, both.out.find('\n') - 6);
  EXPECT_NE(both.out.find("second=2\n"), std::string::npos) << both.out << both.err;
  EXPECT_NE(both.err.find(results + ": being written by quilve-scan process " + pid + " on host " + hostName() +
                          " (lock file " + lock + ")"),
            std::string::npos)
      << both.err;
  EXPECT_EQ(slurp(results), slurp(one));
  EXPECT_FALSE(fs::exists(lock));
}

// A lock left by a process of this host that has ended is taken over with a
// note; one of another host is left alone. A plain scan takes it too.
TEST_F(ClusterScan, ALockLeftOnThisHostIsTakenOverAnotherHostsIsLeft) {
  const TwoShards shards = twoShards(dir, inputs);
  ASSERT_FALSE(HasFailure());
  const std::string& files = shards.files;
  const std::string& one = shards.one;
  const std::string results = dir.file("results.txt");
  const std::string lock = results + ".lock";
  writeFile(lock, [] {
    const std::string s = hostName() + " " + std::to_string(endedProcess()) + "\n";
    return Bytes(s.begin(), s.end());
  }());
  const ProgramRun stale = runProgram(scan("-q -o " + results + " --merge" + files), dir);
  EXPECT_EQ(stale.status, 3) << stale.err;
  EXPECT_NE(stale.err.find(lock + ": taking over the lock of quilve-scan process "), std::string::npos) << stale.err;
  EXPECT_EQ(slurp(results), slurp(one));
  EXPECT_FALSE(fs::exists(lock));
  writeFile(lock, Bytes{'n', 'o', 'd', 'e', '7', ' ', '4', '2', '\n'});
  const ProgramRun other = runProgram(scan("-q -o " + results + " " + inputs), dir);
  EXPECT_EQ(other.status, 2);
  EXPECT_NE(other.err.find("being written by quilve-scan process 42 on host node7"), std::string::npos) << other.err;
  EXPECT_EQ(slurp(results), slurp(one));
  EXPECT_TRUE(fs::exists(lock));
}

TEST_F(ClusterScan, AMergeElsewhereReadsTheRecordingsTheShardsRead) {
  // The shards and the one-machine run see the recordings by relative
  // paths; the merge runs in another folder, with its outputs relative to
  // that folder, and files the recordings the shards analysed.
  fs::create_directories(dir.path() / "elsewhere" / "out" / "archive");
  fs::create_directories(dir.path() / "one" / "archive");
  const std::string in = "cd " + dir.path().string() + " && ";
  const std::string options = "--format quilve --min-calls 2 ";
  const ProgramRun one = runProgram(
      "(" + in + scan(options + "-o one/results.txt --summary-json one/summary.json --archive one/archive gen") + ")", dir);
  ASSERT_EQ(one.status, 3) << one.err;
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(runProgram("(" + in + scan("-q " + options + "--shard " + std::to_string(k) + "/3 --outcomes s" +
                                         std::to_string(k) + ".qo gen") + ")",
                         dir)
                  .status,
              0);
  }
  const std::string merge = "(cd " + (dir.path() / "elsewhere").string() + " && " +
                            scan(options + "-o out/results.txt --summary-json out/summary.json --archive out/archive "
                                           "--merge ../s0.qo ../s1.qo ../s2.qo") + ")";
  const ProgramRun merged = runProgram(merge, dir);
  EXPECT_EQ(merged.status, 3) << merged.err;
  EXPECT_EQ(merged.out, one.out);
  EXPECT_EQ(tree(dir.path() / "elsewhere" / "out"), tree(dir.path() / "one"));
  EXPECT_GE(tree(dir.path() / "one" / "archive").size(), 3u);

  // Where the shards' folder is gone the merge is refused, naming it.
  const std::string moved = dir.path().string() + ".moved";
  fs::rename(dir.path(), moved);
  const TempDir scratch;  // for standard error, while `dir` is away
  const ProgramRun gone = runProgram(
      "(cd " + moved + "/elsewhere && " + scan(options + "-o r.txt --merge ../s0.qo ../s1.qo ../s2.qo") + ")", scratch);
  fs::remove_all(dir.path());
  fs::rename(moved, dir.path());
  EXPECT_EQ(gone.status, 2);
  EXPECT_NE(gone.err.find("the recordings' relative paths start from " + dir.path().string() +
                          ", where the shards ran, which cannot be entered"),
            std::string::npos)
      << gone.err;
}

TEST_F(ClusterScan, DamageAndDeadTemporariesAreNamed) {
  const std::string file = dir.file("s0.qo");
  ASSERT_EQ(runProgram(scan("-q --shard 0/1 --outcomes " + file + " " + inputs), dir).status, 0);
  // One hex digit of the settings digest changed.
  std::string bytes = slurp(file);
  const std::size_t version = 16;  // magic, format version, header length
  const std::uint32_t versionLength = static_cast<unsigned char>(bytes[version]);
  const std::size_t digest = version + 4 + versionLength + 4;
  bytes[digest] = bytes[digest] == 'a' ? 'b' : 'a';
  const std::string damaged = dir.file("damaged.qo");
  writeFile(damaged, Bytes(bytes.begin(), bytes.end()));
  const ProgramRun r = runProgram(scan("-o " + dir.file("r.txt") + " --merge " + damaged), dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(damaged + ": its settings digest does not match its settings (damaged file)"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("than this merge's: \n"), std::string::npos) << r.err;

  // A killed shard's temporary file goes with the next run of the slice;
  // one of another host stays, named.
  const std::string dead = quilve::outcomeTemporaryName(file, hostName(), endedProcess());
  const std::string away = quilve::outcomeTemporaryName(file, "node7.cluster", 42);
  writeFile(dead, Bytes{'Q'});
  writeFile(away, Bytes{'Q'});
  const ProgramRun again = runProgram(scan("-q --shard 0/1 --outcomes " + file + " " + inputs), dir);
  EXPECT_EQ(again.status, 0);
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_NE(again.err.find(dead + ": removed, left by quilve-scan process "), std::string::npos) << again.err;
  EXPECT_TRUE(fs::exists(away));
  EXPECT_NE(again.err.find(away + ": the temporary file of a shard on host node7.cluster (process 42)"),
            std::string::npos)
      << again.err;
}
