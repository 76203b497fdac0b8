// The unit events forwarded to the graph view's recording control.
#include "acquisition/recording_events.h"

#include "graph/graph_view.h"

void RecordingEvents::ResetRecordingBuffers() { View.ResetRecordingBuffers(); }

void RecordingEvents::SetReceivedBytes(std::uint32_t bytes) { View.SetReceivedBytes(bytes); }

void RecordingEvents::StopRecordingOnDeviceEnd() { View.StopRecordingOnDeviceEnd(); }

void RecordingEvents::OnRadioLinkMessage(std::uint8_t first, std::uint8_t second) {
  View.OnRadioLinkMessage(first, second);
}
