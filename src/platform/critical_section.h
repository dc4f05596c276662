// A re-entrant lock with an entry count.  Leave without a matching Enter
// does nothing, so an error path that releases a lock it may not have taken
// cannot unbalance it.
#pragma once

#include <atomic>
#include <mutex>

class TOracleCriticalSection {
 public:
  void Enter() {
    mutex_.lock();
    ++count_;
  }
  // Leaves once if entered; at count 0 it does nothing.  A thread that does
  // not hold the lock never releases it: that keeps the count and the owner
  // consistent when an error raised on one thread meets a lock held by another.
  void Leave() {
    if (!mutex_.try_lock()) return;  // held by another thread: not ours to release
    // This thread owns the lock now, so the count is its own entries.
    if (count_.load() > 0) {
      --count_;
      mutex_.unlock();
    }
    mutex_.unlock();  // the probe
  }
  int EntryCount() const { return count_.load(); }

 private:
  std::recursive_mutex mutex_;
  std::atomic<int> count_{0};
};
