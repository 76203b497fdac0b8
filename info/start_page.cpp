// The start page's menu, the sensor catalogue with its scrolling, and the detected-sensors list.
#include "info/start_page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "acquisition/device_manager.h"
#include "info/info_pages.h"
#include "info/info_panel.h"
#include "resources/sensor_pages.h"
#include "resources/string_table.h"

namespace {

constexpr std::uint8_t kAboutItem = 0, kCatalogueItem = 1, kContactsItem = 2;
constexpr int kCatalogueRows = 69;
// Lines of a catalogue that holds every row: the heading, the upper marker and 69 rows.
constexpr int kCatalogueLines = kCatalogueRows + 2;
constexpr double kCatalogueLinePitch = 18.4;
constexpr double kHeadingSize = 0.95, kRowSize = 0.92;
constexpr std::size_t kContactsLinkLine = 4;

// Row 1..69 to sensor code; the wireless rows carry the flag.
// clang-format off
constexpr std::array<CatalogueKind, kCatalogueRows> kRowKinds = {{
    {10}, {18}, {17}, {9}, {16},        {11}, {20}, {21}, {22}, {23},       {13}, {12}, {26}, {14}, {36},
    {31}, {27}, {1}, {4},               {3}, {3},                           {5}, {29}, {30},
    {32}, {33}, {34}, {35}, {35, true}, {37}, {39}, {40}, {42}, {41},       {43}, {38}, {44}, {45}, {48},
    {7}, {8}, {7, true}, {8, true},     {52}, {64}, {65}, {54}, {72},       {66}, {67}, {68}, {69}, {70}, {71},
    {73}, {77}, {74}, {75}, {76},       {78}, {79, true}, {80}, {53}, {83}, {84}, {85}, {86}, {87}, {88},
}};
// clang-format on

const pages::CommonTexts& TextsFor(const InfoPanel& panel) {
  return panel.English() ? pages::EnglishTexts() : pages::RussianTexts();
}

std::uint16_t Language(const InfoPanel& panel) { return panel.English() ? 1033 : 1049; }

// The program's display name in the interface language; string table texts are literals.
const char* DisplayName(std::uint16_t language) { return LoadString(kStringTitle, language).data(); }

// Lines that join a fixed text to the display name, made once per language.
const char* Joined(std::uint16_t language, bool name_first, const char* text) {
  static std::array<std::string, 4> cache;
  const std::size_t slot = (language == 1049 ? 0 : 2) + (name_first ? 0 : 1);
  if (cache[slot].empty()) {
    const std::string name(DisplayName(language));
    cache[slot] = name_first ? name + text : std::string(text) + name;
  }
  return cache[slot].c_str();
}

// Cuts a formatted line back to its last whole UTF-8 character.
void TrimToCharacter(char* text) {
  std::size_t end = std::strlen(text);
  // Walk back over continuation bytes to the lead byte; drop the character if it is incomplete.
  std::size_t lead = end;
  while (lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) --lead;
  if (lead == 0) return;
  const auto first = static_cast<unsigned char>(text[lead - 1]);
  const std::size_t need = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
  if (end - (lead - 1) < need) text[lead - 1] = '\0';
}

bool FirstUnitPresent(const InfoPanel& panel) {
  DeviceManager* devices = panel.Owner.Devices;
  if (devices == nullptr) return false;
  std::lock_guard<std::recursive_mutex> lock(devices->TableLock);
  return devices->DeviceTable[0] != nullptr;
}

void AppendMenu(InfoPanel& panel) {
  const pages::CommonTexts& t = TextsFor(panel);
  TextBlock& body = panel.Body;
  const std::int32_t first = body.Count();
  body.SetLine(first, DisplayName(Language(panel)), 1.0);
  body.SetLine(first + 1, t.Composition, 1.0);
  body.SetLine(first + 2, t.Contacts, 1.0);
  for (std::int32_t i = first; i < first + 3 && i < TextBlock::kMaxLines; ++i)
    body.ColumnEnd[static_cast<std::size_t>(i)] = 1;
}

void BuildAbout(InfoPanel& panel) {
  const pages::CommonTexts& t = TextsFor(panel);
  TextBlock& body = panel.Body;
  body.SubSelection = 0;
  body.CatalogueFirstRow = 0;
  body.Clear(true);
  body.LineCount = 0;
  body.StyleFlags[2] = 1;
  body.SetLine(0, Joined(Language(panel), true, t.AllowsSuffix), 1.0);
  for (std::size_t i = 0; i < t.AboutLines.size(); ++i)
    body.SetLine(static_cast<std::int32_t>(i + 1), t.AboutLines[i], 1.0);
  body.SetLine(8, "", 1.0);
  AppendMenu(panel);
  body.StyleFlags[0] = 3;
  panel.MenuStyle = 3;
  panel.MenuFactorA = 0.2;
  panel.MenuFactorB = -820.0 * panel.Owner.ScaleX;
}

// The contacts are Russian in both interface languages; only the menu row follows the language.
void BuildContacts(InfoPanel& panel) {
  const pages::CommonTexts& t = pages::RussianTexts();
  TextBlock& body = panel.Body;
  body.SubSelection = 0;
  body.CatalogueFirstRow = 0;
  body.Clear(true);
  body.LineCount = 0;
  body.SetLine(0, t.InviteFirst, 1.0);
  body.SetLine(1, Joined(1049, false, t.InviteProgramPrefix), 1.0);
  for (std::size_t i = 0; i < t.InviteRest.size() && t.InviteRest[i] != nullptr; ++i)
    body.SetLine(static_cast<std::int32_t>(i + 2), t.InviteRest[i], 1.0);
  // The invitation line is the link to the program's page.
  body.CurrentStep[kContactsLinkLine] = 1;
  // The lines shrink together to the room above the menu row.
  const std::int32_t lines = body.LineCount;
  const double full = lines * panel.BodyLinePitch(1.0);
  if (panel.StartBodyRoom > 0 && full > panel.StartBodyRoom) {
    const double factor = std::floor(100.0 * panel.StartBodyRoom / full) / 100.0;
    for (std::int32_t i = 0; i < lines; ++i) body.FontSize[static_cast<std::size_t>(i)] = factor;
  }
  AppendMenu(panel);
  body.StyleFlags[0] = 4;
  panel.MenuStyle = 3;
  panel.MenuFactorA = 0.135;
  panel.MenuFactorB = -41.0 * panel.Owner.ScaleX;
}

// Lines shown for first row k: all n at the top, the rest of the list once scrolled.
std::int32_t ShownLines(std::int32_t n, std::int32_t k) { return k > 0 ? std::min(n, kCatalogueLines - k) : n; }

void BuildCatalogue(InfoPanel& panel) {
  TextBlock& body = panel.Body;
  body.Clear(false);
  std::uint8_t n = CatalogueLineCount(panel.Owner.PanelHeight, panel.Owner.ScaleY, panel.Owner.AspectRatio,
                                      panel.Heading.Count() > 1);
  // Never more lines than the body holds above the menu row.
  const std::int32_t row_pitch = panel.BodyLinePitch(kRowSize);
  if (panel.StartBodyRoom > 0 && row_pitch > 0) {
    const std::int32_t fit = 1 + (panel.StartBodyRoom - panel.BodyLinePitch(kHeadingSize)) / row_pitch;
    n = static_cast<std::uint8_t>(std::clamp<std::int32_t>(std::min<std::int32_t>(n, fit), 3, kCatalogueLines));
  }
  body.MenuLevel = n;
  // A marker line scrolls; any other line opens its row.
  std::int32_t k = body.CatalogueFirstRow;
  const std::int32_t s = body.SubSelection;
  const std::int32_t last = ShownLines(n, k) - 1;
  if (k == 0 && s == last) {
    body.SubSelection = 0;
    k = n - 2;
  } else if (k > 0 && s == 1) {
    body.SubSelection = 0;
    k = std::max(0, k - n + 3);
  } else if (k > 0 && s == last && k + s < kCatalogueLines - 1) {
    body.SubSelection = 0;
    k = k + s - 2;
  }
  body.CatalogueFirstRow = static_cast<std::uint8_t>(std::clamp(k, 0, kCatalogueRows));
  if (body.SubSelection != 0) {
    ShowCatalogueEntry(panel);
    // The row's page shows its sensor's picture, as its information page does.
    panel.ChooseIntroPicture();
  } else {
    BuildSensorCataloguePage(panel);
  }
  AppendMenu(panel);
  body.StyleFlags[0] = 3;
  panel.MenuStyle = 3;
  panel.MenuFactorA = 0.135;
  panel.MenuFactorB = -41.0 * panel.Owner.ScaleX;
  panel.Wireless = 0;
}

}  // namespace

