// The main window on a headless host: timer steps, the depth and library checks, device arrivals.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

#include <vector>

#include "acquisition/worker_threads.h"
#include "app_test_support.h"
#include "fakes/fake_audio_output.h"
#include "controls/aimage_button.h"
#include "layout/main_controls.h"
#include "platform/gdi.h"
#include "platform/png_writer.h"
#include "resources/bitmaps.h"
#include "resources/start_background.h"

namespace {

using apptest::Rig;

// A desktop of the rig's screen whose every pixel tells where it lies: red the column, blue the row.
platform::Surface MarkedDesktop() {
  platform::Surface picture(1280, 994);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) picture.SetPixel(x, y, {static_cast<std::uint8_t>(x), 90, static_cast<std::uint8_t>(y), 255});
  return picture;
}

TEST(MainWindowTimers, IntroGridKeepsInsideThePanelsRoundedCorners) {
  Rig rig;
  MainWindow& w = rig.Create();
  rig.host.Window().UpdateNow();
  const platform::WindowRect a = w.Panels[0]->Area;
  ASSERT_FALSE(a.IsEmpty());
  // On the top edge of the panel's rectangle, outside its rounding, where the grid's top line would
  // end: as the desktop left it.
  const std::array<platform::WindowPoint, 4> corners{{{a.left + 2, a.top}, {a.right - 3, a.top},
                                                      {a.left + 1, a.top + 1}, {a.right - 2, a.top + 1}}};
  const auto shown = [&](platform::WindowPoint p) { return rig.host.Window().Pixels().GetPixel(p.x, p.y); };
  std::array<platform::Colour, 4> before{};
  for (std::size_t k = 0; k < 4; ++k) before[k] = shown(corners[k]);
  for (int tick = 0; tick < 38 && w.StartupInProgress != 0; ++tick) {
    rig.Step(33);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(shown(corners[k]), before[k]) << "corner " << k << " tick " << tick;
  }
}

// The intro plays over the desktop the window covers when the host has its picture, and over the
// start background when it has none: outside the intro's panel the window shows that picture.
TEST(MainWindowTimers, IntroPlaysOverTheDesktopOrTheStartBackground) {
  for (const bool desktop : {true, false}) {
    SCOPED_TRACE(desktop);
    Rig rig;
    if (desktop) {
      rig.host.Desktop = MarkedDesktop();
    }
    MainWindow& w = rig.Create();
    rig.host.Window().UpdateNow();
    // The desktop makes the window active after its first paint and before the intro's first
    // tick; the activation's repaint keeps the picture the intro plays over.
    rig.host.Window().DeliverActivate(true);
    rig.host.Window().UpdateNow();
    rig.Step(33);
    const platform::WindowRect a = w.Panels[0]->Area;
    const platform::Surface& shown = rig.host.Window().Pixels();
    for (const platform::WindowPoint p : {platform::WindowPoint{5, 5}, {a.left - 3, a.bottom + 3}, {1270, 980}}) {
      const platform::Colour c = shown.GetPixel(p.x, p.y);
      if (desktop) {
        EXPECT_EQ(c, (platform::Colour{static_cast<std::uint8_t>(p.x), 90, static_cast<std::uint8_t>(p.y), 255})) << p.x;
      } else {
        EXPECT_NE(c.g, 90) << p.x;
      }
    }
  }
}

TEST(MainWindowTimers, IntroKeepsItsWholeBackgroundOnceTheFirstFrameIsOut) {
  Rig rig;
  MainWindow& w = rig.Create();
  rig.host.Window().UpdateNow();
  rig.host.Pump();
  const platform::Surface* bitmap = w.Bitmap(kStartBackgroundBitmap);
  ASSERT_NE(bitmap, nullptr);
  const platform::WindowRect client = w.Window().ClientRect();
  platform::Surface background(client.Width(), client.Height());
  platform::StretchBlit(background, {0, 0, client.right, client.bottom}, *bitmap, bitmap->Bounds());
  // Buffer 1 is what the intro's panel is lifted off and what the start screen then builds on.
  const platform::Surface& kept = w.BackBuffer(1);
  int rows = 0;
  for (int y = 0; y < client.bottom; ++y) {
    if (std::memcmp(kept.Row(y), background.Row(y), static_cast<std::size_t>(client.right) * 4) != 0) ++rows;
  }
  EXPECT_EQ(rows, 0);
}

