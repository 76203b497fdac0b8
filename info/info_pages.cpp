// The page builders chosen by sensor code: the records copied into the panel, then the unit, step and screen variants.
#include "info/info_pages.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "info/info_panel.h"
#include "resources/sensor_pages.h"

namespace {

using pages::PageKind;
using pages::PageRecord;

// Codes served by one builder; the first code of a row names the group.
const std::initializer_list<std::initializer_list<std::uint16_t>> kSharedGroups = {
    {3, 72},  {4, 54},  {9, 68, 69, 70, 71}, {10, 66, 67}, {14, 88}, {26, 85, 86, 87}, {33, 80},
    {34, 76}, {43, 74}, {44, 78, 79},        {52, 57},     {53, 83}, {64, 65},         {73, 77}};
constexpr std::array<std::uint16_t, 36> kSingleCodes = {1,  2,  5,  6,  7,  8,  11, 12, 13, 16, 17, 18,
                                                        20, 21, 22, 23, 25, 27, 29, 30, 31, 32, 35, 36,
                                                        37, 38, 39, 40, 41, 42, 45, 46, 48, 59, 75, 84};
constexpr std::uint16_t kOwnInformationOnly = 28;
// The default pages name a two-channel 3.3 V unit by its own code.
constexpr std::uint16_t kTwoChannelVoltage = 51;
constexpr std::uint8_t kWirelessUnitType = 3;
constexpr std::uint8_t kFastUnitType = 7;
constexpr std::uint8_t kLastAccelerationStep = 5;

bool Among(std::uint16_t code, std::initializer_list<std::uint16_t> codes) {
  return std::ranges::find(codes, code) != codes.end();
}

const PageRecord* FindIn(std::span<const PageRecord> table, std::uint16_t code, PageKind kind) {
  for (const PageRecord& record : table) {
    if (record.Kind == kind && std::ranges::find(record.Codes, code) != record.Codes.end()) {
      return &record;
    }
  }
  return nullptr;
}

// A page record and the shared texts of its language.
struct ChosenPage {
  const PageRecord* Record;
  const pages::CommonTexts* Texts;
};

// A code without pages of its own shows the voltage pages; an English page missing from its table,
// or one kept Russian, shows the Russian record.
ChosenPage FindPage(std::uint16_t code, PageKind kind, bool english) {
  std::uint16_t key = code;
  if (PageGroupOf(code, kind == PageKind::Preparation) == 0) key = code == kTwoChannelVoltage ? code : 0;
  const PageRecord* russian = FindIn(pages::RussianPages(), key, kind);
  if (russian == nullptr) russian = FindIn(pages::RussianPages(), 0, kind);
  const ChosenPage ru{russian, &pages::RussianTexts()};
  if (!english || russian->RussianOnly) return ru;
  const PageRecord* own = FindIn(pages::EnglishPages(), key, kind);
  return own != nullptr ? ChosenPage{own, &pages::EnglishTexts()} : ru;
}

}  // namespace

std::uint16_t PageGroupOf(std::uint16_t code, bool preparation) {
  if (code == kOwnInformationOnly) return preparation ? 0 : code;
  if (std::ranges::find(kSingleCodes, code) != kSingleCodes.end()) return code;
  for (const auto& group : kSharedGroups) {
    if (std::ranges::find(group, code) != group.end()) return *group.begin();
  }
  return 0;
}

