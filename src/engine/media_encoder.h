#pragma once
// The encoder of one conversion job: a converter with the job's states and the statuses its
// owner sees. Statuses arrive on the converter's thread.

#include <atomic>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "engine/converter.h"

namespace fc {

enum class TEncoderState : int32_t {
  Idle = 0,
  Ready = 1,     // converter created, not started
  Running = 2,
  Paused = 3,
  Finished = 4,  // ended successfully
};

enum class TEncoderStatus : int32_t {
  Progress = 1,
  Succeeded = 2,
  Cancelled = 3,
  Failed = 4,
  WriteFailed = 5,
  PieceStarted = 6,
  PieceFinished = 7,
  Warning = 8,
};

// The status a converter message stands for.
TEncoderStatus StatusOf(TConverterMessage message, int32_t value);

// Called on the converter's thread; answers true to go on. `stopping` is signalled as soon as
// Stop begins: a handler that hands the status to another thread and waits for the answer
// must stop waiting then, or Stop, waiting for the converter, would never return.
using TEncoderStatusHandler = std::function<bool(TEncoderStatus status, int32_t value, const TProgressInfo* info,
                                                std::stop_token stopping)>;

class TMediaEncoder {
public:
  TMediaEncoder(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio);
  ~TMediaEncoder();
  TMediaEncoder(const TMediaEncoder&) = delete;
  TMediaEncoder& operator=(const TMediaEncoder&) = delete;

  void SetOutputFile(const std::string& path) { converter_.SetOutputFile(path); }
  void SetEncodeParams(const TEncodeParams& params) { converter_.SetEncodeParams(params); }
  TEncodeParams EncodeParams() const { return converter_.EncodeParams(); }
  void SetSplit(int mode, int64_t piece_ms) { converter_.SetSplit(mode, piece_ms); }
  void SetLowPriority(bool low) { converter_.SetLowPriority(low); }
  void EnablePreview(bool on) { converter_.EnablePreview(on); }

  // False, with LastError() telling why, when the state does not allow a start or the converter
  // cannot start; a refused start never looks like a successful one.
  bool Start(double start, double length, int mode, TEncoderStatusHandler handler);
  bool Pause();
  bool Resume();
  // Ends a running or paused job and waits for it; ends in Idle. Statuses that arrive while
  // stopping are answered "go on" and not forwarded.
  void Stop();
  // Waits for a running job to end by itself (tools and tests).
  void Wait() { converter_.Wait(); }

  TEncoderState State() const { return state_; }
  std::vector<std::string> TargetFiles() const { return converter_.TargetFiles(); }
  std::string LastError() const;

private:
  bool OnMessage(TConverterMessage message, int32_t value, const TProgressInfo* info);

  TConverter converter_;
  std::atomic<TEncoderState> state_{TEncoderState::Ready};
  std::atomic<bool> stopping_{false};
  std::stop_source stop_source_;
  TEncoderStatusHandler handler_;
  mutable std::mutex mutex_;
  std::string error_;
};

}  // namespace fc
