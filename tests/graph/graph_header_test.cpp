// Tests of the graph header on a kind change and of the kept live set-up and caption.
#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

constexpr PixelRect kGraphRect{40, 60, 1240, 860};

struct HeaderView {
  explicit HeaderView(bool english = false) {
    window.Bytes.EnglishUi = english ? 1 : 0;
    view.Init(100000, kGraphRect, 0xFF, &window);
  }
  FakeMainWindow window;
  GraphView view;
};

TEST(GraphHeader, AKindChangeEmptiesTheRecordButNotTheSameKindNorALoadedRecord) {
  HeaderView h;
  h.view.SensorCode = 9;
  h.view.SetupGraphHeader(false, nullptr, false);
  // Kind 16 comes as a loaded record; kind 15 on a family without a range keeps the one before.
  for (const auto& [kind, emptied] : {std::pair{9, false}, {10, true}, {16, false}, {15, true}}) {
    h.view.LiveSetupKept = kind == 16 ? 1 : 0;
    h.view.KindDeviceType = 6;
    h.view.SampleCount = h.view.LastSampleIndex = 500;
    h.view.RecordViewable = 1;
    h.view.SensorCode = static_cast<std::uint16_t>(kind);
    h.view.SetupGraphHeader(false, nullptr, false);
    EXPECT_EQ(h.view.SampleCount == 0, emptied);
    EXPECT_EQ(h.view.RecordViewable == 0, emptied);
  }
  EXPECT_EQ(h.view.ValueDivisions, 10);  // kind 16's
}

TEST(GraphHeader, ReferenceSaveThenRestoreGivesBackSetUpAndCaption) {
  HeaderView h;
  h.view.SensorCode = h.view.Channel(0).SensorCode = 5;
  h.view.SetupGraphHeader(false, nullptr, false);
  h.view.RecordName = "Запись 2";
  h.view.RestoreCaption();  // nothing kept yet: nothing changes
  const std::string live_symbol = h.view.Channel(0).Symbol;
  const auto live_conversion = h.view.Channel(0).RawToValueFn;
  h.view.SaveSetupToReference();
  h.view.SaveCaption();

  h.view.SensorCode = h.view.Channel(0).SensorCode = 1;
  h.view.SetupGraphHeader(false, nullptr, false);
  h.view.RecordName = "loaded.out";
  ASSERT_NE(h.view.Channel(0).Symbol, live_symbol);

  h.view.RestoreSetupFromReference();
  h.view.RestoreCaption();
  EXPECT_EQ(h.view.Channel(0).Symbol, live_symbol);
  EXPECT_EQ(h.view.Channel(0).RawToValueFn, live_conversion);
  EXPECT_EQ(h.view.GraphTitle, "Измерение pH");
  EXPECT_EQ(h.view.RecordName, "Запись 2");
  EXPECT_EQ(h.view.SensorCode, 5);
}

TEST(GraphHeader, EveryKindsHeaderInTheEnglishInterfaceIsEnglish) {
  HeaderView h(true);
  for (int kind = 0; kind < 512; ++kind) {
    h.view.SensorCode = static_cast<std::uint16_t>(kind % 256);
    h.window.Bytes.BreathingDisplayMode = static_cast<std::uint8_t>(kind / 256);  // both breathing titles
    h.view.SetupGraphHeader(false, nullptr, false);
    for (const std::string& text : {h.view.GraphTitle, h.view.ValueAxisLabel, h.view.TimeAxisLabel})
      EXPECT_EQ(text.find_first_of("\xD0\xD1"), std::string::npos) << kind << ": " << text;  // no Cyrillic
  }
}

}  // namespace
