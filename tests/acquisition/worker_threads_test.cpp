// Tests of the workers stepped on one thread with a clock that moves only when they sleep.
#include "manager_test_support.h"

namespace managertest {
namespace {

class WorkerStepTest : public ManagerTestBase {
 protected:
  void SetUp() override {
    ManagerTestBase::SetUp();
    Restart();
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
  // Steps until the window has been asked once more; false if the worker ended first.
  bool StepUntilNextRequest() {
    const int requests = side.Requests.load() + 1;
    for (int i = 0; i < 100000 && side.Requests.load() < requests; ++i) {
      if (!worker->Step()) return false;
    }
    return side.Requests.load() >= requests;
  }
  // A search with the wired voltage unit in slot 0 and two channels recording.
  void FindAndStart() {
    ASSERT_TRUE(StepUntilNextRequest());
    FillSlot(0, 2);
    recording.Recording = true;
    manager->StartAllDevices(Params());
    ASSERT_TRUE(worker->Step());
    ASSERT_EQ(DeviceThreadState.load(), kDeviceMeasuring);
  }

  std::unique_ptr<DeviceWorker> worker;
};

TEST_F(WorkerStepTest, BusyWindowIsAskedAgainForAtMostThreeSecondsAndSearchesComeEveryTwo) {
  struct Case {
    const char* name;
    int busy;
    bool answering;
    int requests;          // asked this often during the one search
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
    ASSERT_TRUE(StepUntilNextRequest());
    side.OnRequest = nullptr;
    EXPECT_EQ(side.Requests.load() - before, c.requests);
    EXPECT_EQ(clock.NowMs() - first_request, c.waited);
  }
  // The next search comes one search interval after the last one ended.
  side.BusyAnswers = 0;
  side.Answering = true;
  const std::uint32_t ended = clock.NowMs();
  std::uint32_t next = 0;
  side.OnRequest = [&](std::uint32_t) { next = clock.NowMs(); };
  ASSERT_TRUE(StepUntilNextRequest());
  side.OnRequest = nullptr;
  EXPECT_GT(next - ended, kSearchIntervalMs);
  EXPECT_LE(next - ended, kSearchIntervalMs + kIdleSleepMs);
}

TEST_F(WorkerStepTest, APauseRequestDuringADeviceEndIsNotOverwritten) {
  PlugWired(VoltageSensor());
  FindAndStart();
  recording.Recording = false;
  recording.OnDeviceEnd = [] { DeviceThreadState = kDevicePauseRequest; };
  bus.Reset(sim::ClockMode::Virtual);
  ASSERT_TRUE(worker->Step());
  recording.OnDeviceEnd = nullptr;
  EXPECT_EQ(DeviceThreadState.load(), kDevicePauseRequest);
}

TEST_F(WorkerStepTest, APassBegunAfterThePauseRequestPollsNothing) {
  PlugWired(VoltageSensor());
  FindAndStart();
  for (const std::uint8_t state : {kDevicePauseRequest, kDevicePaused, kDeviceMeasuring}) {
    SCOPED_TRACE(static_cast<int>(state));
    const std::uint32_t codes = slots[0]->Channels[0]->CodeCount;
    const int ticks = recording.Ticks.load();
    bus.Advance(std::chrono::milliseconds(50));
    DeviceThreadState = state;
    PollAllDevices(*manager);
    const bool polled = state == kDeviceMeasuring;
    EXPECT_EQ(recording.Ticks.load() > ticks, polled);
    EXPECT_EQ(slots[0]->Channels[0]->CodeCount > codes, polled);
  }
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
    c.ask();
    ASSERT_FALSE(worker->Step());
    EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
    EXPECT_EQ(WiredStops(unit), 1);
  }
}

TEST_F(WorkerStepTest, ClosingEndsAPausedWorkerAndASearchWithoutAskingTheWindow) {
  DeviceThreadState = kDevicePauseRequest;
  ASSERT_TRUE(worker->Step());
  ASSERT_EQ(DeviceThreadState.load(), kDevicePaused);
  ClosingFlag = 1;
  ASSERT_TRUE(worker->Step());
  StopAfterRecording = 1;
  EXPECT_FALSE(worker->Step());
  EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);

  Restart();
  ClosingFlag = 1;
  for (int steps = 0; steps < 1000 && worker->Step(); ++steps) {
  }
  EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
  EXPECT_EQ(side.Requests.load(), 0);
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
      {"worker asked to end", kDeviceStopRequest, false, 0, kDeviceStopRequest, 0},
      {"answered", kDeviceSearch, false, 30, kDevicePaused, 30},
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
};

TEST_F(ControlWorkerTest, ResetCycleSendsTheMessageWhileRtsIsUpAndLeavesTheDeviceStateAlone) {
  const sim::UnitId id = PlugControl(true, 0);
  ControlWorker worker(*manager);
  ControlCommand = kControlResetCycle;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(worker.Step());
  EXPECT_EQ(ReadModel<sim::ControlUnit>(id, [](sim::ControlUnit& m) { return m.ResetsWhileRts(); }), 3);
  EXPECT_EQ(ReadModel<sim::ControlUnit>(id, [](sim::ControlUnit& m) { return m.UnexpectedBytes(); }), 0);
  EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch);
}

TEST_F(ControlWorkerTest, ModemEventWaitIsBoundedAndEndsOnAStopRequest) {
  const sim::UnitId id = PlugControl(false, 0);
  ControlWorker worker(*manager);
  ControlCommand = kControlResetCycle;
  std::uint32_t start = clock.NowMs();
  ASSERT_TRUE(worker.Step());
  // The wait, the pause after the cycle and the pass's own sleep; the reset message goes out all the same.
  EXPECT_EQ(clock.NowMs() - start, kModemEventWaitMs + kResetCycleSleepMs + kControlPassSleepMs);
  EXPECT_EQ(ReadModel<sim::ControlUnit>(id, [](sim::ControlUnit& m) { return m.ResetMessages(); }), 1);

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
  PlugControl(true, 0);
  struct Case {
    std::uint8_t command, after;
    bool goes_on;
  } cases[] = {{kControlIdle, kControlIdle, true}, {kControlPurge, kControlIdle, true},
               {kControlIdleToo, kControlIdle, true}, {kControlStopRequest, kControlEnded, false}};
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
  EXPECT_TRUE(worker.Step() && worker.Cycles() == 0u);
  ControlRunFlag = 0;
  EXPECT_FALSE(worker.Step());
  EXPECT_EQ(ControlCommand.load(), kControlEnded);
}

}  // namespace
}  // namespace managertest
