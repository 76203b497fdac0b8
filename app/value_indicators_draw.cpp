// The value indicator a shown channel draws in its box on the graph screen, and the scale sliders' showing.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/value_indicators.h"
#include "channels/rate_detector.h"
#include "channels/vessamor_channel.h"
#include "controls/control_drawing.h"
#include "controls/stick_button.h"
#include "platform/cp1251.h"

namespace {

using RendererBase = agg_ren::RendererBase;

// Text drawn twice in place: a black outline, then the colour; its height follows the box, whatever
// face the renderer has for the graph's captions.
void DrawTwice(agg_ren& surface, const std::string& text, double x, double y, double w, double h, const rgba8& colour) {
  const std::string bytes = platform::Utf8ToCp1251(text);
  const double scale = surface.style.font_height > 0.0 && h > 0.0 ? 0.9 * h / surface.style.font_height : 1.0;
  surface.DrawTextInBox(bytes.c_str(), x, y, w, h, scale, rgba8(0, 0, 0, 255), nullptr, 0);
  surface.DrawTextInBox(bytes.c_str(), x, y, w, h, scale, colour, nullptr, 0);
}

// The unit of the angle kinds in English.
constexpr std::string_view kDegreeSign = "°";

// A recorded volume is shown to the tenth of a microlitre.
constexpr int kVolumeDecimals = 7;

// What the box shows: the volume taken so far (flow kinds recording with the volume option), the
// rate a rate kind derives, or the channel's value at the column.
double IndicatorValue(const VessamorChannel& channel, std::uint16_t column, bool volume) {
  if (volume) {
    const std::uint32_t rate = channel.View != nullptr ? channel.View->RecordRate : 0;
    return rate > 0 ? channel.AccumulatedVolume / rate : 0.0;
  }
  if (channel.RateMode != 0 && channel.RateDisplayFn != nullptr) return channel.RateDisplayFn(&channel, column);
  return channel.SampleValue(column);
}

// The value text against the right of its box, next to the unit, as long or short as it is.
void DrawValueRight(agg_ren& surface, const std::string& text, double x, double y, double w, double h,
                    const rgba8& colour) {
  const std::string bytes = platform::Utf8ToCp1251(text);
  const double scale = surface.style.font_height > 0.0 && h > 0.0 ? 0.9 * h / surface.style.font_height : 1.0;
  // A little room before the unit, so the last digit does not run into it.
  const double room = std::max(w - 0.15 * h, 1.0);
  const double advance = surface.TextAdvance(bytes.c_str(), scale);
  if (advance > room) {
    // A text longer than its box (a volume's seven decimals) is drawn smaller, on the same baseline.
    const double fitted = h * room / advance;
    DrawTwice(surface, text, x, y + (h - fitted), room, fitted, colour);
    return;
  }
  const double shift = room - advance;
  DrawTwice(surface, text, x + shift, y, w - shift, h, colour);
}

// Whether a new draw shows the volume taken so far: a flow kind recording with the volume option.
bool ShowsVolume(const VessamorChannel& channel) {
  return channel.SensorCode == 49 && channel.View != nullptr && channel.View->Recording.load() != 0 && channel.VolumeOn != 0;
}

// Everything a full draw of the box takes: its frame, texts, colours, places and sizes.
std::string FaceKey(const VessamorChannel& channel, const std::string& value_text, const std::string& unit,
                    const std::string& second_text, const std::string& time_text, double corner, bool english) {
  std::string key;
  const auto add = [&key](const void* bytes, std::size_t size) { key.append(static_cast<const char*>(bytes), size); };
  const auto add_text = [&](const std::string& text) {
    const std::size_t size = text.size();
    add(&size, sizeof size);
    key += text;
  };
  const PixelRect& r = channel.LabelRect;
  for (const std::int32_t v : {r.Left, r.Top, r.Right, r.Bottom}) add(&v, sizeof v);
  add(channel.ValueLineGeometry.data(), sizeof channel.ValueLineGeometry);
  add(channel.SecondLineGeometry.data(), sizeof channel.SecondLineGeometry);
  const std::uint8_t bytes[] = {channel.Colour.R, channel.Colour.G, channel.Colour.B, channel.IndicatorStyle,
                                channel.ExtraValueShown, static_cast<std::uint8_t>(english)};
  add(bytes, sizeof bytes);
  add(&corner, sizeof corner);
  for (const std::string* text : {&value_text, &unit, &second_text, &time_text}) add_text(*text);
  return key;
}

}  // namespace

