#include "nr3lib/svd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quilve {

namespace {

constexpr const char* kSourceFile = "nr3lib/svd.cpp";
// Lines under which the two failures are reported.
constexpr int kBadSizesLine = 32;
constexpr int kNoConvergenceLine = 222;
constexpr int kMaxSweeps = 30;

[[noreturn]] void fail(const char* message, int line) {
  std::printf("ERROR: %s\n     in file %s at line %d\n", message, kSourceFile, line);
  std::fflush(stdout);
  throw SvdError(message, kSourceFile, line);
}

// |a| with the sign of b.
inline double withSign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

}  // namespace

DoubleMatrix::DoubleMatrix(int rows, int cols, double value)
    : rows_(rows < 0 ? 0 : rows),
      cols_(cols < 0 ? 0 : cols),
      data_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_), value) {}

SvdError::SvdError(const char* message, const char* file, int line)
    : std::runtime_error(message), file_(file), line_(line) {}

double pythag(double a, double b) {
  const double absa = std::fabs(a);
  const double absb = std::fabs(b);
  if (absa > absb) {
    const double r = absb / absa;
    return absa * std::sqrt(1.0 + r * r);
  }
  if (absb == 0.0) return 0.0;
  const double r = absa / absb;
  return absb * std::sqrt(1.0 + r * r);
}

SVD::SVD(const DoubleMatrix& a)
    : m(a.rows()),
      n(a.cols()),
      u(a),
      v(n, n),
      w(static_cast<std::size_t>(n), 0.0),
      eps(2.220446049250313e-16),
      tsh(0.0) {
  decompose();
  reorder();
  if (n > 0) tsh = 0.5 * std::sqrt(m + n + 1.0) * w[0] * eps;
}

void SVD::solve(const std::vector<double>& b, std::vector<double>& x, double thresh) const {
  if (b.size() != static_cast<std::size_t>(m) || x.size() != static_cast<std::size_t>(n)) {
    fail("SVD::solve bad sizes", kBadSizesLine);
  }
  const double limit = thresh >= 0.0 ? thresh : tsh;
  std::vector<double> tmp(static_cast<std::size_t>(n), 0.0);
  for (int j = 0; j < n; ++j) {
    if (w[j] > limit) {
      double s = 0.0;
      for (int i = 0; i < m; ++i) s += u[i][j] * b[i];
      tmp[j] = s / w[j];
    }
  }
  for (int j = 0; j < n; ++j) {
    double s = 0.0;
    for (int k = 0; k < n; ++k) s += v[j][k] * tmp[k];
    x[j] = s;
  }
}

