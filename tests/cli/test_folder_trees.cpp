// quilve-scan -r on folder trees as detectors and card readers leave them:
// every recording found once, the results file's names bare, and every
// output and disposition keeping the branch below its own folder, also
// through shards and their merge.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "support/platform.h"
#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

ProgramRun scanIn(const TempDir& dir, const std::string& args) {
  return runIn(dir, QUILVE_SCAN_BINARY, args, 300);
}

// Every regular file below `root`, relative to it, with its bytes.
std::map<std::string, std::string> filesBelow(const fs::path& root) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file()) files[fs::relative(it->path(), root).string()] = fileText(it->path().string());
  }
  return files;
}

// Season/<site>/<night>/ with a recording of its own at each level and the
// same names in every branch.
void batTree(const TempDir& dir) {
  fs::create_directories(dir.file("Season"));
  writeFile(dir.file("Season/top.wav"), batRecording(2, 9));
  std::uint32_t seed = 1;
  for (const char* branch : {"Site1/n1", "Site1/n2", "Site2/n1"}) {
    fs::create_directories(dir.file(std::string("Season/") + branch));
    writeFile(dir.file(std::string("Season/") + branch + "/a.wav"), batRecording(3, seed++));
    writeFile(dir.file(std::string("Season/") + branch + "/quiet.wav"), batRecording(0, seed++));
  }
}

}  // namespace

TEST(FolderTrees, ARealTreeIsScannedOnceAndEveryFailedRecordingMovedIntoItsBranch) {
  const std::string real = realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real recordings (QUILVE_REAL_DATA_DIR)";
  std::vector<fs::path> originals;
  for (const auto& e : fs::recursive_directory_iterator(real)) {
    const std::string ext = e.path().extension().string();
    if (e.is_regular_file() && !e.is_symlink() && ext.size() > 1 && (ext[1] == 'w' || ext[1] == 'W')) {
      originals.push_back(e.path());
    }
  }
  std::sort(originals.begin(), originals.end());
  if (originals.empty()) GTEST_SKIP() << "no recordings in " << real;

  // Three levels below Season, four branches, the same names in each.
  TempDir dir;
  const char* const branches[] = {"SiteA/N1/card", "SiteA/N2/card", "SiteB/N1/card", "SiteB/N2/card"};
  std::map<std::string, fs::path> copies;  // path as scanned -> original
  for (std::size_t i = 0; i < originals.size(); ++i) {
    const std::string branch = branches[i % 4];
    const std::string path = "Season/" + branch + "/rec" + std::to_string(i / 4) + originals[i].extension().string();
    fs::create_directories(dir.file("Season/" + branch));
    fs::copy_file(originals[i], dir.file(path));
    copies[nativeSeparators(path)] = originals[i];
  }

  const ProgramRun r = scanIn(dir, "-q -r --jobs 2 -o r.txt --move-failed T --summary-json s.json Season");
  ASSERT_TRUE(r.status == 0 || r.status == 3) << r.status << "\n" << r.err;
  EXPECT_EQ(r.err.find("already exists"), std::string::npos) << r.err;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));

  // Every recording once, by its full path.
  std::map<std::string, int> seen;
  for (const char* list : {"passed", "failed"}) {
    for (const auto& e : summary[list]) seen[e["path"].get<std::string>()] += 1;
  }
  ASSERT_EQ(seen.size(), copies.size());
  for (const auto& [path, original] : copies) EXPECT_EQ(seen[path], 1) << path;

  std::set<std::string> notWhole;
  for (const auto& e : summary["unreadable"]) notWhole.insert(e["path"].get<std::string>());
  std::size_t moved = 0;
  for (const auto& e : summary["failed"]) {
    const std::string path = e["path"];
    const std::string branch = fs::path(path).parent_path().string().substr(std::string("Season/").size());
    const std::string target = dir.file("T/" + branch + "/" + e["name"].get<std::string>());
    if (notWhole.count(path)) {
      // Not read whole: it stays where it is, named.
      EXPECT_TRUE(fs::exists(dir.file(path))) << path;
      EXPECT_FALSE(fs::exists(target)) << target;
      continue;
    }
    ++moved;
    EXPECT_FALSE(fs::exists(dir.file(path))) << path;
    EXPECT_EQ(fileText(target), fileText(copies[path].string())) << target;
  }
  for (const auto& e : summary["passed"]) EXPECT_TRUE(fs::exists(dir.file(e["path"].get<std::string>())));
  const std::map<std::string, std::string> filed = filesBelow(dir.file("T"));
  EXPECT_EQ(filed.size(), moved);
  // Names that would have met in one folder did not.
  std::map<std::string, int> branchesOf;
  for (const auto& [path, bytes] : filed) branchesOf[fs::path(path).filename().string()] += 1;
  EXPECT_TRUE(std::any_of(branchesOf.begin(), branchesOf.end(), [](const auto& n) { return n.second > 1; }))
      << "no two failed recordings of the same name: the tree does not test what it should";
  // The results file's names are bare, as other programs read them.
  EXPECT_EQ(fileText(dir.file("r.txt")).find(nativeSeparators("Season/")), std::string::npos);
}

