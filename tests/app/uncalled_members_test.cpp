// The members that no path of the program calls, each with its effect, on the assembled window's
// own controls, graph view and a sheet; and the diagnostics logs that only an open log writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/app_test_support.h"
#include "controls/aimage_button.h"
#include "controls/group_button.h"
#include "controls/stick_button_mod.h"
#include "layout/main_controls.h"
#include "platform/debug_log.h"
#include "records/sheet_record.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X ", c);
    out += b;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

struct Members : ::testing::Test {
  apptest::Rig rig{1280, 994, false};
  MainWindow& w = rig.Create();
  AImageButton& image = *FindImageButton(w.Window(), 75004);
  GroupButton& group = *dynamic_cast<GroupButton*>(FindMainControl(w.Window(), 75005));
  StickButtonMod& panel = *dynamic_cast<StickButtonMod*>(FindMainControl(w.Window(), 74998));
  GraphView& view = *w.View;
};

TEST_F(Members, EachUncalledMemberHasItsEffect) {
  const struct {
    const char* name;
    std::function<void(Members&)> check;
  } cases[] = {
      {"AImageButton::SetBitmap",
       [](Members& m) {
         m.image.SetBitmap(m.image.BitmapId, "same id");
         EXPECT_NE(m.image.Caption(), "same id");
         m.image.SetBitmap(40001, "new");
         EXPECT_EQ(m.image.BitmapId, 40001);
         EXPECT_EQ(m.image.Caption(), "new");
         EXPECT_EQ(m.image.SecondBitmapId, 50023);
       }},
      {"AImageButton::SetAnimationOld",
       [](Members& m) {
         m.image.SetAnimationSteps(6, 6, 6, 1);
         m.image.SetAnimationOld(2);  // normal to pressed
         EXPECT_EQ(m.image.TargetLook(), AImageButton::kPressed);
         m.image.SetAnimationOld(6);  // pressed to hover
         EXPECT_EQ(m.image.TargetLook(), AImageButton::kHover);
         m.image.SetAnimationOld(0);
         m.image.SetAnimationOld(7);
         EXPECT_EQ(m.image.TargetLook(), AImageButton::kHover);
       }},
      {"AImageButton::SelectAltColours",
       [](Members& m) {
         m.image.ColourLevel = 2;
         m.image.AltColours.rest.fill(rgba8(1, 2, 3, 255));
         m.image.AltColours.active.fill(rgba8(1, 2, 3, 255));
         m.image.SelectAltColours();
         EXPECT_EQ(m.image.CurrentSlots()[0].r, 1);
         m.image.SelectNormalColours();
         EXPECT_NE(m.image.CurrentSlots()[0].r, 1);
       }},
      {"AImageButton::ScaledBox",
       [](Members& m) {
         const platform::WindowRect r = m.image.Rect();
         const platform::WindowRect half = m.image.ScaledBox(0.5);
         EXPECT_EQ(half.Width(), r.Width() / 2);
         EXPECT_NEAR((half.left + half.right) / 2.0, r.Width() / 2.0, 1.0);
         EXPECT_EQ(m.image.ScaledBox(1.0), platform::WindowRect::FromSize(0, 0, r.Width(), r.Height()));
       }},
      {"GroupButton members",
       [](Members& m) {
         m.group.SetIcon(128);
         EXPECT_EQ(m.group.IconId, 128);
         m.group.SetStateAndInvalidate(2);
         EXPECT_EQ(m.group.State.load(), 2);
         m.group.SetCaption("Диапазон 2");
         EXPECT_EQ(m.group.Caption(), "Диапазон 2");
         EXPECT_FALSE(m.group.FitPending);
         m.group.SetCaptionAndFit("Range");
         EXPECT_EQ(m.group.Caption(), "Range");
         EXPECT_TRUE(m.group.FitPending);
       }},
      {"StickButtonMod members",
       [](Members& m) {
         m.panel.SetPressState(2);
         EXPECT_EQ(m.panel.State.load(), 2);
         std::array<std::string, 8> captions{"a", "b", "c", "d", "e", "f", "g", "h"};
         m.panel.SetCaptions(captions);
         EXPECT_EQ(m.panel.Captions, captions);
         platform::Surface target(300, 300);
         target.Fill({255, 255, 255, 255});
         m.panel.DrawSwatch(target, 10, 10, 0x0000FF);  // GDI red
         const platform::Surface& palette = m.panel.GetPaletteDC();
         ASSERT_FALSE(palette.Empty());
         EXPECT_EQ(target.GetPixel(12, 12), palette.GetPixel(2, 2));
         const platform::Colour swatch = target.GetPixel(10 + 17, 10 + palette.Height() + 2 + 7);
         EXPECT_EQ(swatch, (platform::Colour{255, 0, 0, 255}));
         EXPECT_EQ(target.GetPixel(10 + 40, 10 + palette.Height() + 9), (platform::Colour{255, 255, 255, 255}));
       }},
      {"GraphView line widths",
       [](Members& m) {
         m.view.SetFrameWidth(3);
         m.view.SetGridLineWidth(2);
         m.view.SetThirdLineWidth(5);
         EXPECT_EQ(m.view.FrameWidth, 3);
         EXPECT_EQ(m.view.GridLineWidth, 2);
         EXPECT_EQ(m.view.Style.LineSettings, (std::array<std::int32_t, 3>{3, 2, 5}));
       }},
      {"GraphView pH predicates",
       [](Members& m) {
         VessamorChannel& ch = m.view.Channel(1);
         const struct {
           std::uint16_t kind;
           double value;
           bool ph, out;
         } rows[] = {{5, 7.0, true, false}, {5, -0.01, true, true}, {5, 14.0, true, false},
                     {5, 14.5, true, true}, {4, 20.0, false, false}, {4, -3.0, false, false}};
         for (const auto& r : rows) {
           m.view.SensorCode = static_cast<std::uint8_t>(r.kind);
           ch.SensorCode = static_cast<std::uint8_t>(r.kind);
           EXPECT_EQ(m.view.IsPhView(), r.ph) << r.kind;
           EXPECT_EQ(GraphView::IsPhChannel(ch), r.ph) << r.kind;
           EXPECT_EQ(m.view.PhOutOfRange(r.value), r.out) << r.kind << " " << r.value;
           EXPECT_EQ(m.view.PhOutOfRange(static_cast<float>(r.value)), r.out) << r.kind << " " << r.value;
           EXPECT_EQ(GraphView::PhOutOfRange(ch, r.value), r.out) << r.kind << " " << r.value;
           EXPECT_EQ(GraphView::PhOutOfRange(ch, static_cast<float>(r.value)), r.out) << r.kind << " " << r.value;
         }
       }},
      {"GraphView::RestoreStripsAfterViewOff",
       [](Members& m) {
         IndicatorBox& box = m.view.Painting.Indicators[0];
         box.Box = {400, 100, 500, 160};
         box.Drawn = 1;
         box.SaveMarked = 1;
         m.view.RestoreStripsAfterViewOff();
         EXPECT_EQ(box.Drawn, 0);
         EXPECT_EQ(box.SaveMarked, 0);
       }},
      {"sheet bytes",
       [](Members&) {
         records::SheetRecord empty;
         empty.WriteEmptySheet();
         EXPECT_EQ(Hex(empty.Bytes), "09 08 08 00 05 00 10 00 00 00 00 00 42 00 02 00 E3 04 0A 00 00 00");
         records::SheetRecord wide;
         wide.WriteLabelCellWide(2, 3, std::u16string_view(u"A\u0411z\0tail", 8));
         EXPECT_EQ(Hex(wide.Bytes), "04 00 0B 00 02 00 03 00 00 00 00 03 41 11 7A");
         records::SheetRecord none;
         none.WriteLabelCellWide(0, 0, u"");
         EXPECT_EQ(Hex(none.Bytes), "04 00 08 00 00 00 00 00 00 00 00 00");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(*this);
  }
}

// The scale test, the button's timer line and the record dump reach their logs only while those
// are open; the scale test leaves the view's scales as they were.
TEST_F(Members, DiagnosticsGoOnlyToAnOpenLog) {
  const std::string dir = VESSAMOR_TEST_OUTPUT_DIR;
  const std::string main_path = dir + "/members_main.log", second_path = dir + "/members_second.log",
                    scale_path = dir + "/members_scale.log";
  for (const std::string& p : {main_path, second_path, scale_path}) std::filesystem::remove(p);
  const std::uint32_t values[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x1F};
  const ScaleState before = view.Scale;
  const std::uint32_t closed_lines = view.StartScaleTest();
  records::DumpTwelveValues(values);
  image.KillTimerLogged(1);
  for (const std::string& p : {main_path, second_path, scale_path}) EXPECT_FALSE(std::filesystem::exists(p));

  ASSERT_TRUE(platform::MainDebugLog().Open(main_path));
  ASSERT_TRUE(platform::SecondDebugLog().Open(second_path));
  ASSERT_TRUE(platform::ScaleTestLog().Open(scale_path));
  const std::uint32_t lines = view.StartScaleTest();
  records::DumpTwelveValues(values);
  image.KillTimerLogged(1);
  view.EmptyOperation();
  for (platform::DebugLog* log : {&platform::MainDebugLog(), &platform::SecondDebugLog(), &platform::ScaleTestLog()}) {
    log->Close();
  }
  EXPECT_EQ(lines, closed_lines);
  EXPECT_GT(lines, 0u);
  const std::string scale = Read(scale_path);
  EXPECT_EQ(scale.rfind("Start Scale Test\n", 0), 0u);
  EXPECT_EQ(static_cast<std::uint32_t>(std::count(scale.begin(), scale.end(), '\n')), lines + 1);
  EXPECT_EQ(Read(second_path), "123456789ab1f");
  EXPECT_EQ(Read(main_path).rfind("KillTimer 1", 0), 0u);
  EXPECT_EQ(view.Scale.SecondsPerDivision, before.SecondsPerDivision);
  EXPECT_EQ(view.Scale.EndTime, before.EndTime);
}

}  // namespace
