#include "support/small_file_system.h"

#include <filesystem>
#include <system_error>

namespace quilve::test {

std::vector<std::string> SmallFileSystem::names() const {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::u8path(where_), ec)) {
    out.push_back(e.path().filename().u8string());
  }
  return out;
}

}  // namespace quilve::test
