// What holds a preparation page's pending step, said for a test that waited for it in vain.
#pragma once

#include <mutex>
#include <sstream>
#include <string>

#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "channels/vessamor_channel.h"
#include "info/info_panel.h"
#include "sim/bus.h"

namespace apptest {

inline std::string PageHold(MainWindow& w, const InfoPanel& panel) {
  const PreparationState& s = panel.Steps;
  std::ostringstream seen;
  seen << "step index " << int(s.StepIndex) << " pending " << int(s.StepPending) << ", button " << int(s.StepButton)
       << " of page " << int(panel.SensorButton) << ", screen " << int(panel.ScreenNumber()) << ", last tick "
       << s.LastPreparationTick << " now " << w.Window().GetClock().NowMs() << "; page pending " << int(w.Bytes.SensorPagePending.load())
       << ", worker " << int(DeviceThreadState.load()) << ", searching " << int(w.Devices->Searching.load())
       << ", connected " << int(ConnectedMask.load()) << ", poll " << int(PollResult.load()) << ", bus "
       << sim::Bus::Instance().NowUs() / 1000 << " ms";
  GraphView& view = *w.View;
  seen << "; view recording " << int(view.Recording.load()) << " state " << int(view.RecordingState.load())
       << ", tick hold " << int(view.Sweep.TickHold.load()) << ", restart " << int(view.Sweep.RestartPending.load())
       << ", graph screen " << int(view.Sweep.GraphScreen.load()) << ", live graph " << int(view.Sweep.InfoLiveGraph.load());
  std::lock_guard lock(view.ViewLock);
  seen << ", " << view.SampleCount << " samples, unprocessed from " << view.Sweep.FirstUnprocessed;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& channel = view.Channel(k);
    if (channel.Enabled != 0) seen << ", channel " << k << " codes " << channel.CodeCount << " of " << channel.CodeCapacity;
  }
  return seen.str();
}

}  // namespace apptest
