#pragma once
// The level grids of many chirp tiles in one reservation of address space.
// A scan fills the tiles of one slot after the other, so the memory it
// touches grows from the front; it is committed only as tiles write into
// it, and the reservation asks for large pages: a freshly written tile then
// costs one page fault per 32 tiles instead of 16 for every tile. Grids
// are not initialised (a tile reads only the columns it has written). Lives
// as long as the tiles using it.
#include <cstddef>

#include "records/zero_pages.h"

namespace quilve::ui {

class TileGrids {
 public:
  // Floats in one grid (columns x rows of a chirp tile).
  static constexpr std::size_t kGridFloats = 128 * 128;

  explicit TileGrids(int count);
  TileGrids(const TileGrids&) = delete;
  TileGrids& operator=(const TileGrids&) = delete;

  int count() const { return count_; }
  // Grid `index` (0..count-1) of kGridFloats floats; null when the system
  // gave no reservation (each tile then makes its own grid).
  float* grid(int index) const {
    return base_ == nullptr ? nullptr : base_ + static_cast<std::size_t>(index) * kGridFloats;
  }

 private:
  int count_;
  ZeroPages memory_;
  float* base_;
};

}  // namespace quilve::ui
