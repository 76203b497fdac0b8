// A preparation host that records what the steps ask of the window, on a clock the test sets.
#pragma once

#include <map>
#include <vector>

#include "info/preparation_step.h"

struct FakePreparationHost : PreparationHost {
  std::int64_t NowMs() const override { return now; }
  bool SendModeByte(const FTRecordDevice*, std::uint8_t mode) override { return modes.push_back(mode), send_ok; }
  int FindUnitSlot(const std::string& serial, std::uint32_t) override { return units.contains(serial) ? units[serial] : -1; }
  std::uint8_t SlotSensorCode(int slot) override { return codes[static_cast<std::size_t>(slot)]; }
  void MarkPrepared(int slot, std::uint8_t) override { prepared.push_back(slot); }
  void SetMeasureButtonReady() override { ++ready; }
  bool ActionButtonVisible() override { return true; }
  void ResetActionButton() override {}
  void RangeSwitched() override {}
  void RedrawPanel() override { ++redraws; }
  std::int64_t now = 1000;
  bool send_ok = true;
  std::vector<std::uint8_t> modes;
  std::map<std::string, int> units;
  std::array<std::uint8_t, 4> codes{};
  std::vector<int> prepared;
  int ready = 0, redraws = 0;
};
