// Limits of the column reduction shared by the channel and its tests.
#pragma once

#include <cstdint>

// The reduction filters at most this many samples at a time; longer ranges go in pieces.
inline constexpr std::uint32_t kReductionPieceSamples = 130000;