// The start background begun ahead of the window is the one the intro plays over and the start
// screen keeps, whether its stretches were made for the window's size or for another; drawn empty,
// the window draws its own.
TEST(MainWindowTimers, IntroTakesTheStartBackgroundBegunAhead) {
  const platform::Surface drawn = LoadBitmapResource(kStartBackgroundBitmap, false);
  ASSERT_FALSE(drawn.Empty());
  enum class Ahead { Drawn, OtherSize, Marked, Empty };
  for (const Ahead ahead : {Ahead::Drawn, Ahead::OtherSize, Ahead::Marked, Ahead::Empty}) {
    SCOPED_TRACE(static_cast<int>(ahead));
    Rig rig;
    int draws = 0;
    // A picture of one colour shows whether the window played over it or drew its own.
    rig.environment.StartBackground = std::make_shared<StartBackgroundAhead>([ahead, &draws, &drawn] {
      ++draws;
      if (ahead == Ahead::Empty) return platform::Surface{};
      platform::Surface picture(drawn.Width(), drawn.Height());
      if (ahead == Ahead::Marked) {
        picture.Fill({10, 200, 20, 255});
      } else {
        platform::Blit(picture, 0, 0, drawn.Width(), drawn.Height(), drawn, 0, 0);
      }
      return picture;
    });
    if (ahead == Ahead::OtherSize) rig.environment.StartBackground->TellWindowSize(640, 480);
    MainWindow& w = rig.Create();
    rig.host.Window().UpdateNow();
    const platform::Surface* bitmap = w.Bitmap(kStartBackgroundBitmap);
    EXPECT_EQ(draws, 1);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->Width(), drawn.Width());
    ASSERT_EQ(bitmap->Height(), drawn.Height());
    int differ = 0;
    for (int y = 0; y < drawn.Height(); ++y) {
      if (std::memcmp(bitmap->Row(y), drawn.Row(y), static_cast<std::size_t>(drawn.Width()) * 4) != 0) ++differ;
    }
    if (ahead == Ahead::Marked) {
      EXPECT_EQ(differ, drawn.Height());
      EXPECT_EQ(rig.host.Window().Pixels().GetPixel(5, 5), (platform::Colour{10, 200, 20, 255}));
      EXPECT_EQ(rig.host.Window().Pixels().GetPixel(1270, 980), (platform::Colour{10, 200, 20, 255}));
    } else {
      EXPECT_EQ(differ, 0);
      platform::Surface stretched(1280, 994);
      platform::StretchBlit(stretched, {0, 0, 1280, 994}, drawn, drawn.Bounds());
      EXPECT_EQ(rig.host.Window().Pixels().GetPixel(5, 5), stretched.GetPixel(5, 5));
      EXPECT_EQ(rig.host.Window().Pixels().GetPixel(1270, 980), stretched.GetPixel(1270, 980));
    }
  }
}

// The start background kept in the program is the one its drawing makes.
TEST(MainWindowTimers, StartBackgroundKeptInTheProgramIsTheOneDrawn) {
  const platform::Surface kept = StartBackgroundPicture();
  const platform::Surface drawn = LoadBitmapResource(kStartBackgroundBitmap, false);
  ASSERT_EQ(kept.Width(), drawn.Width());
  ASSERT_EQ(kept.Height(), drawn.Height());
  for (int y = 0; y < drawn.Height(); ++y) {
    ASSERT_EQ(std::memcmp(kept.Row(y), drawn.Row(y), static_cast<std::size_t>(drawn.Width()) * 4), 0) << "row " << y;
  }
}

