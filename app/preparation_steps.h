// The preparation pages and the start page's text hooked into the main window: steps, action button, page opening.
#pragma once

#include <memory>

#include "info/preparation_step.h"
#include "platform/window_events.h"

class InfoPanel;
class MainWindow;
struct StartScreenParts;

// Control id of the preparation page's action button.
inline constexpr std::int32_t kActionButtonId = 75173;

// The main window's side of a preparation step (window thread).
class WindowPreparationHost final : public PreparationHost {
 public:
  WindowPreparationHost(MainWindow& window, StartScreenParts& parts) : window_(window), parts_(parts) {}
  std::int64_t NowMs() const override;
  bool SendModeByte(const FTRecordDevice* unit, std::uint8_t mode) override;
  int FindUnitSlot(const std::string& serial, std::uint32_t location) override;
  std::uint8_t SlotSensorCode(int slot) override;
  void MarkPrepared(int slot, std::uint8_t button) override;
  void SetMeasureButtonReady() override;
  bool ActionButtonVisible() override;
  void ResetActionButton() override;
  void RangeSwitched() override;
  void RedrawPanel() override;

 private:
  MainWindow& window_;
  StartScreenParts& parts_;
};

// Hooks the steps, the action button and the start page's text into the window; call after the
// start screen's parts are installed and before the window is created.
void InstallPreparationSteps(MainWindow& window, const std::shared_ptr<StartScreenParts>& parts);
// Opens the preparation page of the unit on sensor button `button` (0..3) bound to device slot `slot`.
void OpenPreparationPage(MainWindow& window, StartScreenParts& parts, std::uint8_t button, std::uint8_t slot);
// The page's action button ("Set 0"): finishes a value being typed, or arms the next step.
void OnAdjustButton(MainWindow& window, InfoPanel& panel);
// A key on a temperature sensor's preparation page goes to the box being edited; Enter finishes it.
bool PreparationKey(MainWindow& window, StartScreenParts& parts, unsigned key);
// A left press on the preparation page: into a value box of a temperature sensor, or on a breathing option.
bool PreparationMouseDown(MainWindow& window, StartScreenParts& parts, platform::WindowPoint point);
// After a search: the start page follows the units found; false while the window is busy.
bool ChooseStartPageAfterSearch(MainWindow& window, StartScreenParts& parts);
