// Slider tests: breakpoints and labels, value mapping, dragging.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "control_test_support.h"
#include "controls/stick_button.h"

namespace {

using platform::MouseKind;
using platform::WindowRect;

const std::vector<float> kValues{0.01f, 0.05f, 0.5f, 5.0f, 50.0f};
const std::vector<float> kSteps{0.01f, 0.05f, 0.5f, 5.0f};
const WindowRect kPlace = WindowRect::FromSize(20, 40, 300, 70);

struct StickButtonTest : ::testing::Test {
  StickButtonTest() : slider(h.owner) {
    h.Place(slider, 75003, kPlace);
    slider.Layout(StickButton::kHorizontal, 75003, 10, 4, kValues, kSteps, 0, 200);
  }
  int WindowX(int along) const { return kPlace.left + along; }
  control_test::Harness h;
  StickButton slider;
};

TEST_F(StickButtonTest, BreakpointsSpanTheTrackInProportionToTheRangeAndCarryTheirLabels) {
  const StickScale& s = slider.Scale();
  ASSERT_EQ(s.Count, 5);
  EXPECT_FLOAT_EQ(s.ExactPositions[0], 30.0f);
  EXPECT_FLOAT_EQ(s.ExactPositions[4], 300.0f - 35.0f);
  EXPECT_EQ((std::vector<std::string>{s.Labels.begin(), s.Labels.begin() + 5}),
            (std::vector<std::string>{"min", ".05", ".5", "5", "max"}));
  // Only a leading zero goes: a negative fraction keeps its sign.
  ASSERT_TRUE(slider.Layout(StickButton::kHorizontal, 75003, 10, 2, std::vector<float>{-5, -0.5f, 1}, kSteps, 0, 200));
  EXPECT_EQ(s.Labels[1], "-0.50");
  ASSERT_TRUE(slider.Layout(StickButton::kHorizontal, 75003, 10, 4, kValues, kSteps, 0, 100));
  EXPECT_FLOAT_EQ(s.ExactPositions[4], 30.0f + (265.0f - 30.0f) / 2);
  // At most sixteen breakpoints; no layout whose segments would have no length.
  const std::vector<float> many(40, 1.0f);
  ASSERT_TRUE(slider.Layout(StickButton::kVertical, 75003, 10, 39, many, many, 0, 200));
  EXPECT_EQ(s.Count, StickScale::kMaxBreakpoints);
  EXPECT_FALSE(slider.Layout(StickButton::kHorizontal, 75003, 10, 4, kValues, kSteps, 50, 50));
  EXPECT_FALSE(slider.Layout(StickButton::kHorizontal, 75003, 10, 0, kValues, kSteps, 0, 200));
  EXPECT_EQ(s.Count, StickScale::kMaxBreakpoints);
  StickButton loose(h.owner);  // never created: every call does nothing
  EXPECT_FALSE(loose.Layout(StickButton::kHorizontal, 75003, 10, 4, kValues, kSteps, 0, 200));
  loose.SetValue(5.0f);
  EXPECT_EQ(loose.GetValue(), 0.0f);
}

TEST_F(StickButtonTest, SetValueAtABreakpointReadsBackExactlyAndBeyondTheLastStopsThere) {
  for (int i = 0; i < 5; ++i) {
    slider.SetValue(kValues[i]);
    EXPECT_EQ(slider.MarkerPosition(), slider.Scale().Positions[i]) << i;
    EXPECT_EQ(slider.GetValue(), kValues[i]) << i;
  }
  slider.SetValue(1000.0f);
  EXPECT_EQ(slider.MarkerPosition(), slider.Scale().Positions[4]);
  // Between breakpoints the value moves in whole steps of its segment.
  slider.SetValue(2.6f);
  const float v = slider.GetValue();
  EXPECT_GE(v, 0.5f);
  EXPECT_LE(v, 2.6f);
  EXPECT_NEAR(std::remainder(v - 0.5f, 0.5f), 0.0, 1e-4);
}

TEST_F(StickButtonTest, DragFollowsThePointerWithinTheTrackAndEveryStepNotifies) {
  const int y = kPlace.top + 50;
  h.Mouse(MouseKind::LeftDown, {WindowX(100), y}, platform::kMouseLeft);
  EXPECT_EQ(slider.MarkerPosition(), 100);
  EXPECT_TRUE(slider.Dragging());
  h.Mouse(MouseKind::Move, {WindowX(600), y}, platform::kMouseLeft);
  EXPECT_EQ(slider.MarkerPosition(), 265);
  EXPECT_EQ(slider.GetValue(), 50.0f);
  h.Mouse(MouseKind::LeftUp, {WindowX(600), y});
  EXPECT_FALSE(slider.Dragging());
  EXPECT_EQ(h.owner.Count("press"), 3u);  // press, drag step, release
  // A press outside the accepted range does nothing.
  h.Mouse(MouseKind::LeftDown, {WindowX(2), y}, platform::kMouseLeft);
  EXPECT_EQ(slider.MarkerPosition(), 265);
}

}  // namespace
