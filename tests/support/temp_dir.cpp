#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

#include "support/platform.h"

namespace quilve::test {

TempDir::TempDir() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 pick(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "quilve-test-";
    for (int i = 0; i < 8; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
    std::error_code ec;
    // True only for a folder made here, never for one that was there.
    if (std::filesystem::create_directory(base / name, ec)) {
      path_ = base / name;
      std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
      return;
    }
    if (ec && ec != std::errc::file_exists) break;
  }
  throw std::runtime_error("cannot make a temporary folder in " + base.u8string());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const {
  return (path_ / std::filesystem::u8path(name)).u8string();
}

std::string realDataDir() {
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::u8path(QUILVE_REAL_DATA_DIR);
  if (std::filesystem::is_directory(dir, ec)) return std::filesystem::canonical(dir, ec).u8string();
  return {};
}

std::string fileText(const std::string& path) {
  std::ifstream in(filePath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quilve::test
