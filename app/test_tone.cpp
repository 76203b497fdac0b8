// The 60 Hz test tone: toggling, stopping, the sample buffer and the output's end notice.
#include "app/test_tone.h"

#include <cmath>
#include <numbers>

namespace {

constexpr std::string_view kNoDeviceRu = "Нет устройства вывода звука";
constexpr std::string_view kNoDeviceEn = "No audio output device";

}  // namespace

TestTone::TestTone(platform::AudioOutput* output, TestToneHost& host) : output_(output), host_(host) {
  if (!output_) return;
  // The output may report its end on its own thread; the state changes on the window thread,
  // and only for the play that ended.
  output_->SetEndHandler([shared = shared_, host = &host_] {
    const std::uint32_t play = shared->play.load(std::memory_order_acquire);
    host->PostToWindow([shared, play] {
      if (shared->play.load(std::memory_order_acquire) != play) return;
      std::uint8_t playing = kPlaying;
      shared->state.compare_exchange_strong(playing, kFinished, std::memory_order_acq_rel);
    });
  });
}

TestTone::~TestTone() {
  StopTestTone();
  if (output_) output_->SetEndHandler({});
}

void TestTone::FillSamples(std::vector<std::int16_t>& samples, std::uint32_t rate) {
  samples.resize(rate);
  const double step = 2.0 * std::numbers::pi * kFrequency / rate;
  for (std::uint32_t i = 0; i < rate; ++i) {
    samples[i] = static_cast<std::int16_t>(std::sin(i * step) * 32767.0);
  }
}

bool TestTone::ToggleTestTone(std::int32_t rate) {
  if (State() == kPlaying) {
    StopTestTone();
    return true;
  }
  // Idle or finished: a finished play still holds the output open.
  if (output_) output_->Close();
  const std::uint32_t r = rate > 0 ? static_cast<std::uint32_t>(rate) : kDefaultRate;
  if (r > kMaxRate) return FailStart();
  // The buffer holds exactly what the output reads per pass: one second at the rate it plays.
  FillSamples(samples_, r);
  shared_->play.fetch_add(1, std::memory_order_acq_rel);
  if (!output_ || !output_->Open(r)) return FailStart();
  if (!output_->PlayLooped(samples_, kLoops)) {
    output_->Close();
    return FailStart();
  }
  shared_->state.store(kPlaying, std::memory_order_release);
  return true;
}

bool TestTone::FailStart() {
  shared_->state.store(kIdle, std::memory_order_release);
  host_.ShowToneMessage(host_.EnglishUi() ? kNoDeviceEn : kNoDeviceRu);
  return false;
}

void TestTone::StopTestTone() {
  // A notice of the play being stopped must not mark anything finished later.
  shared_->play.fetch_add(1, std::memory_order_acq_rel);
  if (output_) output_->Close();
  shared_->state.store(kIdle, std::memory_order_release);
}
