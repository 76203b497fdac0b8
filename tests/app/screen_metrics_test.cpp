// Start-up numbers: language choice, screen scales and sizes, record capacity, buffer roles, the paint's skip rule.
#include <gtest/gtest.h>

#include "app/screen_metrics.h"
#include "platform/memory_status.h"

namespace {

TEST(StartOptions, LanguageFromLocaleAndCommandLine) {
  struct Case {
    bool locale_russian;
    const char* command_line;
    bool english;
  };
  const Case cases[] = {{true, "-en", true}, {true, "xen", true}, {true, "EN", false},
                        {true, "e n", false}, {true, "", false},   {false, "", true}};
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseEnglishUi(c.locale_russian, c.command_line), c.english) << c.command_line;
  }
}

TEST(StartOptions, CapacityFromAvailableMemory) {
  EXPECT_EQ(SampleCapacityFor(100'000'000), 30'000'000u);
  EXPECT_EQ(SampleCapacityFor(120'262'143), 36'078'630u);
  EXPECT_EQ(SampleCapacityFor(120'262'144), 60'000'000u);
  EXPECT_EQ(SampleCapacityFor(64ull << 30), 60'000'000u);
  EXPECT_EQ(platform::ParseMemAvailable("MemTotal: 9 kB\nMemAvailable:   117443 kB\n"), 117443ull * 1024);
  EXPECT_EQ(platform::ParseMemAvailable("MemAvailable: 8589934592 kB\n"), 8589934592ull * 1024);
  EXPECT_FALSE(platform::ParseMemAvailable("MemFree: 5 kB\n").has_value());
  EXPECT_FALSE(platform::ParseMemAvailable("MemAvailable: 99999999999999999999 kB\n").has_value());
}

TEST(StartOptions, BufferBehindAButtonAndTheSkipRule) {
  EXPECT_FALSE(BackBufferIndexFor(75000).has_value());
  // Only a foreign paint while a sensor page is being built on the start screen is dropped.
  EXPECT_TRUE(PaintIsSkipped(true, true, false));
  EXPECT_FALSE(PaintIsSkipped(true, true, true));
  EXPECT_FALSE(PaintIsSkipped(true, false, false));
  EXPECT_FALSE(PaintIsSkipped(false, true, false));
  EXPECT_FALSE(FitInfoPicture(900, 0, 0, 1.0f, 1.0f).has_value());
}

}  // namespace