bool MainWindow::IndicatorFaceChanges(VessamorChannel& channel, std::uint16_t column) {
  GraphView* view = channel.View;
  if (view == nullptr || channel.ChannelIndex >= GraphView::kLiveChannels || channel.IndicatorShownValid == 0) return true;
  channel.LayoutIndicator(view->IndicatorStrips[channel.ChannelIndex], column);
  const bool volume = ShowsVolume(channel);
  if (volume != (channel.IndicatorShownVolume != 0)) return true;
  return IndicatorFace(channel, IndicatorValue(channel, column, volume), volume, column) != channel.IndicatorShownFace;
}

std::string MainWindow::IndicatorFace(const VessamorChannel& channel, double value, bool volume, std::uint16_t column) {
  const double corner = Metrics.UiScale * (channel.IndicatorStyle != 0 ? 8.0 : 20.0);
  const std::string value_text = IndicatorValueText(value, volume ? kVolumeDecimals : channel.Decimals).Text;
  const std::string unit = volume ? std::string(EnglishUi() ? "ml" : "мл") : channel.Unit;
  const std::string second = channel.ExtraValueShown != 0 ? IndicatorValueText(value * kRadiansPerRevolution, channel.Decimals).Text : std::string();
  std::string time;
  if (channel.IndicatorStyle != 0 && channel.View != nullptr) {
    const GraphView& view = *channel.View;
    const ColumnRecord* base = view.Channels[0] ? view.Channels[0]->TimeBase : nullptr;
    const bool inside = base != nullptr && column < view.Channels[0]->ColumnCapacity;
    time = IndicatorTimeText(view.RecordRate, inside ? base[column].FirstSample : 0, inside).Text + " " + channel.TimeUnit;
  }
  return FaceKey(channel, value_text, unit, second, time, corner, EnglishUi());
}

