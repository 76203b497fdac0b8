// The main window's paint: back buffers, the skip rule, the intro animation and the display-depth check.
#include "app/main_window.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <optional>
#include <thread>
#include <utility>

#include "layout/display_modes.h"
#include "platform/cp1251.h"
#include "platform/fonts.h"
#include "platform/gdi.h"
#include "resources/bitmaps.h"
#include "resources/string_table.h"

namespace {

constexpr char kDepthMessageRu[] =
    "Недостаточное качество цветопередачи.   \nДля работы программы необходимо в свойствах\nэкрана установить режим 32 бита.";
constexpr char kDepthMessageEn[] = "Not enough colors.   \nPlease, set 32bit color mode for display.";

// The intro's stages: the panel fades in until this frame, and its area is restored before this one.
constexpr std::int32_t kIntroFadeEnd = 45;
constexpr std::int32_t kIntroRestoreEnd = 41;

rgba8 WithAlpha(rgba8 colour, double alpha) {
  colour.a = static_cast<std::uint8_t>(std::clamp(alpha, 0.0, 255.0));
  return colour;
}

// A colour word 0xAABBGGRR as a colour record.
rgba8 FromWord(std::uint32_t word) {
  return rgba8(word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF, (word >> 24) & 0xFF);
}

}  // namespace

std::int64_t MainWindow::NowMs() const { return host_.Window().GetClock().NowMs(); }

void MainWindow::Copy(platform::Surface& to, const platform::Surface& from, const platform::WindowRect& rect) {
  // Every copy stays inside both buffers, whatever region a step names.
  const platform::WindowRect inside = rect.Intersect({0, 0, std::min(to.Width(), from.Width()), std::min(to.Height(), from.Height())});
  if (inside.IsEmpty()) return;
  platform::Blit(to, inside.left, inside.top, inside.Width(), inside.Height(), from, inside.left, inside.top);
}

void MainWindow::OnPaint(const platform::PaintContext& context) {
  // 2. A paint the system asked for while a sensor page is being built is dropped.
  if (PaintIsSkipped(Bytes.InfoScreenActive.load() != 0, Bytes.SensorPagePending.load() != 0, LocalPaint[0] != 0)) {
    return;
  }
  // 3.
  platform::WindowRect clip = context.clip;
  if (clip.IsEmpty()) clip = ClientRect;
  LastClipRect = clip;
  // 4.
  if (Bytes.InfoScreenActive.load() != 0 && Reactivated != 0) StartScreenDirty = 1;
  // 5.
  Bytes.PaintInProgress = 1;
  PaintStartTick = NowMs();
  // 6.
  if (BackBuffersReady == 0 && !BuildBackBuffers()) {
    Bytes.PaintInProgress = 0;
    return;
  }
  KeepIntroBackground();
  // Once the intro has its background whole, what was made ahead for it and is left goes.
  if (intro_prepared_ && !intro_background_pending_) {
    TakeIfReady(stretched_ahead_, false);
    TakeIfReady(room_ahead_, false);
  }
  // 7. A foreign paint of the measurement screen redraws the whole graph.
  if (LocalPaint[0] == 0 && Bytes.MeasureScreenActive.load() != 0 && View && View->Sweep.GraphScreen.load() != 0) {
    std::lock_guard lock(View->ViewLock);
    View->Sweep.FullRedraw = 1;
  }
  // 8-9.
  LocalPaint[0] = 0;
  if (Reactivated != 0) {
    ClientRect = Window().ClientRect();
    TopBand = {ClientRect.left, ClientRect.top, ClientRect.right, 48};
    BottomBand = {ClientRect.left, ClientRect.bottom - 100, ClientRect.right, ClientRect.bottom};
    Reactivated = 0;
  }
  // 10. The measurement screen's paint belongs to the graph view's painter.
  const platform::PaintContext clipped{context.target, clip, context.origin, false, context.areas};
  if (StartupInProgress != 0) {
    PaintIntro(clipped);
  } else if (Bytes.InfoScreenActive.load() != 0 && Bytes.MeasureScreenActive.load() == 0) {
    PaintMainScreen(clipped);
  } else if (Bytes.MeasureScreenActive.load() != 0 && View) {
    if (PaintsOwnDisplayMode(View->DisplayMode)) {
      PaintOtherDisplayMode(clipped);
    } else {
      PaintMeasureScreen(clipped);
    }
    // The sliders and the panel under the buttons are drawn now: the buttons may show themselves again.
    HoldBackCopies = 0;
  }
  // 11. During the close the flag stays, so the worker asks for no further paint.
  FullRepaint = 0;
  ScrollPaintPending = 0;
  if (Closing[0].load() == 0) Bytes.PaintInProgress = 0;
}

