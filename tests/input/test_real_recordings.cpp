// Every real recording beside the project opens with the format fields and
// data size its chunk listing states, and reads to the end of its data.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "input/wave_file.h"
#include "support/temp_dir.h"

using namespace quilve;

namespace {

struct Listed {
  std::string path;
  unsigned tag, channels, rate, byteRate, align, bits;
  std::uint64_t dataSize;
};

std::vector<Listed> readListing(const std::string& dir) {
  std::vector<Listed> out;
  std::ifstream in(dir + "/CHUNKS.txt");
  std::string line;
  const std::regex re(R"(^(.*\.wav) fmt\(tag,ch,rate,byterate,align,bits\)=\((\d+), (\d+), (\d+), (\d+), (\d+), (\d+)\) (.*)$)");
  const std::regex dataRe(R"((^| )data:(\d+))");
  while (std::getline(in, line)) {
    std::smatch m;
    if (!std::regex_match(line, m, re)) continue;
    Listed l;
    l.path = dir + "/" + m[1].str();
    l.tag = std::stoul(m[2]);
    l.channels = std::stoul(m[3]);
    l.rate = std::stoul(m[4]);
    l.byteRate = std::stoul(m[5]);
    l.align = std::stoul(m[6]);
    l.bits = std::stoul(m[7]);
    const std::string rest = m[8].str();
    std::smatch d;
    if (!std::regex_search(rest, d, dataRe)) continue;
    l.dataSize = std::stoull(d[2]);
    out.push_back(l);
  }
  return out;
}

}  // namespace

TEST(RealRecordings, OpenWithTheListedFormatAndDataSize) {
  const std::string dir = test::realDataDir();
  if (dir.empty()) GTEST_SKIP() << "real recordings not found at " << QUILVE_REAL_DATA_DIR;
  const auto listed = readListing(dir);
  ASSERT_GE(listed.size(), 20u) << "CHUNKS.txt could not be read";
  for (const Listed& l : listed) {
    SCOPED_TRACE(l.path);
    WaveFile f;
    WaveFormat fmt;
    ASSERT_EQ(f.open(l.path.c_str(), &fmt), kStatusOk) << f.lastError();
    EXPECT_EQ(fmt.formatTag, l.tag);
    EXPECT_EQ(fmt.channels, l.channels);
    EXPECT_EQ(fmt.sampleRate, l.rate);
    EXPECT_EQ(fmt.avgBytesPerSec, l.byteRate);
    EXPECT_EQ(fmt.blockAlign, l.align);
    EXPECT_EQ(fmt.bitsPerSample, l.bits);
    EXPECT_EQ(static_cast<std::uint64_t>(f.dataSize()), l.dataSize);
    std::vector<std::uint8_t> buf(65536);
    std::uint64_t total = 0;
    for (;;) {
      std::size_t got = 0;
      ASSERT_EQ(f.read(buf.data(), buf.size(), &got), kStatusOk) << f.lastError();
      if (got == 0) break;
      total += got;
    }
    EXPECT_EQ(total, l.dataSize);
  }
}
