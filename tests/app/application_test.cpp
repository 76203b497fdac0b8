// The program's start-up and exit around its window on the headless host: the desktop's idle timers.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app_test_support.h"

namespace {

TEST(Application, StartUpResetsTheIdleTimersOnceAndExitClearsTheRequest) {
  // Without the driver library the window says so and closes: a whole run from start to exit.
  apptest::Rig rig(1280, 994, false);
  EXPECT_EQ(RunVessamor(rig.host, rig.environment), 0);
  EXPECT_EQ(rig.host.Messages.size(), 1u);
  EXPECT_EQ(rig.host.IdleResets, 1);
  EXPECT_EQ(rig.host.IdleClears, 1);
}

}  // namespace
