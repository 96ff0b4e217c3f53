#pragma once
// The converter: encodes a video and an audio source into an output file on its own threads
// and reports through a callback. One thread decodes and processes the pictures while the
// other encodes and writes, so both cores are busy.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/encode_params.h"
#include "engine/source.h"

namespace fc {

// What the callback is told. Progress and End are the two every job sees; the others are
// notices: a piece of a split output was opened or closed, or a non-fatal problem occurred.
enum class ConverterMessage : int32_t {
  Progress = 0,       // value: progress in hundredths of a percent
  End = 1,            // value: an EndReason
  PieceStarted = 100, // value: the piece number (1-based)
  PieceFinished = 101,
  Warning = 110,
};

enum class EndReason : int32_t {
  Success = 0,
  Cancelled = 1,    // stopped, or the callback answered "stop"
  Failed = 2,       // decoding or encoding failed
  WriteFailed = 3,  // the output could not be written
};

// Progress of the running job, valid during the callback only.
struct ProgressInfo {
  double total_length = 0;      // seconds of media in the job
  double converted_length = 0;  // seconds converted so far
  const AVFrame* preview = nullptr;  // the last picture encoded, when preview is enabled
  int32_t piece = 1;            // the split piece being written
  double speed = 0;             // media seconds converted per second of work
};

// Answers true to go on, false to stop the conversion.
using ConverterCallback = std::function<bool(ConverterMessage message, int32_t value, const ProgressInfo* info)>;

class Converter {
public:
  // Either source may be null (audio-only or video-only output). For stream copy
  // (container "COPY") the sources must be decoders opened in copy mode.
  Converter(std::shared_ptr<VideoSource> video, std::shared_ptr<AudioSource> audio);
  ~Converter();  // stops a running conversion
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  void SetOutputFile(const std::string& path);
  void SetEncodeParams(const EncodeParams& params);
  // The record as the conversion uses it: zero size, rate and audio values replaced by the
  // sources' and the codecs' actual choices once Start has run.
  EncodeParams encode_params() const;
  // Mode 1 splits the output into pieces of `piece_ms` milliseconds; mode 0 turns it off.
  void SetSplit(int mode, int64_t piece_ms);
  void EnablePreview(bool on) { preview_ = on; }
  // Lower the worker threads' priority (while the progress window is minimised).
  void SetLowPriority(bool low);

  // Opens the output and starts the threads; converts `duration` seconds from `start`
  // (duration <= 0: to the end). Throws MediaError when the conversion cannot start.
  void Start(double start, double duration, int mode, ConverterCallback callback);
  void Pause();
  void Resume();
  // Ends the conversion and waits for its threads. Safe from any thread, also from inside
  // the callback (then it does not wait), and when nothing runs.
  void Stop();
  // Waits until the conversion has ended by itself.
  void Wait();

  bool running() const { return running_; }
  bool paused() const { return paused_; }
  // The files written (one per piece of a split output), complete once the End message came.
  std::vector<std::string> TargetFiles() const;
  // The reason text of a failure (empty after success).
  std::string error() const;

private:
  struct Job;
  void Run();

  std::shared_ptr<VideoSource> video_;
  std::shared_ptr<AudioSource> audio_;
  std::string output_;
  EncodeParams params_;
  int split_mode_ = 0;
  int64_t split_ms_ = 0;
  std::atomic<bool> preview_{false};
  std::atomic<bool> low_priority_{false};

  std::unique_ptr<Job> job_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> paused_{false};
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> targets_;
  std::string error_;
};

}  // namespace fc
