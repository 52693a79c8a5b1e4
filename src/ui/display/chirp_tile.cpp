#include "ui/display/chirp_tile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quilve::ui {

namespace {

// Byte stores of packed pixels: `v` holds the bytes in memory order from
// its lowest byte up. Several bytes go in one store where the machine
// allows it; a column of a tile is 128 rows apart, so its cost is the
// number of stores.
inline void store4(std::uint8_t* p, std::uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(p, &v, 4);
#else
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
#endif
}

inline void store3(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
}

// blue | green << 8 | red << 16 to red | green << 8 | blue << 16.
inline std::uint32_t swapRedBlue(std::uint32_t c) {
  return (c >> 16 & 0xffu) | (c & 0xff00u) | (c & 0xffu) << 16;
}

// A pixel followed by a white one (the write cursor).
inline void storeWithCursor(std::uint8_t* p, std::uint32_t c) {
  store4(p, c | 0xff000000u);
  p[4] = 255;
  p[5] = 255;
}

}  // namespace

void ChirpTile::create(Canvas* canvas, PixelImage* image, const Rect& cell) {
  canvas_ = canvas;
  image_ = image;
  cell_ = cell;
  screen_ = cell;
  clear();
}

void ChirpTile::setScreenRect(const Rect& r) {
  screen_ = r;
  requestRepaint();
}

std::shared_ptr<const LevelColourTable> ChirpTile::defaultColours() {
  static const std::shared_ptr<const LevelColourTable> colours =
      std::make_shared<const LevelColourTable>();
  return colours;
}

void ChirpTile::clear() {
  writeColumn_ = -1;
  wrapped_ = false;
  // A repaint pending already (another picture in the cell, a new range or
  // screen rectangle) stays a full one.
  if (!repaintPending_) clearOnly_ = true;
  repaintPending_ = true;
}

int ChirpTile::storeColumn(const float* levels, int n) {
  if (grid_ == nullptr) {
    ownGrid_.reset(new float[static_cast<std::size_t>(kColumns) * kRows]);
    grid_ = ownGrid_.get();
  }
  writeColumn_ = (writeColumn_ + 1) % kColumns;
  if (writeColumn_ == kColumns - 1) wrapped_ = true;
  float* col = grid_ + static_cast<std::size_t>(writeColumn_) * kRows;
  n = std::clamp(n, 0, kRows);
  std::copy(levels, levels + n, col);
  std::fill(col + n, col + kRows, kClearedLevel);
  return writeColumn_;
}

float ChirpTile::level(int column, int row) const {
  if (row < 0 || row >= kRows || !written(column)) return kClearedLevel;
  return grid_[static_cast<std::size_t>(column) * kRows + (kRows - 1 - row)];
}

void ChirpTile::columnColours(int column, std::uint32_t* colour) const {
  if (!written(column)) {
    std::fill(colour, colour + kRows, colours_->packed(kClearedLevel));
    return;
  }
  colours_->packedRun(grid_ + static_cast<std::size_t>(column) * kRows, kRows, colour);
  std::reverse(colour, colour + kRows);  // bin order to rows, top first
}

Rgb ChirpTile::cellColour(int column, int row) const {
  if (column == 0 || row == 0 || column == kColumns - 1 || row == kRows - 1) return kRed;
  return (*colours_)(level(column, row));
}

bool ChirpTile::cellInImage() const {
  return image_ != nullptr && cell_.x >= 0 && cell_.y >= 0 && cell_.x + kColumns <= image_->width() &&
         cell_.y + kRows <= image_->height();
}

bool ChirpTile::screenMatchesCell() const {
  return canvas_ != nullptr && screen_.w == kColumns && screen_.h == kRows && screen_.x >= 0 &&
         screen_.y >= 0 && screen_.x + kColumns <= canvas_->width() &&
         screen_.y + kRows <= canvas_->height();
}

void ChirpTile::paintColumn(int column) {
  if (image_ == nullptr || column < 0 || column >= kColumns) return;
  const int x = cell_.x + column;
  if (x < 0 || cell_.y < 0 || x + 1 >= image_->width() || cell_.y + kRows > image_->height()) {
    for (int row = 0; row < kRows; ++row) image_->set(x, cell_.y + row, cellColour(column, row));
    return;
  }
  const std::uint32_t red = LevelColourTable::pack(kRed);
  const bool ringColumn = column == 0 || column == kColumns - 1;
  std::uint32_t colour[kRows];
  columnColours(column, colour);
  const bool cursor = column + 1 < kColumns - 1;
  std::uint8_t* p = image_->row(cell_.y) + 3 * x;
  const std::ptrdiff_t stride = image_->rowBytes();
  for (int row = 0; row < kRows; ++row, p += stride) {
    const bool ring = ringColumn || row == 0 || row == kRows - 1;
    if (ring)
      store3(p, red);
    else if (cursor)  // the write cursor, inside the red ring
      storeWithCursor(p, colour[row]);
    else
      store3(p, colour[row]);
  }
  paintedEnd_ = std::max(paintedEnd_, std::min(column + 2, kColumns));
}

