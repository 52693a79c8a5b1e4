#include "records/zero_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace quilve {
namespace {
constexpr std::size_t kPage = 4096;
constexpr std::size_t kLargePage = std::size_t{2} << 20;
}  // namespace

ZeroPages::ZeroPages(std::size_t bytes) {
  if (bytes == 0) return;
  const bool large = bytes >= kLargePage;
  // Whole pages, and one large page of slack to start on its boundary.
  mappedBytes_ = (bytes + kPage - 1) / kPage * kPage + (large ? kLargePage : 0);
  void* p = mmap(nullptr, mappedBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                 -1, 0);
  if (p == MAP_FAILED) return;
  mapping_ = p;
  auto start = reinterpret_cast<std::uintptr_t>(p);
  if (large) {
    start = (start + kLargePage - 1) / kLargePage * kLargePage;
    // Advice only: without large pages the block takes small ones.
    [[maybe_unused]] const int advised = madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);
  }
  data_ = reinterpret_cast<void*>(start);
}

ZeroPages::~ZeroPages() {
  if (mapping_ != nullptr) munmap(mapping_, mappedBytes_);
}

}  // namespace quilve
