// One screen column of a channel: the extremes of its samples and, in channel 0, the time base.
#pragma once

#include <cstdint>

struct ColumnRecord {
  // Plain 16-bit code, or code x 256 + fraction when the channel carries fractional codes.
  std::int32_t MaxCode = 0;
  std::int32_t MinCode = 0;
  std::int32_t MaxPixel = 0;
  std::int32_t MinPixel = 0;
  // Samples in the column; 0 for a column without a sample of its own.
  std::uint32_t SampleCount = 0;
  std::uint32_t FirstSample = 0;
  // Fractional start position carried from column to column, so the fractions add up along the table.
  double SampleFraction = 0.0;
};

// The record files and the view history copy these records whole.
static_assert(sizeof(ColumnRecord) == 32, "ColumnRecord must stay 32 bytes");