void ChirpTile::paintColumnShown(int column) {
  if (column < 0 || column >= kColumns || !cellInImage() || !screenMatchesCell()) {
    paintColumn(column);
    copyColumnToScreen(column);
    return;
  }
  // The image (blue, green, red) and the canvas (red, green, blue) take the
  // same pixels; the colour is looked up once for both.
  const std::uint32_t red = LevelColourTable::pack(kRed);
  const bool ringColumn = column == 0 || column == kColumns - 1;
  std::uint32_t colour[kRows];
  columnColours(column, colour);
  const bool cursor = column + 1 < kColumns - 1;
  std::uint8_t* p = image_->row(cell_.y) + 3 * (cell_.x + column);
  const std::ptrdiff_t stride = image_->rowBytes();
  const std::ptrdiff_t screenStride = static_cast<std::ptrdiff_t>(canvas_->width()) * 3;
  std::uint8_t* d = canvas_->pixelData() +
                    (static_cast<std::size_t>(screen_.y) * canvas_->width() + screen_.x + column) * 3;
  const std::uint32_t screenRed = swapRedBlue(red);
  // The ring rows: red, no cursor.
  store3(p, red);
  store3(d, screenRed);
  store3(p + (kRows - 1) * stride, red);
  store3(d + (kRows - 1) * screenStride, screenRed);
  p += stride;
  d += screenStride;
  if (ringColumn) {
    for (int row = 1; row < kRows - 1; ++row, p += stride, d += screenStride) {
      store3(p, red);
      store3(d, screenRed);
    }
  } else if (cursor) {
    for (int row = 1; row < kRows - 1; ++row, p += stride, d += screenStride) {
      storeWithCursor(p, colour[row]);
      storeWithCursor(d, swapRedBlue(colour[row]));
    }
  } else {
    for (int row = 1; row < kRows - 1; ++row, p += stride, d += screenStride) {
      store3(p, colour[row]);
      store3(d, swapRedBlue(colour[row]));
    }
  }
  paintedEnd_ = std::max(paintedEnd_, std::min(column + 2, kColumns));
}

int ChirpTile::appendColumn(const float* levels, int n) {
  const int column = storeColumn(levels, n);
  paintColumn(column);
  return column;
}

void ChirpTile::setLevelRange(const LevelRange& range) {
  range_ = range;
  if (colours_ == nullptr || colours_->range().low != range.low ||
      colours_->range().high != range.high)
    colours_ = std::make_shared<const LevelColourTable>(range);
  requestRepaint();
}

void ChirpTile::setLevelColours(std::shared_ptr<const LevelColourTable> colours) {
  if (colours == nullptr) return;
  range_ = colours->range();
  colours_ = std::move(colours);
  requestRepaint();
}

void ChirpTile::setTimeAxis(double origin, double scale, double span) {
  origin_ = origin;
  scale_ = scale;
  span_ = span;
}

void ChirpTile::setFrequencyAxis(double offset, double fullScale) {
  offset_ = offset;
  fullScale_ = fullScale;
}

void ChirpTile::paintColumns(int begin, int end) {
  if (begin >= end) return;
  const LevelColourTable& colours = *colours_;
  const std::uint32_t red = LevelColourTable::pack(kRed);
  const int written = writtenColumns();
  // Columns not written since the clear show the cleared picture: a row of
  // it is made once and copied into every row inside the ring.
  std::uint8_t clearedRow[3 * kColumns + 1];
  const std::uint32_t cleared = colours.packed(kClearedLevel);
  for (int column = 0; column < kColumns; ++column)
    store4(clearedRow + 3 * column, column == 0 || column == kColumns - 1 ? red : cleared);
  const int levelEnd = std::min(end, written);
  const int clearedBegin = std::max(begin, written);
  float levels[kColumns];
  std::uint32_t colour[kColumns];
  for (int row = 0; row < kRows; ++row) {
    std::uint8_t* line = image_->row(cell_.y + row) + 3 * cell_.x;
    if (row == 0 || row == kRows - 1) {
      for (int column = begin; column < end; ++column) store3(line + 3 * column, red);
      continue;
    }
    if (begin < levelEnd) {
      // The row's levels gathered from the column-major grid, then
      // coloured in one run.
      const float* bin = grid_ + (kRows - 1 - row);
      for (int column = begin; column < levelEnd; ++column)
        levels[column - begin] = bin[static_cast<std::size_t>(column) * kRows];
      colours.packedRun(levels, levelEnd - begin, colour);
      for (int column = begin; column < levelEnd; ++column) {
        const int i = column - begin;
        const bool ringColumn = column == 0 || column == kColumns - 1;
        store3(line + 3 * column, ringColumn || levels[i] == kMarkerLevel ? red : colour[i]);
      }
    }
    if (clearedBegin < end)
      std::memcpy(line + 3 * clearedBegin, clearedRow + 3 * clearedBegin,
                  static_cast<std::size_t>(3 * (end - clearedBegin)));
  }
}

