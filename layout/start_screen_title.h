// The start screen's title band: 27 sliding shapes and the maker's caption, stepped frame by frame.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/window_geometry.h"
#include "render/cubic_spline.h"

class agg_ren;

struct TitleShape {
  std::vector<std::pair<float, float>> BasePoints;
  std::vector<std::pair<float, float>> EndPoints;
  std::vector<std::pair<float, float>> PointDelta;
  std::vector<double> DrawPoints;
  std::vector<std::uint8_t> PointMoves;
  std::uint8_t PointCount = 0;
  std::uint16_t StartFrame = 0;
  std::uint16_t EndFrame = 15;
  std::uint16_t FrameCount = 15;
  std::uint8_t ShapeFrame = 0;

  void AllocatePoints(std::uint8_t count);
  // 0 before the start frame, 1 from the end frame on, eased between.
  double Progress(std::int32_t e, const CubicSpline& ease) const;
};

class StartScreenTitle {
 public:
  static constexpr std::uint8_t kShapeCount = 27;
  // The shape whose rising points carry the caption.
  static constexpr std::size_t kAnchorShape = 16;

  // Geometry, shapes, splines and timings for the window's UiScale.
  void Setup(float ui_scale);
  // Fills the 27 shapes from their design coordinates.
  void BuildTitleShapes(float scale_x, float scale_y, float offset_x, float offset_y);
  void SetShapeTiming(std::uint8_t first, std::uint8_t last);
  // Starts a slide: in (receding 0) or out (1), from frame 0.
  void Start(std::uint8_t receding);
  // One tick of the slide; true when it has ended (the frame stays at the limit).
  bool Step();
  // The frame the shapes show: the frame sliding in, its mirror sliding out.
  std::int32_t Effective() const { return Receding == 0 ? Frame : FrameLimit - Frame; }
  // How far the anchor's rising point has travelled, 0..1; 0 when it does not travel.
  double CaptionProgress() const;
  // The shapes and the maker's caption of the current frame, clipped to TitleArea.
  void DrawMakerCaption(agg_ren& renderer, bool english, float ui_scale);

  std::vector<TitleShape> Shapes;
  std::uint8_t ShapeCount = 0;
  std::array<std::uint8_t, kShapeCount> ShapeOrder{};
  std::uint8_t FirstFrame = 0;
  std::uint8_t FrameLimit = 15;
  std::uint8_t FrameSpan = 15;
  std::uint8_t Frame = 0;
  CubicSpline ShapeStartSpline, EaseSpline, LetterSpline, GrowSpline;
  platform::WindowRect TitleArea;
  platform::WindowRect CaptionArea;
  platform::WindowRect PanelArea;
  // Where the product title's two lines reach, from its last drawing.
  platform::WindowRect TitleTextBox;
  std::uint8_t Receding = 0;
  std::uint8_t PanelPending = 0;
  std::uint8_t SlideArmed = 0;
};

// The renderer's text font: face (null: "Tahoma" 17 x 9, weight 400), height, width and weight.
void SetTextFont(agg_ren& renderer, const char* face, std::uint8_t height, std::uint8_t width, std::uint16_t weight);
// The translucent panel behind the caption.
void DrawTranslucentPanel(agg_ren& renderer, const StartScreenTitle& title, float scale_y);
// The product title in both languages, once, into the background.
void DrawProductTitle(agg_ren& renderer, StartScreenTitle& title, float ui_scale, float scale_y);
