#pragma once
// A block of fresh anonymous memory: zero, and given pages only as it is
// written. Blocks of a large page or more start on a large-page boundary
// and ask for large pages, so touching them costs a fault per 2 MiB rather
// than per 4 KiB where the system offers large pages.
#include <cstddef>

namespace quilve {

class ZeroPages {
 public:
  // data() is null when the system gave no memory.
  explicit ZeroPages(std::size_t bytes);
  ~ZeroPages();
  ZeroPages(const ZeroPages&) = delete;
  ZeroPages& operator=(const ZeroPages&) = delete;

  void* data() const { return data_; }

 private:
  void* mapping_ = nullptr;
  std::size_t mappedBytes_ = 0;
  void* data_ = nullptr;
};

}  // namespace quilve
