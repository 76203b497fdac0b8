// The graph view's recording control as the sensor units call it: an adapter the view owns.
#pragma once

#include <cstdint>

#include "acquisition/unit_events.h"

class GraphView;

class RecordingEvents final : public UnitEvents {
 public:
  explicit RecordingEvents(GraphView& view) : View(view) {}
  RecordingEvents(const RecordingEvents&) = delete;
  RecordingEvents& operator=(const RecordingEvents&) = delete;

  // Takes the view lock: a unit calls it outside any lock of the view.
  void ResetRecordingBuffers() override;
  void SetReceivedBytes(std::uint32_t bytes) override;
  void StopRecordingOnDeviceEnd() override;
  void UnitLostWhileRecording(const std::string& name) override;
  void OnRadioLinkMessage(std::uint8_t first, std::uint8_t second) override;
  RadioLinkState& RadioLink() override { return Link; }

 private:
  GraphView& View;
  // Written by the receiver's decoder on the device worker; cleared at a recording's start.
  RadioLinkState Link;
};
