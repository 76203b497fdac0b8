// Generation of the sensor calibration tables from their anchor points.
#include "channels/calibration_tables.h"

#include <algorithm>
#include <cmath>

namespace {

using P = CalibrationPoint;

// Each curve table passes through its first entry, its quarter, half and last entries and, where
// zero setting moves codes onto a reference code, through 0 at that code.
constexpr P kTable4096[] = {{0, -8.011}, {143, 0.0}, {1024, 28.62}, {2048, 50.90}, {4095, 111.9}};
constexpr P kTable1024[] = {{0, -7.886}, {36, 0.0}, {256, 28.67}, {512, 50.93}, {1023, 111.7}};
constexpr P kTemp2Code12[] = {{0, -49.00}, {382, 0.0}, {1024, 24.40}, {2048, 49.87}, {4095, 130.7}};
constexpr P kTemp2Code10[] = {{0, -46.42}, {95, 0.0}, {256, 24.43}, {512, 49.90}, {1023, 130.9}};
constexpr P kTemp3Code12[] = {{0, -52.74}, {1024, -2.533}, {1075, 0.0}, {2048, 48.55}, {4095, 152.9}};
constexpr P kTemp3Code10[] = {{0, -52.77}, {256, -2.375}, {268, 0.0}, {512, 48.60}, {1023, 152.8}};
constexpr P kTemp4Code12[] = {{0, 1020.0}, {1024, 750.6}, {2048, 484.1}, {3784, 0.0}, {4095, -107.7}};
constexpr P kTemp4Code10[] = {{0, 1019.0}, {256, 750.4}, {512, 484.2}, {945, 0.0}, {1023, -106.3}};
constexpr P kTemp46[] = {{0, 9.256}, {1024, 20.94}, {2048, 33.74}, {4095, 82.83}};
constexpr P kGasVolume[] = {{0, 368.7}, {1024, 489.8}, {2048, 560.1}, {4095, 751.6}};
constexpr P kFlow[] = {{0, 0.0},       {1, 3.779},     {2, 10.0},     {100, 380.0},
                       {1024, 1218.0}, {2048, 1728.0}, {4095, 2452.0}};
constexpr P kDistance[] = {{0, 800.0}, {1, 800.0}, {2, 800.0}, {1024, 237.6}, {2048, 123.0}, {4095, 0.0}};
constexpr P kTemp54[] = {{0, 143.5}, {1024, 109.5}, {2048, 75.54}, {4095, 7.654}};
constexpr P kCurrent66[] = {{0, -2.779}, {1024, -1.388}, {2048, 0.001357}, {4095, 2.779}};
constexpr P kCurrent67[] = {{0, -277.9}, {1024, -138.8}, {2048, 0.1357}, {4095, 277.9}};
constexpr P kTemp72[] = {{0, -54.25}, {964, 0.0}, {1024, 3.387}, {2048, 62.04}, {4095, 182.6}};

constexpr auto kUp = TableDirection::Rising;
constexpr auto kDown = TableDirection::Falling;

// In CalibrationTableId order.
constexpr CalibrationTableSource kSources[kCalibrationTableCount] = {
    {"LookupTable4096", 4096, kUp, 0.0, kTable4096},
    {"LookupTable1024", 1024, kUp, 0.0, kTable1024},
    {"LookupTemp2Code12", 4096, kUp, 0.0, kTemp2Code12},
    {"LookupTemp2Code10", 1024, kUp, 0.0, kTemp2Code10},
    {"LookupTemp3Code12", 4096, kUp, 0.0, kTemp3Code12},
    {"LookupTemp3Code10", 1024, kUp, 0.0, kTemp3Code10},
    {"LookupTemp4Code12", 4096, kDown, 0.0, kTemp4Code12},
    {"LookupTemp4Code10", 1024, kDown, 0.0, kTemp4Code10},
    {"LookupTemp46", 4096, kUp, 0.0, kTemp46},
    {"LookupGasVolume", 4096, kUp, 0.0, kGasVolume},
    {"LookupFlow", 4096, kUp, 0.0, kFlow},
    {"LookupDistance", 4096, kDown, 0.0, kDistance},
    {"LookupTemp54", 4096, kDown, 0.0, kTemp54},
    {"LookupCurrent66", 4096, kUp, 2.7785, kCurrent66},
    {"LookupCurrent67", 4096, kUp, 277.85, kCurrent67},
    {"LookupTemp72", 4096, kUp, 0.0, kTemp72},
};

// The current sensors' zero sits at code 2047; the halves above and below differ by one code.
std::vector<double> TwoSlopeLine(double full_scale, int entries) {
  constexpr int kZeroCode = 2047;
  std::vector<double> line(static_cast<std::size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    const double span = i < kZeroCode ? 2047.0 : 2048.0;
    line[static_cast<std::size_t>(i)] = (i - kZeroCode) * full_scale / span;
  }
  return line;
}

}  // namespace

