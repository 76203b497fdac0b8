// Tests of the workers stepped on one thread with a clock that moves only when they sleep.
#include <algorithm>

#include "acquisition/device_families.h"
#include "manager_test_support.h"

namespace managertest {
namespace {

class WorkerStepTest : public ManagerTestBase {
 protected:
  void SetUp() override {
    ManagerTestBase::SetUp();
    DeviceRunFlag = 1;
    ControlRunFlag = 1;
    worker = std::make_unique<DeviceWorker>(*manager);
    worker->Begin();
  }
  void TearDown() override {
    worker.reset();
    ManagerTestBase::TearDown();
  }
  // A fresh manager and worker on an empty bus.
  void Restart() {
    worker.reset();
    Renew();
    DeviceRunFlag = 1;
    ControlRunFlag = 1;
    worker = std::make_unique<DeviceWorker>(*manager);
    worker->Begin();
  }
  // Steps until the window has been asked `requests` times in all; false if the worker ended first.
  bool StepUntilRequests(int requests, int max_steps = 100000) {
    for (int i = 0; i < max_steps && side.Requests.load() < requests; ++i) {
      if (!worker->Step()) return false;
    }
    return side.Requests.load() >= requests;
  }
  bool StepUntilState(std::uint8_t state, int max_steps = 100000) {
    for (int i = 0; i < max_steps && DeviceThreadState.load() != state; ++i) {
      if (!worker->Step()) break;
    }
    return DeviceThreadState.load() == state;
  }
  // A search with the wired voltage unit in slot 0 and two channels ready to record.
  void FindAndStart(std::uint32_t bytes_per_channel = 1u << 20) {
    ASSERT_TRUE(StepUntilRequests(side.Requests.load() + 1));
    FillSlot(0, 2);
    recording.Recording = true;
    manager->StartAllDevices(Params(bytes_per_channel));
    ASSERT_EQ(DeviceThreadState.load(), kDeviceCommand);
    ASSERT_TRUE(worker->Step());
    ASSERT_EQ(DeviceThreadState.load(), kDeviceMeasuring);
  }
  int StopsOf(sim::UnitId id) {
    int stops = -1;
    bus.WithModel<sim::WiredUnitModel>(id, [&](sim::WiredUnitModel& m) { stops = m.StopCount(); });
    return stops;
  }