namespace {

ChosenPage Choose(const InfoPanel& panel, PageKind kind) { return FindPage(panel.SensorCode, kind, panel.English()); }

// The page's screen: its height and shape, as the adaptations read them.
struct ScreenShape {
  std::int32_t Height;
  float Aspect;
  bool Wide;
};

ScreenShape ShapeOf(const InfoPanel& panel) {
  return {panel.Owner.ScreenHeight, panel.Owner.AspectRatio, panel.Owner.WideScreen};
}

void Scale(TextBlock& block, double factor, std::int32_t first = 0, std::int32_t last = TextBlock::kMaxLines - 1) {
  for (std::int32_t i = std::max(first, 0); i <= std::min(last, TextBlock::kMaxLines - 1); ++i) {
    block.FontSize[static_cast<std::size_t>(i)] *= factor;
  }
}

void FillBody(TextBlock& body, const PageRecord& record) {
  body.LineCount = 0;
  for (std::size_t i = 0; i < record.Body.size() && record.Body[i] != nullptr; ++i) {
    body.SetLine(static_cast<std::int32_t>(i), record.Body[i], 1.0);
  }
  body.StyleFlags[2] = record.LargeBody ? 1 : 0;
}

// The long preparation pages' body shrink by screen: below 751 and 801 pixels high, then by shape.
struct LongPageShrink {
  std::initializer_list<std::uint16_t> Codes;
  double Low, Middle, Narrow, Wide;
};
const LongPageShrink kLongPageShrinks[] = {
    {{31, 37, 39, 41, 43, 74, 73, 77}, 0.85, 0.9, 0.9, 0.9},
    {{34, 76}, 0.82, 0.85, 0.9, 0.9},
    {{38, 45, 46, 48}, 0.78, 0.82, 0.85, 0.85},
    {{42}, 0.85, 0.9, 0.88, 0.9},
};

void AdaptInformation(InfoPanel& panel) {
  const ScreenShape s = ShapeOf(panel);
  const std::uint16_t code = panel.SensorCode;
  if (Among(code, {1, 2, 3, 4, 54, 72, 27, 29, 30})) {
    if (s.Aspect <= 1.5f) {
      Scale(panel.Heading, 0.9);
      Scale(panel.Body, 0.9);
    } else {
      Scale(panel.Body, 0.95);
    }
  } else if (code == 6) {
    Scale(panel.Body, 0.9, 0, 10);
  }
}

void AdaptPreparation(InfoPanel& panel, bool english) {
  const ScreenShape s = ShapeOf(panel);
  const std::uint16_t code = panel.SensorCode;
  const double base = panel.BaseFontSize;
  const bool low = s.Height < 751;
  TextBlock& heading = panel.Heading;
  TextBlock& body = panel.Body;
  const auto set_heading = [&heading](double size) {
    for (std::int32_t i = 0; i < heading.Count(); ++i) heading.FontSize[static_cast<std::size_t>(i)] = size;
  };
  if (Among(code, {1, 2, 3, 4, 54, 72, 27, 29, 30})) {
    if (s.Aspect <= 1.5f) {
      Scale(heading, 0.9);
      Scale(body, 0.9);
    } else {
      Scale(body, 0.95);
    }
  } else if (Among(code, {26, 85, 86, 87})) {
    if (low && s.Wide) Scale(body, 0.95);
  } else if (code == 25) {
    if (low && s.Aspect > 1.5f) Scale(body, 0.85, 0, 7);
  } else if (code == 6) {
    Scale(body, low && s.Aspect > 1.5f ? 0.85 : 0.9, 0, 11);
  } else if (Among(code, {11, 20, 21, 22, 23})) {
    const bool narrow = s.Aspect <= 1.5f;
    set_heading(base * (narrow ? (code == 11 ? 0.9 : 0.85) : 0.92));
    Scale(body, narrow ? 0.9 : 0.95);
  } else if (Among(code, {7, 8, 52, 53, 57, 59, 64, 65, 83})) {
    set_heading(base * 0.92);
    Scale(body, 0.9);
  } else if (Among(code, {32, 33, 80})) {
    set_heading(base * 1.2 * (s.Aspect <= 1.5f ? 0.9 : 1.0));
  } else if (Among(code, {75, 84}) && !english) {
    set_heading(base * (s.Aspect >= 1.5f ? 1.02 : 0.93));
  }
  if (code == 45) set_heading(base * (s.Aspect <= 1.5f ? 0.82 : 0.92));
  for (const LongPageShrink& shrink : kLongPageShrinks) {
    if (!Among(code, shrink.Codes)) continue;
    Scale(body, s.Height < 751     ? shrink.Low
                : s.Height < 801   ? shrink.Middle
                : s.Aspect <= 1.5f ? shrink.Narrow
                                   : shrink.Wide);
  }
}

// The accelerometer's six positions: each axis up, then turned over, a value entered at each.
void AccelerationWalk(InfoPanel& panel, const pages::CommonTexts& t) {
  const std::uint8_t step = panel.Steps.StepIndex > kLastAccelerationStep ? 0 : panel.Steps.StepIndex;
  TextBlock& body = panel.Body;
  body.LineCount = 0;
  body.SetLine(0, t.PreparationOrder, 1.0);
  body.SetLine(1, t.AxisSteps[step / 2], 1.0);
  body.SetLine(2, t.EnterValue, 1.0);
  body.SetLine(3, t.TurnOver, 1.0);
  body.SetLine(4, t.EnterValue, 1.0);
  body.SetLine(5, step < 2 ? t.RepeatTwo : step < 4 ? t.RepeatLast : t.MeasureLast, 1.0);
  if (step < 4) body.SetLine(6, t.MeasureLast, 1.0);
  // The current action's two lines; at the start, the closing line once the unit is ready.
  std::array<std::size_t, 2> current = {1, 2};
  if (step == 0 && panel.Owner.StepUnitReady) {
    current = {6, 6};
  } else if (step % 2 == 1) {
    current = {3, 4};
  }
  for (std::size_t i : current) {
    body.StepStyle[i] = 1;
    body.FontSize[i] = 1.1;
  }
}

}  // namespace

