#include "engine/media_encoder.h"

namespace fc {

TEncoderStatus StatusOf(TConverterMessage message, int32_t value) {
  switch (message) {
    case TConverterMessage::Progress: return TEncoderStatus::Progress;
    case TConverterMessage::End:
      switch (static_cast<TEndReason>(value)) {
        case TEndReason::Success: return TEncoderStatus::Succeeded;
        case TEndReason::Cancelled: return TEncoderStatus::Cancelled;
        case TEndReason::Failed: return TEncoderStatus::Failed;
        case TEndReason::WriteFailed: return TEncoderStatus::WriteFailed;
      }
      return TEncoderStatus::Failed;
    case TConverterMessage::PieceStarted: return TEncoderStatus::PieceStarted;
    case TConverterMessage::PieceFinished: return TEncoderStatus::PieceFinished;
    case TConverterMessage::Warning: return TEncoderStatus::Warning;
  }
  return TEncoderStatus::Warning;
}

TMediaEncoder::TMediaEncoder(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio)
    : converter_(std::move(video), std::move(audio)) {}

TMediaEncoder::~TMediaEncoder() { Stop(); }

bool TMediaEncoder::Start(double start, double length, int mode, TEncoderStatusHandler handler) {
  const TEncoderState s = state_;
  if (s != TEncoderState::Idle && s != TEncoderState::Ready) {
    std::lock_guard lock(mutex_);
    error_ = "the encoder is already running";
    return false;
  }
  handler_ = std::move(handler);
  stop_source_ = std::stop_source();
  stopping_ = false;
  state_ = TEncoderState::Running;
  try {
    converter_.Start(start, length, mode,
                     [this](TConverterMessage m, int32_t v, const TProgressInfo* i) { return OnMessage(m, v, i); });
  } catch (const std::exception& e) {
    state_ = s;
    std::lock_guard lock(mutex_);
    error_ = e.what();
    return false;
  }
  return true;
}

bool TMediaEncoder::OnMessage(TConverterMessage message, int32_t value, const TProgressInfo* info) {
  const TEncoderStatus status = StatusOf(message, value);
  if (message == TConverterMessage::End) {
    if (status != TEncoderStatus::Succeeded) {
      std::lock_guard lock(mutex_);
      error_ = converter_.LastError();
    }
    // While stopping, Stop sets the final state itself.
    if (!stopping_) state_ = status == TEncoderStatus::Succeeded ? TEncoderState::Finished : TEncoderState::Idle;
  }
  if (stopping_ || !handler_) return true;
  return handler_(status, value, info, stop_source_.get_token());
}

bool TMediaEncoder::Pause() {
  TEncoderState expected = TEncoderState::Running;
  if (!state_.compare_exchange_strong(expected, TEncoderState::Paused)) return false;
  converter_.Pause();
  return true;
}

bool TMediaEncoder::Resume() {
  TEncoderState expected = TEncoderState::Paused;
  if (!state_.compare_exchange_strong(expected, TEncoderState::Running)) return false;
  converter_.Resume();
  return true;
}

void TMediaEncoder::Stop() {
  const TEncoderState s = state_;
  if (s != TEncoderState::Running && s != TEncoderState::Paused) {
    converter_.Stop();  // joins a thread that ended by itself
    return;
  }
  stopping_ = true;
  stop_source_.request_stop();  // releases a handler waiting for another thread
  converter_.Stop();
  state_ = TEncoderState::Idle;
  stopping_ = false;
}

std::string TMediaEncoder::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

}  // namespace fc