TEST(FolderTrees, ZeroCrossingFilesSonogramsAndDispositionKeepTheBranch) {
  TempDir dir;
  batTree(dir);
  const ProgramRun zc = scanIn(dir, "-q -r --format zcd --zcd-dir zc --sonograms pics --archive A Season");
  ASSERT_EQ(zc.status, 0) << zc.err;
  EXPECT_EQ(zc.err, "");  // no file of one branch took the name of another's
  for (const char* branch : {"Site1/n1/", "Site1/n2/", "Site2/n1/"}) {
    EXPECT_TRUE(fs::exists(dir.file(std::string("zc/") + branch + "a.00#"))) << branch;
    EXPECT_TRUE(fs::exists(dir.file(std::string("pics/") + branch + "a-p1.png"))) << branch;
    EXPECT_EQ(fileText(dir.file(std::string("A/") + branch + "a.wav")),
              fileText(dir.file(std::string("Season/") + branch + "a.wav")))
        << branch;
    EXPECT_FALSE(fs::exists(dir.file(std::string("A/") + branch + "quiet.wav"))) << branch;
  }
  EXPECT_TRUE(fs::exists(dir.file("zc/top.00#")));
  EXPECT_TRUE(fs::exists(dir.file("A/top.wav")));
  EXPECT_EQ(filesBelow(dir.file("zc")).size(), 4u);

  // The dry run names the branch it would file into.
  const ProgramRun dry = scanIn(dir, "-q -r --dry-run --move-failed F Season");
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(dry.out.find(nativeSeparators("would move Season/Site1/n2/quiet.wav to F/Site1/n2\n")), std::string::npos) << dry.out;

  // Recordings filed into the tree would be found by its next scan again:
  // such a target is refused before anything is made or scanned, also
  // through a link.
  std::vector<std::string> targets = {"Season/rejects"};
  if (noSymbolicLinks().empty()) {
    fs::create_directory_symlink(dir.file("Season/Site2"), dir.file("toSite2"));
    targets.push_back("toSite2/rejects");
  }
  for (const std::string& target : targets) {
    const ProgramRun inside = scanIn(dir, "-q -r -o r.txt --move-failed " + target + " Season");
    EXPECT_EQ(inside.status, 2) << target;
    EXPECT_NE(inside.err.find("--move-failed " + target + ": lies in the tree Season scanned with -r"),
              std::string::npos)
        << inside.err;
    EXPECT_FALSE(fs::exists(dir.file(target))) << target;
  }
  EXPECT_EQ(scanIn(dir, "-q --dry-run --move-failed Season/rejects Season").status, 0);  // no tree without -r

  // Without -r the folder's own entries, and one line on what is left out.
  const ProgramRun flat = scanIn(dir, "--list Season");
  EXPECT_EQ(flat.out, nativeSeparators("Season/top.wav\n"));
  EXPECT_EQ(flat.err,
            "quilve-scan: warning: Season: 2 subfolders hold recordings, not scanned (-r, --recursive scans them)\n");
  const ProgramRun listed = scanIn(dir, "-r --list Season");
  EXPECT_EQ(listed.out,
            nativeSeparators("Season/top.wav\nSeason/Site1/n1/a.wav\nSeason/Site1/n1/quiet.wav\nSeason/Site1/n2/a.wav\n"
                             "Season/Site1/n2/quiet.wav\nSeason/Site2/n1/a.wav\nSeason/Site2/n1/quiet.wav\n"));
}

