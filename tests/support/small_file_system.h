#pragma once
// A small file system made for one test: a target on another file system
// that fills up. On Linux a tmpfs is mounted, which needs root
// (CAP_SYS_ADMIN); where that fails, or where the system has no such thing,
// mounted() is false and the test skips with whyNot().
#include <cstdint>
#include <string>
#include <vector>

namespace quilve::test {

class SmallFileSystem {
 public:
  // A file system of `size` (as mount(8) spells it: "64k", "256k") at
  // `where`, which is made first.
  SmallFileSystem(const std::string& where, const std::string& size);
  ~SmallFileSystem();
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& path() const { return where_; }
  // Why none could be made, for the skip.
  std::string whyNot() const;

  // Bytes a file may still take there.
  std::uint64_t freeBytes() const;

  // Every name in it (hidden ones too), for checking that nothing was left.
  std::vector<std::string> names() const;

 private:
  std::string where_;
  bool mounted_ = false;
};

}  // namespace quilve::test
