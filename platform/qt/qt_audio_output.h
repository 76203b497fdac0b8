// The audio seam on Qt Multimedia: the default output device through a QAudioSink fed from a looping source.
#pragma once

#include <memory>

#include <QAudioSink>
#include <QIODevice>

#include "platform/audio_output.h"

namespace platform::qt {

// Hands the sink the samples over and over, a given number of passes; then it reports the end.
class LoopSource final : public QIODevice {
 public:
  LoopSource(std::span<const std::int16_t> samples, std::uint32_t loops);
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override;
  bool Exhausted() const { return loops_left_ == 0; }

 protected:
  qint64 readData(char* data, qint64 max_size) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  std::span<const std::int16_t> samples_;
  std::uint32_t loops_left_;
  std::size_t next_ = 0;  // byte offset in the samples
};

class QtAudioOutput final : public AudioOutput {
 public:
  QtAudioOutput() = default;
  ~QtAudioOutput() override { Close(); }

  bool Open(std::uint32_t rate) override;
  bool PlayLooped(std::span<const std::int16_t> samples, std::uint32_t loops) override;
  void Close() override;
  void SetEndHandler(std::function<void()> handler) override { end_ = std::move(handler); }

 private:
  void OnStateChanged(QAudio::State state);

  std::unique_ptr<QAudioSink> sink_;
  std::unique_ptr<LoopSource> source_;
  std::function<void()> end_;
};

}  // namespace platform::qt