  std::unique_ptr<DeviceWorker> worker;
};

TEST_F(WorkerStepTest, BusyWindowIsAskedAgainForAtMostThreeSeconds) {
  struct Case {
    const char* name;
    int busy;
    bool answering;
    int requests;       // asked this often during the one search
    std::uint32_t waited;  // clock time spent waiting on the window
  } cases[] = {
      {"answered at once", 0, true, 1, 0},
      {"busy twice", 2, true, 3, 2 * kIdleSleepMs},
      {"always busy", 1000000, true, kStartScreenWaitMs / kIdleSleepMs, kStartScreenWaitMs},
      {"never answers", 0, false, 1, kStartScreenWaitMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    side.BusyAnswers = c.busy;
    side.Answering = c.answering;
    std::uint32_t first_request = 0;
    side.OnRequest = [&](std::uint32_t) {
      if (first_request == 0) first_request = clock.NowMs();
    };
    const int before = side.Requests.load();
    ASSERT_TRUE(StepUntilRequests(before + 1));
    EXPECT_EQ(side.Requests.load() - before, c.requests);
    EXPECT_EQ(clock.NowMs() - first_request, c.waited);
    side.OnRequest = nullptr;
  }
  side.BusyAnswers = 0;
  side.Answering = true;
}

TEST_F(WorkerStepTest, PauseDuringSearchIsAnsweredAfterTheSearchAndTheStartScreenCall) {
  // The type-6 unit's probe makes the search wait on the clock; the window's pause comes then.
  PlugModel<sim::TypeSixUnit>(TypeSix());
  PlugWired(VoltageSensor());
  side.Answering = false;
  clock.OnSleep = [&](std::uint32_t) {
    if (manager->Searching.load() != 0) {
      std::uint8_t idle = kDeviceSearch;
      DeviceThreadState.compare_exchange_strong(idle, kDevicePauseRequest);
    }
  };
  ASSERT_TRUE(StepUntilRequests(1));
  clock.OnSleep = nullptr;
  // The search finished and the window was asked once, without waiting for its answer.
  EXPECT_EQ(DeviceThreadState.load(), kDevicePauseRequest);
  EXPECT_EQ(manager->Searching.load(), 0);
  EXPECT_EQ(ConnectedMask.load(), 0b11);
  EXPECT_EQ(side.Requests.load(), 1);

  ASSERT_TRUE(worker->Step());
  EXPECT_EQ(DeviceThreadState.load(), kDevicePaused);
  for (int i = 0; i < 500; ++i) ASSERT_TRUE(worker->Step());
  EXPECT_EQ(DeviceThreadState.load(), kDevicePaused);
  EXPECT_EQ(side.Requests.load(), 1);

  // Back to searching: the next search follows at once.
  side.Answering = true;
  DeviceThreadState = kDeviceSearch;
  ASSERT_TRUE(worker->Step());
  EXPECT_EQ(side.Requests.load(), 2);
}

TEST_F(WorkerStepTest, StartAfterPauseRunsAndStopWritesTheStopByteOnce) {
  const sim::UnitId unit = PlugWired(VoltageSensor());
  ASSERT_TRUE(StepUntilRequests(1));
  // The window pauses the worker before it touches the tables.
  bool answered = false;
  clock.OnSleep = [&](std::uint32_t) {
    if (!answered) answered = worker->Step() && DeviceThreadState.load() == kDevicePaused;
  };
  WaitAcquisitionAck(false, clock);
  clock.OnSleep = nullptr;
  ASSERT_EQ(DeviceThreadState.load(), kDevicePaused);

  FillSlot(0, 2);
  recording.Recording = true;
  manager->StartAllDevices(Params());
  ASSERT_EQ(DeviceThreadState.load(), kDeviceCommand);
  ASSERT_TRUE(worker->Step());
  EXPECT_EQ(DeviceThreadState.load(), kDeviceMeasuring);
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(worker->Step());
  EXPECT_GT(recording.Ticks.load(), 0);
  EXPECT_GT(slots[0]->Channels[1]->CodeCount, 0u);
  bus.WithModel<sim::WiredUnitModel>(unit, [](sim::WiredUnitModel& m) {
    ASSERT_EQ(m.StartPackets().size(), 1u);
    EXPECT_EQ(m.StartPackets()[0].Channels, 2);
    EXPECT_EQ(m.StartPackets()[0].PeriodUs, 1000);
    EXPECT_TRUE(m.Running());
  });

  window.Bytes.InfoScreenActive = 1;
  manager->StopAllDevices();
  ASSERT_TRUE(worker->Step());
  EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch);
  EXPECT_EQ(recording.Marks.load(), 1);
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(worker->Step());
  EXPECT_EQ(StopsOf(unit), 1);
}

TEST_F(WorkerStepTest, StatesTheWorkerDoesNotOwnAreNeverOverwritten) {
  PlugWired(VoltageSensor());
  FindAndStart();
  // The window's pause arrives while the worker polls a unit that vanishes.
  recording.Recording = false;
  recording.OnDeviceEnd = [] { DeviceThreadState = kDevicePauseRequest; };
  bus.Reset(sim::ClockMode::Virtual);
  ASSERT_TRUE(worker->Step());
  EXPECT_EQ(DeviceThreadState.load(), kDevicePauseRequest);
  recording.OnDeviceEnd = nullptr;
}

TEST_F(WorkerStepTest, EndingWhileMeasuringSendsTheStopBytesFirst) {
  struct Case {
    const char* name;
    std::function<void()> ask;
  } cases[] = {
      {"run flag cleared", [] { DeviceRunFlag = 0; }},
      {"stop after recording", [] { StopAfterRecording = 1; }},
      {"stop request", [] { DeviceThreadState = kDeviceStopRequest; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    const sim::UnitId unit = PlugWired(VoltageSensor());
    FindAndStart();
    ASSERT_TRUE(worker->Step());
    c.ask();
    ASSERT_FALSE(worker->Step());
    EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
    EXPECT_EQ(StopsOf(unit), 1);
    EXPECT_EQ(Unit(0)->Running, 0);
  }
}

TEST_F(WorkerStepTest, PausedWorkerEndsOnStopAfterRecordingAndWhenTheWindowCloses) {
  DeviceThreadState = kDevicePauseRequest;
  ASSERT_TRUE(worker->Step());
  ASSERT_EQ(DeviceThreadState.load(), kDevicePaused);
  ClosingFlag = 1;
  ASSERT_TRUE(worker->Step());
  StopAfterRecording = 1;
  EXPECT_FALSE(worker->Step());
  EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);

  // A search during the close ends the worker instead of asking the window.
  Restart();
  StopAfterRecording = 0;
  ClosingFlag = 1;
  const int before = side.Requests.load();
  int steps = 0;
  while (worker->Step() && steps < 1000) ++steps;
  EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
  EXPECT_EQ(side.Requests.load(), before);
  ClosingFlag = 0;
}

TEST_F(WorkerStepTest, WaitAcquisitionAckPollsWithinItsLimits) {
  struct Case {
    const char* name;
    std::uint8_t state;
    bool short_wait;
    std::uint32_t answer_after;  // 0: the worker never answers
    std::uint8_t final_state;
    std::uint32_t waited;
  } cases[] = {
      {"already paused", kDevicePaused, false, 0, kDevicePaused, 0},
      {"worker ended", kDeviceEnded, false, 0, kDeviceEnded, 0},
      {"worker asked to end", kDeviceStopRequest, false, 0, kDeviceStopRequest, 0},
      {"answered", kDeviceSearch, false, 30, kDevicePaused, 30},
      {"answered while measuring", kDeviceMeasuring, true, 10, kDevicePaused, 10},
      {"no answer", kDeviceSearch, false, 0, kDevicePauseRequest, kAckWaitMs},
      {"no answer, short wait", kDeviceMeasuring, true, 0, kDevicePauseRequest, kAckShortWaitMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceThreadState = c.state;
    const std::uint32_t start = clock.NowMs();
    clock.OnSleep = [&](std::uint32_t now) {
      std::uint8_t asked = kDevicePauseRequest;
      if (c.answer_after != 0 && now - start >= c.answer_after) {
        DeviceThreadState.compare_exchange_strong(asked, kDevicePaused);
      }
    };
    WaitAcquisitionAck(c.short_wait, clock);
    clock.OnSleep = nullptr;
    EXPECT_EQ(DeviceThreadState.load(), c.final_state);
    EXPECT_EQ(clock.NowMs() - start, c.waited);
  }
}

class ControlWorkerTest : public ManagerTestBase {
 protected:
  void SetUp() override {
    ManagerTestBase::SetUp();
    ControlRunFlag = 1;
  }
  // A control unit on the bus, opened into the control table as the factory would.
  sim::UnitId PlugControl(bool answers) {
    sim::UnitInfo info;
    info.Description = "CONTROL";
    auto model = std::make_unique<sim::ControlUnit>();
    model->SetAnswersRts(answers);
    const sim::UnitId id = bus.Plug(info, std::move(model));
    auto unit = std::make_unique<DeviceFive>();
    unit->Clock = &clock;
    EXPECT_TRUE(unit->OpenByIndex(0));
    manager->ControlDeviceTable[0] = std::move(unit);
    return id;
  }
  struct ControlState {
    int ResetsWhileRts = 0;
    int ResetMessages = 0;
    int UnexpectedBytes = 0;
    bool Rts = false;
  };
  ControlState State(sim::UnitId id) {
    ControlState state;
    bus.WithModel<sim::ControlUnit>(id, [&](sim::ControlUnit& m) {
      state = {m.ResetsWhileRts(), m.ResetMessages(), m.UnexpectedBytes(), m.Rts()};
    });
    return state;
  }
};

TEST_F(ControlWorkerTest, ResetCycleSendsTheMessageWhileRtsIsUpAndRepeats) {
  const sim::UnitId id = PlugControl(true);
  ControlWorker worker(*manager);
  ControlCommand = kControlResetCycle;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(worker.Step());
  EXPECT_EQ(worker.Cycles(), 3u);
  EXPECT_EQ(worker.EventsSeen(), 3u);
  const ControlState unit = State(id);
  EXPECT_EQ(unit.ResetsWhileRts, 3);
  EXPECT_EQ(unit.UnexpectedBytes, 0);
  EXPECT_FALSE(unit.Rts);
  EXPECT_EQ(ControlCommand.load(), kControlResetCycle);
  EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch);
}

TEST_F(ControlWorkerTest, ModemEventWaitIsBoundedAndEndsOnAStopRequest) {
  const sim::UnitId id = PlugControl(false);
  ControlWorker worker(*manager);
  ControlCommand = kControlResetCycle;
  std::uint32_t start = clock.NowMs();
  ASSERT_TRUE(worker.Step());
  // The wait, the pause after the cycle and the pass's own sleep.
  EXPECT_EQ(clock.NowMs() - start, kModemEventWaitMs + kResetCycleSleepMs + kControlPassSleepMs);
  EXPECT_EQ(worker.EventsSeen(), 0u);
  // The reset message goes out all the same.
  EXPECT_EQ(State(id).ResetMessages, 1);

  start = clock.NowMs();
  clock.OnSleep = [&](std::uint32_t now) {
    if (now - start >= 200) ControlCommand = kControlStopRequest;
  };
  EXPECT_FALSE(worker.Step());
  clock.OnSleep = nullptr;
  EXPECT_EQ(ControlCommand.load(), kControlEnded);
  EXPECT_EQ(clock.NowMs() - start, 200 + kResetCycleSleepMs);
}

TEST_F(ControlWorkerTest, CommandsAndTheirAnswers) {
  PlugControl(true);
  struct Case {
    std::uint8_t command;
    std::uint8_t after;
    bool goes_on;
  } cases[] = {{kControlIdle, kControlIdle, true},
               {kControlPurge, kControlIdle, true},
               {kControlIdleToo, kControlIdle, true},
               {kControlStopRequest, kControlEnded, false}};
  for (const Case& c : cases) {
    ControlWorker worker(*manager);
    ControlCommand = c.command;
    EXPECT_EQ(worker.Step(), c.goes_on) << int(c.command);
    EXPECT_EQ(ControlCommand.load(), c.after) << int(c.command);
  }
  // Without the control unit the cycle does nothing; a cleared run flag ends the worker.
  manager->ControlDeviceTable[0].reset();
  ControlWorker worker(*manager);
  ControlCommand = kControlResetCycle;
  EXPECT_TRUE(worker.Step());
  EXPECT_EQ(worker.Cycles(), 0u);
  ControlRunFlag = 0;
  EXPECT_FALSE(worker.Step());
  EXPECT_EQ(ControlCommand.load(), kControlEnded);
}

}  // namespace
}  // namespace managertest