// The intro's first frame goes to the window as it stands, and the intro's buffers get it back:
// every frame, and the buffers the start screen builds on, are what they are when it is copied
// (which a control shown outside the window makes it be), over the start background or the desktop.
TEST(MainWindowTimers, IntroFramesAreTheSameWhetherTheFirstIsLentOrCopied) {
  struct Outside final : platform::Control {};
  const auto hash = [](const platform::Surface& s) {
    std::uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < s.Height(); ++y)
      for (int i = 0; i < s.Width() * 4; ++i) h = (h ^ s.Row(y)[i]) * 1099511628211ull;
    return h;
  };
  for (const bool desktop : {false, true}) {
    SCOPED_TRACE(desktop);
    std::vector<std::uint64_t> played[2];
    for (const int copied : {0, 1}) {
      Rig rig;
      if (desktop) rig.host.Desktop = MarkedDesktop();
      MainWindow& w = rig.Create();
      Outside outside;
      if (copied != 0) {
        ASSERT_TRUE(outside.Create(rig.host.Window(), 9999, {-20, -20, -10, -10}));
        outside.Show();
      }
      rig.host.Window().UpdateNow();
      std::vector<std::uint64_t>& frames = played[copied];
      frames.push_back(hash(rig.host.Window().Pixels()));
      for (int tick = 0; tick < 100 && w.StartupInProgress != 0; ++tick) {
        rig.Step(33);
        frames.push_back(hash(rig.host.Window().Pixels()));
      }
      frames.push_back(hash(w.BackBuffer(0)));
      frames.push_back(hash(w.BackBuffer(1)));
    }
    EXPECT_GT(played[0].size(), 40u);
    EXPECT_EQ(played[0], played[1]);
  }
}

// Over the desktop, buffer 1 (which the intro's panel is lifted off) holds the desktop everywhere
// once the intro has needed it, whichever room it was made in.
TEST(MainWindowTimers, IntroKeepsTheDesktopWholeInBufferOne) {
  Rig rig;
  platform::Surface picture = MarkedDesktop();
  MainWindow& w = rig.Create();
  platform::Surface desktop(picture.Width(), picture.Height());
  platform::Blit(desktop, 0, 0, picture.Width(), picture.Height(), picture, 0, 0);
  rig.host.Desktop = std::move(picture);
  rig.host.Window().UpdateNow();
  for (int tick = 0; tick < 3; ++tick) rig.Step(33);
  const platform::Surface& kept = w.BackBuffer(1);
  int rows = 0;
  for (int y = 0; y < desktop.Height(); ++y) {
    if (std::memcmp(kept.Row(y), desktop.Row(y), static_cast<std::size_t>(desktop.Width()) * 4) != 0) ++rows;
  }
  EXPECT_EQ(rows, 0);
}

TEST(MainWindowTimers, IntroThenStartScreenThenReveal) {
  Rig rig;
  MainWindow& w = rig.Create();
  EXPECT_EQ(rig.host.InterfaceRussian, true);  // Qt's dialogs are told the language chosen
  rig.host.Window().UpdateNow();
  std::vector<int> ids{w.CurrentTimerId};
  int intro_ticks = 0;
  while (w.StartupInProgress != 0 && intro_ticks < 100) {
    rig.Step(33);
    ++intro_ticks;
  }
  EXPECT_EQ(intro_ticks, 40);
  EXPECT_EQ(w.Bytes.InfoScreenActive.load(), 1);
  for (int i = 0; i < 40 && !(w.CurrentTimerId == 0 && w.Panels[1]->ContentShown != 0); ++i) {
    if (ids.back() != w.CurrentTimerId) ids.push_back(w.CurrentTimerId);
    rig.Step(10);
  }
  ids.push_back(w.CurrentTimerId);
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 0, 3, 0}));
  EXPECT_EQ(w.Panels[1]->ContentShown, 1);
  EXPECT_FALSE(rig.host.Window().MsUntilNextTimer().has_value());
}

