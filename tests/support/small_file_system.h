#pragma once
// A small tmpfs mounted for one test: a target on another file system that
// fills up. Mounting needs root (CAP_SYS_ADMIN); where it fails, mounted()
// is false and the test skips with the reason.
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quilve::test {

class SmallFileSystem {
 public:
  // Mounts a tmpfs of `size` (as mount(8) spells it: "64k", "256k") at
  // `where`, which is made first.
  SmallFileSystem(const std::string& where, const std::string& size) : where_(where) {
    std::error_code ec;
    std::filesystem::create_directories(where, ec);
    const std::string options = "size=" + size;
    mounted_ = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& path() const { return where_; }

  // Bytes a file may still take there.
  std::uint64_t freeBytes() const {
    struct statvfs s {};
    if (::statvfs(where_.c_str(), &s) != 0) return 0;
    return static_cast<std::uint64_t>(s.f_bavail) * s.f_frsize;
  }

  // Every name in it (hidden ones too), for checking that nothing was left.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(where_, ec)) {
      out.push_back(e.path().filename().string());
    }
    return out;
  }

 private:
  std::string where_;
  bool mounted_ = false;
};

}  // namespace quilve::test
