// Line, power-law and polynomial fits.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "nr3lib/svd.h"

namespace quilve {
namespace {

std::vector<float> unitGrid(int n) {
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(i) / (n - 1);
  return x;
}

TEST(LinearFit, PowerLawFindsTheExponentOrItsReciprocal) {
  LinearFit fit;
  const std::vector<float> x = unitGrid(64);
  const std::vector<float> w(64, 1.0f);
  struct Case {
    double exponent;
    float expected;
  } cases[] = {{2.0, 2.0f}, {1.0, 1.0f}, {0.5, -2.0f}, {3.0, 3.0f}, {0.25, -4.0f}};
  for (const Case& c : cases) {
    std::vector<float> y(64);
    for (int i = 0; i < 64; ++i) y[i] = static_cast<float>(std::pow(x[i], c.exponent));
    float exponent = 0, residual = -1;
    fit.fitPowerLaw(x.data(), y.data(), w.data(), 64, &exponent, &residual);
    EXPECT_EQ(exponent, c.expected) << c.exponent;
    EXPECT_LT(residual, 1e-6f);
  }
}

TEST(LinearFit, EqualWeightsGiveTheUnweightedLine) {
  LinearFit fit;
  const float x[] = {0.0f, 1.0f, 2.5f, 3.0f, 4.5f, 6.0f};
  const float y[] = {1.1f, 2.9f, 6.2f, 7.1f, 10.0f, 13.2f};
  const float ones[6] = {1, 1, 1, 1, 1, 1};
  const float halves[6] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  float a, b, r, a1, b1, r1, a2, b2, r2;
  fit.fitLine(x, y, 6, &a, &b, &r);
  fit.fitWeightedLine(x, y, ones, 6, &a1, &b1, &r1);
  fit.fitWeightedLine(x, y, halves, 6, &a2, &b2, &r2);
  EXPECT_FLOAT_EQ(a1, a);
  EXPECT_FLOAT_EQ(b1, b);
  EXPECT_FLOAT_EQ(r1, r);
  EXPECT_FLOAT_EQ(a2, a);
  EXPECT_FLOAT_EQ(b2, b);
  EXPECT_FLOAT_EQ(r2, 0.25f * r);
  // Least-squares line of these points, worked out in double.
  EXPECT_NEAR(b, 2.019863, 1e-5);
  EXPECT_NEAR(a, 1.027055, 1e-5);
}

TEST(PolyFit, CubicThroughFourPointsIsExact) {
  PolyFit fit;
  const float x[] = {-1.0f, 0.5f, 2.0f, 3.0f};
  float y[4];
  for (int i = 0; i < 4; ++i) y[i] = 1.5f - 2.0f * x[i] + 0.25f * x[i] * x[i] + 0.5f * x[i] * x[i] * x[i];
  float a0, a1, a2, a3, chi;
  fit.fitCubic(x, y, 4, &a0, &a1, &a2, &a3, &chi);
  EXPECT_NEAR(a0, 1.5f, 1e-5f);
  EXPECT_NEAR(a1, -2.0f, 1e-5f);
  EXPECT_NEAR(a2, 0.25f, 1e-5f);
  EXPECT_NEAR(a3, 0.5f, 1e-5f);
  EXPECT_NEAR(chi, 0.0f, 1e-9f);
}

TEST(PolyFit, LowOrderFitsAgreeWithTheClosedFormLine) {
  PolyFit poly;
  LinearFit linear;
  const float x[] = {0.0f, 1.0f, 2.5f, 3.0f, 4.5f, 6.0f};
  const float y[] = {1.1f, 2.9f, 6.2f, 7.1f, 10.0f, 13.2f};
  const float sigma[6] = {2, 2, 2, 2, 2, 2};
  float a, b, r, p0, p1, chi, w0, w1, wchi, q0, q1, q2, qchi;
  linear.fitLine(x, y, 6, &a, &b, &r);
  poly.fitLine(x, y, 6, &p0, &p1, &chi);
  poly.fitWeightedLine(x, y, sigma, 6, &w0, &w1, &wchi);
  poly.fitQuadratic(x, y, 6, &q0, &q1, &q2, &qchi);
  EXPECT_NEAR(p0, a, 1e-5f);
  EXPECT_NEAR(p1, b, 1e-5f);
  EXPECT_NEAR(chi, r, 1e-5f);
  EXPECT_NEAR(w0, a, 1e-5f);
  EXPECT_NEAR(w1, b, 1e-5f);
  EXPECT_NEAR(wchi, r / 4, 1e-5f);
  EXPECT_LE(qchi, chi + 1e-6f);
}

TEST(PolyFit, PolynomialUsesAtMostOneCoefficientFewerThanPoints) {
  PolyFit fit;
  std::vector<float> x(9), y(9);
  for (int i = 0; i < 9; ++i) {
    x[i] = static_cast<float>(i) * 0.5f;
    y[i] = std::sin(x[i]);
  }
  float c[10];
  for (float& v : c) v = 99.0f;
  int count = 0;
  float chi = -1;
  fit.fitPolynomial(9, x.data(), y.data(), 9, c, &count, &chi);
  EXPECT_EQ(count, 8);
  EXPECT_EQ(c[8], 99.0f);
  EXPECT_LT(chi, 1e-4f);

  // With fewer coefficients than points the request is kept.
  fit.fitPolynomial(3, x.data(), y.data(), 9, c, &count, &chi);
  EXPECT_EQ(count, 3);
  // A single point leaves nothing to fit.
  fit.fitPolynomial(4, x.data(), y.data(), 1, c, &count, &chi);
  EXPECT_EQ(count, 0);
}

TEST(PolyFit, FitsOnSeparateThreadsDoNotInterfere) {
  // The basis count travels with each fit, so concurrent fits of different
  // orders each get their own.
  std::vector<float> x(100), y(100);
  for (int i = 0; i < 100; ++i) {
    x[i] = i * 0.01f;
    y[i] = 1.0f + 2.0f * x[i] - 3.0f * x[i] * x[i];
  }
  auto run = [&](int q, int* failures) {
    PolyFit fit;
    float c[9];
    int count;
    float chi;
    for (int k = 0; k < 200; ++k) {
      fit.fitPolynomial(q, x.data(), y.data(), 100, c, &count, &chi);
      if (count != q || std::fabs(c[0] - 1.0f) > 1e-3f || std::fabs(c[2] + 3.0f) > 1e-2f) ++*failures;
    }
  };
  int f3 = 0, f7 = 0;
  std::thread a(run, 3, &f3), b(run, 7, &f7);
  a.join();
  b.join();
  EXPECT_EQ(f3, 0);
  EXPECT_EQ(f7, 0);
}

TEST(PolyFit, DecompositionFailureReachesTheCaller) {
  PolyFit fit;
  const float x[] = {0.0f, NAN, 2.0f, 3.0f};
  const float y[] = {1.0f, 2.0f, 3.0f, 4.0f};
  float a0 = 5, a1 = 5, chi = 5;
  testing::internal::CaptureStdout();
  EXPECT_THROW(fit.fitLine(x, y, 4, &a0, &a1, &chi), SvdError);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("no convergence"), std::string::npos);
  EXPECT_EQ(a0, 5.0f);
}

}  // namespace
}  // namespace quilve
