// Which file a name or descriptor stands for, its kind and whether it
// changed; and the names a folder lists, or the system's reason why not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "input/file_identity.h"
#include "input/folder_entries.h"
#include "input/regular_file.h"
#include "support/temp_dir.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;

void put(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

TEST(FileIdentity, KindsOfNamesAndTheOpenFileAgree) {
  test::TempDir dir;
  const fs::path root = fs::absolute(dir.path());
  const std::string file = (root / fs::u8path(u8"Ελληνικά.wav")).u8string();
  put(fs::u8path(file), "RIFF1234");

  FileIdentity byName, byLink;
  FileKind kind = FileKind::Other;
  int error = -1;
  ASSERT_TRUE(identityOfPath(file, &byName, &error, &kind));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(kind, FileKind::Regular);
  EXPECT_EQ(byName.size, 8);
  ASSERT_TRUE(identityOfLink(file, &byLink, nullptr, &kind));
  EXPECT_EQ(kind, FileKind::Regular);
  EXPECT_TRUE(byLink.unchangedAs(byName));
  // Times are ns since 1970: a file written now is stamped today.
  const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  constexpr std::int64_t kDay = 86400LL * 1000000000LL;
  EXPECT_LT(std::abs(now - byName.modified), kDay);
  EXPECT_LT(std::abs(now - byName.changed), kDay);

  RegularFile open;
  std::string why;
  ASSERT_TRUE(open.open(file, &why)) << why;
  FileIdentity byDescriptor;
  ASSERT_TRUE(identityOfDescriptor(open.descriptor(), &byDescriptor, &kind));
  EXPECT_EQ(kind, FileKind::Regular);
  EXPECT_TRUE(byDescriptor.unchangedAs(byName));

  ASSERT_TRUE(identityOfPath(root.u8string(), nullptr, nullptr, &kind));
  EXPECT_EQ(kind, FileKind::Directory);

  // Nothing there: ENOENT and Missing, also below a folder that is missing.
  for (const char* missing : {"none.wav", "no/such/folder.wav"}) {
    FileIdentity none;
    EXPECT_FALSE(identityOfPath((root / missing).u8string(), &none, &error, &kind)) << missing;
    EXPECT_EQ(error, ENOENT) << missing;
    EXPECT_EQ(kind, FileKind::Missing) << missing;
    EXPECT_FALSE(none.known());
  }
  // Below a file: no such file either way.
  EXPECT_FALSE(identityOfPath(file + "/x.wav", nullptr, &error, &kind));
  EXPECT_TRUE(error == ENOENT || error == ENOTDIR) << std::strerror(error);

  // The system's null device is a device, never opened as a recording.
  const std::string device = fs::path::preferred_separator == '\\' ? "NUL" : "/dev/null";
  EXPECT_FALSE(open.open(device, &why, &kind));
  EXPECT_EQ(kind, FileKind::Device);
  EXPECT_EQ(why, "is a device");
}

TEST(FileIdentity, ARewriteShowsAndEveryNameOfAFileIsThatFile) {
  test::TempDir dir;
  const fs::path root = fs::absolute(dir.path());
  const fs::path file = root / "night.wav";
  put(file, "first");
  FileIdentity before, after, other;
  ASSERT_TRUE(identityOfPath(file.u8string(), &before));
  put(file, "second, longer");
  ASSERT_TRUE(identityOfPath(file.u8string(), &after));
  EXPECT_TRUE(after.sameFile(before));
  EXPECT_FALSE(after.unchangedAs(before));
  EXPECT_EQ(after.size, 14);

  std::error_code ec;
  fs::create_hard_link(file, root / "again.wav", ec);
  if (!ec) {
    ASSERT_TRUE(identityOfPath((root / "again.wav").u8string(), &other));
    EXPECT_TRUE(other.sameFile(after));
  }
  put(root / "another.wav", "second, longer");
  ASSERT_TRUE(identityOfPath((root / "another.wav").u8string(), &other));
  EXPECT_FALSE(other.sameFile(after));
  fs::rename(root / "another.wav", root / "renamed.wav");
  FileIdentity renamed;
  ASSERT_TRUE(identityOfPath((root / "renamed.wav").u8string(), &renamed));
  EXPECT_TRUE(renamed.sameFile(other));
}

TEST(FolderEntries, EveryNameOnceOrTheSystemsReason) {
  test::TempDir dir;
  const fs::path root = fs::absolute(dir.path());
  fs::create_directory(root / "full");
  fs::create_directory(root / "empty");
  for (const char* name : {"a.wav", "B.WAV", u8"Ελληνικά_録音.wav"}) put(root / "full" / fs::u8path(name), "x");
  fs::create_directory(root / "full" / "sub");

  std::vector<std::string> names;
  std::string why = "stale";
  ASSERT_TRUE(folderEntries((root / "full").u8string(), &names, &why)) << why;
  EXPECT_TRUE(why.empty());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"B.WAV", "a.wav", "sub", u8"Ελληνικά_録音.wav"}));

  ASSERT_TRUE(folderEntries((root / "empty").u8string(), &names, &why)) << why;
  EXPECT_TRUE(names.empty());

  EXPECT_FALSE(folderEntries((root / "missing").u8string(), &names, &why));
  EXPECT_EQ(why, std::strerror(ENOENT));
  EXPECT_FALSE(folderEntries((root / "full" / "a.wav").u8string(), &names, &why));
  EXPECT_EQ(why, std::strerror(ENOTDIR));
  EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace quilve
