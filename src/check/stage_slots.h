// A stage that admits a fixed number of workers at a time (a counting
// semaphore that can be resized between runs). The conversion and
// comparison stage uses one with a slot per processor core, so different
// items convert and compare in parallel while the cores are busy anyway.
//
// Threads: any; set_count() only while nobody holds or waits for a slot.
#pragma once

#include <condition_variable>
#include <mutex>

namespace ks::check {

class StageSlots {
 public:
  explicit StageSlots(int count = 1) { set_count(count); }
  void set_count(int count) {
    std::lock_guard lock(mutex_);
    free_ = count < 1 ? 1 : count;
  }
  void acquire() {
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [this] { return free_ > 0; });
    --free_;
  }
  void release() {
    {
      std::lock_guard lock(mutex_);
      ++free_;
    }
    freed_.notify_one();
  }

  // Holds one slot for its scope.
  class Held {
   public:
    explicit Held(StageSlots& stage) : slots_(stage) { slots_.acquire(); }
    ~Held() { slots_.release(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    StageSlots& slots_;
  };

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  int free_ = 1;
};

}  // namespace ks::check
