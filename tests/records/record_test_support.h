// The record tests' view with a record in it, as a recording leaves it.
#pragma once

#include <cstdint>
#include <vector>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace recordtest {

inline constexpr std::uint32_t kCapacity = 40000;

// Channels 0.. of the given kinds shown, each with `samples` codes (channel * 1000 + index % 1000).
struct RecordedView {
  RecordedView(std::vector<std::uint16_t> kinds, std::uint32_t samples, std::uint32_t capacity = kCapacity) {
    view.Init(capacity, PixelRect{0, 0, 1000, 600}, 0, &window);
    for (std::size_t k = 0; k < kinds.size(); ++k) view.Channel(k).Enabled = 1;
    view.SetChannelFlags(static_cast<std::uint8_t>(kinds.size()), 0);
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      view.Channel(k).SensorCode = kinds[k];
      for (std::uint32_t i = 0; i < samples; ++i) view.Channel(k).AppendCode(static_cast<std::int16_t>(k * 1000 + i % 1000));
    }
    view.SampleCount = samples;
    view.LastSampleIndex = samples - 1;
    view.RecordViewable = 1;
  }
  FakeMainWindow window;
  GraphView view;
};

}  // namespace recordtest
