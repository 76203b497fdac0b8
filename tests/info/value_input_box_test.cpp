// The numeric field's editing: accepted and refused keys, finishing, refusals that change nothing, formatting, clicks.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "graph/scale_state.h"
#include "channels/vessamor_channel.h"
#include "info/info_panel.h"
#include "info/value_input_box.h"

namespace {

using Refusal = ValueInputBox::Refusal;

int Trunc(double v) { return static_cast<int>(v); }

// Keys as typed: digits, '-', ',', '.', and 'b' for backspace.
void Type(ValueInputBox& box, std::string_view keys) {
  for (char c : keys) {
    const unsigned key = c == '-' ? kKeyMinus : c == ',' ? kKeyComma : c == '.' ? kKeyPeriod : c == 'b' ? kKeyBackspace
                                                                                               : static_cast<unsigned>(c);
    box.Input(&key);
  }
}

struct EditCase {
  std::string_view keys, text;
  Refusal refusal;
};

TEST(ValueInputBox, KeysKeepToSignSeparatorAndLength) {
  const EditCase cases[] = {
      {"12.345", "12.34", Refusal::TooLong},       // no third decimal
      {"1234.5", "1234.", Refusal::TooLong},       // the separator stands at the limit of whole digits
      {"1-2", "12", Refusal::None},                // a minus only first
      {"1.2,3", "1.23", Refusal::None},            // one separator
      {"-1234567", "-123456", Refusal::TooLong},   // at most MaxLength + 1 characters
      {"-1234567b", "-12345", Refusal::None},      // backspace works at every length
      {"5bb", "", Refusal::None},
  };
  for (const EditCase& c : cases) {
    ValueInputBox box;
    box.Text.clear();
    Type(box, c.keys);
    EXPECT_EQ(box.Text, c.text) << c.keys;
    EXPECT_EQ(box.LastRefusal, c.refusal) << c.keys;
    EXPECT_EQ(box.EditState, c.text.empty() ? 1 : 2) << c.keys;
  }
}

struct FinishCase {
  std::string_view keys;
  bool bound;
  Refusal refusal;
  float value;
};

TEST(ValueInputBox, FinishWritesTheChannelOrRefusesChangingNothing) {
  ScaleState axis;
  axis.TopValue = 100.0;
  axis.BottomValue = -20.0;
  const FinishCase cases[] = {
      {"3,5", true, Refusal::None, 3.5f},      {"-12.5", true, Refusal::None, -12.5f},
      {"", true, Refusal::Empty, 7.0f},      {"-", true, Refusal::Empty, 0.0f},
      {".", false, Refusal::Empty, 0.0f},    {"-,", true, Refusal::Empty, 0.0f},
      {",", true, Refusal::Empty, 0.0f},     {"-0", true, Refusal::None, 0.0f},
      {"150", true, Refusal::OutOfRange, 150.0f}, {"-21", true, Refusal::OutOfRange, -21.0f},
      {"99999", false, Refusal::OutOfRange, 99999.0f}, {"9999", false, Refusal::None, 9999.0f},
      {"0.0", true, Refusal::None, 0.0f},     {"4.", true, Refusal::None, 4.0f},
  };
  // The same in the "C" locale and, where installed, in a comma-decimal one.
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* locale : {"C", "ru_RU.utf8"}) {
    if (std::setlocale(LC_ALL, locale) == nullptr) continue;
    for (const FinishCase& c : cases) {
      VessamorChannel channel;
      channel.Scale = &axis;
      channel.EnteredValue = 7.0f;
      channel.EnteredValueSet = 1;
      std::uint8_t entered = 0;
      ValueInputBox box;
      box.Value = 7.0f;
      box.Channel = c.bound ? &channel : nullptr;
      box.ValueEnteredFlag = &entered;
      box.Text.clear();
      Type(box, c.keys);
      EXPECT_EQ(box.Input(nullptr), c.refusal == Refusal::None) << c.keys;
      EXPECT_EQ(box.LastRefusal, c.refusal) << c.keys;
      // The value follows the typed text; only an accepted finish reaches the channel.
      const bool taken = c.bound && c.refusal == Refusal::None;
      EXPECT_FLOAT_EQ(box.Value, c.value) << c.keys;
      EXPECT_EQ(entered, c.refusal == Refusal::None ? 1 : 0) << c.keys;
      EXPECT_FLOAT_EQ(channel.EnteredValue, taken ? c.value : 7.0f) << c.keys;
      // A finished zero is a reference like any other.
      EXPECT_EQ(channel.EnteredValueSet, 1) << c.keys;
      EXPECT_EQ(box.Text, c.keys) << "the text stays for correction";
      EXPECT_EQ(box.RefusalText(true).empty(), c.refusal == Refusal::None);
      EXPECT_EQ(FormatFixed(c.value, 2).find(','), std::string::npos);
    }
  }
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(ValueInputBox, FormattingQualityAndUnit) {
  const std::pair<std::pair<double, int>, std::string_view> cases[] = {
      {{-0.001, 2}, "0.00"}, {{-1.239, 2}, "-1.24"}, {{2.5, 9}, "2.500000"}, {{2.5, -3}, "2"}, {{-0.4, 0}, "0"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(FormatFixed(in.first, in.second), out);
  EXPECT_EQ(LinkQualityLevel(20), 0.0f);
  EXPECT_EQ(LinkQualityLevel(250), 255.0f);
  // A sensor's unit is kept whole; a longer text is cut at whole characters, and the layout counts them.
  VessamorChannel channel;
  channel.Unit = "cycle/min";
  channel.UnitWidth = 0;
  ValueInputBox box;
  box.FillFromChannel(&channel);
  EXPECT_EQ(box.Unit, "cycle/min");
  channel.Unit = "мкСм/смабвгдежзийклм";
  box.FillFromChannel(&channel);
  EXPECT_EQ(box.Unit, "мкСм/смабвгдежзи");
  EXPECT_EQ(box.UnitLayout, 16u);
  box.FillFromChannel(nullptr);
  EXPECT_EQ(box.Unit, "В");
  EXPECT_EQ(box.Text, "0.00");
  // A wireless accelerometer's unit on a 1366 x 768 screen keeps inside its field, left of the bar.
  channel.Unit = "м/с^2";
  channel.UnitWidth = 1;
  box.FillFromChannel(&channel);
  box.Wireless = 1;
  box.LinkQuality = 230;
  box.SetRect(564, 589, 320, 96);
  box.Layout(box.Rect, 7.0, 4.0, 768, true);
  platform::Surface surface(1000, 800);
  box.Render(surface, ValueBoxStyle{0.77f, 0.85f, false});
  EXPECT_FALSE(box.UnitBox.IsEmpty());
  EXPECT_LE(box.UnitBox.right, box.UnitLimit);
  // A clear gap between the unit and the link-quality bar, which starts 20 x UiScale inside the field.
  EXPECT_GE(box.Rect.right - Trunc(8 * 0.85) - Trunc(20 * 0.85) - box.UnitBox.right, 4);
  // The "^" raises the 2 as an exponent: the unit's last columns have ink only in its upper part.
  int ink = 0, low = 0;
  const platform::WindowRect u = box.UnitBox;
  for (int x = u.right - u.Width() / 6; x < u.right; ++x) {
    for (int y = u.top; y < u.bottom; ++y) {
      const platform::Colour c = surface.GetPixel(x, y);
      if (c.r < 100 && c.g < 100 && c.b < 100) {
        ++ink;
        low += y > u.top + u.Height() * 2 / 3 ? 1 : 0;
      }
    }
  }
  EXPECT_GT(ink, 0);
  EXPECT_EQ(low, 0);
}

TEST(ValueInputBox, AClickOpensTheSecondBoxFirstAndAnotherFinishesIt) {
  InfoPanel panel(InfoPanel::kPreparation, {});
  panel.BindValueBoxes(nullptr, nullptr, nullptr);
  for (ValueInputBox* box : {&panel.Box1, &panel.Box2}) box->Shown = 1, box->SetRect(10, 10, 100, 40);
  EXPECT_FALSE(panel.ClickValueBox({5, 5}));
  ASSERT_TRUE(panel.ClickValueBox({20, 20}));
  EXPECT_TRUE(panel.Box2.EditState == 1 && panel.Box2.Text.empty() && panel.Box1.EditState == 0);
  Type(panel.Box2, "5");
  ASSERT_TRUE(panel.ClickValueBox({20, 20}));
  EXPECT_TRUE(panel.Box2.Value == 5.0f && panel.Steps.StepPending == 1);
}

}  // namespace

namespace {

// Boxes as the two-box and one-box pages place them at 1280x1024, 1366x768 and 1920x1080, live and typed
// one character over the length: the digits below the label and inside the field; a refusal in its own
// line above the box at the notice's height, cleared when the next render has none.
TEST(ValueInputBox, DigitsKeepBelowTheLabelAndARefusalStandsApartAbove) {
  struct Case { int width, height; float scale_y, ui; double own; const char* typed; };
  const Case cases[] = {
      {300, 70, 1.03f, 1.0f, 3.2, nullptr},      // the low two-box field
      {450, 97, 1.09f, 1.09f, 2.5, nullptr},
      {320, 96, 0.77f, 0.77f, 3.2, "1234567"},   // a sign's room over six digits
      {300, 90, 1.03f, 1.0f, 3.2, "-123.45"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " ui " << c.ui);
    platform::Surface target(600, 400);
    ValueInputBox box;
    box.SetRect(100, 200, c.width, c.height);
    box.UseOwnSize = c.own != 3.2;
    box.OwnSize = c.own;
    box.Label = "Текущее значение 1";
    box.Value = 556.31f;
    box.Layout(box.Rect, 17.0 * 3.2 * c.ui * 0.55, 8.0 * c.ui, 994, false);
    if (c.typed != nullptr) {
      box.EditState = 2;
      box.Text = c.typed;
    }
    const ValueBoxStyle style{c.scale_y, c.ui, false, Trunc(17 * c.ui) + 1};
    box.Render(target, style);
    EXPECT_FALSE(box.ValueBox.Intersects(box.LabelBox)) << box.ValueBox.top << " under " << box.LabelBox.bottom;
    EXPECT_GE(box.ValueBox.left, box.FieldRect.left);
    EXPECT_LE(box.ValueBox.bottom, box.FieldRect.bottom);
    EXPECT_FALSE(box.UnitBox.Intersects(box.LabelBox));
    EXPECT_EQ(box.RefusalHeight, 0);
    // Too many digits: the notice at its height above the box, in one colour on the panel's.
    const unsigned digit = '9';
    box.EditState = 2;
    box.Text = "1234567";
    box.MaxLength = 6;
    ASSERT_FALSE(box.Input(&digit));
    box.Render(target, style);
    EXPECT_EQ(box.RefusalHeight, style.NoticeHeight);
    EXPECT_LT(box.RefusalBox.bottom, box.Rect.top);
    EXPECT_FALSE(box.RefusalArea.IsEmpty());
    const platform::WindowRect area = box.RefusalArea;
    // Answered: the strip is the panel's colour again.
    box.Text = "12";
    box.Input(&digit);
    box.Render(target, style);
    EXPECT_EQ(box.RefusalHeight, 0);
    for (int y = area.top; y < area.bottom; y += 2)
      for (int x = area.left; x < area.right; x += 3) ASSERT_EQ(target.GetPixel(x, y), target.GetPixel(area.left, area.top)) << x << "," << y;
  }
}

}  // namespace
