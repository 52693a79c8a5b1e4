// Lists of paths handed over with --from-file: by lines or by NUL bytes,
// every entry checked, a bad list refused as a whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/path_list.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

using Paths = std::vector<std::string>;

Paths parsed(std::string_view bytes, bool nul) {
  Paths paths;
  std::string error;
  EXPECT_TRUE(parsePathList(bytes, nul, &paths, &error)) << error;
  return paths;
}

TEST(PathList, LinesAndNulSeparatedEntries) {
  EXPECT_EQ(parsed("a.wav\nb dir/c.wav\n", false), (Paths{"a.wav", "b dir/c.wav"}));
  // Windows line ends, empty lines and a last line without its end.
  EXPECT_EQ(parsed("a.wav\r\n\n\r\nlast.wav", false), (Paths{"a.wav", "last.wav"}));
  EXPECT_EQ(parsed("", false), Paths{});
  // NUL-separated entries are exact: line ends and carriage returns stay.
  using namespace std::string_literals;
  EXPECT_EQ(parsed("line\nend.wav\0cr\r\0\0tail.wav"s, true), (Paths{"line\nend.wav", "cr\r", "tail.wav"}));
}

TEST(PathList, ABadListIsRefusedWholeWithItsLine) {
  using namespace std::string_literals;
  Paths paths{"given.wav"};
  std::string error;
  EXPECT_FALSE(parsePathList("a.wav\nb\0c.wav\n"s, false, &paths, &error));
  EXPECT_EQ(error, "line 2: holds a NUL byte (a list of NUL-separated paths needs --null)");
  EXPECT_EQ(paths, Paths{"given.wav"});  // nothing of a refused list is taken

  const std::string longest(kLongestListedPath, 'x');
  EXPECT_EQ(parsed(longest, false), Paths{longest});
  EXPECT_FALSE(parsePathList("a\n\n" + longest + "y\n", false, &paths, &error));
  EXPECT_EQ(error.rfind("line 3: longer than 4096 bytes", 0), 0u) << error;
  EXPECT_FALSE(parsePathList("a\0"s + longest + "y", true, &paths, &error));
  EXPECT_EQ(error.rfind("entry 2: longer than", 0), 0u) << error;
  EXPECT_EQ(paths, Paths{"given.wav"});
}

TEST(PathList, ReadFromAFileOrRefusedWithTheSystemsReason) {
  test::TempDir dir;
  test::writeFile(dir.file("list.txt"), test::Bytes{'a', '\n', 'b', '\n'});
  Paths paths;
  std::string error;
  ASSERT_TRUE(readPathList(dir.file("list.txt"), false, &paths, &error)) << error;
  EXPECT_EQ(paths, (Paths{"a", "b"}));
  EXPECT_FALSE(readPathList(dir.file("missing.txt"), false, &paths, &error));
  EXPECT_EQ(error, "cannot be read: No such file or directory");
  EXPECT_FALSE(readPathList(dir.path().string(), false, &paths, &error));
  EXPECT_EQ(error, "cannot be read: Is a directory");
}

TEST(PathList, AListNamedInAnyScriptGivesItsEntriesByteForByte) {
  test::TempDir dir;
  const std::string entries = u8"Nächte/Ελληνικά_録音.wav\n/data/Çà夜.WAV\n";
  const std::string list = (dir.path() / std::filesystem::u8path(u8"liste_Ελληνικά_録音.txt")).u8string();
  {
    std::ofstream out(std::filesystem::u8path(list), std::ios::binary);
    out << entries;
  }
  Paths paths;
  std::string error;
  ASSERT_TRUE(readPathList(list, false, &paths, &error)) << error;
  EXPECT_EQ(paths, (Paths{u8"Nächte/Ελληνικά_録音.wav", u8"/data/Çà夜.WAV"}));
}

}  // namespace
}  // namespace quilve