CatalogueKind CatalogueRowKind(int row) {
  if (row < 1 || row > kCatalogueRows) return {};
  return kRowKinds[static_cast<std::size_t>(row - 1)];
}

std::uint8_t CatalogueLineCount(std::int32_t panel_height, float scale_y, float aspect, bool two_line_heading) {
  const double pitch = kCatalogueLinePitch * scale_y;
  double r = std::trunc((aspect <= 1.5f ? 6.0 : 11.0) * pitch);
  if (two_line_heading) r = std::trunc(r + 2.0 * pitch);
  if (pitch <= 0.0) return 3;
  const double n = std::nearbyint((panel_height - r) / pitch);
  // The two markers and the heading need three lines; more than the whole list is never shown.
  return static_cast<std::uint8_t>(std::clamp(n, 3.0, static_cast<double>(kCatalogueLines)));
}

void BuildStartPage(InfoPanel& panel) {
  const pages::CommonTexts& t = TextsFor(panel);
  const double base = panel.BaseFontSize;
  panel.Heading.Clear(true);
  panel.Heading.LineCount = 0;
  if (!FirstUnitPresent(panel)) {
    panel.Heading.SetLine(0, t.ConnectFirst, base * 1.2);
    panel.Heading.SetLine(1, t.ConnectSecond, base * 1.2);
  } else {
    panel.Heading.SetLine(0, t.ChooseSensor, base * 1.3);
  }
  switch (panel.MenuSelection) {
    case kAboutItem: BuildAbout(panel); break;
    case kCatalogueItem: BuildCatalogue(panel); break;
    case kContactsItem: BuildContacts(panel); break;
    default: break;
  }
}

