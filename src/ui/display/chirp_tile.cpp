#include "ui/display/chirp_tile.h"

#include <algorithm>
#include <cmath>

namespace quilve::ui {

void ChirpTile::create(Canvas* canvas, PixelImage* image, const Rect& cell) {
  canvas_ = canvas;
  image_ = image;
  cell_ = cell;
  screen_ = cell;
  clear();
}

void ChirpTile::setScreenRect(const Rect& r) {
  screen_ = r;
  repaintPending_ = true;
}

void ChirpTile::clear() {
  writeColumn_ = -1;
  wrapped_ = false;
  repaintPending_ = true;
}

int ChirpTile::storeColumn(const float* levels, int n) {
  if (grid_.empty()) grid_.assign(static_cast<std::size_t>(kColumns) * kRows, kClearedLevel);
  writeColumn_ = (writeColumn_ + 1) % kColumns;
  if (writeColumn_ == kColumns - 1) wrapped_ = true;
  float* col = grid_.data() + static_cast<std::size_t>(writeColumn_) * kRows;
  n = std::clamp(n, 0, kRows);
  // Level k is bin k; frequency grows upward, so it lands in row rows-1-k.
  for (int k = 0; k < n; ++k) col[kRows - 1 - k] = levels[k];
  for (int k = n; k < kRows; ++k) col[kRows - 1 - k] = kClearedLevel;
  return writeColumn_;
}

float ChirpTile::level(int column, int row) const {
  if (column < 0 || row < 0 || column >= kColumns || row >= kRows) return kClearedLevel;
  if (grid_.empty() || (!wrapped_ && column > writeColumn_)) return kClearedLevel;
  return grid_[static_cast<std::size_t>(column) * kRows + row];
}

Rgb ChirpTile::cellColour(int column, int row) const {
  if (column == 0 || row == 0 || column == kColumns - 1 || row == kRows - 1) return kRed;
  return colours_(level(column, row));
}

void ChirpTile::paintColumn(int column) {
  if (image_ == nullptr || column < 0 || column >= kColumns) return;
  const int x = cell_.x + column;
  if (x < 0 || cell_.y < 0 || x + 1 >= image_->width() || cell_.y + kRows > image_->height()) {
    for (int row = 0; row < kRows; ++row) image_->set(x, cell_.y + row, cellColour(column, row));
    return;
  }
  const bool ringColumn = column == 0 || column == kColumns - 1;
  const float* col = grid_.empty() ? nullptr : grid_.data() + static_cast<std::size_t>(column) * kRows;
  const bool cursor = column + 1 < kColumns - 1;
  for (int row = 0; row < kRows; ++row) {
    std::uint8_t* p = image_->row(cell_.y + row) + 3 * x;
    const bool ring = ringColumn || row == 0 || row == kRows - 1;
    const Rgb c = ring ? kRed : (col != nullptr ? colours_(col[row]) : colours_(kClearedLevel));
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    // The write cursor, inside the red ring.
    if (cursor && !ring) {
      p[3] = 255;
      p[4] = 255;
      p[5] = 255;
    }
  }
}

int ChirpTile::appendColumn(const float* levels, int n) {
  const int column = storeColumn(levels, n);
  paintColumn(column);
  return column;
}

void ChirpTile::setLevelRange(const LevelRange& range) {
  range_ = range;
  colours_ = LevelColours(range);
  repaintPending_ = true;
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

void ChirpTile::repaintImage() {
  repaintPending_ = false;
  if (image_ == nullptr) return;
  // Columns not written since the clear all hold the cleared level.
  const Rgb cleared = colours_(kClearedLevel);
  const int written = grid_.empty() ? 0 : (wrapped_ ? kColumns : writeColumn_ + 1);
  const bool inside = cell_.x >= 0 && cell_.y >= 0 && cell_.x + kColumns <= image_->width() &&
                      cell_.y + kRows <= image_->height();
  for (int row = 0; row < kRows; ++row) {
    const bool ringRow = row == 0 || row == kRows - 1;
    for (int column = 0; column < kColumns; ++column) {
      Rgb c = cleared;
      if (ringRow || column == 0 || column == kColumns - 1) {
        c = kRed;
      } else if (column < written) {
        const float v = grid_[static_cast<std::size_t>(column) * kRows + row];
        c = v == kMarkerLevel ? kRed : colours_(v);
      }
      if (inside) {
        std::uint8_t* p = image_->row(cell_.y + row) + 3 * (cell_.x + column);
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
      } else {
        image_->set(cell_.x + column, cell_.y + row, c);
      }
    }
  }
}

void ChirpTile::redraw() {
  if (repaintPending_) repaintImage();
  if (canvas_ != nullptr && image_ != nullptr) stretchCopy(*canvas_, *image_, screen_, cell_);
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
