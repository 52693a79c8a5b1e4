#include "ui/display/tile_grids.h"

#include <algorithm>
#include <cstdint>

#if defined(__has_include)
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#define QUILVE_HAVE_MMAN 1
#endif
#endif

namespace quilve::ui {

namespace {
constexpr std::size_t kLargePage = std::size_t{2} << 20;
}  // namespace

TileGrids::TileGrids(int count) : count_(std::max(count, 0)) {
#ifdef QUILVE_HAVE_MMAN
  const std::size_t bytes = static_cast<std::size_t>(count_) * kGridFloats * sizeof(float);
  if (bytes == 0) return;
  // One large page of slack lets the grids start on a large-page boundary.
  const std::size_t mapped = bytes + kLargePage;
  int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_NORESERVE
  flags |= MAP_NORESERVE;  // committed page by page as tiles are written
#endif
  void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (p == MAP_FAILED) return;
  mapping_ = p;
  mappingBytes_ = mapped;
  const std::uintptr_t start =
      (reinterpret_cast<std::uintptr_t>(p) + kLargePage - 1) & ~(std::uintptr_t{kLargePage} - 1);
  base_ = reinterpret_cast<float*>(start);
#ifdef MADV_HUGEPAGE
  // Advice only: without large pages the grids take small ones.
  ::madvise(base_, bytes, MADV_HUGEPAGE);
#endif
#endif
}

TileGrids::~TileGrids() {
#ifdef QUILVE_HAVE_MMAN
  if (mapping_ != nullptr) ::munmap(mapping_, mappingBytes_);
#endif
}

}  // namespace quilve::ui
