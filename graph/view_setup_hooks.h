// The set-up operations that a loaded record and the recording start after it reach through the view.
#pragma once

#include <cstdint>
#include <functional>

// The graph header, reference set-up, indicator and marker code fills these; an empty hook does
// nothing (a count counts none).
struct ViewSetupHooks {
  // Keeping the live set-up while a loaded record is shown, and giving it back.
  std::function<void()> SaveSetupToReference;
  std::function<void()> SaveCaption;
  std::function<void()> RestoreSetupFromReference;
  // Puts the kept caption back, the view's sensor kind with it.
  std::function<void()> RestoreCaption;
  std::function<void()> SyncIndicatorPanes;
  // The graph header of the view's sensor kind, with every argument 0.
  std::function<void()> SetupGraphHeader;
  std::function<std::uint32_t()> CountMarkedPoints;
  std::function<void()> ClearMarkedPoints;
};
