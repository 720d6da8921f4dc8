// Bounded waits for the fetcher. Every wait wakes as soon as the awaited
// thing happens (socket readiness), and otherwise at least every kPollSliceMs
// to look at the run's stop flags, so a stop is seen well within a second.
// Time limits are measured on the steady clock.
#pragma once

#include <atomic>
#include <chrono>

namespace ks::net {

// Longest sleep between two looks at the stop flags (milliseconds).
inline constexpr int kPollSliceMs = 100;

// The run's abort flag (the stop command, application exit) and exit flag
// (application exit only). Either ends every wait; both may be null.
struct StopFlags {
  const std::atomic<bool>* abort = nullptr;
  const std::atomic<bool>* exit = nullptr;

  bool stop_requested() const {
    return (abort && abort->load(std::memory_order_relaxed)) ||
           (exit && exit->load(std::memory_order_relaxed));
  }
};

using Clock = std::chrono::steady_clock;

// A time limit that starts when it is made. It may carry a counter that
// every wait under it keeps at the elapsed seconds, so a monitor on another
// thread sees a long wait go by, not only its end.
class Deadline {
 public:
  explicit Deadline(int seconds, std::atomic<int>* elapsed_out = nullptr)
      : start_(Clock::now()), limit_(std::chrono::seconds(seconds)), elapsed_out_(elapsed_out) {}
  bool expired() const { return Clock::now() - start_ >= limit_; }
  int elapsed_seconds() const {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start_).count());
  }
  // Milliseconds until expiry, at least 0 and at most `cap`.
  int remaining_ms(int cap) const;
  // Stores the elapsed seconds in the carried counter, if any.
  void note_elapsed() const {
    if (elapsed_out_) elapsed_out_->store(elapsed_seconds(), std::memory_order_relaxed);
  }

 private:
  Clock::time_point start_;
  Clock::duration limit_;
  std::atomic<int>* elapsed_out_;
};

enum class WaitResult { kReady, kTimeout, kStopped, kError };

// Waits until `fd` is ready for `events` (POLLIN / POLLOUT), the deadline
// passes or a stop is requested. An error or hang-up condition counts as
// ready: the next socket operation reports it. kError for a failed poll.
WaitResult wait_socket(int fd, short events, const Deadline& deadline, const StopFlags& stop);

}  // namespace ks::net
