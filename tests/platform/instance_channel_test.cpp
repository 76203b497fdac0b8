// A second start asks the running window to close through its ordinary close; with none running it may go on.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/instance_channel.h"
#include "platform/window_core.h"
#include "window_test_support.h"

namespace {

std::string ClassName() { return "Win_ZB_FTDI_USB_test_" + std::to_string(getpid()); }

TEST(CloseOtherInstance, ClosesARunningWindowThroughItsClose) {
  platform::FakeClock clock;
  platform::HostWindow window(100, 100, clock);
  window_test::RecordingHandler handler;
  window.SetHandler(&handler);
  platform::InstanceListener listener(ClassName());
  ASSERT_TRUE(listener.Start());
  EXPECT_FALSE(platform::InstanceListener(ClassName()).Start());

  EXPECT_FALSE(platform::CloseOtherInstance(ClassName()));
  pollfd watched{listener.Descriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&watched, 1, 5000), 1);
  listener.Drain([&window] { window.PostClose(); });
  EXPECT_EQ(handler.closes, 0);
  window.DrainQueue();
  EXPECT_EQ(handler.closes, 1);
  EXPECT_TRUE(window.IsClosed());
}

TEST(CloseOtherInstance, TrueWhenNoneRunsAlsoAfterOneWasKilled) {
  EXPECT_TRUE(platform::CloseOtherInstance(ClassName()));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::InstanceListener listener(ClassName());
    const char started = listener.Start() ? 1 : 0;
    (void)!write(ready[1], &started, 1);
    for (;;) pause();
  }
  char started = 0;
  ASSERT_EQ(read(ready[0], &started, 1), 1);
  ASSERT_EQ(started, 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_TRUE(platform::CloseOtherInstance(ClassName()));
}

}  // namespace
