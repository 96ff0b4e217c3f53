#pragma once
// The converter: encodes a video and an audio source into an output file on its own threads
// and reports through a callback. One thread decodes and processes the pictures, another
// converts and encodes the sound, while a third encodes the pictures and writes, so both cores
// are busy.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/encode_params.h"
#include "engine/run_control.h"
#include "engine/source.h"

namespace fc {

// What the callback is told. Progress and End are the two every job sees; the others are
// notices: a piece of a split output was opened or closed, or a non-fatal problem occurred.
enum class TConverterMessage : int32_t {
  Progress = 0,       // value: progress in hundredths of a percent
  End = 1,            // value: a TEndReason
  PieceStarted = 100, // value: the piece number (1-based)
  PieceFinished = 101,
  Warning = 110,
};

enum class TEndReason : int32_t {
  Success = 0,
  Cancelled = 1,    // stopped, or the callback answered "stop"
  Failed = 2,       // decoding or encoding failed
  WriteFailed = 3,  // the output could not be written
};

// Progress of the running job, valid during the callback only.
struct TProgressInfo {
  double TotalLength = 0;      // seconds of media in the job
  double ConvertedLength = 0;  // seconds converted so far
  const AVFrame* Preview = nullptr;  // the last picture encoded, when preview is enabled
  int32_t Piece = 1;            // the split piece being written
  double Speed = 0;             // media seconds converted per second of work
};

// Answers true to go on, false to stop the conversion.
using TConverterCallback = std::function<bool(TConverterMessage message, int32_t value, const TProgressInfo* info)>;

// The split modes of SetSplit.
inline constexpr int kSplitNone = 0;
inline constexpr int kSplitByLength = 1;

class TConverter {
public:
  // Either source may be null (audio-only or video-only output). For stream copy
  // (container "COPY") the sources must be decoders opened in copy mode.
  TConverter(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio);
  ~TConverter();  // stops a running conversion
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  void SetOutputFile(const std::string& path);
  void SetEncodeParams(const TEncodeParams& params);
  // The record as the conversion uses it: zero size, rate and audio values replaced by the
  // sources' and the codecs' actual choices once Start has run.
  TEncodeParams EncodeParams() const;
  // kSplitByLength splits the output into pieces of `piece_ms` milliseconds; kSplitNone
  // turns it off.
  void SetSplit(int mode, int64_t piece_ms);
  void EnablePreview(bool on) { preview_ = on; }
  // Lower the worker threads' priority (while the progress window is minimised).
  void SetLowPriority(bool low);

  // Opens the output and starts the threads; converts `duration` seconds from `start`
  // (duration <= 0: to the end). Throws MediaError when the conversion cannot start.
  void Start(double start, double duration, int mode, TConverterCallback callback);
  void Pause();
  void Resume();
  // Ends the conversion and waits for its threads. Safe from any thread, also from inside
  // the callback (then it does not wait), and when nothing runs.
  void Stop();
  // Waits until the conversion has ended by itself.
  void Wait();

  bool Running() const { return running_; }
  bool Paused() const { return control_.Paused(); }
  // The files written (one per piece of a split output), complete once the End message came.
  std::vector<std::string> TargetFiles() const;
  // The reason text of a failure (empty after success).
  std::string LastError() const;

private:
  class TJob;
  void Run();

  // The set-up: changed on the caller's thread only while nothing runs, read by the job;
  // preview_ alone may change at any time (an atomic).
  std::shared_ptr<TVideoSource> video_;
  std::shared_ptr<TAudioSource> audio_;
  std::string output_;
  TEncodeParams params_;
  int split_mode_ = kSplitNone;
  int64_t split_ms_ = 0;
  std::atomic<bool> preview_{false};

  // The run: job_ and thread_ belong to the caller's thread (replaced by Start once the last
  // run has ended); control_ and running_ are shared; the results below are written by the
  // job's writing thread and read by the caller, both under mutex_.
  std::unique_ptr<TJob> job_;
  std::thread thread_;
  TRunControl control_;
  std::atomic<bool> running_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> targets_;
  std::string error_;
};

}  // namespace fc
