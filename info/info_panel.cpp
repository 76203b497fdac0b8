// The information panel's screens: picture choice, heading band, pictures with the pictured computer, body and menu row.
#include "info/info_panel.h"

#include <algorithm>
#include <limits>
#include <cmath>
#include <mutex>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"
#include "info/info_pages.h"
#include "info/start_page.h"
#include "platform/cp1251.h"
#include "platform/gdi.h"
#include "render/agg_ren.h"

namespace {

const rgba8 kBandColour{248, 247, 255, 255};
constexpr platform::Colour kSeparator{210, 210, 215, 255};
constexpr platform::Colour kWhite{255, 255, 255, 255};
constexpr platform::Colour kCaptionInk{30, 30, 45, 255};
// The engine's em height at text size 1; a line's pitch is this much of its size.
constexpr double kEmHeight = 17.0;
constexpr double kLinePitch = 1.45;

int Trunc(double v) { return static_cast<int>(v); }

void FillPolygon(agg_ren& r, std::span<const double> points, const rgba8& colour) {
  if (r.Solid() == nullptr || points.size() < 6) return;
  auto& ras = r.Rasterizer();
  ras.reset();
  ras.move_to_d(points[0], points[1]);
  for (std::size_t i = 2; i + 1 < points.size(); i += 2) ras.line_to_d(points[i], points[i + 1]);
  ras.close_polygon();
  r.Solid()->color(colour);
  r.RenderScanlines();
  ras.reset();
}

}  // namespace

void FitPicturePair(platform::Size& first, platform::Size& second, int room) {
  if (first.cy <= 0 || second.cy <= 0) return;
  const double height = std::min(first.cy, second.cy);
  const double a = first.cx * height / first.cy, b = second.cx * height / second.cy;
  const double factor = a + b > room && a + b > 0 ? std::max(0, room) / (a + b) : 1.0;
  const auto even = [](double v) { return std::max(0, Trunc(v) / 2 * 2); };
  first = {even(a * factor), even(height * factor)};
  second = {even(b * factor), even(height * factor)};
}

