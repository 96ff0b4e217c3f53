#include "engine/media_encoder.h"

namespace fc {

EncoderStatus StatusOf(ConverterMessage message, int32_t value) {
  switch (message) {
    case ConverterMessage::Progress: return EncoderStatus::Progress;
    case ConverterMessage::End:
      switch (static_cast<EndReason>(value)) {
        case EndReason::Success: return EncoderStatus::Succeeded;
        case EndReason::Cancelled: return EncoderStatus::Cancelled;
        case EndReason::Failed: return EncoderStatus::Failed;
        case EndReason::WriteFailed: return EncoderStatus::WriteFailed;
      }
      return EncoderStatus::Failed;
    case ConverterMessage::PieceStarted: return EncoderStatus::PieceStarted;
    case ConverterMessage::PieceFinished: return EncoderStatus::PieceFinished;
    case ConverterMessage::Warning: return EncoderStatus::Warning;
  }
  return EncoderStatus::Warning;
}

MediaEncoder::MediaEncoder(std::shared_ptr<VideoSource> video, std::shared_ptr<AudioSource> audio)
    : converter_(std::move(video), std::move(audio)) {}

MediaEncoder::~MediaEncoder() { Stop(); }

bool MediaEncoder::Start(double start, double length, int mode, EncoderStatusHandler handler) {
  const EncoderState s = state_;
  if (s != EncoderState::Idle && s != EncoderState::Ready) {
    std::lock_guard lock(mutex_);
    error_ = "the encoder is already running";
    return false;
  }
  handler_ = std::move(handler);
  stop_source_ = std::stop_source();
  stopping_ = false;
  state_ = EncoderState::Running;
  try {
    converter_.Start(start, length, mode,
                     [this](ConverterMessage m, int32_t v, const ProgressInfo* i) { return OnMessage(m, v, i); });
  } catch (const std::exception& e) {
    state_ = s;
    std::lock_guard lock(mutex_);
    error_ = e.what();
    return false;
  }
  return true;
}

bool MediaEncoder::OnMessage(ConverterMessage message, int32_t value, const ProgressInfo* info) {
  const EncoderStatus status = StatusOf(message, value);
  if (message == ConverterMessage::End) {
    if (status != EncoderStatus::Succeeded) {
      std::lock_guard lock(mutex_);
      error_ = converter_.error();
    }
    // While stopping, Stop sets the final state itself.
    if (!stopping_) state_ = status == EncoderStatus::Succeeded ? EncoderState::Finished : EncoderState::Idle;
  }
  if (stopping_ || !handler_) return true;
  return handler_(status, value, info, stop_source_.get_token());
}

bool MediaEncoder::Pause() {
  EncoderState expected = EncoderState::Running;
  if (!state_.compare_exchange_strong(expected, EncoderState::Paused)) return false;
  converter_.Pause();
  return true;
}

bool MediaEncoder::Resume() {
  EncoderState expected = EncoderState::Paused;
  if (!state_.compare_exchange_strong(expected, EncoderState::Running)) return false;
  converter_.Resume();
  return true;
}

void MediaEncoder::Stop() {
  const EncoderState s = state_;
  if (s != EncoderState::Running && s != EncoderState::Paused) {
    converter_.Stop();  // joins a thread that ended by itself
    return;
  }
  stopping_ = true;
  stop_source_.request_stop();  // releases a handler waiting for another thread
  converter_.Stop();
  state_ = EncoderState::Idle;
  stopping_ = false;
}

std::string MediaEncoder::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

}  // namespace fc
