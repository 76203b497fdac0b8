// The device worker's calls forwarded to the graph view's tick and recording control.
#include "acquisition/view_sink.h"

#include "graph/graph_view.h"

void ViewSink::AcquisitionTick() { View.AcquisitionTick(); }

void ViewSink::StopFullRecord() { View.StopRecording(); }

void ViewSink::MarkDevicesInUse(bool with_first_flag) { View.MarkDevicesInUse(with_first_flag); }

bool ViewSink::IsRecording() const { return View.Recording.load() != 0; }
