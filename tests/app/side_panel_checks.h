// What the measurement screen's side panels must show, read from the window's pixels: each panel in
// the band below the graph, apart from the others, with its caption inked above its buttons.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "app/main_window.h"
#include "graph/graph_paint_host.h"
#include "layout/main_controls.h"
#include "platform/surface.h"

namespace apptest {

// The ink of a caption: dark pixels of the panel's caption strip, as a bounding box (empty: none).
inline PixelRect CaptionInk(const platform::Surface& shown, const PixelRect& panel, double ui) {
  PixelRect ink{panel.Right, panel.Bottom, panel.Left, panel.Top};
  const int bottom = std::min(panel.Bottom, panel.Top + static_cast<int>(22.0 * ui));
  for (int y = panel.Top + 6; y < bottom; ++y) {
    for (int x = panel.Left + 8; x < panel.Right - 8; ++x) {
      const platform::Colour c = shown.GetPixel(x, y);
      if (c.r > 70 || c.g > 70 || c.b > 70) continue;
      ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1), std::max(ink.Bottom, y + 1)};
    }
  }
  return ink.Right > ink.Left ? ink : PixelRect{};
}

inline bool Overlap(const PixelRect& a, const platform::WindowRect& b) {
  return a.Left < b.right && b.left < a.Right && a.Top < b.bottom && b.top < a.Bottom;
}

// The four panels of the graph screen (sensor control, view record, channels, difference values):
// below the graph inside the window, apart, the differences' one kept by the view, and each with
// its caption inked where no control covers it.
inline void ExpectSidePanels(MainWindow& w, const platform::Surface& shown, const std::string& where) {
  SCOPED_TRACE(where);
  GraphView& view = *w.View;
  ASSERT_NE(view.PaintHost, nullptr);
  const std::array<PixelRect, 4> panels = view.PaintHost->ControlGroups();
  EXPECT_EQ(panels[3], view.DifferencePanelRect);
  const double ui = w.Metrics.UiScale;
  for (std::size_t n = 0; n < panels.size(); ++n) {
    SCOPED_TRACE(n);
    const PixelRect& p = panels[n];
    ASSERT_GT(p.Width(), 0);
    ASSERT_GT(p.Height(), 0);
    EXPECT_GE(p.Top, view.ViewRect.Bottom);
    EXPECT_GE(p.Left, 0);
    EXPECT_LE(p.Right, w.Metrics.ScreenWidth);
    EXPECT_LE(p.Bottom, w.Metrics.ScreenHeight);
    for (std::size_t m = n + 1; m < panels.size(); ++m) {
      const PixelRect& q = panels[m];
      EXPECT_TRUE(p.Right <= q.Left || q.Right <= p.Left) << "panels " << n << " and " << m << " overlap";
    }
    const PixelRect ink = CaptionInk(shown, p, ui);
    ASSERT_GT(ink.Width(), static_cast<int>(20 * ui)) << "no caption";
    for (const auto& control : w.Controls.Owned) {
      if (control->IsVisible() && control->Id() != kHintWindowId) {
        EXPECT_FALSE(Overlap(ink, control->Rect())) << "control " << control->Id() << " covers the caption";
      }
    }
  }
}

}  // namespace apptest