void MainWindow::DrawValueIndicator(VessamorChannel& channel, agg_ren& surface, std::int32_t, std::uint8_t mode,
                                    std::uint16_t column) {
  GraphView* view = channel.View;
  if (view == nullptr || channel.ChannelIndex >= GraphView::kLiveChannels || !surface.Attached()) return;
  channel.LayoutIndicator(view->IndicatorStrips[channel.ChannelIndex], column);
  const PixelRect& r = channel.LabelRect;
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  const rgba8 colour(channel.Colour.R, channel.Colour.G, channel.Colour.B, 255);
  // The frame: a rounded panel, the panel's colour round a white face; its corners are smaller
  // with the time line.
  const rgba8 rim(0x0A, 0x0A, 0x46, 0x9B);
  const double corner = Metrics.UiScale * (channel.IndicatorStyle != 0 ? 8.0 : 20.0);
  const double w = r.Right - r.Left, h = r.Bottom - r.Top;
  control_draw::FlatPanel(surface, r.Left + 1, r.Top + 1, w - 2, h - 2, std::min(corner, h / 2), rgba8(255, 255, 255, 255), rim,
                          2.0f);
  // A reframe (mode 2, clipped by the caller to the columns newly drawn under the box) puts back
  // the texts the box already shows, so no stripe of the face cuts through them; a new value
  // waits for the next full draw.
  const bool reframe = mode == 2;
  if (reframe && channel.IndicatorShownValid == 0) return;
  if (reframe) column = channel.IndicatorShownColumn;

  // A reframe puts back what the box showed; a new draw shows the volume only while it is recorded.
  const bool volume = reframe ? channel.IndicatorShownVolume != 0 : ShowsVolume(channel);
  const double value = reframe ? channel.IndicatorShownValue : IndicatorValue(channel, column, volume);
  channel.IndicatorShownValue = value;
  channel.IndicatorShownColumn = column;
  channel.IndicatorShownValid = 1;
  channel.IndicatorShownVolume = volume ? 1 : 0;
  if (!reframe) {
    channel.IndicatorShownLive = view->Recording.load() != 0 ? 1 : 0;
    channel.IndicatorShownFace = IndicatorFace(channel, value, volume, column);
  }
  const IndicatorText shown = IndicatorValueText(value, volume ? kVolumeDecimals : channel.Decimals);
  const IndicatorGeometry& g = channel.ValueLineGeometry;
  // The texts stay inside the frame's face, clear of its rounded border: a text too long for its
  // place is drawn smaller, and nothing of it reaches past the face to outlast the next value.
  const double inset = std::ceil(std::min(corner, h / 2) / 2.0);
  const double face_left = r.Left + inset, face_right = r.Right - inset;
  RendererBase& pixels = *surface.Base();
  const agg::rect_i kept_clip = pixels.clip_box();
  pixels.clip_box(std::max(kept_clip.x1, static_cast<int>(face_left)), std::max(kept_clip.y1, r.Top + 2),
                std::min(kept_clip.x2, static_cast<int>(face_right)), std::min(kept_clip.y2, r.Bottom - 3));
  const double value_left = std::max(g[0], face_left);
  DrawValueRight(surface, shown.Text, value_left, g[1], std::max(g[2] - value_left, 1.0), g[3] - g[1], colour);
  const std::string unit = volume ? std::string(EnglishUi() ? "ml" : "мл") : channel.Unit;
  const bool time_line = channel.IndicatorStyle != 0;
  const rgba8 unit_colour = time_line ? rgba8(100, 100, 100, 255) : rgba8(0, 0, 0, 255);
  if (unit == kDegreeSign) {
    // A degree sign alone is written at the digits' size on their baseline: its ring stands at the
    // top of the digits, where a degree sign belongs. At the unit's smaller size it would be a
    // small ring halfway up the digits, read as a stray dot.
    DrawTwice(surface, unit, g[4], g[1], g[6] - g[4], g[3] - g[1], unit_colour);
  } else {
    DrawTwice(surface, unit, g[4], g[5], g[6] - g[4], g[7] - g[5], unit_colour);
  }
  const IndicatorGeometry& second = channel.SecondLineGeometry;
  if (channel.ExtraValueShown != 0 && second[2] > second[0]) {
    // The same reading as an angular speed on the line below, cut to the decimals as the value is.
    const IndicatorText angular = IndicatorValueText(value * kRadiansPerRevolution, channel.Decimals);
    channel.IndicatorShownAngular = angular.Parsed;
    DrawValueRight(surface, angular.Text, second[0], second[1], second[2] - second[0], second[3] - second[1], colour);
    DrawTwice(surface, AngularSpeedUnit(EnglishUi()), second[4], second[5], second[6] - second[4], second[7] - second[5],
              rgba8(0, 0, 0, 255));
  }
  pixels.clip_box(kept_clip.x1, kept_clip.y1, kept_clip.x2, kept_clip.y2);
  if (!time_line) return;
  const ColumnRecord* base = view->Channels[0] ? view->Channels[0]->TimeBase : nullptr;
  const bool inside = base != nullptr && column < view->Channels[0]->ColumnCapacity;
  const IndicatorText time = IndicatorTimeText(view->RecordRate, inside ? base[column].FirstSample : 0, inside);
  if (time.Text.empty()) return;
  const double x0 = g[8] - 4.0;
  surface.Base()->copy_vline(static_cast<int>(x0), r.Top + 1, r.Bottom - 1, rgba8(100, 100, 100, 255));
  DrawTwice(surface, time.Text + " " + channel.TimeUnit, g[8], g[9], g[10] - g[8] + 200.0, g[11] - g[9],
            rgba8(100, 100, 100, 255));
}

void MainWindow::ShowScaleSliders(bool shown) {
  const std::pair<std::int32_t, double> scales[] = {{75001, View ? View->Scale.SecondsPerDivision : 0.0},
                                                    {75003, View ? View->Scale.ValuePerDivision : 0.0}};
  for (const auto& [id, value] : scales) {
    auto* slider = dynamic_cast<StickButton*>(FindControl(id));
    if (slider == nullptr) continue;
    if (shown) {
      slider->SetValue(static_cast<float>(value));
      slider->Show();
      slider->StartFadeIn();
    } else {
      slider->Hide();
    }
  }
}
