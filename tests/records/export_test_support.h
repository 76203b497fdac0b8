// Helpers of the export tests: plain channels over a recorded view, and a Russian locale for a scope.
#pragma once

#include <clocale>
#include <cstdint>
#include <string>

#include "record_test_support.h"

// Every enabled channel unfiltered, read as code / 100, quantity "U" in "В", with codes code_of(k, i).
template <class CodeOf>
void MakePlain(GraphView& view, std::uint32_t rate, CodeOf code_of) {
  view.RecordRate = rate;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    ch.SmoothingOn = ch.MedianOn = 0;
    ch.ConfigureFilter();
    ch.RawToValueFn = [](std::int16_t c, const VessamorChannel*) { return c * 0.01f; };
    ch.Symbol = "U";
    ch.Unit = "В";
    for (std::uint32_t i = 0; i < ch.CodeCount; ++i) ch.Codes[i] = static_cast<std::int16_t>(code_of(k, i));
  }
}

// A comma as the decimal separator, where the system has the locale.
struct RussianLocale {
  RussianLocale() : saved(std::setlocale(LC_ALL, nullptr)) { std::setlocale(LC_ALL, "ru_RU.UTF-8"); }
  ~RussianLocale() { std::setlocale(LC_ALL, saved.c_str()); }
  std::string saved;
};
