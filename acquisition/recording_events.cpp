// The unit events forwarded to the graph view's recording control.
#include "acquisition/recording_events.h"

#include "acquisition/worker_threads.h"
#include "graph/graph_view.h"

// Each call lets the device worker's code layout lock go: the view takes its own lock.
void RecordingEvents::ResetRecordingBuffers() {
  OutsideCodeLayout outside;
  View.ResetRecordingBuffers();
}

void RecordingEvents::SetReceivedBytes(std::uint32_t bytes) { View.SetReceivedBytes(bytes); }

void RecordingEvents::StopRecordingOnDeviceEnd() {
  OutsideCodeLayout outside;
  View.StopRecordingOnDeviceEnd();
}

void RecordingEvents::UnitLostWhileRecording(const std::string& name) {
  if (View.Hooks.UnitLost) View.Hooks.UnitLost(name);
}

void RecordingEvents::OnRadioLinkMessage(std::uint8_t first, std::uint8_t second) {
  OutsideCodeLayout outside;
  View.OnRadioLinkMessage(first, second);
}
