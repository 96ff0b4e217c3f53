#include "gui/qt_audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <deque>

namespace fc::gui {

struct TQtAudioOutput::TShared {
  std::mutex Mutex;
  std::deque<uint8_t> Buffer;  // written, not yet pulled by the device
  size_t Capacity = 0;
  size_t FrameBytes = 4;
  double BytesPerSecond = 0;
  int64_t Pulled = 0;            // bytes the device has taken since Open
  std::atomic<int64_t> Held{0};  // bytes the sink still holds, sampled on its thread
  bool Suspended = false;
  double Frozen = 0;             // the position while suspended
  double Last = 0;               // the position never goes back

  double PositionLocked() {
    if (Suspended) return Frozen;
    if (BytesPerSecond <= 0) return 0;
    const double played = static_cast<double>(std::max<int64_t>(0, Pulled - Held.load())) / BytesPerSecond;
    Last = std::max(Last, played);
    return Last;
  }
};

namespace {

// What the sink pulls from: the shared buffer. An empty buffer gives nothing (an underrun),
// never silence, so that the position counts only real sound.
class TPullDevice final : public QIODevice {
public:
  explicit TPullDevice(std::shared_ptr<TQtAudioOutput::TShared> shared) : shared_(std::move(shared)) {}
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override {
    std::lock_guard lock(shared_->Mutex);
    return static_cast<qint64>(shared_->Buffer.size()) + QIODevice::bytesAvailable();
  }

protected:
  qint64 readData(char* data, qint64 max) override {
    std::lock_guard lock(shared_->Mutex);
    size_t n = std::min(static_cast<size_t>(std::max<qint64>(0, max)), shared_->Buffer.size());
    n -= n % shared_->FrameBytes;
    std::copy_n(shared_->Buffer.begin(), n, data);
    shared_->Buffer.erase(shared_->Buffer.begin(), shared_->Buffer.begin() + static_cast<ptrdiff_t>(n));
    shared_->Pulled += static_cast<int64_t>(n);
    return static_cast<qint64>(n);
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  std::shared_ptr<TQtAudioOutput::TShared> shared_;
};

}  // namespace

// The sink and its device, on the output's own thread.
class TQtAudioOutput::THost final : public QObject {
public:
  explicit THost(std::shared_ptr<TShared> shared) : shared_(std::move(shared)) {}

  bool Start(int rate, int channels) {
    Stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return false;
    device_ = std::make_unique<TPullDevice>(shared_);
    device_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->start(device_.get());
    if (sink_->error() != QAudio::NoError) {
      Stop();
      return false;
    }
    // The sink's fill level, sampled here where the sink may be asked.
    sampler_ = std::make_unique<QTimer>();
    QObject::connect(sampler_.get(), &QTimer::timeout, this, [this] { Sample(); });
    sampler_->start(10);
    return true;
  }
  void Stop() {
    sampler_.reset();
    if (sink_) sink_->stop();
    sink_.reset();
    device_.reset();
    shared_->Held = 0;
  }
  void Suspend() {
    if (sink_) sink_->suspend();
  }
  void Resume() {
    if (sink_) sink_->resume();
  }

private:
  void Sample() {
    if (!sink_) return;
    shared_->Held = std::max<qint64>(0, sink_->bufferSize() - sink_->bytesFree());
  }

  std::shared_ptr<TShared> shared_;
  std::unique_ptr<TPullDevice> device_;
  std::unique_ptr<QAudioSink> sink_;
  std::unique_ptr<QTimer> sampler_;
};

TQtAudioOutput::TQtAudioOutput(double buffer_seconds)
    : shared_(std::make_shared<TShared>()), buffer_seconds_(std::max(0.05, buffer_seconds)) {
  thread_.setObjectName("sound output");
  // The host is freed on its own thread when the thread's loop ends.
  host_ = new THost(shared_);
  host_->moveToThread(&thread_);
  QObject::connect(&thread_, &QThread::finished, host_, &QObject::deleteLater);
  thread_.start();
}

TQtAudioOutput::~TQtAudioOutput() {
  Close();
  thread_.quit();
  thread_.wait();
}

bool TQtAudioOutput::Open(const TAudioFormat& format) {
  Close();
  if (format.SampleRate <= 0 || format.Channels <= 0) return false;
  {
    std::lock_guard lock(shared_->Mutex);
    shared_->FrameBytes = static_cast<size_t>(format.Channels) * 2;
    shared_->BytesPerSecond = static_cast<double>(format.SampleRate) * static_cast<double>(shared_->FrameBytes);
    shared_->Capacity = static_cast<size_t>(shared_->BytesPerSecond * buffer_seconds_);
    shared_->Capacity -= shared_->Capacity % shared_->FrameBytes;
    shared_->Buffer.clear();
    shared_->Pulled = 0;
    shared_->Suspended = false;
    shared_->Frozen = shared_->Last = 0;
  }
  bool started = false;
  // Brief: the host's thread does nothing else than serve the sink.
  QMetaObject::invokeMethod(
      host_, [&] { started = host_->Start(format.SampleRate, format.Channels); }, Qt::BlockingQueuedConnection);
  open_ = started;
  return started;
}

void TQtAudioOutput::Close() {
  if (!open_.exchange(false)) return;
  QMetaObject::invokeMethod(host_, [this] { host_->Stop(); }, Qt::BlockingQueuedConnection);
  std::lock_guard lock(shared_->Mutex);
  shared_->Buffer.clear();
}

size_t TQtAudioOutput::Write(const uint8_t* data, size_t bytes) {
  if (!open_ || !data) return 0;
  std::lock_guard lock(shared_->Mutex);
  size_t n = std::min(bytes, shared_->Capacity - std::min(shared_->Capacity, shared_->Buffer.size()));
  n -= n % shared_->FrameBytes;
  shared_->Buffer.insert(shared_->Buffer.end(), data, data + n);
  return n;
}

double TQtAudioOutput::PlayedSeconds() const {
  std::lock_guard lock(shared_->Mutex);
  return shared_->PositionLocked();
}

void TQtAudioOutput::Suspend() {
  if (!open_) return;
  {
    std::lock_guard lock(shared_->Mutex);
    shared_->Frozen = shared_->PositionLocked();
    shared_->Suspended = true;
  }
  QMetaObject::invokeMethod(host_, [this] { host_->Suspend(); }, Qt::QueuedConnection);
}

void TQtAudioOutput::Resume() {
  if (!open_) return;
  {
    std::lock_guard lock(shared_->Mutex);
    shared_->Suspended = false;
  }
  QMetaObject::invokeMethod(host_, [this] { host_->Resume(); }, Qt::QueuedConnection);
}

}  // namespace fc::gui
