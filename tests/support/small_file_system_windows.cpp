#include <windows.h>

#include <filesystem>
#include <system_error>

#include "input/wide_path.h"
#include "support/platform.h"
#include "support/small_file_system.h"

namespace quilve::test {

// A volume of a given size needs a virtual disk made by an administrator:
// the tests that need one skip here.
SmallFileSystem::SmallFileSystem(const std::string& where, const std::string&) : where_(where) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::u8path(where), ec);
}

SmallFileSystem::~SmallFileSystem() = default;

std::string SmallFileSystem::whyNot() const { return noMounts(); }

std::uint64_t SmallFileSystem::freeBytes() const {
  ULARGE_INTEGER free{};
  std::wstring folder = plainSystemPath(where_);
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  if (!::GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr)) return 0;
  return free.QuadPart;
}

}  // namespace quilve::test
