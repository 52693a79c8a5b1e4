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

// The three noise-floor windows over padded arrays (see ChirpDetector): b
// holds the background from b[1] with one -inf either side, the maxima of 3
// go to a[3 .. 130], the minima of 7 to m[7 .. 134], and
// floor[k] = (m[k] + m[k + 1] + ... + m[k + 14]) / count[k], added in that
// order. Every maximum and minimum takes its window in order with the
// comparison v = x > v ? x : v (x < v for the minima).
void noiseFloorWindows(const float* b, float* a, float* m, const float* count, float* floor);

// The floor of one bin k in kFloorOfBinFirst .. kFloorOfBinLast, the same
// windows taken around that bin alone: `at` points to the background of bin
// k in the array noiseFloorWindows reads as b (so at = b + 1 + k).
constexpr int kFloorOfBinFirst = 10;
constexpr int kFloorOfBinLast = 115;
float floorOfBin(const float* at, float count);

}  // namespace quilve
