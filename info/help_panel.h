// The four-page help overlay of the measurement screen: mouse, markers, keys and sensors, paged by its "next" field.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/surface.h"
#include "platform/window_geometry.h"

class MainWindow;
class agg_ren;

class HelpPanel {
 public:
  // Places the panel on its first page at the scale the window has now; the page count stays.
  void Init(MainWindow* owner, const platform::WindowRect& rect);
  void Show();
  void Hide();
  // The next page, after the last one the first; redraws the graph under it.
  void NextPage();
  void PrevPage();
  // Draws the current page into `buffer` (the renderer is attached to it) and stores NextRect.
  void Paint(agg_ren& renderer, platform::Surface& buffer);

  MainWindow* Owner = nullptr;
  platform::WindowRect Rect;
  platform::WindowRect NextRect;
  std::uint8_t Shown = 0;
  double Scale = 1.0;
  // Pages 0..LastPage in turn: three pages, or with the sensors page (3) four, that page first.
  std::int32_t Page = 0;
  std::int32_t LastPage = 2;
  std::int32_t FirstPage() const { return LastPage == 3 ? 3 : 0; }

  // Each text line of the last paint: the glyphs' reach and the panel it belongs in.
  struct LineFit {
    platform::WindowRect Line, Box;
  };
  std::vector<LineFit> Lines;

 private:
  void Invalidate();
  // `text` from (x, y), a line per "#", each line's reach kept against `box`.
  void TextIn(agg_ren& r, std::string_view text, double x, double y, const platform::WindowRect& box);
  void PaintKeys(agg_ren& r, double top);
  void PaintMousePage(agg_ren& r, platform::Surface& buffer, double top);
  void PaintSensors(agg_ren& r, double top);
};

// The pictured mouse in a w x h box at (x, y): body and three buttons outlined with splines, the
// buttons of `lit` (bit 0 left, 1 middle, 2 right) in colour, the others in their darker companions.
void DrawHelpMouse(agg_ren& r, platform::Surface& buffer, const platform::Surface* picture, double x, double y,
                   double w, double h, unsigned lit);
