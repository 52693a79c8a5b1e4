#include "ui/display/tile_grids.h"

#include <algorithm>

namespace quilve::ui {

TileGrids::TileGrids(int count)
    : count_(std::max(count, 0)),
      memory_(static_cast<std::size_t>(count_) * kGridFloats * sizeof(float)),
      base_(static_cast<float*>(memory_.data())) {}

}  // namespace quilve::ui
