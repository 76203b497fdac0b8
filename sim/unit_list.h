// Which units the simulator attaches: the unit list syntax, the families and the default units.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/bus.h"
#include "sim/signals.h"

namespace sim {

// The variable the simulator reads its units from; the program itself reads no variable.
inline constexpr const char* UnitsVariable = "VESSAMOR_SIM_UNITS";

// One unit of a list: its family, EEPROM description, serial (empty: assigned) and channel signals.
struct UnitSpec {
  std::string Family;
  std::string Description;
  std::string SerialNumber;
  std::vector<Signal> Signals;
};

// The family names: "wired", "radio", "timer", "typesix", "control"; "auto" picks by the key.
inline constexpr const char* AutoFamily = "auto";

// The family of a DeviceTypeCode: 3 the wireless receiver, 8 the event timer, 6 the type-6 unit,
// 5 the control unit, every other type the wired unit.
std::string FamilyForTypeCode(int device_type);
// The family of an identification key: by its table row's type; "wired" for a key not in the table.
std::string FamilyForKey(std::uint32_t key);

// A model of the family, or null for a family the simulator does not know. `key` is the unit's
// identification key: it resolves "auto", and behind a wireless receiver it tells the pulse sensor
// (SensorCode 35) from the accelerometers.
std::unique_ptr<UnitModel> MakeUnitModel(const std::string& family, const std::vector<Signal>& signals,
                                         std::uint32_t key = 0);

// Parses a list: units separated by ';', each "FAMILY:ID[:SIGNALS[:SERIAL]]" where FAMILY is a
// family name or "auto", ID is "NN/SUM" (a description that identifies with those first two
// characters and sum), "kind=CODE" or "kind=CODE/TYPE" (a description of that SensorCode, of that
// DeviceTypeCode when given) or "desc=TEXT", and SIGNALS is one signal per channel separated by
// '|'. Entries that do not parse are reported in `errors` and left out.
std::vector<UnitSpec> ParseUnitList(const std::string& text, std::vector<std::string>* errors = nullptr);

// The units attached when the variable is not set: a temperature and a voltage sensor.
std::vector<UnitSpec> DefaultUnits();

// Plugs the units of the variable (or the defaults when it is unset) into the bus.
void AttachUnitsFromEnvironment(Bus& bus);

// Plugs one unit; false when its family is unknown.
bool AttachUnit(Bus& bus, const UnitSpec& unit_entry);

}  // namespace sim
