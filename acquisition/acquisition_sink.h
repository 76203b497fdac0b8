// What the device worker asks of the recording it feeds: the tick after new data and the end of a full record.
#pragma once

// The recording control of the graph view as the device worker calls it. Every call is made on
// the device worker thread.
class AcquisitionSink {
 public:
  virtual ~AcquisitionSink() = default;

  // A poll brought new data: convert, filter, reduce to columns, request redraws.
  virtual void AcquisitionTick() = 0;
  // The record is full: stop the recording when one runs. Never starts one, whatever the state.
  virtual void StopFullRecord() = 0;
  // After the stop bytes on the information screens: the slots' new-slot flags from the prepared sensors.
  virtual void MarkDevicesInUse(bool with_first_flag) = 0;
  // Whether a recording runs now; read when the start packets go out.
  virtual bool IsRecording() const = 0;
};