TEST(FolderTrees, ShardsOfATreeMergeIntoTheSameBytesAsOneScan) {
  TempDir dir;
  batTree(dir);
  const ProgramRun one = scanIn(dir, "-q -r --format zcd --zcd-dir zc1 --summary-json s1.json Season");
  ASSERT_EQ(one.status, 0) << one.err;
  for (const char* k : {"0", "1"}) {
    const ProgramRun shard = scanIn(dir, std::string("-q -r --format zcd --shard ") + k + "/2 --outcomes o" + k + ".qoc Season");
    ASSERT_EQ(shard.status, 0) << shard.err;
  }
  const ProgramRun merged =
      scanIn(dir, "-q --format zcd --zcd-dir zc2 --summary-json s2.json --move-failed F --merge o0.qoc o1.qoc");
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(filesBelow(dir.file("zc1")), filesBelow(dir.file("zc2")));
  EXPECT_EQ(filesBelow(dir.file("zc2")).count("Site2/n1/a.00#"), 1u);
  EXPECT_EQ(fileText(dir.file("s1.json")), fileText(dir.file("s2.json")));
  for (const char* branch : {"Site1/n1/", "Site1/n2/", "Site2/n1/"}) {
    EXPECT_TRUE(fs::exists(dir.file(std::string("F/") + branch + "quiet.wav"))) << branch;
  }
  // The same recordings as a flat list are another list: its shards do not
  // merge with those of the tree.
  const ProgramRun flat = scanIn(dir, "-q --format zcd --shard 1/2 --outcomes flat.qoc Season/Site1/n2/a.wav "
                                      "Season/Site2/n1/a.wav Season/top.wav");
  ASSERT_EQ(flat.status, 0) << flat.err;
  EXPECT_EQ(scanIn(dir, "-q --format zcd --zcd-dir zc3 --merge o0.qoc flat.qoc").status, 2);
}

TEST(FolderTrees, LinksAreNotFollowedLoopsEndAndUnreadableFoldersAreNamed) {
  SKIP_WITHOUT(noSymbolicLinks());
  SKIP_WITHOUT(noPermissionBits());
  TempDir dir;
  batTree(dir);
  fs::create_directories(dir.file("outside"));
  writeFile(dir.file("outside/x.wav"), batRecording(1, 3));
  fs::create_directory_symlink(dir.file("outside"), dir.file("Season/Site1/linked"));
  fs::create_directory_symlink("../..", dir.file("Season/Site1/n1/loop"));
  fs::create_directories(dir.file("Season/locked"));
  writeFile(dir.file("Season/locked/hidden.wav"), batRecording(1, 4));
  ASSERT_TRUE(setMode(dir.file("Season/locked"), 0));
  const ProgramRun r = scanIn(dir, "-r --summary-json s.json -q Season Season/Site2");
  setMode(dir.file("Season/locked"), 0755);
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  const std::size_t readable = isSuperUser() ? 8 : 7;  // root reads the locked folder
  EXPECT_EQ(summary["passed"].size() + summary["failed"].size(), readable) << r.err;
  EXPECT_EQ(occurrences(r.err, "outside"), 0u) << r.err;
  EXPECT_EQ(occurrences(r.err, "walked once"), 1u) << r.err;
  if (isSuperUser()) GTEST_SKIP() << "root reads every folder";
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(occurrences(r.err, "quilve-scan: Season/locked: cannot be read: Permission denied\n"), 1u) << r.err;
  ASSERT_EQ(summary["unreadable"].size(), 1u);
  EXPECT_EQ(summary["unreadable"][0]["path"], "Season/locked");
}
