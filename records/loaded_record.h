// A record read from a file, held apart from the view until it is checked, and its hand-over to the graph view.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "graph/graph_view.h"

namespace records {

class ByteSource;

// Rates a record may carry; anything else is taken as this default.
inline constexpr std::uint32_t kHighestRecordRate = 200000;
inline constexpr std::uint32_t kDefaultRecordRate = 1000;
// Sensor kinds the program knows; a channel with codes of a higher kind is refused.
inline constexpr std::uint16_t kHighestSensorCode = 88;
// The settings panel's sliders reach 100, raised by one for an odd centred smoothing window.
inline constexpr std::uint16_t kLargestFilterWindow = 101;

// The settings of one channel as a record carries them.
struct RecordChannelSettings {
  std::uint8_t DeviceTypeCode = 11;
  std::uint16_t SensorCode = 0;
  float ZeroOffset = 0.0f;
  float ZeroOffset2 = 0.0f;
  float EnteredValue = 0.0f;
  std::int32_t FineOffset = 0;
  std::int32_t FineOffset2 = 0;
  std::uint8_t FineOffsetOn = 0;
  std::uint8_t FineOffset2On = 0;
  std::uint8_t ZeroOffsetOn = 0;
  std::uint8_t ZeroOffset2On = 0;
  std::uint8_t EnteredValueOn = 0;
  std::uint8_t CalibrationOn = 0;  // cleared by every load
  std::uint8_t MedianOn = 0;
  std::uint8_t SmoothingOn = 0;
  std::uint16_t MedianWindow = 0;
  std::uint16_t SmoothingWindow = 0;
  std::uint8_t AltRange = 0;  // the extended axis of kinds 26 and 27 (NoClamp)
  // Records of the first layout carry no running extremes; the second code stands in.
  bool HasRunRange = true;
  // Signed, as the codes they are taken from: a channel with an offset runs below 0.
  std::int16_t RunMax = -1;
  std::int16_t RunMin = -1;
  std::uint8_t CurveSmoothOn = 0;
  std::uint8_t CurveMode = 1;  // 1 straight lines, 2 spline
  float DerivedRate = 0.0f;
  std::uint32_t HistoryCount = 0;     // rate kinds only
  std::uint32_t HistoryCapacity = 0;  // as saved; the load sizes the history afresh
  float Gain = 1.0f;                  // accelerometer kinds only
};

struct LoadedChannel {
  // The record carries this channel's settings; without them only its codes, its kind and the
  // unit type of its codes (Settings.DeviceTypeCode) are taken, and the channel shows its values
  // as they are: no zero offset, calibration or filter of the live channel carries over.
  bool HasSettings = false;
  RecordChannelSettings Settings;
  // The record holds codes of this channel.
  bool Present = false;
  // The codes: in Codes, or, for a record whose codes stay in its file until the hand-over
  // (LoadedRecord::CodeSource), FileCodes of them from byte FileCodesAt on.
  std::vector<std::int16_t> Codes;
  std::uint64_t FileCodesAt = 0;
  std::uint32_t FileCodes = 0;
  std::vector<std::uint16_t> History;  // rate kinds only
  // ReadyCount codes read ahead (ReadCodesAhead) stand in LoadedRecord::ReadyCodes from ReadyAt on;
  // ReadyFailed: the file ended before the channel's end (in it, ReadyCount short, or before it).
  std::size_t ReadyCount = 0;
  bool ReadyFailed = false;
  std::size_t ReadyAt = 0;
};

struct LoadedRecord {
  std::uint32_t Rate = kDefaultRecordRate;
  std::uint8_t ChannelCount = 1;
  // The view's kind; none takes the kind of the first channel with codes.
  std::optional<std::uint16_t> ViewSensorCode;
  // The units' acquisition mode the record was taken with; none leaves the view's.
  std::optional<std::uint8_t> AcquisitionMode;
  // A section ended early: what was read is kept, and the user is told the file is damaged.
  bool Damaged = false;
  // Samples per channel the file holds, whether or not the view has room for all of them.
  std::uint32_t FileSamples = 0;
  // The record replaces what the view shows however short it is (a text record).
  bool ShowAnyLength = false;
  std::array<LoadedChannel, 4> Channels;
  // The file the codes are read from by the hand-over, straight into the view's buffers; none when
  // the channels hold them. It must outlive the hand-over.
  const ByteSource* CodeSource = nullptr;
  // The codes read ahead, in a buffer of the view's size laid out as the hand-over shares the view's
  // among the channels; the hand-over takes it as the view's and leaves the view's former one here.
  CodeVector ReadyCodes;

