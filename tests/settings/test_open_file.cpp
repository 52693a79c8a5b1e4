// Files opened by UTF-8 name: the same bytes on every system, and names
// of any length and script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/open_file.h"
#include "support/temp_dir.h"

using namespace quilve;
namespace fs = std::filesystem;

namespace {

std::string bytesOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeText(const std::string& path, const char* mode, const char* text) {
  std::FILE* f = openFile(path, mode);
  if (!f) return false;
  std::fputs(text, f);
  return std::fclose(f) == 0;
}

}  // namespace

TEST(OpenFile, TextModesStillWriteAndReadTheBytesAsTheyAre) {
  quilve::test::TempDir dir;
  const std::string path = (dir.path() / "lines.txt").u8string();
  ASSERT_TRUE(writeText(path, "w", "one\ntwo\n"));
  ASSERT_TRUE(writeText(path, "a", "three\r\n"));
  EXPECT_EQ(bytesOf(fs::u8path(path)), "one\ntwo\nthree\r\n");
  std::FILE* f = openFile(path, "r+");
  ASSERT_NE(f, nullptr);
  char buffer[32] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, f), 15u) << "a CR LF was read as LF";
  std::fclose(f);
  EXPECT_EQ(binaryMode("r+"), "rb+");
  EXPECT_EQ(binaryMode("wx"), "wbx");
  EXPECT_EQ(binaryMode("ab"), "ab");
}

TEST(OpenFile, NamesInAnyScriptAndBeyond260Characters) {
  quilve::test::TempDir dir;
  fs::path deep = dir.path();
  for (int i = 0; i < 6; ++i) deep /= fs::u8path("n\u00fcit-\u03bd\u03cd\u03c7\u03c4\u03b1-\u591c-" + std::string(40, 'd'));
  std::error_code ec;
  fs::create_directories(deep, ec);
  ASSERT_FALSE(ec) << ec.message();
  const std::string path = (deep / fs::u8path("r\u00e9glages.set")).u8string();
  ASSERT_GT(path.size(), 260u);
  ASSERT_TRUE(writeText(path, "w", "QUILVE\n"));
  EXPECT_EQ(bytesOf(deep / fs::u8path("r\u00e9glages.set")), "QUILVE\n");
  EXPECT_EQ(openFile((deep / "missing.set").u8string(), "r"), nullptr);
}
