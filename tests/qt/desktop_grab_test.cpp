// The desktop grab the Qt host begins before the application object exists: it answers whatever the
// server does, and makes ready the pixels of the area it is given alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/qt/desktop_grab.h"

namespace {

using platform::qt::DesktopGrab;

TEST(DesktopGrab, WithoutAServerItAnswersAtOnceWithNothing) {
  DesktopGrab grab(":4093");
  grab.SetArea(0, 0, 64, 48);
  EXPECT_FALSE(grab.WaitTaken());
  EXPECT_TRUE(grab.TakePicture().Empty());
  // Dropped before its area is given, a grab ends all the same.
  DesktopGrab dropped(":4093");
}

// Where the tests run under an X server of the window's pixel layout.
TEST(DesktopGrab, OnAServerTheAreaAloneComesOpaqueAndAnAreaOffTheScreenIsNotTaken) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X server";
  { DesktopGrab dropped(display); }
  DesktopGrab off(display);
  off.SetArea(0, 0, 70000, 10);
  EXPECT_FALSE(off.WaitTaken());
  EXPECT_TRUE(off.TakePicture().Empty());
  DesktopGrab on(display);
  EXPECT_EQ(on.Display(), std::string(display));
  on.SetArea(3, 5, 40, 30);
  if (!on.WaitTaken()) GTEST_SKIP() << "a screen of another pixel layout";
  // A desktop all of one colour comes as no picture.
  const platform::Surface picture = on.TakePicture();
  if (picture.Empty()) return;
  ASSERT_EQ(picture.Width(), 40);
  ASSERT_EQ(picture.Height(), 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(picture.GetPixel(x, y).a, 255) << x << "," << y;
}

}  // namespace