std::span<const CalibrationTableSource> CalibrationTables::Sources() { return kSources; }

const CalibrationTableSource& CalibrationTables::Source(CalibrationTableId id) {
  return kSources[static_cast<std::size_t>(id)];
}

CalibrationTables::CalibrationTables() {
  for (std::size_t t = 0; t < kCalibrationTableCount; ++t) {
    const CalibrationTableSource& source = kSources[t];
    const std::vector<double> exact = source.FullScale != 0.0
                                          ? TwoSlopeLine(source.FullScale, source.Entries)
                                          : MonotoneCurve(source.Points, source.Entries);
    tables_[t].assign(exact.begin(), exact.end());  // one rounding to single precision
  }
}

std::vector<double> CalibrationTables::MonotoneCurve(std::span<const CalibrationPoint> points,
                                                     int entries) {
  std::vector<double> curve(static_cast<std::size_t>(std::max(entries, 0)));
  const std::size_t n = points.size();
  if (curve.empty() || n == 0) {
    return curve;
  }
  if (n == 1) {
    std::fill(curve.begin(), curve.end(), points[0].Value);
    return curve;
  }

  // Secants, then tangents: zero at a local extremum or flat segment, the mean of the neighbouring
  // secants elsewhere, one-sided at the ends.
  std::vector<double> secant(n - 1);
  for (std::size_t k = 0; k + 1 < n; ++k) {
    secant[k] = (points[k + 1].Value - points[k].Value) / (points[k + 1].Code - points[k].Code);
  }
  std::vector<double> tangent(n);
  tangent[0] = secant[0];
  tangent[n - 1] = secant[n - 2];
  for (std::size_t k = 1; k + 1 < n; ++k) {
    tangent[k] = secant[k - 1] * secant[k] <= 0.0 ? 0.0 : (secant[k - 1] + secant[k]) * 0.5;
  }
  // Fritsch-Carlson limit: tangents inside the circle of radius 3 (in units of the secant) keep
  // each segment monotone, so the curve never overshoots between two points.
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (secant[k] == 0.0) {
      tangent[k] = 0.0;
      tangent[k + 1] = 0.0;
      continue;
    }
    const double a = tangent[k] / secant[k];
    const double b = tangent[k + 1] / secant[k];
    const double radius2 = a * a + b * b;
    if (radius2 > 9.0) {
      const double tau = 3.0 / std::sqrt(radius2);
      tangent[k] = tau * a * secant[k];
      tangent[k + 1] = tau * b * secant[k];
    }
  }

  std::size_t k = 0;
  for (int code = 0; code < entries; ++code) {
    double value;
    if (code <= points[0].Code) {
      value = points[0].Value;
    } else if (code >= points[n - 1].Code) {
      value = points[n - 1].Value;
    } else {
      while (code >= points[k + 1].Code) {
        ++k;
      }
      const double h = points[k + 1].Code - points[k].Code;
      const double t = (code - points[k].Code) / h;
      const double t2 = t * t;
      const double t3 = t2 * t;
      // Hermite form relative to the segment's start, so a flat segment stays exactly flat.
      const double rise = points[k + 1].Value - points[k].Value;
      value = points[k].Value + (3 * t2 - 2 * t3) * rise +
              h * ((t3 - 2 * t2 + t) * tangent[k] + (t3 - t2) * tangent[k + 1]);
    }
    curve[static_cast<std::size_t>(code)] = value;
  }
  return curve;
}
