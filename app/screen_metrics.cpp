// Start-up numbers of the main window: language choice, screen scales and sizes, record capacity, buffer roles.
#include "app/screen_metrics.h"

#include <algorithm>
#include <array>

#include "render/cubic_spline.h"

bool CommandLineEnglish(std::string_view command_line) {
  return command_line.find("en") != std::string_view::npos;
}

bool ChooseEnglishUi(bool locale_russian, std::string_view command_line) {
  return !locale_russian || CommandLineEnglish(command_line);
}

ScreenMetrics MeasureScreen(std::int32_t width, std::int32_t height) {
  ScreenMetrics m;
  m.ScreenWidth = width;
  m.ScreenHeight = height;
  m.AspectRatio = height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 0.0f;
  m.WideScreen = m.AspectRatio > 1.5f || height <= 800;
  m.ScaleX = static_cast<float>(width) / 1280.0f;
  m.ScaleY = static_cast<float>(height) / 994.0f;
  m.UiScale = m.ScaleX + (m.ScaleY - m.ScaleX) * 0.5f;
  m.ToolbarButtonHeight = static_cast<std::uint16_t>(m.ScaleY * 40.0f);
  m.ToolbarButtonWidth = static_cast<std::uint16_t>(m.ToolbarButtonHeight * 3);
  m.MenuWidth = static_cast<std::uint16_t>(m.ScaleX * 160.0f);
  m.ToolFontHeight = static_cast<std::uint16_t>(m.UiScale * 40.0f);
  // The band below the graph is measured against 996, not the design's 994.
  const std::int32_t band = m.WideScreen && m.AspectRatio > 1.5f ? 180 : 160;
  m.BottomBarHeight = static_cast<std::int32_t>(static_cast<std::int64_t>(height) * band / 996);
  return m;
}

std::uint32_t SampleCapacityFor(std::uint64_t available_bytes) {
  constexpr std::uint64_t kFullCapacityBytes = 0x72B0E00;  // 120,262,144
  constexpr std::uint32_t kFullCapacity = 60'000'000;
  if (available_bytes >= kFullCapacityBytes) return kFullCapacity;
  return static_cast<std::uint32_t>(available_bytes / 100 * 30);
}

std::optional<int> BackBufferIndexFor(std::int32_t control_id) {
  // The measurement screen's buttons lie over the composition buffer, the start screen's over the
  // saved background.
  static constexpr std::array<std::int32_t, 35> kOverComposition = {
      74999, 75004, 75006, 75008, 75010, 75011, 75012, 75013, 75014, 75016, 75017, 75022,
      75027, 75032, 75037, 75038, 75039, 75040, 75041, 75043, 75045, 75046, 75049, 75050,
      75051, 75052, 75053, 75054, 75173, 75175, 75181, 75182, 75183, 75184, 75186};
  static constexpr std::array<std::int32_t, 9> kOverBackground = {75163, 75164, 75165, 75166, 75167,
                                                                  75169, 75171, 75172, 75185};
  if (std::ranges::find(kOverComposition, control_id) != kOverComposition.end()) return 0;
  if (std::ranges::find(kOverBackground, control_id) != kOverBackground.end()) return 1;
  return std::nullopt;
}

float WaveGradientFactorFor(std::int32_t w) {
  if (w < 1024) return LerpFloat(1024, 800, 0.32f, 0.47f, w);
  if (w <= 1280) return LerpFloat(1280, 1024, 0.2f, 0.32f, w);
  if (w <= 1600) return LerpFloat(1600, 1280, 0.11f, 0.2f, w);
  return LerpFloat(2000, 1600, 0.24f, 0.2f, w);
}

float PanelGradientFactorFor(std::int32_t w) {
  if (w < 1024) return LerpFloat(1024, 800, 0.62f, 0.82f, w);
  if (w <= 1280) return LerpFloat(1280, 1024, 0.5f, 0.62f, w);
  if (w <= 1600) return LerpFloat(1600, 1280, 0.4f, 0.5f, w);
  return LerpFloat(2000, 1600, 0.3f, 0.4f, w);
}

std::optional<PictureFit> FitInfoPicture(std::int32_t content_width, std::int32_t picture_width,
                                         std::int32_t picture_height, float scale_x, float scale_y) {
  if (picture_width <= 0 || picture_height <= 0) return std::nullopt;
  const std::int32_t limit = static_cast<std::int32_t>(static_cast<float>(content_width) - 20.0f * scale_x);
  std::int32_t candidate = static_cast<std::int32_t>(
      static_cast<float>(picture_height + 15) * scale_y *
      (static_cast<float>(picture_width) / static_cast<float>(picture_height)));
  candidate = std::min(candidate, limit);
  candidate -= candidate % 2;
  const float full = 640.0f * scale_x;
  if (static_cast<float>(candidate) >= full) return std::nullopt;
  PictureFit fit;
  fit.Margin = static_cast<std::int32_t>((full - static_cast<float>(candidate)) / 6.0f);
  fit.Offset = candidate - 3 * fit.Margin;
  return fit;
}
