// Per-kind rows of the single-channel sensor kinds: conversion, texts, decimals, widths, axis, filter and rate.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "channels/conversion_types.h"

class VessamorChannel;

// Which member of a conversion pair a unit's DeviceTypeCode selects.
enum class WidthRule : std::uint8_t {
  Single,     // one member for every unit
  Type11Or2,  // first member for types 11 and 2, second otherwise
  Type11,     // first member only for type 11
  NotType1,   // first member unless the type is 1
};

struct ConversionChoice {
  RawToValueFnType First = nullptr;
  RawToValueFnType Second = nullptr;
  WidthRule Rule = WidthRule::Single;
  // Units of type 2 that send four further low bits take this member instead, when there is one.
  RawToValueFnType ForType2 = nullptr;
};

RawToValueFnType ChooseConversion(const ConversionChoice& choice, std::uint8_t device_type_code);

// Russian and English forms of a text; most rows give the same text twice.
struct LocalText {
  std::string_view Ru;
  std::string_view En;
  std::string_view In(bool english) const { return english ? En : Ru; }
};

enum class SmoothingChoice : std::uint8_t {
  Untouched,   // as the display reset left it
  Off,
  On,          // on with the row's window
  OnKeepWindow,
};

// The rate a row sets: none, a fixed rate, or one that depends on how many units are open.
inline constexpr std::uint32_t kRateUntouched = 0;
inline constexpr std::uint32_t kRateByOpenUnits = 0xFFFFFFFFu;

struct SensorKindRow {
  std::uint8_t Kind = 0;
  std::uint8_t AlsoKind = 0;  // a second kind sharing the row; 0 for none
  LocalText Symbol{};
  LocalText Unit{};
  ConversionChoice Conversion{};
  RangeCheckFnType RangeCheck = nullptr;  // null: never beyond range
  std::uint16_t Decimals = 0;
  std::int32_t ValueWidth = 6;
  std::int32_t UnitWidthRu = 1;
  std::int32_t UnitWidthEn = 1;
  float AxisTextScale = 1.0f;
  float UnitTextScaleRu = 1.0f;
  float UnitTextScaleEn = 1.0f;
  ScaleMapping Axis{};
  // The wider axis a preparation step's NoClamp asks for; no Forward member when the kind has none.
  ScaleMapping NoClampAxis{};
  SmoothingChoice Smoothing = SmoothingChoice::Untouched;
  std::uint16_t SmoothingWindow = 0;
  bool Filter = false;
  bool FilterAfterRate = false;
  std::uint32_t Rate = kRateUntouched;
  std::uint8_t SymbolCaption = 0;
  std::uint32_t HistoryStepSeconds = 0;
  bool WritesSensorCode = true;
  // The channel is the first requested one while a request is pending.
  bool FirstRequestedChannel = false;

  bool Covers(std::uint16_t kind) const { return kind != 0 && (kind == Kind || kind == AlsoKind); }
};

std::span<const SensorKindRow> SensorKindRows();
// The 0 to 3.3 V voltage row every kind without a row of its own takes.
const SensorKindRow& DefaultSensorKindRow();
// The kind's row, or the default row.
const SensorKindRow& SensorKindRowFor(std::uint16_t kind);

// Writes the row's channel fields (conversion, range check, code, texts, widths, scales, axis and the
// row's options); the filter and rate steps are the caller's, since they involve the view.
void WriteSensorKindRow(VessamorChannel& channel, const SensorKindRow& row, std::uint16_t kind, bool english);
