// The preparation page's calibration steps: arming them, and carrying a pending one out on the window thread.
#pragma once

#include <cstdint>
#include <string>

class FTRecordDevice;
class GraphView;
class InfoPanel;

// What a step needs of the main window and the device layer.
class PreparationHost {
 public:
  virtual ~PreparationHost() = default;
  virtual std::int64_t NowMs() const = 0;
  // Sends the mode byte to the unit, found again in the device table under its lock; false when the
  // unit is gone or the send failed (the unit is then closed).
  virtual bool SendModeByte(const FTRecordDevice* unit, std::uint8_t mode) = 0;
  // The slot of the listed unit with this serial number and location, -1 when there is none.
  virtual int FindUnitSlot(const std::string& serial, std::uint32_t location) = 0;
  // Slots in use, by the SensorCode of their unit (0 for a free slot).
  virtual std::uint8_t SlotSensorCode(int slot) = 0;
  // The unit of `slot` is prepared, with its sensor button.
  virtual void MarkPrepared(int slot, std::uint8_t button) = 0;
  virtual void SetMeasureButtonReady() = 0;
  virtual bool ActionButtonVisible() = 0;
  // The action button is drawn again and, when pressed, released.
  virtual void ResetActionButton() = 0;
  // The channel was switched to another range: the graph header and value grid follow.
  virtual void RangeSwitched() = 0;
  // Redraws the information panel.
  virtual void RedrawPanel() = 0;
};

// The page is opened afresh: the step state reset, and the kinds prepared on entry armed.
void ResetPreparationPage(InfoPanel& panel);
// The action button was pressed on the page.
void PressActionButton(InfoPanel& panel);
// Runs at most every 151 ms: refreshes the boxes' live values and carries out a pending step.
void ApplyPreparationStep(InfoPanel& panel, GraphView& view, PreparationHost& host);
// The value shown in a box: one decimal more, then the last digit dropped.
float TruncatedValue(float value, std::uint32_t decimals);
