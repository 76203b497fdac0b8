// Calls from the device worker on the slider and the image button reach them only on the window thread.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "control_test_support.h"
#include "controls/aimage_button.h"
#include "controls/stick_button.h"

namespace {

TEST(OwnerDrawnThreads, WorkerValueResetAndHideAreQueuedToTheWindowThread) {
  control_test::Harness h;
  StickButton slider(h.owner);
  AImageButton button(h.owner);
  h.Place(slider, 75001, platform::WindowRect::FromSize(10, 10, 300, 70));
  h.Place(button, 75030, platform::WindowRect::FromSize(10, 100, 100, 40));
  const std::vector<float> values{1, 2, 3}, steps{1, 1};
  ASSERT_TRUE(slider.Layout(StickButton::kHorizontal, 75001, 10, 2, values, steps, 0, 200));
  button.Looks[1].Fade = 0.5f;
  button.SetAnimationSteps(1, 1, 1, 0);
  h.Mouse(platform::MouseKind::Move, {30, 120});
  ASSERT_EQ(button.TargetLook(), AImageButton::kHover);
  const std::int32_t start = slider.MarkerPosition();

  std::thread worker([&] {
    slider.SetValue(3.0f);
    slider.Invalidate();
    button.ResetButtonState();
    button.Hide();
  });
  // The window thread keeps painting while the worker posts.
  for (int i = 0; i < 50; ++i) h.host.UpdateNow();
  worker.join();
  EXPECT_EQ(slider.MarkerPosition(), start);
  EXPECT_EQ(button.TargetLook(), AImageButton::kHover);
  EXPECT_TRUE(button.IsVisible());
  h.host.DrainQueue();
  EXPECT_EQ(slider.MarkerPosition(), slider.Scale().Positions[2]);
  EXPECT_EQ(button.TargetLook(), AImageButton::kNormal);
  EXPECT_FALSE(button.IsVisible());
}

}  // namespace