TEST(MainWindowTimers, LateTickSkipsAFrameAndTitleTickLeavesTheHint) {
  Rig rig;
  MainWindow& w = rig.Create();
  rig.host.Window().UpdateNow();
  rig.Step(33);
  EXPECT_EQ(w.Panels[0]->Frame, 1);
  rig.Step(60);
  EXPECT_EQ(w.Panels[0]->Frame, 3);

  // The intro is over; a hint waits while the title's timer ticks beside it.
  rig.host.Window().KillTimer(kTimerIntro);
  w.StartupInProgress = 0;
  // The start screen is already composed, so the hint's repaints start no reveal.
  w.StartBackgroundComposed = 1;
  w.Bytes.InfoScreenActive = 1;
  w.HintId = 2;
  w.CurrentTimerId = kTimerHintDelay;
  rig.host.Window().SetTimer(kTimerHintDelay, 1000);
  rig.host.Window().SetTimer(kTimerTitle, 33);
  rig.Step(33);
  EXPECT_EQ(w.CurrentTimerId, kTimerHintDelay);
  EXPECT_EQ(w.HintShown, 0);
  rig.Step(967);
  EXPECT_EQ(w.CurrentTimerId, kTimerHintEnd);
  EXPECT_EQ(rig.host.Window().MsUntilNextTimer(), 8000);
  rig.Step(8000);
  EXPECT_EQ(w.CurrentTimerId, 0);
  EXPECT_EQ(w.HintShown, 0);
}

TEST(MainWindowTimers, HintDelayConditions) {
  struct Case {
    bool measure_screen, recording;
    std::uint8_t panel_mode;
    std::int32_t hovered;
    std::uint8_t hint_id;
    bool shown;
    std::int64_t lifetime;
    bool toolbar_pressed = false;
  };
  const Case cases[] = {{false, false, 0, 0, 1, true, 8000},    {false, false, 0, 0, 5, true, 5000},
                        {false, true, 0, 0, 1, false, 0},       {true, false, 1, 75017, 0, true, 5000},
                        {true, false, 1, 75010, 0, false, 0},   {true, true, 0, 0, 0, false, 0},
                        {true, false, 0, 0, 0, false, 0, true}};
  for (const Case& c : cases) {
    Rig rig;
    MainWindow& w = rig.Create();
    rig.host.Window().KillTimer(kTimerIntro);
    w.StartupInProgress = 0;
    w.StartBackgroundComposed = 1;  // no reveal beside the hint
    w.Bytes.InfoScreenActive = c.measure_screen ? 0 : 1;
    w.View->Sweep.GraphScreen = c.measure_screen ? 1 : 0;
    w.View->Recording = c.recording ? 1 : 0;
    w.PanelMode = c.panel_mode;
    w.HoveredControlId = c.hovered;
    w.HintId = c.hint_id;
    if (c.toolbar_pressed) FindImageButton(rig.host.Window(), 75010)->State = ControlFrame::kStateDown;
    w.CurrentTimerId = kTimerHintDelay;
    rig.host.Window().SetTimer(kTimerHintDelay, 1000);
    rig.Step(1000);
    w.View->Recording = 0;
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(w.HintShown, c.shown ? 1 : 0);
    EXPECT_EQ(w.CurrentTimerId, c.shown ? kTimerHintEnd : 0u);
    EXPECT_EQ(rig.host.Window().MsUntilNextTimer().value_or(0), c.lifetime);
  }
}

TEST(MainWindowTimers, ScrollStepWaitsForThePaint) {
  Rig rig;
  MainWindow& w = rig.Create();
  int steps = 0;
  w.Hooks.AutoScrollStep = [&steps](MainWindow&) { ++steps; };
  rig.host.Window().KillTimer(kTimerIntro);
  rig.host.Window().UpdateNow();
  w.ScrollPaintPending = 1;
  rig.host.Window().SetTimer(kTimerAutoScroll, 33);
  rig.Step(33);
  EXPECT_EQ(steps, 0);
  w.InvalidateLocal();
  rig.Step(33);
  EXPECT_EQ(steps, 0);
  rig.Step(33);
  EXPECT_EQ(steps, 1);
  rig.Step(33);
  EXPECT_EQ(steps, 1);
}

