#include "net/wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace ks::net {

int Deadline::remaining_ms(int cap) const {
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(limit_ - (Clock::now() - start_));
  return static_cast<int>(std::clamp<long long>(left.count(), 0, cap));
}

WaitResult wait_socket(int fd, short events, const Deadline& deadline, const StopFlags& stop) {
  while (true) {
    deadline.note_elapsed();
    if (stop.stop_requested()) return WaitResult::kStopped;
    if (deadline.expired()) return WaitResult::kTimeout;
    pollfd p{fd, events, 0};
    // At least 1 ms, so a deadline just ahead does not spin.
    int r = ::poll(&p, 1, std::max(1, deadline.remaining_ms(kPollSliceMs)));
    if (r < 0) {
      if (errno == EINTR) continue;
      return WaitResult::kError;
    }
    if (r == 0) continue;
    if (p.revents & POLLNVAL) return WaitResult::kError;
    // Readiness, an error or a hang-up: the next operation tells which.
    if (p.revents != 0) return WaitResult::kReady;
  }
}

}  // namespace ks::net