namespace {

// The title of an information page: the record's own, or its wireless or fast unit's variant.
const char* TitleOf(const InfoPanel& panel, const PageRecord& r) {
  const std::uint8_t unit = panel.UnitType();
  if ((panel.Wireless != 0 || unit == kWirelessUnitType) && r.WirelessTitle != nullptr) return r.WirelessTitle;
  if (unit == kFastUnitType && r.FastTitle != nullptr) return r.FastTitle;
  return r.Heading;
}

}  // namespace

const char* KindTitle(const InfoPanel& panel) { return TitleOf(panel, *Choose(panel, PageKind::Information).Record); }

void BuildInformationPage(InfoPanel& panel, bool clear_catalogue) {
  const ChosenPage page = Choose(panel, PageKind::Information);
  const PageRecord& r = *page.Record;
  const std::uint8_t unit = panel.UnitType();
  const bool wireless = panel.Wireless != 0 || unit == kWirelessUnitType;
  const bool fast = unit == kFastUnitType;
  const double base = panel.BaseFontSize;
  panel.Heading.Clear(true);
  panel.Body.Clear(clear_catalogue);
  panel.Heading.LineCount = 0;
  panel.Heading.SetLine(0, panel.Notice.empty() ? page.Texts->InformationLead : panel.Notice.c_str(), base * r.LeadFactor);
  panel.PictureCaption = TitleOf(panel, r);
  panel.Heading.SetLine(1, panel.PictureCaption, base * r.HeadingFactor);
  FillBody(panel.Body, r);
  const char* rate = wireless ? r.WirelessRate : fast ? r.FastRate : nullptr;
  if (rate != nullptr && panel.Body.LineCount > 0)
    panel.Body.Lines[static_cast<std::size_t>(panel.Body.LineCount - 1)] = rate;
  panel.Extra.LineCount = 0;
  AdaptInformation(panel);
}

void BuildPreparationPage(InfoPanel& panel) {
  const ChosenPage page = Choose(panel, PageKind::Preparation);
  const PageRecord& r = *page.Record;
  const double base = panel.BaseFontSize;
  panel.PictureCaption = KindTitle(panel);
  panel.Heading.Clear(true);
  panel.Body.Clear(true);
  panel.Heading.LineCount = 0;
  panel.Heading.SetLine(0, r.Heading, base * r.HeadingFactor);
  if (r.Heading2 != nullptr) panel.Heading.SetLine(1, r.Heading2, base * r.HeadingFactor);
  if (Among(panel.SensorCode, {7, 8})) {
    AccelerationWalk(panel, *page.Texts);
    panel.Body.StyleFlags[2] = r.LargeBody ? 1 : 0;
  } else {
    FillBody(panel.Body, r);
  }
  panel.Extra.LineCount = 0;
  AdaptPreparation(panel, page.Texts == &pages::EnglishTexts());
}

const char* BreathingOptionText(int option, bool english) {
  struct Bilingual {
    const char* Ru;
    const char* En;
  };
  static constexpr std::array<Bilingual, 2> kOptions = {{
      {"Измерение частоты дыхания", "Breathing rate measurement"},
      {"Измерение времени задержки дыхания", "Breath-holding time measurement"},
  }};
  const Bilingual& text = kOptions[option == 0 ? 0 : 1];
  return english ? text.En : text.Ru;
}
