#include "fit/poly_fit.h"

#include <vector>

#include "nr3lib/svd.h"

namespace quilve {

namespace {

// Singular values at or below this fraction of the largest count as zero.
constexpr double kRelativeThreshold = 1e-12;

// Least-squares fit of q powers of x (q >= 0) through n points; sigma may be
// null for unit deviations. Writes q coefficients and the chi-square.
void fitPowers(const float* x, const float* y, const float* sigma, int n, int q,
               float* coefficients, float* chiSquare) {
  if (q < 0) q = 0;
  if (n < 0) n = 0;
  DoubleMatrix a(n, q);
  std::vector<double> b(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double xi = x[i];
    const double sig = sigma ? static_cast<double>(sigma[i]) : 1.0;
    double power = 1.0;
    for (int j = 0; j < q; ++j) {
      a[i][j] = power / sig;
      power *= xi;
    }
    b[static_cast<std::size_t>(i)] = static_cast<double>(y[i]) / sig;
  }

  const SVD svd(a);
  std::vector<double> solution(static_cast<std::size_t>(q));
  svd.solve(b, solution, q > 0 ? kRelativeThreshold * svd.w[0] : 0.0);

  double chi = 0.0;
  for (int i = 0; i < n; ++i) {
    double fitted = 0.0;
    for (int j = 0; j < q; ++j) fitted += a[i][j] * solution[static_cast<std::size_t>(j)];
    const double d = fitted - b[static_cast<std::size_t>(i)];
    chi += d * d;
  }
  for (int j = 0; j < q; ++j) coefficients[j] = static_cast<float>(solution[static_cast<std::size_t>(j)]);
  *chiSquare = static_cast<float>(chi);
}

}  // namespace

PolyFit::~PolyFit() = default;

void PolyFit::fitWeightedLine(const float* x, const float* y, const float* sigma, int n,
                              float* a0, float* a1, float* chiSquare) {
  float c[2];
  fitPowers(x, y, sigma, n, 2, c, chiSquare);
  *a0 = c[0];
  *a1 = c[1];
}

void PolyFit::fitLine(const float* x, const float* y, int n, float* a0, float* a1,
                      float* chiSquare) {
  float c[2];
  fitPowers(x, y, nullptr, n, 2, c, chiSquare);
  *a0 = c[0];
  *a1 = c[1];
}

void PolyFit::fitQuadratic(const float* x, const float* y, int n, float* a0, float* a1,
                           float* a2, float* chiSquare) {
  float c[3];
  fitPowers(x, y, nullptr, n, 3, c, chiSquare);
  *a0 = c[0];
  *a1 = c[1];
  *a2 = c[2];
}

void PolyFit::fitCubic(const float* x, const float* y, int n, float* a0, float* a1, float* a2,
                       float* a3, float* chiSquare) {
  float c[4];
  fitPowers(x, y, nullptr, n, 4, c, chiSquare);
  *a0 = c[0];
  *a1 = c[1];
  *a2 = c[2];
  *a3 = c[3];
}

void PolyFit::fitPolynomial(int q, const float* x, const float* y, int n, float* coefficients,
                            int* count, float* chiSquare) {
  int used = q < n ? q : n - 1;
  if (used < 0) used = 0;
  fitPowers(x, y, nullptr, n, used, coefficients, chiSquare);
  *count = used;
}

}  // namespace quilve
