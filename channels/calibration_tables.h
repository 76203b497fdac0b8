// The sixteen sensor calibration tables, generated once at start-up from their anchor points.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// One id per table, in the order of the look-up members that read them.
enum class CalibrationTableId : std::uint8_t {
  Table4096,
  Table1024,
  Temp2Code12,
  Temp2Code10,
  Temp3Code12,
  Temp3Code10,
  Temp4Code12,
  Temp4Code10,
  Temp46,
  GasVolume,
  Flow,
  Distance,
  Temp54,
  Current66,
  Current67,
  Temp72,
};
inline constexpr std::size_t kCalibrationTableCount = 16;

enum class TableDirection : std::uint8_t { Rising, Falling };

struct CalibrationPoint {
  int Code;
  double Value;
};

// How one table is made. A table with a FullScale is the straight line through 0 at code 2047
// with a slope of FullScale / 2047 below it and FullScale / 2048 above it (its Points are the
// rounded values it is known by); every other table is the monotone cubic through its Points.
struct CalibrationTableSource {
  std::string_view Name;  // the look-up member that reads the table
  int Entries;
  TableDirection Direction;
  double FullScale;
  std::span<const CalibrationPoint> Points;
};

// Factory data can replace the generated curves here, one source row per table.
class CalibrationTables {
 public:
  // Built on first use; later calls from any thread share the one instance.
  static const CalibrationTables& Instance() {
    static const CalibrationTables tables;
    return tables;
  }

  static std::span<const CalibrationTableSource> Sources();
  static const CalibrationTableSource& Source(CalibrationTableId id);

  std::span<const float> Table(CalibrationTableId id) const {
    return tables_[static_cast<std::size_t>(id)];
  }

  // Fritsch-Carlson monotone piecewise-cubic Hermite curve through points with strictly
  // ascending codes, evaluated at every code 0..entries-1 (ends held flat outside the points).
  static std::vector<double> MonotoneCurve(std::span<const CalibrationPoint> points, int entries);

  CalibrationTables(const CalibrationTables&) = delete;
  CalibrationTables& operator=(const CalibrationTables&) = delete;

 private:
  CalibrationTables();

  std::array<std::vector<float>, kCalibrationTableCount> tables_;
};
