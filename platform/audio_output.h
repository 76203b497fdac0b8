// The audio seam: one mono 16-bit output on the system's default device, playing one buffer in a loop.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace platform {

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Window thread. Opens the default output for mono signed 16-bit samples at `rate` per second;
  // false when there is no output device or it refuses the format (nothing stays open then).
  virtual bool Open(std::uint32_t rate) = 0;
  // Window thread. Plays `samples` from the first `loops` times over, at the stream's full volume
  // (the system mixer is left alone); the samples must stay in place until Close. False when no
  // output is open.
  virtual bool PlayLooped(std::span<const std::int16_t> samples, std::uint32_t loops) = 0;
  // Window thread. Silences the output at once and closes it; nothing stays open. Harmless when
  // nothing is open.
  virtual void Close() = 0;
  // Called when an open output stops on its own (its loops ran out, or the device went away);
  // may come on any thread. Set before Open.
  virtual void SetEndHandler(std::function<void()> handler) = 0;
};

}  // namespace platform
