// Tests of the signal generators and of the unit list the simulator reads from its variable.
#include <clocale>

#include "sim/description.h"
#include "sim/radio_receiver_unit.h"
#include "sim/unit_list.h"
#include "sim_test_support.h"

namespace simtest {
namespace {

TEST_F(BusTest, SignalsClampAndNoiseStaysInItsBandRepeatably) {
  EXPECT_EQ(sim::Signal::Constant(5000).CodeAt(0.0, 0), 4095);
  EXPECT_EQ(sim::Signal::Sine(2048, 1000, 1.0).CodeAt(0.25, 0), 3048);
  // A burst: the square for its seconds, then low as long.
  const sim::Signal burst = *sim::ParseSignal("burst=0,4000,8,2");
  for (const auto& [at, code] : {std::pair{0.03, 0}, {0.1, 4000}, {1.99, 4000}, {2.1, 0}, {3.99, 0}, {4.1, 4000}})
    EXPECT_EQ(burst.CodeAt(at, 0), code) << at;
  EXPECT_FALSE(sim::ParseSignal("burst=0,4000,8").has_value());
  const sim::Signal noise = sim::Signal::Noise(2048, 100, 7);
  for (std::uint64_t i = 0; i < 1000; ++i) {
    ASSERT_NEAR(noise.CodeAt(0.0, i), 2048, 100);
    ASSERT_EQ(noise.CodeAt(0.0, i), noise.CodeAt(1.0, i));  // the same index gives the same code
  }
}

TEST(UnitList, ParsesEntriesChoosesFamiliesByKindAndReportsBadOnes) {
  std::vector<std::string> errors;
  std::vector<sim::UnitSpec> units = sim::ParseUnitList(
      "wired:15/1063:sine|ramp=0,4095,2;wired:desc=04 plain::AB12;laser:15/1063;wired:1;wired:15/1063:wobble;"
      "wired:15/1063:noise=0,0,-1;wired:15/1063:noise=0,0,1e30;wired:15/1063:noise=0,0,nan;wired:15/1063:noise=1,2,3;"
      "auto:kind=35/3;auto:kind=64;auto:kind=59;auto:kind=7;auto:65/1357;control:desc=CONTROL;"
      "auto:kind=15;auto:kind=x;auto:kind=7/;wired:kind=300",
      &errors);
  ASSERT_EQ(units.size(), 9u);
  EXPECT_EQ(errors.size(), 10u);
  EXPECT_EQ(errors[3], "wired:15/1063:noise=0,0,-1: bad signal");
  ASSERT_EQ(units[0].Signals.size(), 2u);
  EXPECT_EQ(units[0].Signals[1].Shape, sim::SignalShape::Ramp);
  EXPECT_EQ(units[1].SerialNumber, "AB12");
  const char* families[] = {"wired", "wired", "wired", "radio", "timer", "typesix", "wired", "timer", "control"};
  for (size_t i = 0; i < units.size(); ++i) {
    auto model = sim::MakeUnitModel(units[i].Family, units[i].Signals, sim::DescriptionKey(units[i].Description));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->Family(), families[i]) << i;
    if (i == 3) {
      EXPECT_EQ(dynamic_cast<sim::RadioReceiverUnit&>(*model).Layout(), sim::RadioLayout::Pulse);
    }
  }
  EXPECT_EQ(sim::FamilyForKey(0x12345678), "wired");  // a key of no sensor
  EXPECT_TRUE(sim::ParseUnitList("").empty());
  // A locale with a decimal comma reads the default list alike.
  std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");
  EXPECT_EQ(sim::DefaultUnits().size(), 2u);
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace simtest