  std::size_t CodeCount(const LoadedChannel& c) const { return CodeSource != nullptr ? c.FileCodes : c.Codes.size(); }
};

// Seconds of one rate window of a rate kind (pulse, radioactivity, breathing); 0 for other kinds.
std::uint32_t RateWindowSeconds(std::uint16_t sensor_code);

// Checks a record against what the view can take and brings what may be mended into range: the
// rate, the channel count, the filter windows, codes beyond the per-channel capacity (which is
// SampleCapacity shared among the channels with codes) and history beyond the history a load
// sizes; a non-zero flag byte is taken as set and an unknown curve mode as straight lines. False
// when the record must be refused: a kind beyond the known ones for a channel with codes, a float
// that is not finite, or no codes at all. Nothing but the record is touched.
bool ValidateLoadedRecord(LoadedRecord& record, std::uint32_t sample_capacity);

// Readies the view's code buffer for the hand-over of a validated record: the pages its codes will be
// written into are taken from the system, no code changed. Run beside the window thread, ahead of the
// hand-over, so that the hand-over's first write into a buffer that no record has filled yet is a copy
// alone. Nothing else of the view is touched.
void PrepareHandOver(GraphView& view, const LoadedRecord& record);

// Reads a validated record's codes from its file into a fresh buffer of the view's size, laid out as
// the hand-over will share the view's among the channels: the work of the hand-over's reads, done
// beside the window thread while the view goes on showing its own record. Leaves ReadyCodes empty,
// for the hand-over to read as before, when the memory for a second buffer is not there. Of the view
// only the buffer's size is read.
void ReadCodesAhead(const GraphView& view, LoadedRecord& record);

// Gives the pages of a large block back to the system a few mebibytes at a time, its contents lost,
// so that freeing it afterwards is quick. Freeing a large block whole holds the process's memory map
// until every page is gone, and each other thread that meets a fresh page meanwhile waits.
void GiveBackPages(void* data, std::size_t bytes);

// What the hand-over found that the caller shows.
struct AppliedRecord {
  std::uint32_t MarkersCleared = 0;  // markers set on the view before the load
  bool ViewSetUp = false;            // the record was long enough to be shown (20 samples or more)
  // The file could not be read to the end of its codes after all (it shrank, or the disk failed):
  // as of a damaged file, the channel it ended in keeps the codes read before and its count says how
  // many, those after it come without codes, and the user is told.
  bool ReadFailed = false;
  // Too little of the file could be read after all to be shown: the view holds no record (none of
  // the one shown before either), no name or title of one, and is to be drawn again whole.
  bool Emptied = false;
};

// Puts a validated record on the view: keeps the live set-up first (once, until a recording gives
// it back), then the rate, each channel's settings, flags and codes, the buffer split by the
// channels with codes, the last sample index, and, for a record long enough, the view set-up of
// a freshly loaded record under the given title. Takes ViewLock for the channel changes; the
// view's set-up hooks run outside it.
AppliedRecord ApplyLoadedRecord(GraphView& view, const LoadedRecord& record, const std::string& title);
// The same for a record that is spent by it: its codes are given back to the system as they are
// copied, so the load holds them once. A record whose codes are still in its file has them read
// from there straight into the channels' buffers, unless they were read ahead: then the buffer that
// holds them becomes the view's, and the view's former buffer is left in the record to be let go.
AppliedRecord ApplyLoadedRecord(GraphView& view, LoadedRecord&& record, const std::string& title);

}  // namespace records
