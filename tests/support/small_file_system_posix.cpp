#include <sys/mount.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <system_error>

#include "support/small_file_system.h"

namespace quilve::test {

SmallFileSystem::SmallFileSystem(const std::string& where, const std::string& size) : where_(where) {
  std::error_code ec;
  std::filesystem::create_directories(where, ec);
  const std::string options = "size=" + size;
  mounted_ = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
}

std::string SmallFileSystem::whyNot() const { return "no small file system can be mounted here (needs root)"; }

std::uint64_t SmallFileSystem::freeBytes() const {
  struct statvfs s {};
  if (::statvfs(where_.c_str(), &s) != 0) return 0;
  return static_cast<std::uint64_t>(s.f_bavail) * s.f_frsize;
}

}  // namespace quilve::test
