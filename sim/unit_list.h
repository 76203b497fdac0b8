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

// A model of the family, or null for a family the simulator does not know.
std::unique_ptr<UnitModel> MakeUnitModel(const std::string& family, const std::vector<Signal>& signals);

// Parses a list: units separated by ';', each "FAMILY:ID[:SIGNALS[:SERIAL]]" where ID is "NN/SUM"
// (a description that identifies with those first two characters and sum) or "desc=TEXT", and
// SIGNALS is one signal per channel separated by '|'. Entries that do not parse are reported in
// `errors` and left out.
std::vector<UnitSpec> ParseUnitList(const std::string& text, std::vector<std::string>* errors = nullptr);

// The units attached when the variable is not set: a temperature and a voltage sensor.
std::vector<UnitSpec> DefaultUnits();

// Plugs the units of the variable (or the defaults when it is unset) into the bus.
void AttachUnitsFromEnvironment(Bus& bus);

// Plugs one unit; false when its family is unknown.
bool AttachUnit(Bus& bus, const UnitSpec& spec);

}  // namespace sim
