#include <fstream>
#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace quilve::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quilve-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string realDataDir() {
  std::error_code ec;
  std::filesystem::path dir(QUILVE_REAL_DATA_DIR);
  if (std::filesystem::is_directory(dir, ec)) return std::filesystem::canonical(dir, ec).string();
  return {};
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quilve::test
