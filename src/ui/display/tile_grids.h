#pragma once
// The level grids of many chirp tiles in one reservation of address space.
// A scan fills the tiles of one slot after the other, so the memory it
// touches grows from the front; it is committed only as tiles write into
// it, and where the system offers large pages the reservation asks for
// them: a freshly written tile then costs one page fault per 32 tiles
// instead of 16 for every tile. Grids are not initialised (a tile reads
// only the columns it has written). Lives as long as the tiles using it.
#include <cstddef>

namespace quilve::ui {

class TileGrids {
 public:
  // Floats in one grid (columns x rows of a chirp tile).
  static constexpr std::size_t kGridFloats = 128 * 128;

  explicit TileGrids(int count);
  ~TileGrids();
  TileGrids(const TileGrids&) = delete;
  TileGrids& operator=(const TileGrids&) = delete;

  int count() const { return count_; }
  // Grid `index` (0..count-1), kGridFloats floats.
  float* grid(int index) const { return base_ + static_cast<std::size_t>(index) * kGridFloats; }

 private:
  int count_ = 0;
  float* base_ = nullptr;
  void* mapping_ = nullptr;  // the reservation (null: base_ is from new[])
  std::size_t mappingBytes_ = 0;
};

}  // namespace quilve::ui
