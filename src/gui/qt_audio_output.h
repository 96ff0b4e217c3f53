#pragma once
// The preview player's sound on the desktop: Qt Multimedia's QAudioSink, fed with 16-bit
// interleaved samples.
//
// The player calls in from its sound thread, while a QAudioSink belongs to a thread with an
// event loop. So the sink lives on a thread of its own (started with the output) and pulls
// from a lock-protected buffer through a QIODevice; Write only appends what fits and returns.
// The played position is what the device has pulled minus what the sink still holds, sampled
// on the sink's thread. Without a device, or when the device refuses the format, Open answers
// false and the player runs on the system clock.

#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>

#include "playback/audio_output.h"

namespace fc::gui {

class TQtAudioOutput final : public TAudioOutput {
public:
  // `buffer_seconds`: how much sound Write takes ahead of the device.
  explicit TQtAudioOutput(double buffer_seconds = 0.5);
  ~TQtAudioOutput() override;
  TQtAudioOutput(const TQtAudioOutput&) = delete;
  TQtAudioOutput& operator=(const TQtAudioOutput&) = delete;

  bool Open(const TAudioFormat& format) override;
  void Close() override;
  size_t Write(const uint8_t* data, size_t bytes) override;
  double PlayedSeconds() const override;
  void Suspend() override;
  void Resume() override;

  // Whether a sink is open (for tests and the volume's look).
  bool IsOpen() const { return open_; }

  // What the sink's thread and the callers share.
  struct TShared;

private:
  class THost;

  std::shared_ptr<TShared> shared_;
  QThread thread_;
  THost* host_ = nullptr;  // lives on thread_, deleted there when the thread ends
  std::atomic<bool> open_{false};
  double buffer_seconds_;
};

}  // namespace fc::gui
