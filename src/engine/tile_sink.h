#pragma once
// Chirp tiles: one small sonogram of 128 columns per chirp slot. The detector
// opens a candidate's tile with the 16 most recent frames and appends every
// later frame until the tile is full; the tiles of earlier calls go on
// filling with the frames that follow them. The display draws the tiles; the
// scan engine only reaches them through TileSink.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/chirp_record.h"

namespace quilve {

constexpr int kTileColumns = 128;  // columns of a full tile
constexpr int kFrameLevels = 128;  // levels (dB) in one column

class TileSink {
 public:
  virtual ~TileSink() = default;
  // Empties the tile of `slot` (0..kLastChirpSlot).
  virtual void clearTile(int slot) = 0;
  // clearTile for every slot in turn (start of a recording); a sink may do
  // it in one go.
  virtual void clearAllTiles();
  // Appends one column of kFrameLevels levels to the tile of `slot`; a full
  // tile is left as it is.
  virtual void appendFrame(int slot, const float* levels) = 0;
  // Columns the tile of `slot` holds, 0..kTileColumns.
  virtual int columnCount(int slot) const = 0;
};

// Empties every tile (start of a recording): tiles.clearAllTiles().
void clearAllTiles(TileSink& tiles);

// Tiles kept in memory. A slot's column storage is made the first time it
// receives a frame and is kept for reuse, so a scan allocates at most once
// per slot and never per column. Slots outside 0..kLastChirpSlot are
// ignored and report 0 columns.
class MemoryTileStore final : public TileSink {
 public:
  MemoryTileStore();

  void clearTile(int slot) override;
  void appendFrame(int slot, const float* levels) override;
  int columnCount(int slot) const override;

  // Level of bin `bin` in column `column` of a slot's tile; the column must
  // be below columnCount(slot).
  float level(int slot, int column, int bin) const;
  // The kFrameLevels levels of one column of a slot's tile.
  const float* column(int slot, int column) const;

 private:
  std::array<std::int16_t, kChirpSlots> counts_{};
  std::vector<std::vector<float>> columns_;  // per slot, column-major
};

}  // namespace quilve
