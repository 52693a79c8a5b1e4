#pragma once
// Closed-form least-squares lines in single precision and the power-law
// exponent search used for a call's curvature.

namespace quilve {

class LinearFit {
 public:
  virtual ~LinearFit();

  // Weighted line y = intercept + slope x, w being 1/sigma of each point.
  // residual = sum of (w (y - intercept - slope x))^2. A zero denominator
  // (n = 0 or all x equal) yields an infinite or NaN slope, returned as is.
  virtual void fitWeightedLine(const float* x, const float* y, const float* w, int n,
                               float* intercept, float* slope, float* residual);

  // The same with every weight 1.
  virtual void fitLine(const float* x, const float* y, int n, float* intercept, float* slope,
                       float* residual);

  // Searches P in [-8, 8) for the curve y = x^E(P), E(P) = P for P >= 0 and
  // -1/P for P < 0, by 16 halvings of a step of 4. Results in [-1, 1) are
  // clamped to 1 (the straight line). `w` is not used. residual is the sum
  // of squared differences at the chosen P. When no candidate fits better
  // than another (two points, which every power law fits, or points that
  // are not numbers) P ends at 1 and residual stays kNoPowerLawResidual.
  static constexpr float kNoPowerLawResidual = 1e23f;
  virtual void fitPowerLaw(const float* x, const float* y, const float* w, int n,
                           float* exponent, float* residual);
};

}  // namespace quilve
