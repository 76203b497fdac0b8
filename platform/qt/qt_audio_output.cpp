// The audio seam on Qt Multimedia: the default output device through a QAudioSink fed from a looping source.
#include "platform/qt/qt_audio_output.h"
#include "platform/qt/lazy_audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>

namespace platform::qt {

LoopSource::LoopSource(std::span<const std::int16_t> samples, std::uint32_t loops)
    : samples_(samples), loops_left_(samples.empty() ? 0 : loops) {
  open(QIODevice::ReadOnly);
}

qint64 LoopSource::bytesAvailable() const {
  if (Exhausted()) return QIODevice::bytesAvailable();
  // Never less than one pass, so the sink keeps pulling.
  return static_cast<qint64>(samples_.size_bytes()) + QIODevice::bytesAvailable();
}

qint64 LoopSource::readData(char* data, qint64 max_size) {
  const auto* bytes = reinterpret_cast<const char*>(samples_.data());
  const std::size_t total = samples_.size_bytes();
  qint64 written = 0;
  while (written < max_size && !Exhausted()) {
    const std::size_t n = std::min<std::size_t>(total - next_, static_cast<std::size_t>(max_size - written));
    std::memcpy(data + written, bytes + next_, n);
    written += static_cast<qint64>(n);
    next_ += n;
    if (next_ == total) {
      next_ = 0;
      --loops_left_;
    }
  }
  return written;
}

bool QtAudioOutput::Open(std::uint32_t rate) {
  Close();
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) return false;
  QAudioFormat format;
  format.setSampleRate(static_cast<int>(rate));
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!device.isFormatSupported(format)) return false;
  sink_ = std::make_unique<QAudioSink>(device, format);
  // The stream's own volume; the system mixer stays as the user set it.
  sink_->setVolume(1.0);
  QObject::connect(sink_.get(), &QAudioSink::stateChanged, sink_.get(),
                   [this](QAudio::State state) { OnStateChanged(state); });
  return true;
}

bool QtAudioOutput::PlayLooped(std::span<const std::int16_t> samples, std::uint32_t loops) {
  if (!sink_ || samples.empty()) return false;
  source_ = std::make_unique<LoopSource>(samples, loops);
  sink_->start(source_.get());
  return sink_->error() == QAudio::NoError;
}

void QtAudioOutput::OnStateChanged(QAudio::State state) {
  const bool ran_out = state == QAudio::IdleState && source_ && source_->Exhausted();
  const bool failed = state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError;
  if ((ran_out || failed) && end_) end_();
}

void QtAudioOutput::Close() {
  if (sink_) {
    // Our own stop is no end of the tone.
    QObject::disconnect(sink_.get(), nullptr, nullptr, nullptr);
    sink_->reset();  // drops what is buffered: silent at once
    sink_->stop();
    sink_.reset();
  }
  source_.reset();
}

}  // namespace platform::qt

// The module's entry, which the host's lazily loaded output asks for.
extern "C" __attribute__((visibility("default"))) platform::AudioOutput* VessamorNewQtAudioOutput() {
  return new platform::qt::QtAudioOutput();
}
