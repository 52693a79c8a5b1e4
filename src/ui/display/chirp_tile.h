#pragma once
// One chirp tile: the small sonogram of one chirp slot. Its level grid
// (128 columns of 128 levels in dB) is painted into a 128 x 128 cell of the
// main window's off-screen tile image and copied from there, stretched, to
// its screen rectangle (a gallery cell or the enlarged view). The tile also
// maps screen pixels to time, frequency and level and back.
//
// Not thread-safe: the owner guards every tile with its drawing mutex.
#include <cstdint>
#include <memory>

#include "ui/display/colour_map.h"
#include "ui/display/pixel_image.h"

namespace quilve::ui {

constexpr float kClearedLevel = -100.0f;  // every cell after a clear
constexpr float kMarkerLevel = -128.0f;   // drawn red on a full repaint

class ChirpTile {
 public:
  static constexpr int kColumns = 128;
  static constexpr int kRows = 128;

  // Draws on `canvas` from `image`; `cell` is where the tile's picture
  // lives in the image. The screen rectangle starts equal to the cell.
  void create(Canvas* canvas, PixelImage* image, const Rect& cell);

  // Keeps the level grid in `storage` (kColumns x kRows floats, neither
  // initialised nor owned) instead of memory of the tile's own (null: its
  // own, made at the first stored column); set before that column.
  void setGridStorage(float* storage) { grid_ = storage; }
  // Attaches the tile to a canvas (null: nothing is copied to a screen).
  void setCanvas(Canvas* canvas) { canvas_ = canvas; }
  void setScreenRect(const Rect& r);
  const Rect& screenRect() const { return screen_; }
  const Rect& cell() const { return cell_; }

  // Write column -1, every cell kClearedLevel, repaint pending. Costs no
  // work per cell: columns not written since the clear read as cleared.
  // When the image cell held this tile's picture until now, the pending
  // repaint only covers the columns painted since the previous clear (see
  // redrawChanged); otherwise it is a full one.
  void clear();
  // Stores one column of `n` levels (at most kRows) at the next write
  // column, wrapping to column 0 after the last one. Returns the column
  // written. Nothing is painted; see paintColumn.
  int storeColumn(const float* levels, int n);
  // Paints grid column `column` into the image cell, and the write cursor
  // (white) into the column right of it.
  void paintColumn(int column);
  // paintColumn followed by copyColumnToScreen, in one pass over the rows
  // when the screen rectangle is the cell's size and lies on the canvas.
  void paintColumnShown(int column);
  // storeColumn followed by paintColumn.
  int appendColumn(const float* levels, int n);

  int writeColumn() const { return writeColumn_; }
  int columnCount() const { return writeColumn_ + 1; }
  // Level of grid cell (column, row); row 0 is the top (highest frequency).
  float level(int column, int row) const;

  // Makes the tile's colour table unless it already has one of `range`.
  void setLevelRange(const LevelRange& range);
  // Shares a colour table (the owner of many tiles makes one for all).
  void setLevelColours(std::shared_ptr<const LevelColourTable> colours);
  const LevelRange& levelRange() const { return range_; }
  // Time axis of the tile: origin (s), scale and span (s, the view span).
  void setTimeAxis(double origin, double scale, double span);
  // Frequency axis: offset (Hz) and full scale (Hz, the Nyquist frequency).
  void setFrequencyAxis(double offset, double fullScale);
  double timeSpan() const { return span_; }
  double frequencyScale() const { return fullScale_; }
  double binWidth() const { return fullScale_ / kRows; }

  void requestRepaint() {
    repaintPending_ = true;
    clearOnly_ = false;
  }
  bool repaintPending() const { return repaintPending_; }
  // Repaints the whole image cell from the grid now.
  void repaintImage();
  // Repaints the cell when a repaint is pending, then copies it to the
  // screen rectangle.
  void redraw();
  // For a tile whose screen rectangle already shows its picture: does the
  // pending repaint and copies only the columns it changed to the screen
  // (after a clear, the columns painted since the clear before). A full
  // repaint pending is done as by redraw.
  void redrawChanged();
  // Copies grid column `column` and the cursor column right of it from the
  // image to the screen rectangle.
  void copyColumnToScreen(int column);

  // Screen pixel to time (s) and frequency (Hz); false outside the tile.
  bool pixelToTimeFrequency(int px, int py, double* time, double* frequency) const;
  // The same plus the level of the grid cell under the pixel.
  bool pixelToTimeFrequencyLevel(int px, int py, double* time, double* frequency,
                                 float* level) const;
  // Time and frequency to a screen pixel; false outside the tile.
  bool timeFrequencyToPixel(double time, double frequency, int* px, int* py) const;

 private:
  Rgb cellColour(int column, int row) const;
  // Grid column `column` holds levels stored since the clear.
  bool written(int column) const {
    return grid_ != nullptr && column >= 0 && column < kColumns &&
           (wrapped_ || column <= writeColumn_);
  }
  int writtenColumns() const {
    return grid_ == nullptr ? 0 : (wrapped_ ? kColumns : writeColumn_ + 1);
  }
  // Packed colours of grid column `column`, the cleared colour when it
  // has not been written since the clear.
  void columnColours(int column, std::uint32_t* colour) const;
  // Paints image columns [begin, end) from the grid as a full repaint does
  // (red ring and marker levels), row by row; the cell lies in the image.
  void paintColumns(int begin, int end);
  bool cellInImage() const;
  bool screenMatchesCell() const;

  Canvas* canvas_ = nullptr;
  PixelImage* image_ = nullptr;
  Rect cell_;
  Rect screen_;
  // Column-major, each column in bin order (row r holds bin kRows-1-r: the
  // frequency grows upward); only the columns written since the clear are
  // read.
  float* grid_ = nullptr;
  std::unique_ptr<float[]> ownGrid_;  // made at the first stored column
  int writeColumn_ = -1;
  bool wrapped_ = false;  // every column has been written since the clear
  LevelRange range_;
  // The table of the default range, made once and shared by every tile.
  static std::shared_ptr<const LevelColourTable> defaultColours();
  std::shared_ptr<const LevelColourTable> colours_ = defaultColours();
  double origin_ = 0.0, scale_ = 1.0, span_ = 0.02;
  double offset_ = 0.0, fullScale_ = 12.5 * 10000.0;
  bool repaintPending_ = true;
  // The pending repaint only has to undo what was painted before a clear.
  bool clearOnly_ = false;
  // Image columns from here on show the cleared picture (when no repaint
  // is pending): the columns painted since the last repaint stop here.
  int paintedEnd_ = kColumns;
};

}  // namespace quilve::ui
