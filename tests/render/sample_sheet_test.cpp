// Renders a sheet of panels, gradients, box text in every mode and splines to a PNG for a person.
#include <agg_rounded_rect.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/cp1251.h"
#include "platform/gdi.h"
#include "platform/png_writer.h"
#include "render/agg_ren.h"

namespace {

constexpr std::uint8_t kModes[] = {0, 1, 2, 4, 6, 7, 10, 21, 22, 23, 51, 99};

TEST(SampleSheet, RendersEveryKindOfPictureToPng) {
  platform::Surface surface(900, 700);
  agg_ren ren;
  ren.Attach(surface);
  ren.Clear(rgba8(235, 235, 240, 255));

  // Panels: solid, gradient with shadow, bevels, glow, framed.
  const PanelStyle styles[] = {{0, 1, 0x00, 1, 0}, {0, 1, 0x0F, 2, 0}, {0, 12, 0xF0, 2, 100}, {0, 0, 0xFF, 1, 4}};
  for (int i = 0; i < 4; ++i) {
    PanelRect rect{20.0 + i * 215.0, 200.0, 20.0, 140.0};
    ren.style.frame = i == 3;
    ren.DrawRoundedPanel(rect, styles[i], 1.0f, 2.0f, rgba8(250, 220, 120, 255), 0.5f);
  }
  ren.style.frame = false;
  ren.style.glow = true;
  PanelRect glow{20.0, 200.0, 170.0, 90.0};
  ren.DrawRoundedPanel(glow, {0, 0, 0, 1, 0}, 1.0f, 2.0f, rgba8(60, 160, 90, 255), 1.6f);
  ren.style.glow = false;

  // Text in every alignment mode, two lines with underlines, text over a polygon.
  const std::string sample = platform::Utf8ToCp1251("Скорость м/с^2");
  for (int i = 0; i < 12; ++i) {
    const int x = 250 + (i % 4) * 160, y = 170 + (i / 4) * 60;
    platform::DrawRectangle(surface, {x, y, x + 151, y + 51}, {{120, 120, 120, 255}}, {{}, true});
    const std::string label = std::to_string(kModes[i]) + " " + sample;
    ren.DrawTextInBox(label.c_str(), x, y, 150, 50, 0.8, rgba8(20, 20, 60, 255), nullptr, kModes[i]);
  }
  const std::string two_lines = platform::Utf8ToCp1251("Первая строка#Second line");
  ren.style.underline_mode = 2;
  ren.DrawTextInBox(two_lines.c_str(), 20, 300, 200, 80, 1.0, rgba8(150, 0, 0, 255), nullptr, 0);
  const double box[] = {20, 400, 220, 400, 220, 450, 20, 450};
  ren.DrawTextInBox("Polygon behind", 20, 400, 200, 50, 1.2, rgba8(0, 0, 0, 255), nullptr, 1, box);

  // A horizontal gradient in a rectangle and a spline shape.
  agg::rounded_rect strip(20, 480, 860, 520, 0);
  ren.Rasterizer().reset();
  ren.Rasterizer().add_path(strip);
  ren.FillGradient(1.0f, 0.0f, ren.profile_a);

  interactive_polygon* shape = ren.Polygon(3);
  for (std::uint32_t i = 0; i < shape->num_points(); ++i) {
    const double t = i * 2.0 * 3.14159265 / shape->num_points();
    shape->xn(i) = 200 + 150 * std::cos(t) + 20 * std::cos(5 * t);
    shape->yn(i) = 610 + 70 * std::sin(t);
  }
  ren.Rasterizer().reset();
  ren.DrawSplineShape(rgba8(30, 90, 200, 255), 3.0f, 1);
  ren.RenderScanlines();

  // Text along a curve.
  interactive_polygon* baseline = ren.Polygon(2);
  baseline->xn(0) = 420, baseline->yn(0) = 660, baseline->xn(1) = 860, baseline->yn(1) = 560;
  ren.CreateAltFont("Arial", 10, 22, 700);
  PathText along{platform::Utf8ToCp1251("Текст вдоль пути"), 1.0, rgba8(120, 20, 120, 255), 0.0};
  ren.DrawTextAlongPath(along);

  const std::string path = std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/render_sample_sheet.png";
  ASSERT_TRUE(platform::WritePng(surface, path));
  ren.Detach();
}

}  // namespace
