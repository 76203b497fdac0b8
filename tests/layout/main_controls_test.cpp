// The control table as created: rectangles, ids, hidden state, captions, styles and the hover groups.
#include <gtest/gtest.h>

#include <thread>

#include "app/app_test_support.h"
#include "layout/button_styles.h"
#include "layout/display_modes.h"
#include "layout/hover_panels.h"
#include "layout/main_controls.h"
#include "layout/measure_layout.h"

using platform::WindowRect;

namespace {

struct Screen {
  apptest::Rig rig;
  MainWindow& w;
  explicit Screen(int width = 1280, int height = 994, bool russian = true)
      : rig(width, height, false, 32, russian), w(rig.Create()) {}
  AImageButton& Button(std::int32_t id) { return *FindImageButton(w.Window(), id); }
  WindowRect Rect(std::int32_t id) { return FindMainControl(w.Window(), id)->Rect(); }
};

}  // namespace

TEST(MainControls, CreationRectanglesAtThreeScreenSizes) {
  struct Case {
    int width, height;
    std::int32_t id;
    WindowRect rect;
  };
  const auto R = WindowRect::FromSize;
  const Case cases[] = {
      {1280, 994, 75185, R(258, 794, 210, 80)},
      // A wide screen: shorter channel buttons, the open-file button from the bottom.
      {1920, 1080, 75017, R(0, 0, 90, 58)},     {1920, 1080, 75185, R(386, 906, 315, 90)},
      // Short but 4:3: the open-file button's height follows ScaleY.
      {1024, 768, 75185, R(206, 628, 168, 54)},
      // The third slider may stay below 40 while the first is raised by half.
      {800, 600, 75001, R(200, 200, 181, 55)},  {800, 600, 75008, R(200, 200, 181, 34)},
  };
  for (const Case& c : cases) {
    Screen s(c.width, c.height);
    EXPECT_EQ(s.Rect(c.id), c.rect) << c.width << "x" << c.height << " control " << c.id;
  }
}

TEST(MainControls, EveryControlHiddenUpAndFoundByControlId) {
  Screen s;
  const auto& owned = s.w.Controls.Owned;
  ASSERT_EQ(owned.size(), 69u);
  for (const auto& control : owned) {
    EXPECT_TRUE(control->IsCreated());
    EXPECT_FALSE(control->IsVisible()) << control->ControlId();
    EXPECT_EQ(control->State, ControlFrame::kStateUp);
  }
  // The four buttons whose window id is not their control id.
  EXPECT_EQ(s.Button(75054).Caption(), "_");
  EXPECT_EQ(s.Button(75172).ControlId(), 75172);
  EXPECT_EQ(s.Button(75171).ControlId(), 75171);
  EXPECT_EQ(s.Button(75042).ControlId(), 75181);
  EXPECT_EQ(FindMainControl(s.w.Window(), 75181)->ControlId(), 75181);
  EXPECT_NE(FindMainControl(s.w.Window(), 75181), FindMainControl(s.w.Window(), 75042));
  EXPECT_EQ(s.w.Controls.SensorButtons[2], &s.Button(75165));
  EXPECT_EQ(s.w.ClientArea, (WindowRect{0, 0, 1280, 994}));
}

TEST(MainControls, ControlsWithoutAWindowAreInert) {
  Screen s;
  s.w.Controls.Owned.clear();
  // Off the window thread no creation succeeds; every row is still built.
  std::thread([&s] { CreateMainControls(s.w); }).join();
  ASSERT_EQ(s.w.Controls.Owned.size(), 69u);
  EXPECT_EQ(FindMainControl(s.w.Window(), 75004), nullptr);
  s.w.Bytes.MeasureScreenActive = 1;
  SetDisplayModeGraph(s.w);
  LayoutControls(s.w);
  ShowSideHoverPanelA(s.w);
  CloseSideHoverPanel(s.w);
  for (const auto& control : s.w.Controls.Owned) {
    control->Show();
    EXPECT_FALSE(control->IsCreated() || control->IsVisible());
  }
}

TEST(MainControls, CaptionsInBothLanguagesAndStopWhileRecording) {
  Screen ru(1280, 994, true), en(1280, 994, false);
  EXPECT_EQ(ru.Button(75004).Caption(), "Старт");
  EXPECT_EQ(en.Button(75004).Caption(), "Start");
  for (Screen* s : {&ru, &en}) {
    s->w.View->Recording = 1;
    LoadLanguageCaptions(s->w);
    s->w.View->Recording = 0;
  }
  EXPECT_EQ(ru.Button(75004).Caption(), "Стоп");
  EXPECT_EQ(en.Button(75004).Caption(), "Stop");
}

TEST(ButtonStyles, GraphStyleIsIdempotent) {
  Screen s;
  const auto snapshot = [&s] {
    std::vector<std::tuple<double, double, int, int, int, float, int>> v;
    for (std::int32_t id : kGraphButtons) {
      const AImageButton& b = s.Button(id);
      v.emplace_back(b.CornerRadius, b.BaseTextScale, b.AlignMode, b.GlyphMode, b.LayoutStyle,
                     b.Looks[AImageButton::kHover].Fade, b.CurrentSlots()[0].r);
    }
    return v;
  };
  SetDisplayModeGraph(s.w);
  const auto once = snapshot();
  SetDisplayModeGraph(s.w);
  EXPECT_EQ(snapshot(), once);
}

TEST(HoverPanels, SideGroupFormsAndClosing) {
  Screen s;
  s.w.View->Channel(1).Enabled = 1;
  s.w.View->Channel(2).Enabled = 0;
  ShowSideHoverPanelA(s.w);
  EXPECT_EQ(s.w.Controls.SidePanelState, 1);
  EXPECT_EQ(s.Button(75039).State, 2);
  EXPECT_EQ(s.Button(75040).State, 1);
  for (std::int32_t id : {75039, 75182, 75045, 75052}) EXPECT_TRUE(s.Button(id).IsVisible()) << id;

  HideSideHoverPanel(s.w);
  EXPECT_FALSE(s.Button(75045).IsVisible());
  ShowSideHoverPanelB(s.w);
  EXPECT_EQ(s.w.Controls.SidePanelState, 2);
  for (std::int32_t id : {75038, 75181, 75037}) EXPECT_TRUE(s.Button(id).IsVisible()) << id;
  for (std::int32_t id : {75045, 75046, 75013, 75052}) EXPECT_FALSE(s.Button(id).IsVisible()) << id;

  CloseSideHoverPanel(s.w);
  EXPECT_FALSE(s.Button(75038).IsVisible());
  EXPECT_TRUE(s.Button(75037).IsVisible());
  s.w.PanelMode = 2;
  CloseSideHoverPanel(s.w);
  EXPECT_EQ(s.w.PanelMode, 0);
  EXPECT_EQ(s.w.Controls.SidePanelOpen, 0);
}

TEST(HoverPanels, TopGroupOpensOnceAndClosesAlways) {
  Screen s;
  ShowTopHoverPanel(s.w);
  ShowTopHoverPanel(s.w);
  EXPECT_TRUE(s.Button(75054).IsVisible());
  EXPECT_EQ(s.w.View->TopPanelShown, 1);
  HideTopHoverPanel(s.w);
  EXPECT_FALSE(s.Button(75010).IsVisible());
  EXPECT_EQ(s.w.View->RedrawRequested, 1);
  EXPECT_EQ(s.w.Controls.TopPanelOpen, 0);
}
