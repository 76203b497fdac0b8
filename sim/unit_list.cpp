// Unit lists: parsing the simulator's variable, the unit families and the default units.
#include "sim/unit_list.h"

#include <cstdio>
#include <cstdlib>

#include "acquisition/sensor_identification.h"
#include "sim/control_unit.h"
#include "sim/description.h"
#include "sim/event_timer_unit.h"
#include "sim/radio_receiver_unit.h"
#include "sim/type_six_unit.h"
#include "sim/wired_unit.h"

namespace sim {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

std::optional<std::string> DescriptionFromId(const std::string& id) {
  if (id.rfind("desc=", 0) == 0) {
    std::string text = id.substr(5);
    if (text.empty() || text.size() >= FtDescriptionSize) return std::nullopt;
    return text;
  }
  if (id.rfind("kind=", 0) == 0) {
    char* end = nullptr;
    long code = std::strtol(id.c_str() + 5, &end, 10);
    if (end == id.c_str() + 5 || code < 0 || code > 255) return std::nullopt;
    std::optional<int> type;
    if (*end == '/') {
      const char* type_text = end + 1;
      type = static_cast<int>(std::strtol(type_text, &end, 10));
      if (end == type_text) return std::nullopt;
    }
    if (*end != '\0') return std::nullopt;
    return DescriptionForSensorKind(static_cast<int>(code), type);
  }
  if (id.size() < 4 || id[2] != '/') return std::nullopt;
  char* end = nullptr;
  long sum = std::strtol(id.c_str() + 3, &end, 10);
  if (*end != '\0' || sum < 0 || sum > 0xFFFF) return std::nullopt;
  return DescriptionForKey(id.substr(0, 2), static_cast<std::uint16_t>(sum));
}

}  // namespace

std::string FamilyForTypeCode(int device_type) {
  switch (device_type) {
    case 3: return "radio";
    case 5: return "control";
    case 6: return "typesix";
    case 8: return "timer";
    default: return "wired";
  }
}

std::string FamilyForKey(std::uint32_t key) {
  const SensorKeyEntry* entry = FindSensorKey(key);
  return entry != nullptr ? FamilyForTypeCode(entry->DeviceTypeCode) : "wired";
}

std::unique_ptr<UnitModel> MakeUnitModel(const std::string& family, const std::vector<Signal>& signals,
                                         std::uint32_t key) {
  if (family == AutoFamily) return MakeUnitModel(FamilyForKey(key), signals, key);
  // An accelerometer sends its Z axis first and X third (the program swaps them back): the listed
  // X, Y, Z signals go out in that order.
  const SensorKeyEntry* entry = FindSensorKey(key);
  std::vector<Signal> unit_order = signals;
  if (entry != nullptr && (entry->SensorCode == 7 || entry->SensorCode == 8) && unit_order.size() >= 3) {
    std::swap(unit_order[0], unit_order[2]);
  }
  if (family == "wired") return std::make_unique<WiredUnitModel>(std::move(unit_order));
  if (family == "radio") {
    constexpr int kPulseSensorCode = 35;
    bool pulse = entry != nullptr && entry->SensorCode == kPulseSensorCode;
    return std::make_unique<RadioReceiverUnit>(pulse ? RadioLayout::Pulse : RadioLayout::Accelerometer,
                                               std::move(unit_order));
  }
  if (family == "timer") return std::make_unique<EventTimerUnit>(signals);
  if (family == "typesix") return std::make_unique<TypeSixUnit>();
  if (family == "control") return std::make_unique<ControlUnit>();
  return nullptr;
}

std::vector<UnitSpec> ParseUnitList(const std::string& text, std::vector<std::string>* errors) {
  std::vector<UnitSpec> units;
  auto fail = [&](const std::string& entry, const char* why) {
    if (errors != nullptr) errors->push_back(entry + ": " + why);
  };
  for (const std::string& entry : Split(text, ';')) {
    if (entry.empty()) continue;
    std::vector<std::string> fields = Split(entry, ':');
    if (fields.size() < 2 || fields.size() > 4) {
      fail(entry, "expected FAMILY:ID[:SIGNALS[:SERIAL]]");
      continue;
    }
    UnitSpec unit_entry;
    unit_entry.Family = fields[0];
    if (!MakeUnitModel(unit_entry.Family, {})) {
      fail(entry, "unknown family");
      continue;
    }
    std::optional<std::string> description = DescriptionFromId(fields[1]);
    if (!description) {
      fail(entry, "bad identity (NN/SUM or desc=TEXT)");
      continue;
    }
    unit_entry.Description = *description;
    bool signals_ok = true;
    if (fields.size() >= 3 && !fields[2].empty()) {
      for (const std::string& part : Split(fields[2], '|')) {
        std::optional<Signal> signal = ParseSignal(part);
        if (!signal) signals_ok = false;
        else unit_entry.Signals.push_back(*signal);
      }
    }
    if (!signals_ok) {
      fail(entry, "bad signal");
      continue;
    }
    if (fields.size() == 4) {
      if (fields[3].size() >= FtSerialNumberSize) {
        fail(entry, "serial longer than 15 characters");
        continue;
      }
      unit_entry.SerialNumber = fields[3];
    }
    units.push_back(std::move(unit_entry));
  }
  return units;
}

std::vector<UnitSpec> DefaultUnits() {
  // "15"/1063 identifies as the -20..+110 °C temperature sensor, "04"/1195 as the ±10 V voltage sensor.
  return ParseUnitList("wired:15/1063:sine=2000,300,0.1;wired:04/1195:sine=2048,1500,1");
}

bool AttachUnit(Bus& bus, const UnitSpec& unit_entry) {
  std::unique_ptr<UnitModel> model = MakeUnitModel(unit_entry.Family, unit_entry.Signals, sim::DescriptionKey(unit_entry.Description));
  if (!model) return false;
  UnitInfo info;
  info.Description = unit_entry.Description;
  info.SerialNumber = unit_entry.SerialNumber;
  bus.Plug(std::move(info), std::move(model));
  return true;
}

void AttachUnitsFromEnvironment(Bus& bus) {
  const char* text = std::getenv(UnitsVariable);
  std::vector<std::string> errors;
  std::vector<UnitSpec> units = text != nullptr ? ParseUnitList(text, &errors) : DefaultUnits();
  for (const std::string& error : errors) std::fprintf(stderr, "%s: %s\n", UnitsVariable, error.c_str());
  for (const UnitSpec& unit_entry : units) AttachUnit(bus, unit_entry);
}

}  // namespace sim
