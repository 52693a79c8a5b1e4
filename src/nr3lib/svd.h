#pragma once
// Singular value decomposition A = U W V^T of an m x n matrix (Golub-Reinsch:
// Householder bidiagonalisation, then implicitly shifted QR sweeps) and the
// least-squares solution of A x = b that ignores negligible singular values.
#include <stdexcept>
#include <string>
#include <vector>

namespace quilve {

// Dense matrix of doubles stored by rows; m[i][j] is row i, column j.
class DoubleMatrix {
 public:
  DoubleMatrix() = default;
  DoubleMatrix(int rows, int cols, double value = 0.0);

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  double* operator[](int i) { return data_.data() + static_cast<std::size_t>(i) * cols_; }
  const double* operator[](int i) const {
    return data_.data() + static_cast<std::size_t>(i) * cols_;
  }

 private:
  int rows_ = 0;
  int cols_ = 0;
  std::vector<double> data_;
};

// Raised when a decomposition or a solve fails. The report has already been
// printed to standard output as "ERROR: <message>\n     in file <file> at
// line <line>\n".
class SvdError : public std::runtime_error {
 public:
  SvdError(const char* message, const char* file, int line);
  const char* file() const { return file_; }
  int line() const { return line_; }

 private:
  const char* file_;
  int line_;
};

// sqrt(a^2 + b^2) without intermediate overflow or underflow.
double pythag(double a, double b);

class SVD {
 public:
  // Decomposes `a` (m rows, n columns). Throws SvdError when a singular value
  // has not converged after 30 QR sweeps.
  explicit SVD(const DoubleMatrix& a);

  // Least-squares solution x (n entries) of A x = b (m entries). Singular
  // values at or below `thresh` count as zero; a negative `thresh` selects
  // the default 0.5 sqrt(m + n + 1) W[0] eps. Throws SvdError when b or x
  // has the wrong number of entries.
  void solve(const std::vector<double>& b, std::vector<double>& x, double thresh = -1.0) const;

  int m;  // rows
  int n;  // columns
  DoubleMatrix u;          // m x n, left singular vectors
  DoubleMatrix v;          // n x n, right singular vectors
  std::vector<double> w;   // n singular values, decreasing
  double eps;              // double-precision machine epsilon
  double tsh;              // default threshold of solve

 private:
  void decompose();
  void reorder();
};

}  // namespace quilve