TEST(MainWindowChecks, ShallowDisplayRefusedOnceThenClosed) {
  Rig rig(1280, 994, true, 16);
  MainWindow& w = rig.Create();
  rig.host.Window().UpdateNow();
  EXPECT_TRUE(rig.host.Messages.empty());
  w.InvalidateLocal();
  rig.host.Window().UpdateNow();
  EXPECT_EQ(w.BackBuffersReady, 0);
  rig.host.Pump();
  rig.host.Pump();
  ASSERT_EQ(rig.host.Messages.size(), 1u);
  EXPECT_NE(rig.host.Messages[0].find("32"), std::string::npos);
  EXPECT_TRUE(rig.host.Window().IsClosed());
  EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
}

TEST(MainWindowChecks, MissingLibraryShowsOneMessageStartsNoWorkerAndCloses) {
  Rig rig(1280, 994, false);
  rig.Create();
  ASSERT_EQ(rig.host.Messages.size(), 1u);
  EXPECT_NE(rig.host.Messages[0].find("libftd2xx.so"), std::string::npos);
  rig.host.Pump();
  EXPECT_TRUE(rig.host.Window().IsClosed());
  // No worker answered the close's stop request.
  EXPECT_EQ(DeviceThreadState.load(), kDeviceStopRequest);
  EXPECT_EQ(rig.window->View, nullptr);
}

TEST(MainWindowChecks, PreparingDataBoxInRussianAlsoInEnglish) {
  Rig rig(1280, 994, true, 32, false);
  MainWindow& w = rig.Create();
  ASSERT_TRUE(w.EnglishUi());
  EXPECT_EQ(rig.host.InterfaceRussian, false);  // the host's own dialogs stay English
  rig.host.Window().UpdateNow();
  w.DrawPreparingDataBox();
  const platform::Surface& buffer = w.BackBuffer(0);
  // Dark text on the pale box, within its first line.
  int dark = 0;
  const int left = w.View->ViewRect.Width() / 2 - 70, top = w.View->ViewRect.Height() / 2;
  for (int y = top; y < top + 40; ++y) {
    for (int x = left + 35; x < left + 350; ++x) dark += buffer.GetPixel(x, y).r < 60 ? 1 : 0;
  }
  EXPECT_GT(dark, 200);
  EXPECT_TRUE(platform::WritePng(buffer, std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/preparing_data_box.png"));
}

TEST(MainWindowChecks, WatchedArrivalReachesTheDeviceLayer) {
  Rig rig;
  rig.Create();
  ASSERT_TRUE(rig.host.ArrivalHandler);
  SearchOnDemand = 0;
  rig.host.ArrivalHandler("vid_0403&pid_6001", 1);
  EXPECT_EQ(SearchOnDemand.load(), 0);
  rig.host.ArrivalHandler("\\\\?\\usb#vid_15a2&pid_005a#5&1", 1);
  EXPECT_EQ(SearchOnDemand.load(), 1);
  rig.host.Window().Close();
  EXPECT_FALSE(rig.host.ArrivalHandler);
}

}  // namespace

TEST(MainWindowChecks, F5TogglesTheToneAndTheCloseSilencesIt) {
  FakeAudioOutput audio;  // outlives the window, whose tone closes it
  Rig rig;
  rig.host.AudioDevice = &audio;
  MainWindow& w = rig.Create();
  w.OnKeyDown(platform::key::kF5, 1, 0);
  EXPECT_TRUE(audio.IsOpen);
  w.OnKeyDown(platform::key::kF5, 1, 0);
  EXPECT_FALSE(audio.IsOpen);
  w.OnKeyDown(platform::key::kF5, 1, 0);
  w.OnClose();
  EXPECT_FALSE(audio.IsOpen);
  EXPECT_EQ(audio.Closes, 2);
}
