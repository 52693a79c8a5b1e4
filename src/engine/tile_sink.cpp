#include "engine/tile_sink.h"

#include <algorithm>

namespace quilve {

namespace {
bool validSlot(int slot) { return slot >= 0 && slot < kChirpSlots; }
}  // namespace

void TileSink::clearAllTiles() {
  for (int slot = 0; slot < kChirpSlots; ++slot) clearTile(slot);
}

void clearAllTiles(TileSink& tiles) { tiles.clearAllTiles(); }

MemoryTileStore::MemoryTileStore() : columns_(kChirpSlots) {}

void MemoryTileStore::clearTile(int slot) {
  if (validSlot(slot)) counts_[slot] = 0;
}

void MemoryTileStore::appendFrame(int slot, const float* levels) {
  if (!validSlot(slot) || counts_[slot] >= kTileColumns) return;
  std::vector<float>& store = columns_[slot];
  if (store.empty()) store.resize(static_cast<std::size_t>(kTileColumns) * kFrameLevels);
  std::copy(levels, levels + kFrameLevels,
            store.begin() + static_cast<std::ptrdiff_t>(counts_[slot]) * kFrameLevels);
  ++counts_[slot];
}

int MemoryTileStore::columnCount(int slot) const { return validSlot(slot) ? counts_[slot] : 0; }

const float* MemoryTileStore::column(int slot, int column) const {
  return columns_[slot].data() + static_cast<std::ptrdiff_t>(column) * kFrameLevels;
}

float MemoryTileStore::level(int slot, int column, int bin) const {
  return this->column(slot, column)[bin];
}

}  // namespace quilve
