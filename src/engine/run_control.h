#pragma once
// Stop, pause and priority of a running conversion: set on the caller's thread, obeyed by each
// of the converter's worker threads at its own pace.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace fc {

// The flags are atomics, read without a lock; pausing and stopping also take the lock and wake
// the threads waiting in WaitWhilePaused, so that none of them misses a resume or a stop.
class TRunControl {
public:
  // Before a new run: neither stopped nor paused (the priority stays as set).
  void Reset() {
    std::lock_guard lock(mutex_);
    stop_ = false;
    paused_ = false;
  }
  void RequestStop() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
  }
  void Pause() { paused_ = true; }
  void Resume() {
    {
      std::lock_guard lock(mutex_);
      paused_ = false;
    }
    changed_.notify_all();
  }
  void SetLowPriority(bool low) { low_priority_ = low; }

  bool StopRequested() const { return stop_; }
  bool Paused() const { return paused_; }
  bool LowPriority() const { return low_priority_; }

  // Returns at once unless paused; else waits for a resume or a stop and returns the seconds
  // it waited.
  double WaitWhilePaused() {
    if (!paused_) return 0;
    const auto began = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !paused_ || stop_; });
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  }

private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> paused_{false};
  std::atomic<bool> low_priority_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

// Follows the run's priority on the calling thread (each worker thread keeps one). Low is ten
// steps nicer than the thread started with, so a program started under `nice` stays at least
// that nice and is never raised above its start.
class TThreadPriority {
public:
  void Follow(const TRunControl& control);

private:
  bool low_ = false;
  int start_nice_ = 0;
};

}  // namespace fc
