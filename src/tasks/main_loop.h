#pragma once
// The main thread's call queue. The task model, the job list and the user interface are
// touched only on the thread that runs this loop; the converter's thread hands its statuses
// over through it: progress synchronously (Send waits for the answer), end statuses queued
// (Post returns at once, because handling them frees the converter that is calling).
//
// A small loop of our own rather than Qt's: the command line needs no Qt, and the GUI can
// drain it from a Qt timer or call ProcessPending from its own event loop. Calls run in the
// order they were queued.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace fc {

class TMainLoop {
public:
  // The loop belongs to the thread that constructs it.
  TMainLoop();
  TMainLoop(const TMainLoop&) = delete;
  TMainLoop& operator=(const TMainLoop&) = delete;

  bool IsMainThread() const { return std::this_thread::get_id() == main_; }

  // Queues a call for the main thread and returns at once.
  void Post(std::function<void()> call);
  // Runs a call on the main thread and waits for it (directly when called on the main
  // thread). Returns false, without the call having run, when `stopping` is signalled first.
  bool Send(const std::function<void()>& call, std::stop_token stopping = {});

  // Main thread: runs every call queued so far (and those they queue). Returns how many ran.
  int ProcessPending();
  // Main thread: runs calls until Quit() is called, or until `done` answers true after a call.
  void Run(const std::function<bool()>& done = {});
  // Main thread: waits at most `ms` milliseconds for a call and runs what is queued.
  void RunFor(int ms);
  // Ends Run(); safe from any thread.
  void Quit();

private:
  bool PopOne(std::unique_lock<std::mutex>& lock);

  std::thread::id main_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> queue_;
  bool quit_ = false;
};

}  // namespace fc
