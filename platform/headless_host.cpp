// A host without a display: the window core over a chosen screen, messages recorded, for tests and benchmarks.
#include "platform/headless_host.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/aside_progress.h"

namespace platform {

void HeadlessHost::Pump() {
  window_.DrainQueue();
  window_.RunDueTimers();
  window_.UpdateNow();
}

int HeadlessHost::RunEventLoop() {
  while (!window_.IsClosed()) {
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return 0;
}

void HeadlessHost::RunAside(std::string_view, const std::function<void()>& work) {
  std::atomic<bool> finished{false};
  std::thread aside([&] {
    work();
    finished.store(true);
  });
  // The window thread has its turn at least once, however soon the work ends.
  do {
    if (DuringProgress) DuringProgress();
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (!finished.load());
  aside.join();
  if (AfterAside) AfterAside();
}

void HeadlessHost::RunAsideCounted(std::string_view text, const std::function<void()>& work, AsideProgress& progress) {
  progress.HoldEachStep(true);
  std::atomic<bool> finished{false};
  std::thread aside([&] {
    work();
    finished.store(true);
  });
  do {
    if (const auto step = progress.Fresh()) {
      ShowProgress(text, step->first, step->second);
      progress.Shown();
    }
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (!finished.load());
  aside.join();
  progress.HoldEachStep(false);
  if (AfterAside) AfterAside();
}

}  // namespace platform
