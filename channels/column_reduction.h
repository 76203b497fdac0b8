// Limits of the column reduction shared by the channel and its tests, and its fold of extremes.
#pragma once

#include <cstdint>
#include <utility>

// The reduction filters at most this many samples at a time; longer ranges go in pieces.
inline constexpr std::uint32_t kReductionPieceSamples = 130000;

// Largest and smallest of values[0..n), as {high, low}; an empty range gives the type's lowest as
// its high and highest as its low, so that folding it into other extremes changes nothing.
std::pair<std::int16_t, std::int16_t> SpanExtremes(const std::int16_t* values, std::uint32_t n);
std::pair<std::int32_t, std::int32_t> SpanExtremes(const std::int32_t* values, std::uint32_t n);
