#pragma once
// A queue of bounded length between one producing and one consuming thread: the producer waits
// while it is full, the consumer while it is empty. The converter hands pictures and encoded
// sound to its writing thread through it; the bound keeps a fast producer from filling memory.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

namespace fc {

// Every member is safe to call from any thread; one lock guards the whole state.
template <typename T>
class TBoundedQueue {
public:
  explicit TBoundedQueue(size_t capacity) : capacity_(capacity) {}
  TBoundedQueue(const TBoundedQueue&) = delete;
  TBoundedQueue& operator=(const TBoundedQueue&) = delete;

  // Waits for room; false when the queue was closed meanwhile (the item is dropped).
  bool Push(T item) {
    std::unique_lock lock(mutex_);
    not_full_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
    if (closed_) return false;
    items_.push_back(std::move(item));
    not_empty_.notify_one();
    return true;
  }

  // Waits for an item; false at the end (finished and drained, or closed).
  bool Pop(T& item) {
    std::unique_lock lock(mutex_);
    not_empty_.wait(lock, [&] { return finished_ || closed_ || !items_.empty(); });
    if (closed_ || items_.empty()) return false;
    item = std::move(items_.front());
    items_.pop_front();
    not_full_.notify_one();
    return true;
  }

  // The producer is done; `error` tells why when it failed. Items already queued stay.
  void Finish(std::string error = {}) {
    std::lock_guard lock(mutex_);
    finished_ = true;
    error_ = std::move(error);
    not_empty_.notify_all();
  }

  // Releases both sides at once (stop): waiting calls return false, queued items are dropped
  // by the next Pop.
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    not_empty_.notify_all();
    not_full_.notify_all();
  }

  // Why the producer failed; empty when it did not (or has not finished).
  std::string Error() const {
    std::lock_guard lock(mutex_);
    return error_;
  }

private:
  mutable std::mutex mutex_;
  std::condition_variable not_full_, not_empty_;
  std::deque<T> items_;
  const size_t capacity_;
  bool finished_ = false;
  bool closed_ = false;
  std::string error_;
};

}  // namespace fc