bool MainWindow::BuildBackBuffers() {
  const int depth = host_.Screen().depth;
  if (!platform::DisplayDepthSupported(depth)) {
    RefuseDisplayDepth(depth);
    return false;
  }
  // Buffer 3, the graph's cached background, waits for the measurement screen. Buffer 0 of the
  // intro's first paint is the picture it plays over, made ready beside the start-up.
  if (StartupInProgress != 0 && !intro_prepared_) {
    buffers_[0] = TakeIntroBackground(buffers_[1], intro_background_kept_);
    intro_background_taken_ = !buffers_[0].Empty();
  }
  for (int index : {0, 1}) {
    platform::Surface& buffer = buffers_[static_cast<std::size_t>(index)];
    if (buffer.Width() != Metrics.ScreenWidth || buffer.Height() != Metrics.ScreenHeight) {
      buffer = platform::Surface(Metrics.ScreenWidth, Metrics.ScreenHeight);
    }
  }
  BackBuffersReady = 1;
  renderer0_.Attach(buffers_[0]);
  renderer0_.CreateAltFont("Verdana", 20, 24, 900);
  return true;
}

void MainWindow::RefuseDisplayDepth(int) {
  // Every later paint tries again until the close takes effect; the message shows once, and not
  // from inside the paint.
  if (depth_refused_) return;
  depth_refused_ = true;
  if (CurrentTimerId != 0) KillWindowTimer(CurrentTimerId);
  const std::string text = EnglishUi() ? kDepthMessageEn : kDepthMessageRu;
  PostToWindow([this, text] {
    host_.ShowMessage(text, LoadString(kStringTitle, UiLanguage));
    StopAcquisition();
    Window().PostClose();
  });
}

void MainWindow::DrawPreparingDataBox() {
  TakeBackLentFrame();
  if (BackBuffersReady == 0 || !View) return;
  const double ui = Metrics.UiScale;
  const PixelRect& view = View->ViewRect;
  const double width = std::trunc(ui * 350.0), height = std::trunc(ui * 40.0);
  PanelRect box{view.Width() / 2 - ui * 70.0, width, view.Height() / 2.0, height};
  const PanelRect text_at = box;
  renderer0_.style.highlight = rgba8(90, 90, 90, 255);
  renderer0_.DrawRoundedPanel(box, PanelStyle{0, 0, 0, 1, 100}, 1.0f, static_cast<float>(ui * 3.0),
                              rgba8(245, 245, 245, 255), 1.0f);
  const std::string text = platform::Utf8ToCp1251("Подготовка данных...");
  renderer0_.DrawTextInBox(text.c_str(), text_at.x + text_at.width / 10.0, text_at.y + text_at.height / 10.0,
                           text_at.width, text_at.height, 1.0, rgba8(0, 0, 0, 255), nullptr, 0);
}