std::vector<std::string> WrapText(std::string_view text, const platform::Font& font, int width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t space = text.find(' ', at);
    const std::string_view word = text.substr(at, space == std::string_view::npos ? std::string_view::npos : space - at);
    at = space == std::string_view::npos ? text.size() : space + 1;
    if (word.empty()) continue;
    const std::string longer = line.empty() ? std::string(word) : line + " " + std::string(word);
    if (!line.empty() && platform::TextExtent(longer, font).cx > width) {
      lines.push_back(line);
      line = std::string(word);
    } else {
      line = longer;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::optional<platform::Size> FitPanelPicture(int bitmap_width, int bitmap_height, int content_width, float scale_x,
                                              float scale_y) {
  if (bitmap_width <= 0 || bitmap_height <= 0) return std::nullopt;
  const double aspect = static_cast<double>(bitmap_width) / bitmap_height;
  const double available = content_width - 20.0 * scale_x;
  double height = (bitmap_height + 15.0) * scale_y;
  double width = height * aspect;
  if (width > available) {
    width = available;
    height = available / aspect;
  }
  const auto even = [](double v) { return std::max(0, Trunc(v) / 2 * 2); };
  return platform::Size{even(width), even(height)};
}

InfoPanel::InfoPanel(std::uint8_t initial_screen, InfoPanelOwner owner) : Owner(std::move(owner)) {
  WorkRect = Owner.Content;
  CurrentScreen = initial_screen;
}

bool InfoPanel::English() const { return Owner.Bytes != nullptr && Owner.Bytes->EnglishUi.load() != 0; }

std::uint8_t InfoPanel::UnitType() const {
  if (CurrentScreen == kStartPage) return 0;
  return Slot != nullptr && Slot->Device != nullptr ? Slot->DeviceTypeCode : UnitTypeCode;
}

void InfoPanel::PrepareScreenPaint() {
  ButtonSet = 0;
  Picture1 = Picture2 = nullptr;
  PictureAddMode = 0;
  const auto picture = [this](int element) { return Owner.Picture ? Owner.Picture(element) : nullptr; };
  switch (CurrentScreen) {
    case kPreparation: ChoosePreparationPictures(); break;
    case kSensorInformation: ChooseIntroPicture(); break;
    case kStartPage:
      Picture1 = picture(kComputerElement);
      Picture2 = Owner.UnitFound ? nullptr : picture(kStartPictureElement);
      break;
    default: Picture1 = picture(kComputerElement); break;
  }
  SpecialMode = 0;
}

bool InfoPanel::RebuildScreen() {
  WorkRect = Owner.Content;
  LineBoxes.clear();
  PictureRow = SecondPictureRect = CaptionBox = {};
  PicturesEnd = CaptionHeight = 0;
  PictureCaption = nullptr;
  MenuRowFirstBox = std::numeric_limits<std::size_t>::max();
  switch (CurrentScreen) {
    case kStartPage: ShowStartPage(); return true;
    case kSensorInformation: BuildInformationPage(*this, true); break;
    case kDetectedSensors: BuildDetectedSensorsPage(*this); break;
    case kPreparation:
      // Built with its small graph already set up, the page shows its boxes' channels as they stay.
      PageSettled = FirstChannelSetPending == 0 && (PictureAddMode != 2 || PcScreenState == 2) ? 1 : 0;
      BuildPreparationPage(*this);
      SetupPreparationButtons();
      break;
    default: return false;
  }
  FinishPage();
  return true;
}

void InfoPanel::ShowStartPage() {
  BuildStartPage(*this);
  LayoutTextBlocks();
  // The contacts and the catalogue's rows fill the body: no pictures above them.
  const bool text_only = MenuSelection != 0 && Body.SubSelection == 0;
  if (!text_only) PaintScreenPictures();
  if (text_only && Owner.Buffer != nullptr) {
    // The lines end a small gap above the menu row, whose glyphs reach up to its top.
    const std::int32_t room = Owner.Content.bottom - Trunc(12 * Owner.ScaleY) - MenuRowHeight() -
                              (WorkRect.top + Trunc(8 * Owner.ScaleY)) - Trunc(6 * Owner.ScaleY);
    // Sized to the room measured now; the next builds keep it.
    if (room != StartBodyRoom) {
      StartBodyRoom = room;
      BuildStartPage(*this);
    }
  }
  Compose();
}

std::int32_t InfoPanel::BodyLinePitch(double font_size) const {
  return Trunc(kEmHeight * font_size * Owner.UiScale * kLinePitch);
}

std::int32_t InfoPanel::BodyTextHeight() const { return static_cast<std::int32_t>(std::ceil(kEmHeight * Owner.UiScale)); }

std::int32_t InfoPanel::MenuRowHeight() const { return Trunc(kEmHeight * Owner.UiScale * kLinePitch * 1.2); }

void InfoPanel::FinishPage() {
  LayoutTextBlocks();
  PaintScreenPictures();
  Compose();
}

void InfoPanel::DrawLine(const char* text, double x, double y, double width, double size, std::uint8_t mode,
                         std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const std::string line = platform::Utf8ToCp1251(text != nullptr ? text : "");
  // A null text with points would fill a polygon; an empty line draws nothing.
  Owner.Renderer->DrawTextInBox(line.c_str(), x, y, width, kEmHeight * size * kLinePitch, size, rgba8(r, g, b, 255),
                                nullptr, mode);
  if (!line.empty()) {
    // The glyphs' reach: from the start to the pen's end, ascent above and descent below the baseline.
    const auto& st = Owner.Renderer->style;
    const double em = kEmHeight * size;
    const auto down = [](double v) { return static_cast<int>(std::floor(v)); };
    const auto up = [](double v) { return static_cast<int>(std::ceil(v)); };
    LineBoxes.push_back(
        {down(st.text_origin_x), down(st.text_origin_y - 0.8 * em), up(st.text_end_x), up(st.text_origin_y + 0.25 * em)});
  }
}

void InfoPanel::LayoutTextBlocks() {
  const platform::WindowRect& c = Owner.Content;
  const float sx = Owner.ScaleX, sy = Owner.ScaleY, ui = Owner.UiScale;
  WorkRect = {c.left + Trunc(8 * sx), c.top + Trunc(4 * sy), c.right - Trunc(8 * sx), c.bottom};
  if (Owner.Renderer == nullptr || Owner.Buffer == nullptr) return;
  agg_ren& r = *Owner.Renderer;
  int h = Trunc(25 * ui);
  const std::int32_t lines = Heading.Count();
  PanelRect band{static_cast<double>(WorkRect.left), static_cast<double>(WorkRect.Width()),
                 static_cast<double>(WorkRect.top + Trunc(5 * sy)), static_cast<double>((lines + 1) * h + Trunc(15 * ui))};
  r.style.highlight = rgba8(218, 222, 255, 255);
  r.style.corner_radius = 6.0 * ui;
  r.DrawRoundedPanel(band, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 1.0f, kBandColour, 1.0f);
  if (lines > 1 && Heading.FontSize[1] < Heading.FontSize[0]) h = Trunc(20 * ui);
  const double saved_factor = r.style.glyph_contour_factor, saved_line = r.style.line_scale;
  const std::uint8_t saved_style = r.style.underline_mode;
  const double x = c.left + Trunc(25 * sx) + ContentIndent / 3;
  int y = WorkRect.top + Trunc(15 * sy);
  for (std::int32_t i = 0; i < lines; ++i, y += h) {
    r.style.glyph_contour_factor = HeadingTextFactor * 5.0;
    r.style.underline_mode = Heading.StyleFlags[1];
    r.style.line_scale = 2.2 * sy;
    DrawLine(Heading.Text(i), x, y, WorkRect.right - x, Heading.FontSize[static_cast<std::size_t>(i)], 0, 0, 0, 0);
  }
  r.style.glyph_contour_factor = saved_factor;
  r.style.line_scale = saved_line;
  r.style.underline_mode = saved_style;
  WorkRect.top = y + Trunc(20 * sy);
  platform::FillRect(*Owner.Buffer, {WorkRect.left - 1, WorkRect.top - 3, WorkRect.right, WorkRect.top - 1},
                     platform::Brush{kSeparator});
}

void InfoPanel::PaintScreenPictures() {
  // The page is drawn: the acquisition tick takes the samples in again.
  if (Owner.Bytes != nullptr) Owner.Bytes->SensorPageOpening = 0;
  PictureRow = SecondPictureRect = CaptionBox = {};
  PicturesEnd = CaptionHeight = 0;
  if (Owner.Buffer == nullptr) return;
  platform::Surface& buffer = *Owner.Buffer;
  const platform::Surface* computer = Owner.Picture ? Owner.Picture(kComputerElement) : nullptr;
  const int content_width = Owner.Content.Width();
  const int left = WorkRect.left + ContentIndent;
  // 1. Each picture is sized from its own bitmap; a picture beside the first shares its row at one
  // height, both narrowed together where the row is too short for them. A picture of no size is
  // passed over: its fit would divide by its height.
  const auto fit_of = [&](const platform::Surface* picture) -> std::optional<platform::Size> {
    if (picture == nullptr) return std::nullopt;
    return FitPanelPicture(picture->Width(), picture->Height(), content_width, Owner.ScaleX, Owner.ScaleY);
  };
  std::optional<platform::Size> first = fit_of(Picture1), second = fit_of(Picture2);
  if (first && second) FitPicturePair(*first, *second, WorkRect.right - left);
  if (first) {
    const platform::Surface& picture = *Picture1;
    const int top = WorkRect.top;
    PictureRect = platform::WindowRect::FromSize(left, top, first->cx, first->cy);
    PictureRow = {WorkRect.left, top, WorkRect.right, top + first->cy};
    PicturesEnd = PictureRect.right;
    platform::StretchBlit(buffer, {left, top, left + first->cx, top + first->cy}, picture, picture.Bounds());
    // 2. The rest of the row carries the picture's last columns (the second picture's, when it has one).
    if (!second) CarryLastColumns(buffer, picture, PictureRow, PicturesEnd);
    if (ContentIndent > 0) {
      platform::StretchBlit(buffer, {WorkRect.left, top, left, top + first->cy}, picture, {0, 0, 4, picture.Height()});
    }
    // The row between the picture and the body is the page's too: nothing of an earlier page stays in it.
    platform::FillRect(buffer, {WorkRect.left, top + first->cy, WorkRect.right, top + first->cy + 1}, platform::Brush{kWhite});
    WorkRect.top += first->cy + 1;
    WorkRect.bottom += first->cy + 1;
    // 3. The pictured computer's screen grid follows the picture's size and place.
    if (Picture1 == computer) {
      Grid.BuildPcScreenGrid(static_cast<float>(picture.Width()) / static_cast<float>(first->cx), left, top);
      if (PcScreenState == 1) {
        PcScreenState = 2;
        PcScreenTop = top;
        // A page entered anew lays the small graph out again.
        if (Owner.View != nullptr) Owner.View->MiniGraph.SetUp = 0;
      }
      if (PcScreenState == 2 && CurrentScreen == kPreparation) SetUpSmallGraph();
      // 4.
      if (PictureAddMode == 1) {
        PcScreenLit = 1;
        DrawPcScreen(top - PcScreenTop);
        if (Owner.View != nullptr) Owner.View->MiniGraph.SmallGraph = 0;
      } else if (PictureAddMode == 2) {
        PcScreenLit = 1;
        DrawPcScreen(0);
        PaintPictureGrid();
        KeepCleanScreen = 1;
        if (Owner.View != nullptr) {
          Owner.View->MiniGraph.SmallGraph = 1;
          Owner.View->Sweep.InfoLiveGraph = 1;
        }
      }
      // The tick redraws this rectangle while a sensor page measures.
      if (Owner.View != nullptr) {
        std::lock_guard<std::mutex> lock(Owner.View->ViewLock);
        Owner.View->Sweep.InfoPanelRect = {PictureRect.left, PictureRect.top, PictureRect.right, PictureRect.bottom};
      }
    }
  }
  // 5.
  if (!second) return;
  const platform::Surface& picture = *Picture2;
  int x = left, top = WorkRect.top;
  if (first) {
    x = PictureRect.right;
    top = PictureRect.top;
  } else {
    platform::FillRect(buffer, {WorkRect.left, top, WorkRect.right, top + second->cy + 1}, platform::Brush{kWhite});
    WorkRect.top += second->cy + 1;
    PictureRow = {WorkRect.left, top, WorkRect.right, top + second->cy};
    if (ContentIndent > 0) {
      const int edge = std::max(0, picture.Width() - 2);
      platform::StretchBlit(buffer, {WorkRect.left, top, left, top + second->cy}, picture, {edge, 0, picture.Width(), picture.Height()});
    }
  }
  SecondPictureRect = platform::WindowRect::FromSize(x, top, second->cx, second->cy);
  platform::StretchBlit(buffer, {x, top, x + second->cx, top + second->cy}, picture, picture.Bounds());
  PicturesEnd = SecondPictureRect.right;
  CarryLastColumns(buffer, picture, PictureRow, PicturesEnd);
  // A sensor kind's picture names the kind; the start picture names nothing.
  if (PictureCaption != nullptr && (!Owner.Picture || Picture2 != Owner.Picture(kStartPictureElement)))
    DrawPictureCaption(PictureCaption, SecondPictureRect);
}

void InfoPanel::CarryLastColumns(platform::Surface& buffer, const platform::Surface& picture, const platform::WindowRect& row,
                                 std::int32_t from) const {
  if (from >= row.right || picture.Width() <= 0) return;
  const int edge = std::max(0, picture.Width() - 5);
  platform::StretchBlit(buffer, {from, row.top, row.right, row.bottom}, picture,
                        {edge, 0, std::min(picture.Width(), edge + 4), picture.Height()});
}

void InfoPanel::DrawPictureCaption(std::string_view text, const platform::WindowRect& picture) {
  const int pad = std::max(2, Trunc(6 * Owner.UiScale));
  const int room = picture.Width() - 2 * pad;
  // At the body text's height, in bold where two lines hold it; the lines stand on the picture's foot.
  platform::Font font{"Arial", BodyTextHeight(), 0, 700};
  std::vector<std::string> lines = WrapText(text, font, room);
  if (lines.size() > 2) {
    font.Weight = 400;
    lines = WrapText(text, font, room);
  }
  const int cell = platform::GetTextMetrics(font).Height;
  int y = picture.bottom - pad - static_cast<int>(lines.size()) * cell;
  CaptionHeight = font.Height;
  for (const std::string& line : lines) {
    const int width = platform::DrawText(*Owner.Buffer, picture.left + pad, y, line, font, kCaptionInk);
    const platform::WindowRect box = platform::WindowRect::FromSize(picture.left + pad, y, width, cell);
    CaptionBox = CaptionBox.IsEmpty() ? box : CaptionBox.Union(box);
    y += cell;
  }
}

void InfoPanel::SetUpSmallGraph() {
  GraphView* view = Owner.View;
  if (view == nullptr || FirstChannelSetPending == 0 || Slot == nullptr || Slot->Channels[0] == nullptr) return;
  ChannelSetupRequest& request = view->SetupRequest;
  std::uint8_t count = 0;
  for (const VessamorChannel* channel : Slot->Channels) {
    if (channel != nullptr && count < request.SetupRequestChannels.size()) {
      request.SetupRequestChannels[count++] = channel->ChannelIndex;
    }
  }
  request.SetupRequestCode = static_cast<std::uint8_t>(Slot->Channels[0] != nullptr ? Slot->Channels[0]->SensorCode : 0);
  request.SetupRequestCount = count;
  request.SetupRequestPending = 1;
  {
    std::lock_guard<std::mutex> lock(view->ViewLock);
    view->SensorCode = request.SetupRequestCode;
    if (Owner.SetupGraphHeader) {
      Owner.SetupGraphHeader(*view);
    } else {
      view->SetupChannels(request.SetupRequestCount, request.SetupRequestChannels[0]);
    }
    request.SetupRequestPending = 0;
    for (std::uint8_t k = 0; k < count; ++k) {
      VessamorChannel& channel = view->Channel(request.SetupRequestChannels[k] % GraphView::kLiveChannels);
      channel.Enabled = 1;
    }
    // The enables are back in force and the code buffer is divided among them. A recording that
    // started before the enables counts the units' samples by them: a wired accelerometer's fourth
    // channel is the magnitude the tick computes, else it would hold every sample back.
    view->SetChannelFlags(count, 0);
    view->ChooseDerivedChannels();
    if (view->MiniGraph.SetUp == 0) {
      view->HandOverMiniGraph(Grid);
      view->ResetViewHistory();
      view->MiniGraph.SetUp = 1;
    }
  }
  FirstChannelSetPending = 0;
}

void InfoPanel::DrawPcScreen(std::int32_t offset_y) {
  if (Owner.Renderer == nullptr || !Grid.Built()) return;
  std::array<double, 8> points = Grid.Quad;
  for (std::size_t i = 1; i < points.size(); i += 2) points[i] += offset_y;
  FillPolygon(*Owner.Renderer, points, PcScreenLit != 0 ? rgba8(0xFA, 0xFA, 0xFF, 255) : rgba8(0, 0, 0, 255));
}

void InfoPanel::PaintPictureGrid() {
  if (Owner.Renderer == nullptr || !Grid.Built()) return;
  agg_ren& r = *Owner.Renderer;
  const std::int32_t rows = Grid.Rows, columns = Grid.Columns;
  const auto row = [&](std::int32_t index, double from, double to, const rgba8& ink, float width) {
    const auto a = Grid.RowPoint(index, from), b = Grid.RowPoint(index, to);
    if (a && b) r.DrawLineRgba({a->x, a->y, b->x, b->y}, ink, width);
  };
  const auto column = [&](std::int32_t index, double from, double to, const rgba8& ink, float width) {
    const auto a = Grid.ColumnPoint(index, from), b = Grid.ColumnPoint(index, to);
    if (a && b) r.DrawLineRgba({a->x, a->y, b->x, b->y}, ink, width);
  };
  const auto render = [&r] {
    r.RenderScanlines();
    r.Rasterizer().reset();
    r.Rasterizer().reset_clipping();
  };
  const rgba8 black(0, 0, 0, 255), grey(0x78, 0x78, 0x78, 255);
  row(static_cast<std::int32_t>(0.9 * rows), 0.06, 0.9, black, 1.5f);
  render();
  column(static_cast<std::int32_t>(0.1 * columns), 0.1, 0.96, black, 1.5f);
  render();
  row(static_cast<std::int32_t>(0.1 * rows), 0.1, 0.9, grey, 0.5f);
  column(static_cast<std::int32_t>(0.9 * columns), 0.1, 0.9, grey, 0.5f);
  if (Owner.View != nullptr) {
    const MiniGraphState& m = Owner.View->MiniGraph;
    const std::uint8_t step = m.GridLineCount > 10 ? 2 : 1;
    for (std::uint8_t k = 0; k < m.GridLineCount && k < m.Positions.size(); k += step) {
      row(m.Positions[k] + m.PositionBase, 0.07, 0.9, grey, 0.5f);
    }
  }
  render();
}

void InfoPanel::Compose() {
  if (Owner.Renderer == nullptr || Owner.Buffer == nullptr) return;
  agg_ren& r = *Owner.Renderer;
  platform::Surface& buffer = *Owner.Buffer;
  const float ui = Owner.UiScale;
  const std::int32_t bottom = Owner.Content.bottom;
  // 1.
  if (WorkRect.top < bottom) {
    PanelRect body{static_cast<double>(WorkRect.left), static_cast<double>(WorkRect.Width()),
                   static_cast<double>(WorkRect.top), static_cast<double>(bottom - WorkRect.top)};
    r.style.corner_radius = 6.0 * ui;
    r.style.highlight = rgba8(218, 222, 255, 255);
    r.DrawRoundedPanel(body, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 1.0f, rgba8(249, 252, 255, 255), 1.0f);
    platform::FillRect(buffer, {WorkRect.left, WorkRect.top, WorkRect.right, WorkRect.top + 2},
                       platform::Brush{kSeparator});
  }
  // 2.
  if (CurrentScreen == kStartPage && MenuSelection != 0 && Owner.Picture) {
    if (const platform::Surface* overlay = Owner.Picture(kMenuOverlayElement); overlay != nullptr && !overlay->Empty()) {
      platform::AlphaBlend(buffer, {WorkRect.left, WorkRect.top, WorkRect.right, bottom}, *overlay, overlay->Bounds(), 132,
                           false);
    }
  }
  // 3.
  const std::int32_t count = Body.Count();
  std::int32_t end_line = count;
  for (std::int32_t i = 0; i < count; ++i) {
    if (Body.ColumnEnd[static_cast<std::size_t>(i)] != 0) {
      end_line = i;
      break;
    }
  }
  std::int32_t y = WorkRect.top + Trunc(8 * Owner.ScaleY);
  DrawBodyLines(y, end_line);
  // 4.
  if (SpecialMode == 1) DrawBreathingOptions(y);
  // 5.
  if (end_line < count) DrawMenuRow(end_line, bottom);
  RenderValueBoxes();
}

void InfoPanel::DrawBodyLines(std::int32_t& y, std::int32_t end_line) {
  agg_ren& r = *Owner.Renderer;
  const float ui = Owner.UiScale;
  const double saved_factor = r.style.glyph_contour_factor;
  const std::uint8_t saved_style = r.style.underline_mode;
  const double factor = HeadingTextFactor * (Body.StyleFlags[2] != 0 ? 2.5 : 1.5);
  const double x = WorkRect.left + ContentIndent + Trunc(12 * Owner.ScaleX);
  const double width = WorkRect.right - x;
  const auto pitch = [&](std::int32_t i) { return BodyLinePitch(Body.FontSize[static_cast<std::size_t>(i)]); };
  // Underline style 1 strokes whatever path the renderer holds; a list drawn after the menu row
  // would otherwise repeat the last menu item's underline. The path starts empty (one point).
  if (Body.StyleFlags[1] == 1) {
    if (interactive_polygon* path = r.Polygon(1)) {
      for (std::uint32_t n = 0; n < path->num_points(); ++n) path->xn(n) = path->yn(n) = 0.0;
    }
  }
  for (std::int32_t i = 0; i < end_line; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const double size = Body.FontSize[k] * ui;
    const std::int32_t h = pitch(i);
    const platform::WindowRect rect{static_cast<int>(x), y, WorkRect.right, y + h};
    if (Body.StepStyle[k] != 0) {
      // One white band behind a run of up to three step lines; the first line never has one.
      if (i > 0 && Body.StepStyle[k - 1] == 0) {
        std::int32_t run = 0, band = 0;
        while (run < 3 && i + run < end_line && Body.StepStyle[k + static_cast<std::size_t>(run)] != 0) band += pitch(i + run++);
        platform::FillRect(*Owner.Buffer, {WorkRect.left + ContentIndent / 2, y, WorkRect.right, y + band},
                           platform::Brush{kWhite});
      }
      r.style.underline_mode = Body.StyleFlags[1];
      r.style.glyph_contour_factor = 0.06;
      DrawLine(Body.Text(i), x, y, width, size, 0, 150, 150, 255);
      r.style.glyph_contour_factor = 0.01;
      DrawLine(Body.Text(i), x, y, width, size, 0, 0, 0, 0);
    } else {
      r.style.underline_mode = Body.StyleFlags[1];
      r.style.glyph_contour_factor = factor;
      DrawLine(Body.Text(i), x, y, width, size, 0, 0, 0, 0);
    }
    if (Body.CurrentStep[k] != 0) StepLineRect = rect;
    if (Body.Clickable[k] != 0) Body.LineRects[k] = rect;
    y += h;
  }
  r.style.glyph_contour_factor = saved_factor;
  r.style.underline_mode = saved_style;
}

void InfoPanel::DrawBreathingOptions(std::int32_t y) {
  const double s = Owner.UiScale;
  const double x = WorkRect.left + ContentIndent + Trunc(12 * Owner.ScaleX);
  const std::int32_t h = Trunc(kEmHeight * s * kLinePitch);
  for (int option = 0; option < 2; ++option) {
    const std::int32_t top = y + option * (h + Trunc(10 * s));
    const platform::WindowRect mark = platform::WindowRect::FromSize(static_cast<int>(x), top + Trunc(4 * s),
                                                                     Trunc(20 * s), Trunc(20 * s));
    DrawOptionMark(mark.left + 10 * s, mark.top + 10 * s, BreathingMode == option + 1);
    DrawLine(BreathingOptionText(option, English()), x + 28 * s, top, WorkRect.right - x, s, 0, 0, 0, 0);
    OptionRects[static_cast<std::size_t>(option)] = {mark.left, top, WorkRect.right, top + h};
  }
}

void InfoPanel::DrawMenuRow(std::int32_t first_line, std::int32_t bottom) {
  agg_ren& r = *Owner.Renderer;
  const std::int32_t count = Body.Count();
  const std::int32_t items = count - first_line;
  const double width = static_cast<double>(WorkRect.Width()) / items;
  const float ui = Owner.UiScale;
  const std::int32_t h = MenuRowHeight();
  const std::int32_t top = bottom - h - Trunc(12 * Owner.ScaleY);
  const std::uint8_t saved_style = r.style.underline_mode;
  // The items keep a margin from the panel's edges in proportion to the panel's width, the same share
  // at every screen height.
  const double margin = Trunc(19 * Owner.ScaleX);
  MenuRowFirstBox = LineBoxes.size();
  for (std::int32_t i = 0; i < items; ++i) {
    const auto k = static_cast<std::size_t>(first_line + i);
    double x = WorkRect.left + i * width;
    // An item's centred place is measured by a drawing that leaves no ink.
    const std::string measured = platform::Utf8ToCp1251(Body.Text(first_line + i) != nullptr ? Body.Text(first_line + i) : "");
    const double size = Body.FontSize[k] * ui;
    r.style.underline_mode = 0;
    r.DrawTextInBox(measured.c_str(), x, top, width, kEmHeight * size * kLinePitch, size, rgba8(0, 0, 0, 0), nullptr, 2);
    const double start = r.style.text_origin_x, end = r.style.text_end_x;
    // The first item starts at the margin; the others move in only where they would reach out.
    if (i == 0 || start < WorkRect.left + margin) x += WorkRect.left + margin - start;
    else if (end > WorkRect.right - margin) x -= end - (WorkRect.right - margin);
    r.style.underline_mode = i == 0 ? (English() ? 4 : 3) : 2;
    DrawLine(Body.Text(first_line + i), x, top, width, size, 2, 0, 0, 0);
    const platform::WindowRect rect{static_cast<int>(x), top, static_cast<int>(x + width), top + h};
    if (i > 0 || Body.StyleFlags[0] != 0) MenuRowRects[k] = rect;
  }
  r.style.underline_mode = saved_style;
}
