// The audio output the Qt host offers: Qt Multimedia's, loaded from its module beside the program
// when a sound is first opened.
#pragma once

#include <functional>
#include <memory>

#include "platform/audio_output.h"

namespace platform::qt {

// Qt Multimedia and the sound system's libraries under it take milliseconds to load, which every
// start-up would spend before its first frame while most sessions play no sound: they are loaded
// with the module (libvessamor_qt_audio.so, beside the program) at the first Open, and stay loaded
// to the end of the run. Without the module no output opens, as without an output device.
class LazyAudioOutput final : public AudioOutput {
 public:
  bool Open(std::uint32_t rate) override;
  bool PlayLooped(std::span<const std::int16_t> samples, std::uint32_t loops) override;
  void Close() override;
  void SetEndHandler(std::function<void()> handler) override;
  // Whether the module's output is loaded (false before the first Open, or where it failed).
  bool Loaded() const { return output_ != nullptr; }

 private:
  bool Load();

  std::unique_ptr<AudioOutput> output_;
  std::function<void()> end_;
  bool tried_ = false;
};

}  // namespace platform::qt

// The module's one entry: a new output on Qt Multimedia, the caller's to delete.
extern "C" platform::AudioOutput* VessamorNewQtAudioOutput();
