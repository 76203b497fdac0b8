// Natural cubic spline through a few nodes, and the two straight-line interpolators.
#pragma once

#include <cstdint>
#include <vector>

// The polynomial of the interval ending at this node, expanded about the node's abscissa.
struct SplineNode {
  double a = 0.0;  // value at the node
  double b = 0.0;  // first derivative
  double c = 0.0;  // second derivative
  double d = 0.0;  // third derivative
  double x = 0.0;  // abscissa
};

class CubicSpline {
 public:
  CubicSpline() = default;
  CubicSpline(const CubicSpline&) = delete;
  CubicSpline& operator=(const CubicSpline&) = delete;

  // Replaces the nodes by a natural spline through (x[i], y[i]); abscissae strictly monotonic.
  // Fewer than two points leave the spline empty.
  void Build(const double* x, const double* y, std::uint32_t n);
  // The spline's value at t, continued beyond the ends by the outer intervals' cubics; NaN when
  // the spline is empty. Allocates nothing.
  double Evaluate(double t) const;
  void Free();

  bool Empty() const { return nodes_.empty(); }
  std::uint32_t NodeCount() const { return static_cast<std::uint32_t>(nodes_.size()); }
  const SplineNode& Node(std::uint32_t i) const { return nodes_[i]; }

 private:
  std::vector<SplineNode> nodes_;
};

// The line through (x1, y1) and (x2, y2) at x, truncated toward zero.
std::int32_t LerpInt(std::int32_t x2, std::int32_t x1, std::int32_t y2, std::int32_t y1, std::int32_t x);
// The line through (x1, y1) and (x2, y2) at x, in single precision.
float LerpFloat(std::int32_t x2, std::int32_t x1, float y2, float y1, std::int32_t x);
