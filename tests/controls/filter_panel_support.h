// A set-up view with a recording main window for the settings panel and filter command tests.
#pragma once

#include <string>
#include <vector>

#include "channels/filter_panel_command.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

struct RecordingFilterWindow : FilterPanelWindow {
  float UiScale() const override { return 1.0f; }
  bool EnglishUi() const override { return english; }
  void ShowHint(std::string_view text, float, std::uint8_t style) override {
    hints.emplace_back(text);
    hintStyle = style;
  }
  void ShowRate(float khz) override { rates.push_back(khz); }
  void RedrawView(bool markers) override { redraws.push_back(markers); }
  void RedrawChannelPanel(std::uint8_t channel) override { panelRedraws.push_back(channel); }
  void CloseChannelPanel(std::uint8_t channel) override { closed.push_back(channel); }

  bool english = false;
  std::vector<std::string> hints;
  std::uint8_t hintStyle = 0;
  std::vector<float> rates;
  std::vector<bool> redraws;
  std::vector<int> panelRedraws, closed;
};

struct FilterView {
  FilterView() { view.Init(100000, PixelRect{40, 60, 1240, 860}, 0xFF, &main); }
  FakeMainWindow main;
  GraphView view;
};