void MainWindow::PaintIntro(const platform::PaintContext& context) {
  if (!Panels[0]) return;
  PanelAnimation& intro = *Panels[0];
  const std::int32_t f = intro.Frame;
  const std::int32_t target = intro.TargetFrame;
  const platform::WindowRect area = intro.Area;
  platform::Surface& buffer0 = buffers_[0];
  platform::Surface& buffer1 = buffers_[1];
  const platform::WindowRect client = Window().ClientRect();

  // The first paint of the intro, whatever frame a tick has brought: a later paint of the same
  // frame (the desktop's activation) keeps the background it found, which the host gave once.
  const bool first = !intro_prepared_;
  // The first frame is the whole of buffer 0: it becomes the window's pixels as it is, and buffer 0
  // takes the window's former pixels, which get the frame back when buffer 0 is next read. Pixels
  // that live in the host's own picture of the window stay there.
  const platform::Surface& shows = context.target;
  const bool lend = first && !(f >= target - 1 && f >= kIntroFadeEnd) && context.clip == client && shows.Owned() &&
                    shows.Width() == buffer0.Width() && shows.Height() == buffer0.Height() &&
                    shows.Stride() == buffer0.Stride() && std::ranges::none_of(Window().Controls(), &platform::Control::IsVisible);
  if (first) {
    intro_prepared_ = true;
    renderer0_.style.font_weight = 700;
    renderer0_.style.font_width = Metrics.UiScale * 16.2;
    renderer0_.style.font_height = Metrics.UiScale * 30.6;
    renderer0_.ResetFont();
    // The intro plays over the desktop the window covers where the host could take its picture,
    // else over the start background.
    if (!std::exchange(intro_background_taken_, false)) {
      platform::Surface spare;
      bool spare_holds_it = false;
      const platform::Surface background = TakeIntroBackground(spare, spare_holds_it);
      platform::Blit(buffer0, 0, 0, client.right, client.bottom, background, 0, 0);
      intro_background_kept_ = false;
    }
    // The first frame is shown sooner with only the panel's part of the background kept now: the
    // rest is kept when a later paint or a screen first reads it. Where buffer 1 came with the
    // picture it has that part too; frame 0, the background alone, leaves it to the window's copy.
    intro_area_pending_ = lend && f == 0 && !intro_background_kept_;
    if (!intro_background_kept_ && !intro_area_pending_) Copy(buffer1, buffer0, area);
    intro_background_pending_ = !std::exchange(intro_background_kept_, false);
    intro.LastTick = intro.FirstTick = NowMs();
    // Fontconfig's set-up is the slow part of a first text, which the intro draws some frames
    // later: the faces it and the start screen draw with are looked up beside them, from when this
    // frame is out. So is buffer 1's room stretched, whose new memory would have been filled
    // beside the first frame's own, and buffer 0 gets back the frame it lent.
    PostToWindow([this, typeface = renderer0_.style.typeface] {
      TakeBackLentFrame();
      if (environment_.StartBackground) environment_.StartBackground->WantRoom();
      fonts_ahead_ = std::async(std::launch::async, [typeface] {
        for (const auto& [family, weight] : {std::pair<std::string_view, int>{typeface, 400}, {"Verdana", 900}, {typeface, 700}}) {
          platform::AverageWidthPerEm(platform::FindFontFile(family, weight, false));
        }
      });
    });
  }
  // Each frame starts from the clean background under the panel, which the first has already.
  if (f < kIntroRestoreEnd && !first) Copy(buffer0, buffer1, area);

  platform::WindowRect shown = area;
  if (f < kIntroFadeEnd) {
    // Frame 0 is the background alone: the panel fades in from nothing.
    if (f > 0) DrawIntroPanel(intro, f);
  } else {
    // Grow-out: a pale translucent panel widens to the client edges.
    const std::int32_t d = f - (kIntroFadeEnd - 1);
    auto grow = [d](int distance) {
      const int step = d * static_cast<int>(std::sqrt(static_cast<double>(std::max(0, distance))) / 5.0);
      return step * step;
    };
    platform::WindowRect grown{area.left - grow(area.left), area.top - grow(area.top),
                               area.right + grow(client.right - area.right), area.bottom + grow(client.bottom - area.bottom)};
    grown = f >= target - 1 ? client : grown.Intersect(client);
    if (intro.RestorePending != 0) {
      intro.RestorePending = 0;
      Copy(buffer1, buffer0, area);
      Copy(buffer0, buffer1, client);
    }
    auto channel = [d](double k) { return static_cast<std::uint8_t>(std::clamp(255.0 - d * k, 0.0, 255.0)); };
    renderer0_.style.corner_radius = std::max(0.0, (15.0 - 1.5 * d) * Metrics.ScaleY);
    renderer0_.style.highlight = rgba8(channel(27.6), channel(27.2), channel(11.8), 0x19);
    PanelRect rect{static_cast<double>(grown.left), static_cast<double>(grown.Width()),
                   static_cast<double>(grown.top), static_cast<double>(grown.Height())};
    renderer0_.DrawRoundedPanel(rect, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 1.0f,
                                rgba8(channel(27.6), channel(27.2), channel(11.8), 0x19), 1.0f);
    shown = grown;
  }
  const platform::Surface& source = f >= target - 1 && f >= kIntroFadeEnd ? buffer1 : buffer0;
  // The first frame shows the whole background the intro plays over.
  if (first) shown = shown.Union(context.clip);
  if (lend) {
    std::swap(context.target, buffer0);
    renderer0_.Attach(buffer0);
    intro_frame_lent_ = true;
    return;
  }
  Copy(context.target, source, shown.Intersect(client));
}

