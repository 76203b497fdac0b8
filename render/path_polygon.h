// The point list of a drawing-surface path: N points stored as x0, y0, x1, y1, ...
#pragma once

#include <cstdint>
#include <vector>

class interactive_polygon {
 public:
  // All points start at (0, 0); node and edge under the pointer are -1 (none).
  interactive_polygon(std::uint32_t point_count, double point_radius)
      : points_(2 * static_cast<std::size_t>(point_count), 0.0), point_radius_(point_radius) {}

  std::uint32_t num_points() const { return static_cast<std::uint32_t>(points_.size() / 2); }
  double& xn(std::uint32_t i) { return points_[2 * static_cast<std::size_t>(i)]; }
  double& yn(std::uint32_t i) { return points_[2 * static_cast<std::size_t>(i) + 1]; }
  double xn(std::uint32_t i) const { return points_[2 * static_cast<std::size_t>(i)]; }
  double yn(std::uint32_t i) const { return points_[2 * static_cast<std::size_t>(i) + 1]; }
  // The coordinates as one array of 2N doubles.
  double* polygon() { return points_.data(); }
  const double* polygon() const { return points_.data(); }

  double point_radius() const { return point_radius_; }
  int node() const { return node_; }
  int edge() const { return edge_; }
  bool close() const { return closed_ != 0; }
  void close(bool f) { closed_ = f ? 1 : 0; }

 private:
  std::vector<double> points_;
  double point_radius_;
  int node_ = -1;
  int edge_ = -1;
  std::uint8_t closed_ = 0;
};
