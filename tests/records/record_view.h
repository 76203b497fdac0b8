// A view holding a short record for the export and import tests: plain channels, values = code / 100.
#pragma once

#include <clocale>
#include <cstdint>
#include <string>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

struct RecordView {
  explicit RecordView(std::uint32_t capacity = 100000) {
    view.Init(capacity, PixelRect{40, 60, 1240, 860}, 0xFF, &window);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).Enabled = 0;
  }
  // Enables and shows channel k as a plain channel of the kind.
  VessamorChannel& Add(std::size_t k, std::uint16_t code, std::string symbol = "U", std::string unit = "В") {
    VessamorChannel& ch = view.Channel(k);
    ch.Enabled = 1;
    ch.SensorCode = code;
    ch.Symbol = std::move(symbol);
    ch.Unit = std::move(unit);
    ch.SmoothingOn = ch.MedianOn = 0;
    ch.ConfigureFilter();
    ch.RawToValueFn = [](std::int16_t c, const VessamorChannel*) { return c * 0.01f; };
    return ch;
  }
  // Splits the buffer among the enabled channels and gives each `count` codes code_of(k, i).
  template <class CodeOf>
  void Fill(std::uint32_t count, std::uint32_t rate, CodeOf code_of) {
    view.SetChannelFlags(4, 0);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      for (std::uint32_t i = 0; view.Channel(k).Enabled != 0 && i < count; ++i) {
        view.Channel(k).AppendCode(static_cast<std::int16_t>(code_of(k, i)));
      }
    }
    view.RecordRate = rate;
    view.LastSampleIndex = count - 1;
  }
  FakeMainWindow window;
  GraphView view;
};

// Runs the scope under a Russian locale (a comma as decimal separator) where the system has one.
struct RussianLocale {
  RussianLocale() : saved(std::setlocale(LC_ALL, nullptr)) {
    for (const char* name : {"ru_RU.UTF-8", "ru_RU.utf8", "ru_RU"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) break;
    }
  }
  ~RussianLocale() { std::setlocale(LC_ALL, saved.c_str()); }
  std::string saved;
};
