// The device worker's calls on a frame control (state, redraw, hide) reach the window thread through the queue.
#include <gtest/gtest.h>

#include <thread>

#include "control_test_support.h"

namespace {

TEST(ControlFrameThreads, WorkerResetsStateRedrawsAndHidesThroughTheQueue) {
  platform::FakeClock clock;
  platform::HostWindow host(200, 100, clock);
  control_test::RecordingOwner owner(200, 100);
  host.SetHandler(&owner);
  control_test::ProbeButton button(owner);
  button.drawsSquare = true;
  ASSERT_TRUE(button.Create(host, 75163, platform::WindowRect::FromSize(10, 10, 50, 30)));
  button.Show();
  button.State = ControlFrame::kStateDown;
  host.UpdateNow();
  const auto pixel = [&] { return host.Pixels().GetPixel(30, 25); };
  ASSERT_EQ(pixel(), control_test::ProbeButton::kDown);

  std::thread([&] {
    button.State = ControlFrame::kStateUp;
    button.Invalidate();
  }).join();
  EXPECT_EQ(pixel(), control_test::ProbeButton::kDown);  // nothing painted off the window thread
  host.DrainQueue();
  host.UpdateNow();
  EXPECT_EQ(pixel(), control_test::ProbeButton::kUp);
  std::thread([&] { button.Hide(); }).join();
  EXPECT_TRUE(button.IsVisible());
  host.DrainQueue();
  EXPECT_FALSE(button.IsVisible());
  host.UpdateNow();
  EXPECT_EQ(pixel(), control_test::kMainWindowGrey);
}

}  // namespace
