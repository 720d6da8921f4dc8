// A browser driver as a child process. It is started in a process group of
// its own, so that ending it also ends the browsers it started, with the
// given folder as its temporary folder (TEMP, TMP and TMPDIR). Ending asks
// the group to terminate, waits a bounded time, then kills what is left and
// reaps the driver: no zombie and no orphaned browser stays behind.
//
// One object per process; not thread-safe (each driver slot owns one and
// uses it under its own exclusive use).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace ks::net {

// Environment variables replaced by the temporary folder.
inline constexpr const char* kTempVariables[] = {"TEMP", "TMP", "TMPDIR"};

// The current environment without TEMP, TMP and TMPDIR (names compared
// without regard to case), then those three set to `temp_folder`.
std::vector<std::string> driver_environment(const std::string& temp_folder);

class DriverProcess {
 public:
  DriverProcess() = default;
  ~DriverProcess() { end(0); }
  DriverProcess(const DriverProcess&) = delete;
  DriverProcess& operator=(const DriverProcess&) = delete;

  // Starts argv[0] (a path; not searched on PATH) with the arguments. Each of
  // `extra_fds` becomes descriptor 3, 4, ... in the child (they must be 5 or
  // above here); every other descriptor beyond those is closed in the child.
  // False when it cannot be started at all.
  bool start(const std::vector<std::string>& argv, const std::string& temp_folder,
             const std::vector<int>& extra_fds = {});
  // True while the started process has not exited.
  bool running();
  pid_t pid() const { return pid_; }
  // Ends the process and its group: SIGTERM, up to `grace_ms` for it to
  // exit, then SIGKILL to whatever is left; always reaps. No-op when none.
  void end(int grace_ms);

 private:
  pid_t pid_ = -1;
};

}  // namespace ks::net
