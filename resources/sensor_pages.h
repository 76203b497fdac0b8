// Page records of every sensor kind's two pages and the start page's texts, one table per language.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace pages {

enum class PageKind : std::uint8_t { Information, Preparation };

inline constexpr std::size_t kMaxBodyLines = 12;

// One page of one or more sensor codes in one language. The builders copy it into the panel's
// text blocks; what changes with the unit, the step or the screen is left to them.
struct PageRecord {
  std::initializer_list<std::uint8_t> Codes;
  PageKind Kind;
  // Information page: the title, the heading's second line. Preparation page: the heading, split
  // over two lines when Heading2 is set.
  const char* Heading;
  const char* Heading2;
  double HeadingFactor;
  // Body lines; a null entry ends the body.
  std::array<const char*, kMaxBodyLines> Body;
  // Shown in Russian whatever the interface language.
  bool RussianOnly = false;
  // The body's larger text factor and line pitch.
  bool LargeBody = true;
  // Information page only: size of its first heading line, the lead to the preparation button.
  double LeadFactor = 0.95;
  // Replacements for a wireless unit (title, last body line) and for the fast unit family
  // (title, last body line); null keeps the record's own.
  const char* WirelessTitle = nullptr;
  const char* WirelessRate = nullptr;
  const char* FastTitle = nullptr;
  const char* FastRate = nullptr;
};

// Texts shared by every page and the start page's own, in one language.
struct CommonTexts {
  const char* InformationLead;
  // The acceleration page's six-step walk: the axis lines X, Y, Z and the fixed steps.
  std::array<const char*, 3> AxisSteps;
  const char* EnterValue;
  const char* TurnOver;
  const char* RepeatTwo;
  const char* RepeatLast;
  const char* MeasureLast;
  const char* PreparationOrder;
  // Start page.
  const char* ConnectFirst;
  const char* ConnectSecond;
  const char* ChooseSensor;
  const char* AllowsSuffix;
  std::array<const char*, 7> AboutLines;
  const char* Composition;
  const char* Contacts;
  // Contacts page line 0 and the lines from 2 up to the first null; line 1 names the program. The
  // project has no web address, so the page neither names a site nor has a link zone.
  const char* InviteFirst;
  const char* InviteProgramPrefix;
  std::array<const char*, 14> InviteRest;
  const char* CatalogueHeading;
  // Catalogue rows 1..69; English rows past those it names read RowFallback.
  std::span<const char* const> CatalogueRows;
  const char* CatalogueRowFallback;
  const char* CatalogueMarker;
  const char* DetectedHeading;
  const char* NoneDetected;
};

std::span<const PageRecord> RussianPages();
std::span<const PageRecord> EnglishPages();
const CommonTexts& RussianTexts();
const CommonTexts& EnglishTexts();

}  // namespace pages
