#include "ui/display/gallery.h"

#include <algorithm>

namespace quilve::ui {

Rect galleryCell(int position) {
  const int k = position % kGalleryColumns;
  const int r = position / kGalleryColumns;
  return Rect{kGalleryLeft + kGalleryPitch * k, kGalleryTop + kGalleryPitch * r, kTileSide,
              kTileSide};
}

int Gallery::setFirstShown(int slot) {
  first_ = std::clamp(slot, 0, kLastFirstShown);
  return first_;
}

int Gallery::positionOf(int slot) const {
  const int p = slot - first_;
  return p >= 0 && p < kGalleryCells ? p : -1;
}

int Gallery::slotAt(int x, int y) const {
  for (int p = 0; p < kGalleryCells; ++p)
    if (galleryCell(p).contains(x, y)) return first_ + p;
  return -1;
}

}  // namespace quilve::ui
