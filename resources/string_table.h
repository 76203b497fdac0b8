// The program's string table: texts by string id in Russian and English.
#pragma once

#include <cstdint>
#include <string_view>

// Ids of the window title and the intro's texts.
inline constexpr int kStringTitle = 170;
inline constexpr int kStringMaker = 180;
inline constexpr int kStringNameFirst = 181;
inline constexpr int kStringNameSecond = 182;
// The start screen's buttons.
inline constexpr int kStringMeasurements = 171;
inline constexpr int kStringSensorsConnected = 172;
inline constexpr int kStringNoSensors = 173;
inline constexpr int kStringOpenFile = 175;
// The measurement screen's sensor menu: its caption, and the caption while no unit is connected.
inline constexpr int kStringSensors = 134;
inline constexpr int kStringNoSensorsShort = 1351;
// Captions of the graph screen's side panels.
inline constexpr int kStringSensorControl = 165;
inline constexpr int kStringViewRecord = 166;
inline constexpr int kStringChannels = 167;
inline constexpr int kStringDifferences = 168;
// The start page and the preparation pages.
inline constexpr int kStringChooseSensor = 174;
inline constexpr int kStringSetZero = 176;
inline constexpr int kStringCurrentValue = 179;
inline constexpr int kStringCurrentValue1 = 188;
inline constexpr int kStringCurrentValue2 = 189;
// A sensor button whose unit finds too few free channels beside the sensors already taken.
inline constexpr int kStringTooFewChannels = 190;

// The text of `id` in the language (1049 Russian, anything else English); empty for an unknown id.
std::string_view LoadString(int id, std::uint16_t language);
