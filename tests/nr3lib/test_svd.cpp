// Decomposition quality, ordering and signs, least-squares solutions and the
// failure report of the singular value decomposition.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "nr3lib/svd.h"

namespace quilve {
namespace {

DoubleMatrix randomMatrix(int m, int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> dist(-10.0, 10.0);
  DoubleMatrix a(m, n);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) a[i][j] = dist(rng);
  }
  return a;
}

double maxAbs(const DoubleMatrix& a) {
  double r = 0.0;
  for (int i = 0; i < a.rows(); ++i) {
    for (int j = 0; j < a.cols(); ++j) r = std::max(r, std::fabs(a[i][j]));
  }
  return r;
}

// Largest deviation of the Gram matrix of q's columns from the identity.
double orthonormalityError(const DoubleMatrix& q) {
  double e = 0.0;
  for (int a = 0; a < q.cols(); ++a) {
    for (int b = 0; b < q.cols(); ++b) {
      double s = 0.0;
      for (int i = 0; i < q.rows(); ++i) s += q[i][a] * q[i][b];
      e = std::max(e, std::fabs(s - (a == b ? 1.0 : 0.0)));
    }
  }
  return e;
}

TEST(Svd, RandomMatricesAreReconstructedWithOrderedValuesAndOrthonormalVectors) {
  std::mt19937 rng(42);
  const int sizes[][2] = {{1, 1}, {2, 2}, {3, 2}, {5, 5}, {9, 9}, {20, 4}, {64, 7}, {128, 9}};
  for (const auto& size : sizes) {
    const int m = size[0], n = size[1];
    for (int trial = 0; trial < 5; ++trial) {
      const DoubleMatrix a = randomMatrix(m, n, rng);
      const SVD svd(a);
      ASSERT_EQ(svd.w.size(), static_cast<size_t>(n));
      double err = 0.0;
      for (int i = 0; i < m; ++i) {
        for (int j = 0; j < n; ++j) {
          double s = 0.0;
          for (int k = 0; k < n; ++k) s += svd.u[i][k] * svd.w[k] * svd.v[j][k];
          err = std::max(err, std::fabs(s - a[i][j]));
        }
      }
      EXPECT_LT(err, 1e-12 * maxAbs(a) * std::sqrt(m * n)) << m << "x" << n;
      for (int k = 0; k < n; ++k) {
        EXPECT_GE(svd.w[k], 0.0);
        if (k > 0) {
          EXPECT_GE(svd.w[k - 1], svd.w[k]);
        }
      }
      EXPECT_LT(orthonormalityError(svd.u), 1e-12);
      EXPECT_LT(orthonormalityError(svd.v), 1e-12);
      EXPECT_DOUBLE_EQ(svd.tsh, 0.5 * std::sqrt(m + n + 1.0) * svd.w[0] * svd.eps);
    }
  }
}

TEST(Svd, IdenticalColumnsGiveTheMinimumNormSolution) {
  // Columns 0 and 1 are equal; b = 2 * column0 + 3 * column2 + a residual.
  const double rows[][3] = {{1, 1, 0}, {2, 2, 1}, {3, 3, -1}, {4, 4, 2}, {0.5, 0.5, 3}};
  DoubleMatrix a(5, 3);
  std::vector<double> b(5);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 3; ++j) a[i][j] = rows[i][j];
    b[i] = 2.0 * rows[i][0] + 3.0 * rows[i][2];
  }
  const SVD svd(a);
  EXPECT_LT(svd.w[2], 1e-12 * svd.w[0]);
  std::vector<double> x(3);
  svd.solve(b, x);
  // Any split of 2 between the equal columns fits; the shortest is 1 + 1.
  EXPECT_NEAR(x[0], 1.0, 1e-10);
  EXPECT_NEAR(x[1], 1.0, 1e-10);
  EXPECT_NEAR(x[2], 3.0, 1e-10);
}

TEST(Svd, OneByOneMatrix) {
  DoubleMatrix a(1, 1, -4.0);
  const SVD svd(a);
  EXPECT_DOUBLE_EQ(svd.w[0], 4.0);
  std::vector<double> x(1);
  svd.solve({10.0}, x);
  EXPECT_DOUBLE_EQ(x[0], -2.5);
  // A threshold at or above the only singular value zeroes the solution.
  svd.solve({10.0}, x, 4.0);
  EXPECT_EQ(x[0], 0.0);
}

TEST(Svd, ZeroMatrixDecomposesToZeroValues) {
  const SVD svd(DoubleMatrix(4, 3));
  for (double w : svd.w) EXPECT_EQ(w, 0.0);
  std::vector<double> x(3, 7.0);
  svd.solve({1, 2, 3, 4}, x);
  for (double v : x) EXPECT_EQ(v, 0.0);
}

TEST(Svd, BadSolveSizesAreReportedAndThrown) {
  std::mt19937 rng(1);
  const SVD svd(randomMatrix(4, 2, rng));
  for (const auto& [bSize, xSize] : {std::pair{3, 2}, std::pair{4, 3}}) {
    std::vector<double> b(bSize, 1.0), x(xSize, 9.0);
    testing::internal::CaptureStdout();
    try {
      svd.solve(b, x);
      ADD_FAILURE() << "no error raised";
    } catch (const SvdError& e) {
      EXPECT_STREQ(e.what(), "SVD::solve bad sizes");
      EXPECT_EQ(e.line(), 32);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: SVD::solve bad sizes\n     in file nr3lib/svd.cpp at line 32\n");
    for (double v : x) EXPECT_EQ(v, 9.0);
  }
}

TEST(Svd, NonFiniteMatrixFailsToConvergeInsteadOfLooping) {
  DoubleMatrix a(3, 3, 1.0);
  a[1][1] = NAN;
  testing::internal::CaptureStdout();
  EXPECT_THROW(SVD{a}, SvdError);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ERROR: no convergence in 30 svdcmp iterations\n     in file nr3lib/svd.cpp at line 222\n");
}

TEST(Svd, PythagAvoidsOverflowAndUnderflow) {
  EXPECT_DOUBLE_EQ(pythag(3.0, -4.0), 5.0);
  EXPECT_DOUBLE_EQ(pythag(0.0, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(pythag(3e300, 4e300), 5e300);
  EXPECT_DOUBLE_EQ(pythag(-3e-300, 4e-300), 5e-300);
}

}  // namespace
}  // namespace quilve
