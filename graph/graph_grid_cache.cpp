// The full grid of the graph screen (background, grid lines, frame, value and time labels), drawn
// once and copied while nothing it is drawn from changes.
#include <cstring>
#include <type_traits>

#include "graph/graph_view.h"
#include "platform/gdi.h"

namespace {

template <typename T>
void Append(std::vector<std::uint8_t>& key, const T& value) {
  static_assert(std::is_trivially_copyable_v<T> && std::has_unique_object_representations_v<T>);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  key.insert(key.end(), bytes, bytes + sizeof value);
}
void Append(std::vector<std::uint8_t>& key, const double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  Append(key, bits);
}
void Append(std::vector<std::uint8_t>& key, const float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  Append(key, bits);
}
void Append(std::vector<std::uint8_t>& key, const PixelRect& r) {
  for (std::int32_t edge : {r.Left, r.Top, r.Right, r.Bottom}) Append(key, edge);
}
void Append(std::vector<std::uint8_t>& key, const Rgba& c) {
  for (std::uint8_t part : {c.R, c.G, c.B, c.A}) Append(key, part);
}
void Append(std::vector<std::uint8_t>& key, const std::string& text) {
  Append(key, text.size());
  key.insert(key.end(), text.begin(), text.end());
}

}  // namespace

std::vector<std::uint8_t> GraphView::GridCacheKey() const {
  std::vector<std::uint8_t> key;
  key.reserve(2048);
  for (const PixelRect& r : {ViewRect, PlotRect, GridRect, ValueTickStrip, TimeTickStrip}) Append(key, r);
  Append(key, FrameWidth);
  Append(key, GridLineWidth);
  for (const Rgba& c : {Style.BackgroundColour, Style.PanelColour, Style.FrameColour, Style.TextColour}) Append(key, c);
  Append(key, Style.SmallFont.Face);
  for (std::int32_t v : {Style.SmallFont.Height, Style.SmallFont.Width}) Append(key, v);
  const ScaleState& s = PaintScale;
  Append(key, s.ValueLabelStep);
  for (std::uint8_t v : {s.ValueTickCount, s.TimeTickCount, s.ValueLabelDecimals, s.TimeLabelDecimals}) Append(key, v);
  for (const auto* ticks : {&s.ValueTicks, &s.TimeTicks}) {
    for (const AxisTick& tick : *ticks) {
      Append(key, tick.Value);
      Append(key, tick.Pixel);
    }
  }
  // The labels name every shown channel in its colour, on its own axis.
  for (std::size_t k = 0; k < kLiveChannels; ++k) {
    const VessamorChannel& c = *Channels[k];
    for (std::uint8_t v : {c.Enabled, c.Shown, c.FirstOfSensor, c.PlotGainOn}) Append(key, v);
    Append(key, c.PlotGain);
    Append(key, c.SensorCode);
    Append(key, c.Decimals);
    Append(key, c.Colour);
    Append(key, reinterpret_cast<std::uintptr_t>(c.ScaleMappingPair.Forward));
    Append(key, reinterpret_cast<std::uintptr_t>(c.ScaleMappingPair.Inverse));
    Append(key, LabelColumnWidths[k]);
    // The names over a column keep its labels from under them.
    Append(key, AxisName(c));
  }
  return key;
}

void GraphView::DrawFullGrid(platform::Surface& target) {
  const PixelRect& v = ViewRect;
  std::vector<std::uint8_t> key = GridCacheKey();
  const bool fits = GridCache.Picture.Width() == v.Width() && GridCache.Picture.Height() == v.Height();
  if (fits && key == GridCache.Key && v.Width() > 0 && v.Height() > 0) {
    platform::Blit(target, v.Left, v.Top, v.Width(), v.Height(), GridCache.Picture, 0, 0);
    ViewJustFilled = 0;
    return;
  }
  DrawGrid(0, target);
  DrawAxisLabels(target);
  if (v.Width() <= 0 || v.Height() <= 0) return;
  if (!fits) GridCache.Picture = platform::Surface(v.Width(), v.Height());
  platform::Blit(GridCache.Picture, 0, 0, v.Width(), v.Height(), target, v.Left, v.Top);
  GridCache.Key = std::move(key);
}
