// The main window as the channel settings panel's filter command reaches it, and the panel loaded from a channel.
#pragma once

#include <cstdint>
#include <string_view>

#include "channels/filter_panel_command.h"

class GraphView;
class MainWindow;
class StickButtonMod;
class VessamorChannel;

class MainWindowFilterPanel final : public FilterPanelWindow {
 public:
  MainWindowFilterPanel(MainWindow& window, GraphView& view) : window_(window), view_(view) {}
  float UiScale() const override;
  bool EnglishUi() const override;
  void ShowHint(std::string_view text, float textScale, std::uint8_t style) override;
  void ShowRate(float kiloHertz) override;
  void RedrawView(bool markers) override;
  void RedrawChannelPanel(std::uint8_t channel) override;
  void CloseChannelPanel(std::uint8_t channel) override;

 private:
  MainWindow& window_;
  GraphView& view_;
};

// The panel shows channel `index`'s filter options, drawing choices and filter lengths. The smoothing
// length may go down to 2 while the view smooths centred.
void LoadChannelOptions(StickButtonMod& panel, const VessamorChannel& channel, std::uint8_t index, bool centred_smoothing);
