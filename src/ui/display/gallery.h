#pragma once
// Where the chirp tiles go on the main window: sixteen gallery cells of
// 128 x 128 pixels in four rows of four, and the enlarged view of the
// selected tile. The gallery shows sixteen consecutive slots from its first
// shown slot on; slot s sits at position s - first shown slot, while its
// picture lives in the image cell of position s mod 16.
#include "engine/chirp_record.h"
#include "ui/display/pixel_image.h"

namespace quilve::ui {

constexpr int kGalleryCells = 16;
constexpr int kGalleryColumns = 4;
constexpr int kGalleryLeft = 256;
constexpr int kGalleryTop = 32;
constexpr int kGalleryPitch = 130;  // cell plus a two-pixel gap
constexpr int kTileSide = 128;
constexpr Rect kEnlargedView{288, 64, 456, 456};
// The last first-shown slot that still fills the gallery.
constexpr int kLastFirstShown = kChirpSlots - kGalleryCells;

// Gallery cell of position 0..15 (also the image cell of a slot's picture).
Rect galleryCell(int position);
// The image cell of a slot's picture.
inline Rect imageCell(int slot) { return galleryCell(((slot % kGalleryCells) + kGalleryCells) % kGalleryCells); }

class Gallery {
 public:
  int firstShown() const { return first_; }
  // Clamped to 0..kLastFirstShown; returns the slot now first.
  int setFirstShown(int slot);
  // Position of a slot in the gallery, -1 when it is not shown.
  int positionOf(int slot) const;
  // Slot of the gallery cell under a main-window pixel, -1 between and
  // outside the cells.
  int slotAt(int x, int y) const;

 private:
  int first_ = 0;
};

}  // namespace quilve::ui
