// Closing the main window on the simulated bus in real time: while the worker awaits the window's
// answer to its search, and during a recording of two units (the close button up to both workers
// joined): the time a user waits, on its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/app_test_support.h"
#include "app/start_screen_parts.h"
#include "controls/aimage_button.h"
#include "sim/bus.h"
#include "sim/unit_list.h"

namespace {

void Await(apptest::Rig& rig, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    rig.host.Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void PlugDefaultUnits() {
  sim::Bus& bus = sim::Bus::Instance();
  bus.Reset(sim::ClockMode::RealTime);
  for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
}

void BM_CloseWhileTheWorkerAwaitsAnAnswer(benchmark::State& state) {
  PlugDefaultUnits();
  for (auto _ : state) {
    state.PauseTiming();
    auto rig = std::make_unique<apptest::Rig>();
    bool asked = false;
    MainWindow& w = rig->Create();
    w.Hooks.ReconcileSlots = [&asked](MainWindow&) { return !(asked = true); };
    Await(*rig, [&] { return asked; });
    state.ResumeTiming();
    rig->host.Window().Close();
    state.PauseTiming();
    rig.reset();
    state.ResumeTiming();
  }
  sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
}
// The window's close while its device worker awaits the answer to a search, up to the close's return.
BENCHMARK(BM_CloseWhileTheWorkerAwaitsAnAnswer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_CloseDuringARecording(benchmark::State& state) {
  PlugDefaultUnits();
  for (auto _ : state) {
    state.PauseTiming();
    auto rig = std::make_unique<apptest::Rig>(1366, 768);
    std::shared_ptr<StartScreenParts> parts;
    MainWindow& w = rig->Create(false, [&](MainWindow& created) { parts = InstallStartScreenParts(created); });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
    Await(*rig, [&] { return w.SensorButtons[0].Unit != nullptr && w.SensorButtons[1].Unit != nullptr; });
    const auto click = [&](std::int32_t id) {
      AImageButton* button = FindImageButton(w.Window(), id);
      button->State = button->State.load() == ControlFrame::kStateUp ? ControlFrame::kStateDown : ControlFrame::kStateUp;
      w.OnButtonPress(0, 0, id);
    };
    // Both sensors chosen and prepared, the measurement screen entered and a recording begun.
    for (std::size_t i : {1u, 0u}) {
      click(75163 + static_cast<std::int32_t>(i));
      {
        std::lock_guard lock(w.Devices->TableLock);
        w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
      }
      w.RefreshDevices(1);
      w.UpdateMeasureButton();
    }
    click(75172);
    w.OnKeyDown(platform::key::kSpace, 1, 0);
    Await(*rig, [&] {
      std::lock_guard lock(w.View->ViewLock);
      return w.View->SampleCount > 500;
    });
    state.ResumeTiming();
    w.OnButtonPress(0, 0, 75016);
    Await(*rig, [&] { return w.Window().IsClosed(); });
    rig.reset();
  }
  sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
}
// The close button during a recording of two units, up to the window closed and its workers joined.
BENCHMARK(BM_CloseDuringARecording)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