void ChirpTile::repaintImage() {
  const bool clearOnly = clearOnly_;
  repaintPending_ = false;
  clearOnly_ = false;
  if (image_ == nullptr) return;
  const int written = writtenColumns();
  if (!cellInImage()) {
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        const float v = level(column, row);
        image_->set(cell_.x + column, cell_.y + row,
                    column > 0 && row > 0 && column < kColumns - 1 && row < kRows - 1 &&
                            v == kMarkerLevel
                        ? kRed
                        : cellColour(column, row));
      }
    }
    paintedEnd_ = kColumns;
    return;
  }
  // After a clear only the columns painted since the clear before differ
  // from the cleared picture; the columns from paintedEnd_ on show it.
  paintColumns(0, clearOnly ? std::max(std::min(paintedEnd_, kColumns), written) : kColumns);
  paintedEnd_ = written;
}

void ChirpTile::redraw() {
  if (repaintPending_) repaintImage();
  if (canvas_ != nullptr && image_ != nullptr) stretchCopy(*canvas_, *image_, screen_, cell_);
}

void ChirpTile::redrawChanged() {
  if (!repaintPending_) return;
  if (!clearOnly_) {
    redraw();
    return;
  }
  const int changed = std::max(std::min(paintedEnd_, kColumns), writtenColumns());
  repaintImage();
  if (canvas_ == nullptr || image_ == nullptr || changed <= 0) return;
  if (!cellInImage() || !screenMatchesCell()) {
    stretchCopy(*canvas_, *image_, screen_, cell_, 0, changed);
    return;
  }
  // Same size: each row is one run of pixels, blue-green-red to
  // red-green-blue; every pixel but the last goes in one store whose fourth
  // byte the next pixel overwrites.
  for (int row = 0; row < kRows; ++row) {
    const std::uint8_t* s = image_->row(cell_.y + row) + 3 * cell_.x;
    std::uint8_t* d = canvas_->pixelData() +
                      (static_cast<std::size_t>(screen_.y + row) * canvas_->width() + screen_.x) * 3;
    for (int i = 0; i < changed; ++i, s += 3, d += 3) {
      const std::uint32_t c = static_cast<std::uint32_t>(s[2]) |
                              static_cast<std::uint32_t>(s[1]) << 8 |
                              static_cast<std::uint32_t>(s[0]) << 16;
      if (i + 1 < changed)
        store4(d, c);
      else
        store3(d, c);
    }
  }
}

void ChirpTile::copyColumnToScreen(int column) {
  if (canvas_ != nullptr && image_ != nullptr)
    stretchCopy(*canvas_, *image_, screen_, cell_, column, column + 2);
}

bool ChirpTile::pixelToTimeFrequency(int px, int py, double* time, double* frequency) const {
  if (!screen_.contains(px, py)) return false;
  *time = origin_ + span_ * scale_ * (px - screen_.x) / screen_.w;
  *frequency = fullScale_ * (screen_.y + screen_.h - py - 1) / screen_.h + offset_;
  return true;
}

bool ChirpTile::pixelToTimeFrequencyLevel(int px, int py, double* time, double* frequency,
                                          float* lvl) const {
  if (!pixelToTimeFrequency(px, py, time, frequency)) return false;
  const double along = span_ * scale_ > 0 ? (*time - origin_) / (span_ * scale_) : 0.0;
  const double up = fullScale_ > 0 ? (*frequency - offset_) / fullScale_ : 0.0;
  const int column = std::clamp(static_cast<int>(std::clamp(along, 0.0, 1.0) * kColumns), 0,
                                kColumns - 1);
  const int bin = std::clamp(static_cast<int>(std::clamp(up, 0.0, 1.0) * kRows), 0, kRows - 1);
  *lvl = level(column, kRows - 1 - bin);
  return true;
}

bool ChirpTile::timeFrequencyToPixel(double time, double frequency, int* px, int* py) const {
  const double span = span_ * scale_;
  if (!(span > 0) || !(fullScale_ > 0)) return false;
  const double fx = (time - origin_) / span * (screen_.w - 1) + 0.5;
  const double fy = (frequency - offset_) / fullScale_ * (screen_.h - 1) + 0.5;
  // Outside the tile (or not finite): refused before any conversion.
  if (!(fx > -1.0 && fx < screen_.w) || !(fy > -1.0 && fy < screen_.h)) return false;
  *px = screen_.x + static_cast<int>(fx);
  *py = screen_.y + screen_.h - 1 - static_cast<int>(fy);
  return true;
}

}  // namespace quilve::ui