platform::Surface MainWindow::TakeIntroBackground(platform::Surface& spare, bool& spare_holds_it) {
  const platform::WindowRect client = Window().ClientRect();
  const auto fits = [&](const platform::Surface& picture) {
    return picture.Width() >= client.right && picture.Height() >= client.bottom;
  };
  const auto whole = [&](const platform::Surface& picture) {
    return picture.Width() == Metrics.ScreenWidth && picture.Height() == Metrics.ScreenHeight;
  };
  std::optional<platform::Surface> desktop = host_.DesktopUnderWindow();
  const bool desktop_fits = desktop && fits(*desktop);
  // Over the desktop the start background is not waited for; buffer 1's room is taken if it is there.
  std::optional<platform::Surface> stretched = TakeIfReady(stretched_ahead_, !desktop_fits);
  std::optional<platform::Surface> room = TakeIfReady(room_ahead_, false);
  spare_holds_it = false;
  if (room && whole(*room)) spare = std::move(*room);
  if (desktop_fits && whole(*desktop)) return std::move(*desktop);
  platform::Surface background(Metrics.ScreenWidth, Metrics.ScreenHeight);
  if (desktop_fits) {
    platform::Blit(background, 0, 0, client.right, client.bottom, *desktop, 0, 0);
    return background;
  }
  if (stretched && whole(*stretched)) {
    spare_holds_it = whole(spare);
    return std::move(*stretched);
  }
  // Without the picture made ahead, the start background is stretched now.
  if (const platform::Surface* bitmap = Bitmap(kStartBackgroundBitmap)) {
    platform::StretchBlit(background, {0, 0, client.right, client.bottom}, *bitmap, bitmap->Bounds());
  }
  return background;
}

std::optional<platform::Surface> MainWindow::TakeIfReady(std::future<platform::Surface>& made, bool wait) {
  if (!made.valid()) return std::nullopt;
  // A picture waited for is due within milliseconds: the thread keeps asking for a while rather than
  // sleeping, as waking a sleeping thread can take as long again on a virtual machine.
  const auto asked_until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait ? 50 : 0);
  while (made.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    if (std::chrono::steady_clock::now() >= asked_until) {
      if (!wait) return std::nullopt;
      break;
    }
    std::this_thread::yield();
  }
  try {
    return made.get();
  } catch (const std::exception&) {
    return std::nullopt;  // made without room: the window makes its own
  }
}

void MainWindow::TakeBackLentFrame() {
  if (!std::exchange(intro_frame_lent_, false)) return;
  Copy(buffers_[0], Window().Pixels(), Window().ClientRect());
  if (std::exchange(intro_area_pending_, false) && Panels[0]) Copy(buffers_[1], buffers_[0], Panels[0]->Area);
}

void MainWindow::KeepIntroBackground() {
  TakeBackLentFrame();
  if (!intro_background_pending_ || !Panels[0]) return;
  intro_background_pending_ = false;
  // Buffer 0 shows the background everywhere but in the panel's area, which buffer 1 has.
  const platform::WindowRect client = Window().ClientRect();
  const platform::WindowRect area = Panels[0]->Area.Intersect(client);
  // Buffer 1 moves into the room made for it beside the start-up where that is ready.
  if (std::optional<platform::Surface> room = TakeIfReady(room_ahead_, false);
      room && room->Width() == buffers_[1].Width() && room->Height() == buffers_[1].Height()) {
    Copy(*room, buffers_[1], area);
    buffers_[1] = std::move(*room);
  }
  if (area.IsEmpty()) {
    Copy(buffers_[1], buffers_[0], client);
    return;
  }
  for (const platform::WindowRect& band : {platform::WindowRect{client.left, client.top, client.right, area.top},
                                           platform::WindowRect{client.left, area.bottom, client.right, client.bottom},
                                           platform::WindowRect{client.left, area.top, area.left, area.bottom},
                                           platform::WindowRect{area.right, area.top, client.right, area.bottom}}) {
    Copy(buffers_[1], buffers_[0], band);
  }
}

