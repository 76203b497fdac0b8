// The Qt host's audio output, loaded from its module at the first Open.
#include "platform/qt/lazy_audio_output.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace platform::qt {

namespace {

constexpr const char* kModuleName = "libvessamor_qt_audio.so";

// The folder of the running program, with its final slash; empty when it cannot be read.
std::string ProgramFolder() {
  char path[4096] = {};
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(n));
  return program.substr(0, program.rfind('/') + 1);
}

}  // namespace

bool LazyAudioOutput::Load() {
  if (output_ || std::exchange(tried_, true)) return output_ != nullptr;
  // Never unloaded: Qt keeps the multimedia library's objects to its own end.
  const int flags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
  void* module = ::dlopen((ProgramFolder() + kModuleName).c_str(), flags);
  if (module == nullptr) module = ::dlopen(kModuleName, flags);
  if (module == nullptr) return false;
  using Make = AudioOutput* (*)();
  const auto make = reinterpret_cast<Make>(::dlsym(module, "VessamorNewQtAudioOutput"));
  if (make == nullptr) return false;
  output_.reset(make());
  if (output_ && end_) output_->SetEndHandler(end_);
  return output_ != nullptr;
}

bool LazyAudioOutput::Open(std::uint32_t rate) { return Load() && output_->Open(rate); }

bool LazyAudioOutput::PlayLooped(std::span<const std::int16_t> samples, std::uint32_t loops) {
  return output_ && output_->PlayLooped(samples, loops);
}

void LazyAudioOutput::Close() {
  if (output_) output_->Close();
}

void LazyAudioOutput::SetEndHandler(std::function<void()> handler) {
  end_ = std::move(handler);
  if (output_) output_->SetEndHandler(end_);
}

}  // namespace platform::qt
