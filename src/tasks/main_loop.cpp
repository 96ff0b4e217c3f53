#include "tasks/main_loop.h"

#include <chrono>
#include <memory>

namespace fc {

TMainLoop::TMainLoop() : main_(std::this_thread::get_id()) {}

void TMainLoop::Post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(call));
  }
  cv_.notify_all();
}

bool TMainLoop::Send(const std::function<void()>& call, std::stop_token stopping) {
  if (IsMainThread()) {
    call();
    return true;
  }
  // The waiter's state is shared with the queued call, which may outlive an abandoned wait.
  struct TState {
    std::mutex Mutex;
    std::condition_variable_any Changed;
    bool Started = false, Done = false, Abandoned = false;
  };
  auto state = std::make_shared<TState>();
  Post([state, &call] {
    {
      std::lock_guard lock(state->Mutex);
      if (state->Abandoned) return;  // the sender gave up; `call` may be gone
      state->Started = true;
    }
    call();
    {
      std::lock_guard lock(state->Mutex);
      state->Done = true;
    }
    state->Changed.notify_all();
  });
  std::unique_lock lock(state->Mutex);
  state->Changed.wait(lock, stopping, [&] { return state->Done; });
  if (state->Done) return true;
  if (state->Started) {
    // Already running on the main thread: it uses `call`, so wait for it to return.
    state->Changed.wait(lock, [&] { return state->Done; });
    return true;
  }
  state->Abandoned = true;
  return false;
}

bool TMainLoop::PopOne(std::unique_lock<std::mutex>& lock) {
  if (queue_.empty()) return false;
  auto call = std::move(queue_.front());
  queue_.pop_front();
  lock.unlock();
  call();
  lock.lock();
  return true;
}

int TMainLoop::ProcessPending() {
  std::unique_lock lock(mutex_);
  int count = 0;
  while (PopOne(lock)) ++count;
  return count;
}

void TMainLoop::Run(const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  quit_ = false;
  for (;;) {
    if (done) {
      lock.unlock();
      const bool finished = done();
      lock.lock();
      if (finished) break;
    }
    cv_.wait(lock, [&] { return quit_ || !queue_.empty(); });
    if (quit_) break;
    PopOne(lock);
  }
  quit_ = false;
}

void TMainLoop::RunFor(int ms) {
  {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return quit_ || !queue_.empty(); });
  }
  ProcessPending();
}

void TMainLoop::Quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
}

}  // namespace fc
