#include "net/driver_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace ks::net {
namespace {

bool is_temp_entry(const char* entry) {
  for (const char* name : kTempVariables) {
    const std::size_t n = std::char_traits<char>::length(name);
    if (strncasecmp(entry, name, n) == 0 && entry[n] == '=') return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> driver_environment(const std::string& temp_folder) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    if (!is_temp_entry(*e)) env.emplace_back(*e);
  }
  for (const char* name : kTempVariables) env.push_back(std::string(name) + "=" + temp_folder);
  return env;
}

bool DriverProcess::start(const std::vector<std::string>& argv, const std::string& temp_folder,
                          const std::vector<int>& extra_fds) {
  end(0);
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> env = driver_environment(temp_folder);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  // A group of its own: the browsers the driver starts join it, and one
  // signal to the group reaches them all.
  posix_spawnattr_setpgroup(&attr, 0);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  // The driver's chatter is not for this program's terminal.
  posix_spawn_file_actions_t files;
  if (posix_spawn_file_actions_init(&files) != 0) {
    posix_spawnattr_destroy(&attr);
    return false;
  }
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  // The child gets exactly its standard descriptors and the extra ones: a
  // descriptor some library opened without close-on-exec stays here.
  int next = 3;
  for (const int fd : extra_fds) posix_spawn_file_actions_adddup2(&files, fd, next++);
  posix_spawn_file_actions_addclosefrom_np(&files, next);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &files, &attr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  pid_ = pid;
  return true;
}

bool DriverProcess::running() {
  if (pid_ <= 0) return false;
  // Looked at without reaping: while the exited driver is a zombie its
  // process id (and so its group id) cannot be reused, which keeps the
  // signals to the group below from reaching anyone else.
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) < 0) {
    return errno == EINTR;
  }
  return info.si_pid != pid_;
}

void DriverProcess::end(int grace_ms) {
  if (pid_ <= 0) return;
  ::kill(-pid_, SIGTERM);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(grace_ms);
  while (running() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Whatever is left of the group (a browser that outlived its driver, or a
  // driver that ignored the request) is killed before the driver is reaped.
  ::kill(-pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace ks::net
