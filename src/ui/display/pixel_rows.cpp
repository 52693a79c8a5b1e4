// The byte-order swap of pixel runs (image to canvas), compiled once per
// vector instruction set that Highway supports on this platform; the
// processor's best is chosen at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "ui/display/pixel_rows.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "ui/display/pixel_image.h"

HWY_BEFORE_NAMESPACE();
namespace quilve::ui {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void SwapRedBlue(const std::uint8_t* HWY_RESTRICT s, std::uint8_t* HWY_RESTRICT d, int n) {
  const hn::ScalableTag<std::uint8_t> du8;
  const int lanes = static_cast<int>(hn::Lanes(du8));
  int i = 0;
  for (; i + lanes <= n; i += lanes) {
    hn::Vec<decltype(du8)> blue, green, red;
    hn::LoadInterleaved3(du8, s + 3 * i, blue, green, red);
    hn::StoreInterleaved3(red, green, blue, du8, d + 3 * i);
  }
  for (; i < n; ++i) {
    d[3 * i] = s[3 * i + 2];
    d[3 * i + 1] = s[3 * i + 1];
    d[3 * i + 2] = s[3 * i];
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace quilve::ui
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quilve::ui {

HWY_EXPORT(SwapRedBlue);

void bgrToRgb(const std::uint8_t* s, std::uint8_t* d, int n) {
  HWY_DYNAMIC_DISPATCH(SwapRedBlue)(s, d, n);
}

}  // namespace quilve::ui
#endif  // HWY_ONCE
