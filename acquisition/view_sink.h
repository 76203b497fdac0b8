// The graph view as the device worker's acquisition sink: the tick after new data, the stop of a full record.
#pragma once

#include "acquisition/acquisition_sink.h"

class GraphView;

class ViewSink final : public AcquisitionSink {
 public:
  explicit ViewSink(GraphView& view) : View(view) {}
  ViewSink(const ViewSink&) = delete;
  ViewSink& operator=(const ViewSink&) = delete;

  void AcquisitionTick() override;
  // Stop-only: a full record that is seen after the recording has ended starts nothing.
  void StopFullRecord() override;
  void MarkDevicesInUse(bool with_first_flag) override;
  bool IsRecording() const override;

 private:
  GraphView& View;
};
