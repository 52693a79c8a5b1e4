#include "fit/linear_fit.h"

#include <cmath>

namespace quilve {

namespace {

// Exponent belonging to search parameter p: p itself when p >= 0, else the
// reciprocal exponent 1/|p|.
double exponentOf(float p) { return p >= 0.0f ? p : -1.0 / p; }

float powerLawResidual(const float* x, const float* y, int n, float p) {
  const double e = exponentOf(p);
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float d = static_cast<float>(static_cast<double>(y[i]) - std::pow(static_cast<double>(x[i]), e));
    sum += d * d;
  }
  return sum;
}

}  // namespace

LinearFit::~LinearFit() = default;

void LinearFit::fitWeightedLine(const float* x, const float* y, const float* w, int n,
                                float* intercept, float* slope, float* residual) {
  float s = 0.0f;
  float sx = 0.0f;
  float sy = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float w2 = w[i] * w[i];
    s += w2;
    sx += w2 * x[i];
    sy += w2 * y[i];
  }
  const float xm = sx / s;
  float stt = 0.0f;
  float sty = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float w2 = w[i] * w[i];
    const float t = x[i] - xm;
    stt += w2 * t * t;
    sty += w2 * t * y[i];
  }
  const float b = sty / stt;
  const float a = (sy - sx * b) / s;
  float r = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float d = w[i] * (y[i] - a - b * x[i]);
    r += d * d;
  }
  *intercept = a;
  *slope = b;
  *residual = r;
}

void LinearFit::fitLine(const float* x, const float* y, int n, float* intercept, float* slope,
                        float* residual) {
  float sx = 0.0f;
  float sy = 0.0f;
  for (int i = 0; i < n; ++i) {
    sx += x[i];
    sy += y[i];
  }
  const float nf = static_cast<float>(n);
  const float xm = sx / nf;
  float stt = 0.0f;
  float sty = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float t = x[i] - xm;
    stt += t * t;
    sty += t * y[i];
  }
  const float b = sty / stt;
  const float a = (sy - sx * b) / nf;
  float r = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float d = y[i] - a - b * x[i];
    r += d * d;
  }
  *intercept = a;
  *slope = b;
  *residual = r;
}

void LinearFit::fitPowerLaw(const float* x, const float* y, const float* /*w*/, int n,
                            float* exponent, float* residual) {
  float best = 0.0f;
  float bestResidual = kNoPowerLawResidual;
  float step = 4.0f;
  for (int halving = 0; halving < 16; ++halving) {
    const float up = best + step;
    const float down = best - step;
    // A residual that is not finite (a power of a negative x) never wins.
    float r1 = powerLawResidual(x, y, n, up);
    float r2 = powerLawResidual(x, y, n, down);
    if (!std::isfinite(r1)) r1 = kNoPowerLawResidual;
    if (!std::isfinite(r2)) r2 = kNoPowerLawResidual;
    // Equal residuals leave the estimate where it is.
    if (r1 < r2 && r1 < bestResidual) {
      best = up;
      bestResidual = r1;
    } else if (r2 < r1 && r2 < bestResidual) {
      best = down;
      bestResidual = r2;
    }
    step *= 0.5f;
  }
  if (best >= -1.0f && best < 1.0f) best = 1.0f;
  *exponent = best;
  *residual = bestResidual;
}

}  // namespace quilve