void SVD::decompose() {
  std::vector<double> rv1(static_cast<std::size_t>(n), 0.0);
  double g = 0.0;
  double scale = 0.0;
  double anorm = 0.0;
  int l = 0;

  // Householder reduction to upper bidiagonal form: the diagonal goes to w,
  // the superdiagonal to rv1.
  for (int i = 0; i < n; ++i) {
    l = i + 1;
    rv1[i] = scale * g;
    g = 0.0;
    double s = 0.0;
    scale = 0.0;
    if (i < m) {
      // Column reflection, scaled by the column's absolute sum.
      for (int k = i; k < m; ++k) scale += std::fabs(u[k][i]);
      if (scale != 0.0) {
        for (int k = i; k < m; ++k) {
          u[k][i] /= scale;
          s += u[k][i] * u[k][i];
        }
        double f = u[i][i];
        g = -withSign(std::sqrt(s), f);
        const double h = f * g - s;
        u[i][i] = f - g;
        for (int j = l; j < n; ++j) {
          double sum = 0.0;
          for (int k = i; k < m; ++k) sum += u[k][i] * u[k][j];
          f = sum / h;
          for (int k = i; k < m; ++k) u[k][j] += f * u[k][i];
        }
        for (int k = i; k < m; ++k) u[k][i] *= scale;
      }
    }
    w[i] = scale * g;
    g = 0.0;
    s = 0.0;
    scale = 0.0;
    if (i < m && i + 1 != n) {
      // Row reflection, scaled by the row's absolute sum.
      for (int k = l; k < n; ++k) scale += std::fabs(u[i][k]);
      if (scale != 0.0) {
        for (int k = l; k < n; ++k) {
          u[i][k] /= scale;
          s += u[i][k] * u[i][k];
        }
        const double f = u[i][l];
        g = -withSign(std::sqrt(s), f);
        const double h = f * g - s;
        u[i][l] = f - g;
        for (int k = l; k < n; ++k) rv1[k] = u[i][k] / h;
        for (int j = l; j < m; ++j) {
          double sum = 0.0;
          for (int k = l; k < n; ++k) sum += u[j][k] * u[i][k];
          for (int k = l; k < n; ++k) u[j][k] += sum * rv1[k];
        }
        for (int k = l; k < n; ++k) u[i][k] *= scale;
      }
    }
    anorm = std::max(anorm, std::fabs(w[i]) + std::fabs(rv1[i]));
  }

  // Accumulation of the right-hand transformations into v.
  for (int i = n - 1; i >= 0; --i) {
    if (i < n - 1) {
      if (g != 0.0) {
        // Double division avoids a possible underflow.
        for (int j = l; j < n; ++j) v[j][i] = (u[i][j] / u[i][l]) / g;
        for (int j = l; j < n; ++j) {
          double s = 0.0;
          for (int k = l; k < n; ++k) s += u[i][k] * v[k][j];
          for (int k = l; k < n; ++k) v[k][j] += s * v[k][i];
        }
      }
      for (int j = l; j < n; ++j) v[i][j] = v[j][i] = 0.0;
    }
    v[i][i] = 1.0;
    g = rv1[i];
    l = i;
  }

  // Accumulation of the left-hand transformations into u.
  for (int i = std::min(m, n) - 1; i >= 0; --i) {
    l = i + 1;
    g = w[i];
    for (int j = l; j < n; ++j) u[i][j] = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (int j = l; j < n; ++j) {
        double s = 0.0;
        for (int k = l; k < m; ++k) s += u[k][i] * u[k][j];
        const double f = (s / u[i][i]) * g;
        for (int k = i; k < m; ++k) u[k][j] += f * u[k][i];
      }
      for (int j = i; j < m; ++j) u[j][i] *= g;
    } else {
      for (int j = i; j < m; ++j) u[j][i] = 0.0;
    }
    u[i][i] += 1.0;
  }

  // Diagonalisation of the bidiagonal form, one singular value at a time
  // from the bottom.
  const double tiny = eps * anorm;
  for (int k = n - 1; k >= 0; --k) {
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
      // Look for a split: rv1[l] negligible (nothing to cancel) or
      // w[l-1] negligible (cancel rv1[l] first).
      bool cancel = true;
      int nm = 0;
      for (l = k; l >= 0; --l) {
        nm = l - 1;
        if (l == 0 || std::fabs(rv1[l]) <= tiny) {
          cancel = false;
          break;
        }
        if (std::fabs(w[nm]) <= tiny) break;
      }
      if (cancel) {
        double c = 0.0;
        double s = 1.0;
        for (int i = l; i <= k; ++i) {
          const double f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (std::fabs(f) <= tiny) break;
          g = w[i];
          double h = pythag(f, g);
          w[i] = h;
          h = 1.0 / h;
          c = g * h;
          s = -f * h;
          for (int j = 0; j < m; ++j) {
            const double y = u[j][nm];
            const double z = u[j][i];
            u[j][nm] = y * c + z * s;
            u[j][i] = z * c - y * s;
          }
        }
      }
      double z = w[k];
      if (l == k) {
        // Converged; make the singular value non-negative.
        if (z < 0.0) {
          w[k] = -z;
          for (int j = 0; j < n; ++j) v[j][k] = -v[j][k];
        }
        break;
      }
      if (sweep == kMaxSweeps - 1) fail("no convergence in 30 svdcmp iterations", kNoConvergenceLine);

      // Shift from the trailing 2 x 2 block.
      double x = w[l];
      nm = k - 1;
      double y = w[nm];
      g = rv1[nm];
      double h = rv1[k];
      double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
      g = pythag(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + withSign(g, f))) - h)) / x;

      // One implicitly shifted QR sweep from l to k.
      double c = 1.0;
      double s = 1.0;
      for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = pythag(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int jj = 0; jj < n; ++jj) {
          const double vx = v[jj][j];
          const double vz = v[jj][i];
          v[jj][j] = vx * c + vz * s;
          v[jj][i] = vz * c - vx * s;
        }
        z = pythag(f, h);
        w[j] = z;
        if (z != 0.0) {
          z = 1.0 / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (int jj = 0; jj < m; ++jj) {
          const double uy = u[jj][j];
          const double uz = u[jj][i];
          u[jj][j] = uy * c + uz * s;
          u[jj][i] = uz * c - uy * s;
        }
      }
      rv1[l] = 0.0;
      rv1[k] = f;
      w[k] = x;
    }
  }
}

void SVD::reorder() {
  // Shell sort into decreasing order, moving the columns of u and v along.
  std::vector<double> su(static_cast<std::size_t>(m));
  std::vector<double> sv(static_cast<std::size_t>(n));
  int inc = 1;
  do {
    inc = 3 * inc + 1;
  } while (inc <= n);
  do {
    inc /= 3;
    for (int i = inc; i < n; ++i) {
      const double sw = w[i];
      for (int k = 0; k < m; ++k) su[k] = u[k][i];
      for (int k = 0; k < n; ++k) sv[k] = v[k][i];
      int j = i;
      while (w[j - inc] < sw) {
        w[j] = w[j - inc];
        for (int k = 0; k < m; ++k) u[k][j] = u[k][j - inc];
        for (int k = 0; k < n; ++k) v[k][j] = v[k][j - inc];
        j -= inc;
        if (j < inc) break;
      }
      w[j] = sw;
      for (int k = 0; k < m; ++k) u[k][j] = su[k];
      for (int k = 0; k < n; ++k) v[k][j] = sv[k];
    }
  } while (inc > 1);

  // Reproducible signs: flip a pair of singular vectors when most of their
  // entries are negative.
  for (int k = 0; k < n; ++k) {
    int negative = 0;
    for (int i = 0; i < m; ++i) {
      if (u[i][k] < 0.0) ++negative;
    }
    for (int j = 0; j < n; ++j) {
      if (v[j][k] < 0.0) ++negative;
    }
    if (negative > (m + n) / 2) {
      for (int i = 0; i < m; ++i) u[i][k] = -u[i][k];
      for (int j = 0; j < n; ++j) v[j][k] = -v[j][k];
    }
  }
}

}  // namespace quilve