MenuChoice SelectMenuItem(InfoPanel& panel, std::uint8_t index) {
  TextBlock& body = panel.Body;
  if (body.MenuLevel != 0) {
    if (body.SubSelection == index) return {index, false};
    body.SubSelection = index;
    return {index, true};
  }
  if (panel.MenuSelection == index) return {index, false};
  panel.MenuSelection = index;
  body.SubSelection = 0;
  return {index, true};
}

void BuildSensorCataloguePage(InfoPanel& panel) {
  const pages::CommonTexts& t = TextsFor(panel);
  TextBlock& body = panel.Body;
  const std::int32_t k = body.CatalogueFirstRow;
  const std::int32_t n = ShownLines(std::max<std::int32_t>(body.MenuLevel, 3), k);
  body.LineCount = 0;
  body.SetLine(0, t.CatalogueHeading, kHeadingSize);
  for (std::int32_t i = 1; i < n; ++i) {
    body.CatalogueRows[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::max(0, k - 1 + i));
    const int row = k > 0 ? k - 1 + i : i;
    const bool upper = k > 0 && i == 1;
    const bool lower = i == n - 1 && (k == 0 || n != kCatalogueLines - k);
    const auto named = static_cast<std::size_t>(row - 1);
    const char* text = upper || lower                   ? t.CatalogueMarker
                       : named < t.CatalogueRows.size() ? t.CatalogueRows[named]
                                                        : t.CatalogueRowFallback;
    body.SetLine(i, text, kRowSize);
    body.Clickable[static_cast<std::size_t>(i)] = 1;
  }
  body.StyleFlags[2] = 1;
}

void ShowCatalogueEntry(InfoPanel& panel) {
  const TextBlock& body = panel.Body;
  const std::size_t line = std::min<std::size_t>(body.SubSelection, TextBlock::kMaxLines - 1);
  const int row = body.CatalogueFirstRow > 0 ? body.CatalogueRows[line] : body.SubSelection;
  const CatalogueKind kind = CatalogueRowKind(row);
  panel.SensorCode = kind.Code;
  panel.Wireless = kind.Wireless ? 1 : 0;
  panel.UnitTypeCode = 0;
  BuildInformationPage(panel, false);
}

void BuildDetectedSensorsPage(InfoPanel& panel) {
  const pages::CommonTexts& t = TextsFor(panel);
  panel.Heading.Clear(true);
  panel.Heading.LineCount = 0;
  panel.Heading.SetLine(0, t.DetectedHeading, panel.BaseFontSize * 1.3);
  TextBlock& body = panel.Body;
  body.Clear(true);
  body.LineCount = 0;
  panel.Extra.LineCount = 0;
  DeviceManager* devices = panel.Owner.Devices;
  std::int32_t line = 0;
  if (devices != nullptr) {
    // A search on the device worker may replace the units meanwhile. It writes a kept unit's
    // Present byte outside the lock, so presence is read from the slots' mask bits.
    std::lock_guard<std::recursive_mutex> lock(devices->TableLock);
    const std::uint32_t count = std::min<std::uint32_t>(devices->CountDevices(), devices->DeviceTable.size());
    const std::uint8_t present = ConnectedMask.load();
    for (std::uint32_t i = 0; i < count; ++i) {
      const FTRecordDevice* unit = devices->DeviceTable[i].get();
      if (unit == nullptr || (present & (1u << i)) == 0) continue;
      auto& buffer = panel.DetectedLines[static_cast<std::size_t>(line)];
      if (unit->TwoLines != 0) {
        std::snprintf(buffer.data(), buffer.size(), "%s %s  %s", unit->NameLine1.c_str(), unit->NameLine2.c_str(),
                      unit->Model.c_str());
      } else {
        std::snprintf(buffer.data(), buffer.size(), "%s  %s", unit->NameLine1.c_str(), unit->Model.c_str());
      }
      TrimToCharacter(buffer.data());
      body.SetLine(line++, buffer.data(), 1.0);
    }
  }
  // None counted, or every counted unit left while the list was read.
  if (line == 0) {
    body.SetLine(0, t.NoneDetected, 1.0);
    return;
  }
  body.StyleFlags[1] = 1;
}
