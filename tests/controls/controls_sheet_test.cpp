// Renders every owner-drawn control in each of its states into one PNG sheet, and probes that each drew.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "control_test_support.h"
#include "controls/aimage_button.h"
#include "controls/group_button.h"
#include "controls/menu_buttton.h"
#include "controls/simple_buttons.h"
#include "controls/stick_button.h"
#include "platform/png_writer.h"

namespace {

using platform::WindowRect;

TEST(ControlsSheet, EveryControlInEveryStateDrawsOverTheOwnersBackground) {
  control_test::Harness h(980, 560);
  platform::FillRect(h.owner.composition, h.owner.composition.Bounds(), platform::Brush{{228, 232, 238, 255}});
  std::vector<std::unique_ptr<platform::Control>> all;
  std::vector<WindowRect> places;
  const auto add = [&](auto control, WindowRect place) {
    auto* raw = control.get();
    all.push_back(std::move(control));
    places.push_back(place);
    h.Place(*raw, 75010 + static_cast<int>(all.size()), place);
    return raw;
  };

  // Sliders: at rest, pressed, faded, vertical.
  const std::vector<float> values{0.01f, 0.05f, 0.5f, 5.0f, 50.0f}, steps{0.01f, 0.05f, 0.5f, 5.0f};
  for (int i = 0; i < 3; ++i) {
    auto* s = add(std::make_unique<StickButton>(h.owner), WindowRect::FromSize(10, 10 + i * 80, 300, 70));
    s->Layout(StickButton::kHorizontal, i == 0 ? 75001 : 75003, 10, 4, values, steps, 0, 200);
    s->SetValue(0.5f + i * 2.0f);
    if (i == 1) s->State = ControlFrame::kStateDown;
    if (i == 2) s->StartFadeOut();
    s->Invalidate();
  }
  h.Tick(8);
  auto* vertical = add(std::make_unique<StickButton>(h.owner), WindowRect::FromSize(320, 10, 70, 230));
  vertical->Layout(StickButton::kVertical, 75005, 10, 4, values, steps, 0, 200);
  vertical->SetValue(5.0f);

  // Image buttons: the three looks, the caption layouts and the five glyphs.
  const std::uint8_t styles[] = {1, 2, 4, 5, 6, 7, 41};
  for (int i = 0; i < 3 + 7 + 5; ++i) {
    auto* b = add(std::make_unique<AImageButton>(h.owner),
                  WindowRect::FromSize(400 + (i % 5) * 115, 10 + (i / 5) * 56, 108, 48));
    const bool look = i < 3, layout = i >= 3 && i < 10;
    b->Setup("", 75100 + i, look ? 7 : layout ? styles[i - 3] : 7, 0, look ? "Старт" : layout ? "Файл" : "Стоп");
    b->SecondLine = "строка 2";
    b->TextY = 0.2f;
    b->GlyphMode = static_cast<std::uint8_t>(i >= 10 ? i - 9 : 0);
    b->GlyphFlag2 = i == 12;
    b->Panel = PanelStyle{0, 1, 0, 1, 3};
    b->Looks = {{{1.0f, rgba8(70, 90, 160, 255), rgba8(255, 255, 255, 255), 6, 0},
                 {0.6f, rgba8(90, 130, 210, 255), rgba8(255, 255, 255, 255), 6, 0},
                 {0.2f, rgba8(40, 50, 110, 255), rgba8(255, 230, 120, 255), 6, 0}}};
    b->SetAnimationSteps(3, 3, 3, 0);
    b->Invalidate();
    if (look) b->SetAnimation(static_cast<std::uint8_t>(i));
  }
  h.Tick(8);

  // Group buttons: up, down, slim, the arrow caption.
  for (int i = 0; i < 4; ++i) {
    auto* g = add(std::make_unique<GroupButton>(h.owner), WindowRect::FromSize(400 + i * 70, 190, 62, 44));
    g->Setup(i == 3 ? "^" : "K" + std::to_string(i + 1), 75150 + i, GroupButton::kToggle, false, 0, 0);
    g->Slim = i == 2;
    g->SetState(i == 1 ? ControlFrame::kStateDown : ControlFrame::kStateUp, true);
  }

  // The simple buttons: caption button, mark button at rest and checked, the plain rectangle.
  add(std::make_unique<SimpleButton2>(h.owner), WindowRect::FromSize(300, 260, 130, 40))->Setup("Пуск", 75160);
  for (int i = 0; i < 2; ++i) {
    auto* b = add(std::make_unique<SimpleButton>(h.owner), WindowRect::FromSize(440 + i * 140, 260, 130, 40));
    b->Setup("Запись", 75161 + i, true);
    if (i == 1) b->Press();
  }
  for (auto& control : all) control->Invalidate();
  add(std::make_unique<StButton>(h.owner), WindowRect::FromSize(720, 260, 40, 40))->Setup();
  h.Tick(8);

  // A list with a checked row, a highlighted row, swatches, a two-line row and a sub-menu row.
  auto* menu = add(std::make_unique<MenuButtton>(h.owner), WindowRect::FromSize(10, 260, 260, 220));
  const std::vector<MenuItemInit> items{{"Канал 1", 1, 0}, {"Канал 2", 0, 0}, {"Канал 3", 0, 0},
                                        {"Диапазон", 0, 0}, {"Открыть", 0, 0}, {"Сохранить", 0, 0}};
  menu->SetItems(items, 6, 2, 75009);
  for (int i = 0; i < 3; ++i) menu->Items[i].Swatch = 1;
  menu->SwatchColours = {rgba8(255, 0, 0, 255), rgba8(0, 66, 255, 255), rgba8(240, 0, 255, 255), rgba8(0, 0, 0, 0)};
  menu->Items[3].HoverNotify = 1;
  menu->Items[5].TwoLine = 1;
  menu->Items[5].SecondText = "как .txt";
  menu->Invalidate();
  h.host.UpdateNow();
  h.Mouse(platform::MouseKind::Move, {60, 260 + 220 * 3 / 6 + 15});

  // Each control painted its place over the copied background and drew something on it.
  const platform::Colour light{228, 232, 238, 255};
  for (const WindowRect& p : places) {
    int drawn = 0;
    for (int y = p.top; y < p.bottom; y += 2)
      for (int x = p.left; x < p.right; x += 2) drawn += h.Pixel(x, y) != light && h.Pixel(x, y) != control_test::kMainWindowGrey;
    EXPECT_GT(drawn, 20) << p.left << "," << p.top;
  }
  ASSERT_TRUE(platform::WritePng(h.host.Pixels(), std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/controls_sheet.png"));
}

}  // namespace
