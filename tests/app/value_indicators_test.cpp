// Texts of the value indicators and value boxes, under a Russian numeric locale.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>

#include "app/value_indicators.h"

namespace {

class IndicatorTexts : public ::testing::Test {
 protected:
  // A decimal comma would show if anything followed the C library's locale.
  void SetUp() override { std::setlocale(LC_NUMERIC, "ru_RU.UTF-8"); }
  void TearDown() override { std::setlocale(LC_NUMERIC, "C"); }
};

TEST_F(IndicatorTexts, ValuesAreCutToTheirDecimalsAndTimesNeedARateAndAColumn) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{1.999, 2, "1.99"}, {12.7, 0, "12"},   {-0.0004, 3, "0.000"},       {1.9996, 2, "2.00"},
               {-3.25, 1, "-3.2"}, {0.5, 65535, "0.500000000"}, {std::nan(""), 2, "--"}, {3.4e38, 9, nullptr}};
  for (const auto& c : cases) {
    const IndicatorText t = IndicatorValueText(c.value, c.decimals);
    if (c.text == nullptr) {
      EXPECT_EQ(t.Text.size(), 39u + 1 + 9) << c.value;  // every digit, no exponent
      continue;
    }
    EXPECT_EQ(t.Text, c.text) << c.value;
    double expected = std::nan("");
    std::from_chars(c.text, c.text + std::strlen(c.text), expected);
    if (!std::isnan(c.value)) {
      EXPECT_DOUBLE_EQ(t.Parsed, expected) << c.value;
    }
  }
  const struct {
    std::uint32_t rate, sample;
    bool inside;
    const char* text;
  } times[] = {{1000, 1234, true, "1.234"}, {1001, 1001, true, "1.0000"}, {10001, 10001, true, "1.00000"},
               {0, 10, true, ""},           {1000, 10, false, ""}};
  for (const auto& c : times) EXPECT_EQ(IndicatorTimeText(c.rate, c.sample, c.inside).Text, c.text) << c.rate;
}

TEST_F(IndicatorTexts, BoxesRoundAndCopyLabelsOnCharacterBoundaries) {
  IndicatorValueBox box;
  FormatIndicatorValue(box, 1.996f, std::string(70, 'x'), "мкСм/см", 2);
  EXPECT_EQ(box.Text, "2.00");
  EXPECT_EQ(box.Label.size(), IndicatorValueBox::kLabelCapacity - 1);
  EXPECT_EQ(box.Unit, "мкСм/см");
  UpdateIndicatorValue(box, -7.25f);
  EXPECT_EQ(box.Text, "-7.25");
  // Fifteen bytes of room: "ё" (two bytes) that would end on the 16th is left out whole.
  EXPECT_EQ(CopyBounded("abcdefghijklmnё", 16), "abcdefghijklmn");
  EXPECT_EQ(CopyBounded("ёёёёёёёёё", 16), "ёёёёёёё");
}

}  // namespace
