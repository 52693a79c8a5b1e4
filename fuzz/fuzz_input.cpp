#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <system_error>
#include <vector>

namespace quilve::fuzz {

namespace {

namespace fs = std::filesystem;

// A folder of our own under /dev/shm when one can be made there (memory, so
// the many small writes of a run never reach the disk), else in the
// system's temporary folder ($TMPDIR or /tmp).
struct ScratchDir {
  std::string path;
  std::map<std::string, std::string> files;  // suffix -> path of the input file

  ScratchDir() {
    std::random_device seed;
    std::mt19937 pick(seed());
    std::error_code ec;
    std::vector<fs::path> bases = {"/dev/shm"};
    const fs::path tmp = fs::temp_directory_path(ec);
    if (!ec) bases.push_back(tmp);
    for (const fs::path& base : bases) {
      if (!fs::is_directory(base, ec)) continue;
      for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = base / ("quilve-fuzz-" + std::to_string(pick()));
        if (fs::create_directory(dir, ec)) {
          fs::permissions(dir, fs::perms::owner_all, ec);
          path = dir.u8string();
          return;
        }
        if (ec) break;
      }
    }
    std::fprintf(stderr, "cannot create a scratch folder in /dev/shm or %s: %s\n", tmp.u8string().c_str(),
                 ec.message().c_str());
    std::abort();
  }

  ~ScratchDir() {
    // Harnesses may leave names beside the input file (a hive moved aside);
    // everything in the folder is ours.
    std::error_code ec;
    fs::remove_all(fs::u8path(path), ec);
  }
};

ScratchDir& scratch() {
  static ScratchDir dir;
  return dir;
}

}  // namespace

const std::string& writeInput(const std::uint8_t* data, std::size_t size, const char* suffix) {
  ScratchDir& dir = scratch();
  auto it = dir.files.find(suffix);
  if (it == dir.files.end()) it = dir.files.emplace(suffix, dir.path + "/input" + suffix).first;
  const std::string& path = it->second;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) fault("cannot create the input file");
  if (size > 0 && std::fwrite(data, 1, size, f) != size) fault("cannot write the input file");
  if (std::fclose(f) != 0) fault("cannot write the input file");
  return path;
}

std::string scratchPath(const char* suffix) { return scratch().path + "/scratch" + suffix; }

}  // namespace quilve::fuzz
