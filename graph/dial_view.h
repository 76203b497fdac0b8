// The analog dial (display mode 4): the needle instrument for one channel in an 800 x 600 design space.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <agg_color_rgba.h>

#include "channels/pixel_types.h"
#include "graph/scale_state.h"
#include "platform/surface.h"
#include "render/path_polygon.h"

class agg_ren;
class GraphView;
class VessamorChannel;

// What the dial needs of the main window's screen.
struct DialScreen {
  std::int32_t Width = 0;  // ScreenWidth
  std::int32_t Height = 0;
  float ScaleX = 1.0f;
  float ScaleY = 1.0f;
  float UiScale = 1.0f;
  PixelRect ViewRect;              // the graph rectangle
  std::int32_t ButtonTop = 0;      // top of the Start/Stop button's window rectangle
  std::uint32_t NowMs = 0;         // the millisecond tick of this paint
  std::int32_t ToolbarHeight() const { return static_cast<std::int32_t>(40.0f * ScaleY); }
  // The needle's pixel unit: ScaleX when the screen is relatively taller than 4:3, else ScaleY.
  float NeedleScale() const;
};

struct DialPoint {
  float x = 0.0f, y = 0.0f;
};

struct DialRimStyle {
  agg::rgba8 Colour{0, 0, 0, 255};
  std::uint8_t Flag = 0;
  float Width = 0.0f;
};

class DialView {
 public:
  static constexpr std::size_t kTicks = 200;
  static constexpr std::size_t kHubCurves = 7;
  static constexpr std::size_t kHubPoints = 15;
  static constexpr std::uint8_t kDisplayMode = 4;

  // Enters display mode 4: the static picture is rebuilt on the next paint, the needle starts at
  // the middle. The main window hides its other buttons and lays out its own controls.
  void SwitchToDialMode(GraphView& view);

  // The paint of display mode 4 over `clip` of the back buffer: builds the static picture once,
  // restores it, then draws scale, hub and needle. The caller holds the view lock.
  // `ren` is attached to `back`.
  void Paint(agg_ren& ren, platform::Surface& back, const PixelRect& clip, GraphView& view,
             const DialScreen& screen);

  // The design factor: the design fills the window across its relatively longer side.
  static float DesignScale(const DialScreen& screen);
  // The dial tick (0..199) of a value tick at pixel `y` of a value axis `h` pixels high.
  static std::uint8_t DialTickOfPixel(double y, double h);
  // The needle's direction for a dial angle, in degrees counter-clockwise from the positive x axis:
  // the axis bottom (-DialAngleMax) at tick 0, its top at tick 199, beyond them past the scale ends.
  double NeedleDegrees(float dial_angle) const;
  // Tick i's direction from the scale's centre, in the same measure.
  static double TickDegrees(double tick);

  // Parts of the paint, in the order the first paint runs them.
  void DrawDialFrame(agg_ren& ren, const DialScreen& screen);
  void BuildDialGeometry(agg_ren& ren, const DialScreen& screen);
  void LayoutDialScreen(const DialScreen& screen);
  void BuildDialTickPoints(float ox, float oy, float k);
  void DrawDialFace(agg_ren& ren, float ox, float oy, float k);
  void PaintDialScreen(agg_ren& ren, GraphView& view, const DialScreen& screen);
  void DrawDialScale(agg_ren& ren, GraphView& view, const DialScreen& screen);
  void UpdateDialNeedle(agg_ren& ren, GraphView& view, const DialScreen& screen);
  void DrawDialHub(agg_ren& ren);
  // Tick 0 and tick 99 from their point 0 to their point 2, black, 1.5 pixels wide: the scale's
  // left end and its middle, to check the tick table against the drawn face.
  void DrawDialReferenceTicks(agg_ren& ren);
  void RotateShapes(agg_ren& ren, float angle);
  // What the window has drawn over `area` of the back buffer after the dial (the side-panel
  // captions) goes into the saved picture, which the later paints restore.
  void KeepDrawn(const platform::Surface& back, const PixelRect& area);

  float DialOriginX = 0.0f, DialOriginY = 0.0f;
  float DialPivotX = 0.0f, DialPivotY = 0.0f;
  float DesignFactor = 1.0f;
  // Points 0..3 of each tick lie on four concentric arcs, inside out; tick 0 at the scale's left end.
  std::array<std::array<DialPoint, 4>, kTicks> AnalogDialGeometry{};
  std::array<std::array<DialPoint, kHubPoints>, kHubCurves> HubCurves{};
  std::vector<interactive_polygon> DialHubPolygons;
  // 0 none, 1 half tick, 2 labelled tick.
  std::array<std::uint8_t, kTicks> DialTickMarks{};
  std::array<DialRimStyle, 10> DialRimStyles{};
  // The needle outline in polar form about the pivot: distance, and angle off the needle's axis
  // (negative on its right side).
  struct NeedlePolygon {
    std::vector<float> Radius, Angle;
  };
  std::array<NeedlePolygon, 4> NeedleOutlines{};  // three shadows, widest first, then the needle
  float NeedleLength = 0.0f, NeedleTail = 0.0f;

  std::uint8_t DialPrepared = 0;
  PixelRect DialRect;
  const VessamorChannel* DialChannel = nullptr;
  std::uint32_t DialNeedleTick = 0;
  float DialAngleMax = 89.0f, DialAngleMin = -90.0f, DialAngleSpan = 179.0f;
  float DialAngle = -0.5f;
  std::array<std::uint8_t, ScaleState::kMaxTicks> ValueTickDialTicks{};
  agg::rgba8 Background{250, 250, 255, 255};

 private:
  float HubTopDistance() const;
  float HubBottomY() const;
  platform::Surface saved_;
};
