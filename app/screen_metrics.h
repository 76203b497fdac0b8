// Start-up numbers of the main window: language choice, screen scales and sizes, record capacity, buffer roles.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Locale codes of the string tables.
inline constexpr std::uint16_t kLanguageRussian = 1049;
inline constexpr std::uint16_t kLanguageEnglish = 1033;

// True when the arguments, joined by blanks, hold the letters "en" side by side anywhere.
bool CommandLineEnglish(std::string_view command_line);
// English unless the user's locale is Russian and the command line asks for nothing else.
bool ChooseEnglishUi(bool locale_russian, std::string_view command_line);

// The window's size and everything the initialisation derives from it against the 1280 x 994 design.
struct ScreenMetrics {
  std::int32_t ScreenWidth = 0;
  std::int32_t ScreenHeight = 0;
  float AspectRatio = 0.0f;
  bool WideScreen = false;
  float ScaleX = 1.0f;
  float ScaleY = 1.0f;
  float UiScale = 0.0f;
  std::uint16_t ToolbarButtonHeight = 0;
  std::uint16_t ToolbarButtonWidth = 0;
  std::uint16_t MenuWidth = 0;
  std::uint16_t ToolFontHeight = 40;
  std::int32_t BottomBarHeight = 0;
};
ScreenMetrics MeasureScreen(std::int32_t width, std::int32_t height);

// Samples the record may hold for the available physical memory, in bytes.
std::uint32_t SampleCapacityFor(std::uint64_t available_bytes);

// The back buffer behind an image button by its control id: 0 the composition buffer, 1 the
// saved background, none for buttons with nothing of the window behind them.
std::optional<int> BackBufferIndexFor(std::int32_t control_id);

// A paint the system asked for while a sensor page is being built is dropped.
inline bool PaintIsSkipped(bool info_screen, bool sensor_page_pending, bool local_paint) {
  return info_screen && sensor_page_pending && !local_paint;
}

// The intro's gradient parameters from the screen width.
float WaveGradientFactorFor(std::int32_t width);
float PanelGradientFactorFor(std::int32_t width);

// The information picture fitted to the reveal panel on a wide screen: the picture's margin and
// offset, or none when nothing changes (also for a picture without size).
struct PictureFit {
  std::int32_t Margin = 0;
  std::int32_t Offset = 0;
};
std::optional<PictureFit> FitInfoPicture(std::int32_t content_width, std::int32_t picture_width,
                                         std::int32_t picture_height, float scale_x, float scale_y);
