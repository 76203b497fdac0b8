// Drawing steps the owner-drawn controls share.
#include "controls/control_drawing.h"

#include <string>
#include <vector>

#include "platform/cp1251.h"

namespace control_draw {

void Text(agg_ren& r, std::string_view utf8, double x, double y, double width, double height, double scale,
          const rgba8& colour, std::uint8_t mode) {
  const std::string bytes = platform::Utf8ToCp1251(utf8);
  r.DrawTextInBox(bytes.c_str(), x, y, width, height, scale, colour, nullptr, mode);
}

void ShadowedText(agg_ren& r, std::string_view utf8, double x, double y, double width, double height,
                  double scale, const rgba8& shadow, const rgba8& colour, std::uint8_t mode) {
  Text(r, utf8, x + 1, y + 1, width, height, scale, shadow, mode);
  Text(r, utf8, x, y, width, height, scale, colour, mode);
}

void Polygon(agg_ren& r, std::initializer_list<double> xy, const rgba8& colour) {
  const std::vector<double> points(xy);
  r.DrawTextInBox(nullptr, 0, 0, 0, 0, 1.0, colour, &colour, 0, points);
}

void ShadowedPolygon(agg_ren& r, std::initializer_list<double> xy, const rgba8& shadow, const rgba8& colour) {
  std::vector<double> moved(xy);
  for (double& v : moved) v += 1.0;
  r.DrawTextInBox(nullptr, 0, 0, 0, 0, 1.0, shadow, &shadow, 0, moved);
  Polygon(r, xy, colour);
}

void FlatPanel(agg_ren& r, double x, double y, double width, double height, double radius, const rgba8& fill,
               const rgba8& outline, float line_width) {
  const double kept_radius = r.style.corner_radius;
  const rgba8 kept_outline = r.style.highlight;
  r.style.corner_radius = radius;
  r.style.highlight = outline;
  PanelRect box{x, width, y, height};
  r.DrawRoundedPanel(box, PanelStyle{0, 0, 0, 1, 100}, 1.0f, line_width, fill, 1.0f);
  r.style.corner_radius = kept_radius;
  r.style.highlight = kept_outline;
}

}  // namespace control_draw
