#pragma once
// The chirp detector's per-column loops over the 128 levels, in vector form
// (the widest vectors the processor offers, chosen at run time). Each gives
// exactly what the plain loop described with it gives, NaN levels included.
namespace quilve {

// The first bin k in from .. 127 whose level is the largest above `floorDb`:
// for k = from ..: if (levels[k] > best) { best = levels[k]; bin = k; },
// starting from best = floorDb and bin = 0. `best` receives the level.
int strongestBin(const float* levels, int from, float floorDb, float* best);

// b[k] = w * levels[k] + keep * b[k] for k = 0 .. 127.
void blendBackground(float* b, const float* levels, float w, float keep);

// The noise floor of bins first .. last over padded arrays (see
// ChirpDetector): b holds the background from b[1] with one -inf either
// side; a (130 + 4 floats, +inf at a[0 .. 2] and a[131 .. 133]) takes the
// maxima of 3 at a[3 .. 130], m (128 + 14 floats, 0 at m[0 .. 6] and
// m[135 .. 141]) the minima of 7 at m[7 .. 134], and
// floor[k] = (m[k] + m[k + 1] + ... + m[k + 14]) / count[k], added in that
// order. Every maximum and minimum takes its window in order with the
// comparison v = x > v ? x : v (x < v for the minima). Only the windows the
// asked bins need are worked out, a vector's width at a time, so entries of
// a, m and floor outside them may change too; the asked ones are those of
// the whole floor, bit for bit.
void noiseFloorBins(const float* b, float* a, float* m, const float* count, int first, int last,
                    float* floor);

// The same rule as plain loops over the whole spectrum, with pads of its
// own: `background` and `count` hold the 128 bins. The reference the vector
// form is held to.
void noiseFloorReference(const float* background, const float* count, float* floor);

}  // namespace quilve
