// Natural cubic spline coefficients by the sweep method, bisection evaluation, linear steps.
#include "render/cubic_spline.h"

#include <limits>

void CubicSpline::Build(const double* x, const double* y, std::uint32_t n) {
  Free();
  if (n < 2 || x == nullptr || y == nullptr) return;
  nodes_.resize(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    nodes_[i].x = x[i];
    nodes_[i].a = y[i];
  }
  nodes_[0].c = nodes_[n - 1].c = 0.0;

  std::vector<double> alpha(n - 1, 0.0), beta(n - 1, 0.0);
  for (std::uint32_t i = 1; i + 1 < n; ++i) {
    const double h0 = x[i] - x[i - 1], h1 = x[i + 1] - x[i];
    const double f = 6.0 * ((y[i + 1] - y[i]) / h1 - (y[i] - y[i - 1]) / h0);
    const double z = h0 * alpha[i - 1] + 2.0 * (h0 + h1);
    alpha[i] = -h1 / z;
    beta[i] = (f - h0 * beta[i - 1]) / z;
  }
  for (std::uint32_t i = n - 2; i >= 1; --i) nodes_[i].c = alpha[i] * nodes_[i + 1].c + beta[i];

  for (std::uint32_t i = n - 1; i >= 1; --i) {
    const double h = x[i] - x[i - 1];
    nodes_[i].d = (nodes_[i].c - nodes_[i - 1].c) / h;
    nodes_[i].b = h * (2.0 * nodes_[i].c + nodes_[i - 1].c) / 6.0 + (y[i] - y[i - 1]) / h;
  }
}

double CubicSpline::Evaluate(double t) const {
  if (nodes_.empty()) return std::numeric_limits<double>::quiet_NaN();
  const std::size_t n = nodes_.size();
  const SplineNode* s;
  if (t <= nodes_[0].x) {
    s = &nodes_[1];
  } else if (t >= nodes_[n - 1].x) {
    s = &nodes_[n - 1];
  } else {
    std::size_t i = 0, j = n - 1;
    while (i + 1 < j) {
      const std::size_t k = i + (j - i) / 2;
      if (t <= nodes_[k].x) {
        j = k;
      } else {
        i = k;
      }
    }
    s = &nodes_[j];
  }
  const double dt = t - s->x;
  return s->a + (s->b + (s->c * 0.5 + s->d * dt / 6.0) * dt) * dt;
}

void CubicSpline::Free() {
  nodes_.clear();
  nodes_.shrink_to_fit();
}

std::int32_t LerpInt(std::int32_t x2, std::int32_t x1, std::int32_t y2, std::int32_t y1, std::int32_t x) {
  if (x2 == x1) return y1;
  const float slope = static_cast<float>(static_cast<long double>(y2 - y1) / static_cast<long double>(x2 - x1));
  const float intercept = static_cast<float>(y1 - x1 * slope);
  return static_cast<std::int32_t>(slope * x + intercept);
}

float LerpFloat(std::int32_t x2, std::int32_t x1, float y2, float y1, std::int32_t x) {
  if (x2 == x1) return y1;
  const float slope = (y2 - y1) / static_cast<float>(x2 - x1);
  const float intercept = y1 - x1 * slope;
  return slope * x + intercept;
}
