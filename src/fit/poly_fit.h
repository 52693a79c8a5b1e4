#pragma once
// Polynomial least squares in double precision, solved through the singular
// value decomposition so that nearly dependent powers of x stay stable.
// Failures of the decomposition reach the caller as quilve::SvdError.

namespace quilve {

class PolyFit {
 public:
  virtual ~PolyFit();

  // Line a0 + a1 x through points with standard deviations sigma.
  virtual void fitWeightedLine(const float* x, const float* y, const float* sigma, int n,
                               float* a0, float* a1, float* chiSquare);
  virtual void fitLine(const float* x, const float* y, int n, float* a0, float* a1,
                       float* chiSquare);
  virtual void fitQuadratic(const float* x, const float* y, int n, float* a0, float* a1,
                            float* a2, float* chiSquare);
  virtual void fitCubic(const float* x, const float* y, int n, float* a0, float* a1, float* a2,
                        float* a3, float* chiSquare);
  // Fits q basis functions 1, x, ..., x^(q-1) when q < n, else n - 1 of
  // them; writes that many coefficients (constant term first) and their
  // number to `count`.
  virtual void fitPolynomial(int q, const float* x, const float* y, int n, float* coefficients,
                             int* count, float* chiSquare);
};

}  // namespace quilve
