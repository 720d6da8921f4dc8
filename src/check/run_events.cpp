#include "check/run_events.h"

#include <chrono>

namespace ks::check {

void RunEventQueue::post(RunEvent event) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  posted_.notify_all();
  if (on_post_) on_post_();
}

std::optional<RunEvent> RunEventQueue::try_pop() {
  std::lock_guard lock(mutex_);
  if (events_.empty()) return std::nullopt;
  RunEvent e = std::move(events_.front());
  events_.pop_front();
  return e;
}

std::optional<RunEvent> RunEventQueue::wait_pop(int timeout_ms) {
  std::unique_lock lock(mutex_);
  if (!posted_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                        [this] { return !events_.empty(); })) {
    return std::nullopt;
  }
  RunEvent e = std::move(events_.front());
  events_.pop_front();
  return e;
}

std::size_t RunEventQueue::size() const {
  std::lock_guard lock(mutex_);
  return events_.size();
}

}  // namespace ks::check