void MainWindow::DrawIntroPanel(PanelAnimation& intro, std::int32_t f) {
  const platform::WindowRect a = intro.Area;
  const double ui = Metrics.UiScale;
  const double t = intro.TargetFrame - 10;  // this stage's own target
  const double fade = std::min(1.0, f / (t - 1.0 - t / 2.3));

  // a. The panel.
  const rgba8 panel = FromWord(0xFF641414);
  renderer0_.style.corner_radius = Metrics.ScaleY * 15.0;
  renderer0_.style.highlight = WithAlpha(panel, fade * 255.0);
  PanelRect rect{static_cast<double>(a.left), static_cast<double>(a.Width()), static_cast<double>(a.top),
                 static_cast<double>(a.Height())};
  renderer0_.DrawRoundedPanel(rect, PanelStyle{0, 0, 0, 1, 100}, 1.0f, 2.0f, WithAlpha(panel, fade * 155.0),
                              static_cast<float>(fade));

  // b. The measuring grid, shaded from dark blue towards white.
  if (f >= t / 4.0) {
    auto& raster = renderer0_.Rasterizer();
    raster.reset();
    const float width = static_cast<float>(std::trunc(2.0 * ui));
    const double x0 = a.left + ui * 155.0;
    const double step_x = (a.right - x0) / 7.18;
    // The lines keep inside the panel's rounded corners: near a side they stop a corner short of its ends.
    const double corner = renderer0_.style.corner_radius + width;
    for (int i = 0; i < 8; ++i) {
      const double x = x0 + i * step_x;
      const double inset = x < a.left + corner || x > a.right - corner ? corner : 0.0;
      renderer0_.DrawLineRgba({x, a.top + inset, x, a.bottom - inset}, rgba8(0, 0, 150, 255), width);
    }
    const double y1 = a.bottom - ui * 50.0;
    for (int i = 0; i < 6; ++i) {
      const double y = a.top + (y1 - a.top) * i / 5.0;
      const double inset = y < a.top + corner || y > a.bottom - corner ? corner : 0.0;
      renderer0_.DrawLineRgba({a.left + inset, y, a.right - inset, y}, rgba8(0, 0, 150, 255), width);
    }
    renderer0_.style.gradient1 = rgba8(255, 255, 255, static_cast<std::uint8_t>(fade * 255.0));
    renderer0_.style.gradient2 = rgba8(0, 0, 150, static_cast<std::uint8_t>(fade * 255.0));
    renderer0_.style.gradient_length = 5.0 * std::max(1, intro.PanelGradientWidth);
    renderer0_.FillGradient(intro.PanelGradientFactor, static_cast<float>(-a.left * intro.PanelGradientFactor),
                            easing_[0]);
    raster.reset();
  }

  // c. The wave: its end slides right with the eased progress; its amplitude grows with the
  // distance from the panel's left edge.
  interactive_polygon* wave = renderer0_.Polygon(3);
  if (wave != nullptr && wave->num_points() > 1) {
    const double progress = easing_[2].Evaluate(std::clamp(f / (t - 1.0), 0.0, 1.0));
    const double span = std::max(0.0, (a.Width() - ui * 32.0) * progress);
    const double middle = a.top + a.Height() * 0.45;
    const std::uint32_t n = wave->num_points();
    for (std::uint32_t i = 0; i < n; ++i) {
      const double x = a.left + span * i / (n - 1);
      wave->xn(i) = x;
      wave->yn(i) = middle - (x - a.left) / 6.0 * std::sin(i * 4.0 * std::numbers::pi / (n - 1) + f * 0.35);
    }
    auto& raster = renderer0_.Rasterizer();
    raster.reset();
    const std::uint8_t alpha = static_cast<std::uint8_t>(fade * 255.0);
    renderer0_.DrawSplineShape(rgba8(195, 35, 35, alpha), static_cast<float>(ui * 5.0), 0);
    renderer0_.style.gradient1 = rgba8(255, 255, 255, alpha);
    renderer0_.style.gradient2 = rgba8(195, 35, 35, alpha);
    renderer0_.style.gradient_length = std::max(1, intro.WaveGradientWidth);
    renderer0_.FillGradient(intro.WaveGradientFactor, static_cast<float>(-a.left * intro.WaveGradientFactor),
                            easing_[1]);
    raster.reset();
  }

  // d. The texts.
  if (f >= t / 3.0) DrawIntroTexts(a, f, intro.TargetFrame);
}

void MainWindow::DrawIntroTexts(const platform::WindowRect& a, std::int32_t f, std::int32_t target) {
  const double ui = Metrics.UiScale;
  const double start = (target - 10) / 3.0;
  const double level = std::clamp((f - start) / std::max(1.0, (kIntroFadeEnd - 1) - start), 0.0, 1.0);
  struct Placed {
    int Id;
    double X;
    double Y;
  };
  const Placed texts[] = {{kStringMaker, a.left + ui * 10.0, a.top + ui * 3.0},
                          {kStringNameFirst, a.left + ui * 10.0, a.bottom - ui * 70.0},
                          {kStringNameSecond, a.left + ui * 90.0, a.bottom - ui * 45.0}};
  const double box_w = a.Width(), box_h = ui * 40.0;
  for (const Placed& text : texts) {
    const std::string line = platform::Utf8ToCp1251(LoadString(text.Id, UiLanguage));
    const double scale = 1.0;
    renderer0_.DrawTextInBox(line.c_str(), text.X + 2, text.Y + 2, box_w, box_h, scale,
                             rgba8(0, 0, 0, static_cast<std::uint8_t>(level * 128.0)), nullptr, 0);
    renderer0_.DrawTextInBox(line.c_str(), text.X, text.Y, box_w, box_h, scale,
                             rgba8(255, 255, 255, static_cast<std::uint8_t>(level * 255.0)), nullptr, 0);
  }
}
