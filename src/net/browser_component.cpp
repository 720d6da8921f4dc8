#include "net/browser_component.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "net/driver_process.h"
#include "platform/fs.h"

extern char** environ;

namespace ks::net {
namespace {

// Pipe ends are moved to descriptors at least this high, so that placing
// them at 3 and 4 in the child can never overwrite one with the other.
constexpr int kLowestPipeFd = 10;

int move_high(int fd) {
  const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, kLowestPipeFd);
  ::close(fd);
  return high;
}

// Both ends of a pipe, close-on-exec, above kLowestPipeFd; false on failure.
bool make_pipe(int ends[2]) {
  int raw[2];
  if (::pipe2(raw, O_CLOEXEC) != 0) return false;
  ends[0] = move_high(raw[0]);
  ends[1] = move_high(raw[1]);
  if (ends[0] >= 0 && ends[1] >= 0) return true;
  if (ends[0] >= 0) ::close(ends[0]);
  if (ends[1] >= 0) ::close(ends[1]);
  return false;
}

std::atomic<int> g_profile_counter{0};

}  // namespace

struct BrowserComponent::Browser {
  DriverProcess process;
  std::unique_ptr<DevToolsClient> client;
  std::string profile;  // core path
  int close_ms = 0;
  int grace_ms = 0;

  Browser() = default;
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;
  ~Browser() {
    if (client && !client->closed()) {
      client->call("Browser.close", nlohmann::json::object(), "", {}, close_ms);
    }
    const auto until = Clock::now() + std::chrono::milliseconds(close_ms);
    while (process.running() && Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Whatever is left of the group (helpers of a browser that closed, or a
    // browser that did not) is terminated, killed after the grace period and
    // the browser reaped.
    process.end(grace_ms);
    client.reset();
    if (!profile.empty()) remove_tree(profile);
  }
};

std::shared_ptr<BrowserComponent::Browser> BrowserComponent::start_browser() {
  auto b = std::make_shared<Browser>();
  b->close_ms = config_.close_ms;
  b->grace_ms = config_.end_grace_ms;
  b->profile = path_join(config_.work_folder, "Browser" + std::to_string(::getpid()) + "_" +
                                                  std::to_string(++g_profile_counter));
  remove_tree(b->profile);  // a stale one from a crashed process with the same id
  int commands[2];          // we write [1], the browser reads [0] as descriptor 3
  int replies[2];           // the browser writes [1] as descriptor 4, we read [0]
  if (!make_pipe(commands)) return nullptr;
  if (!make_pipe(replies)) {
    ::close(commands[0]);
    ::close(commands[1]);
    return nullptr;
  }
  std::vector<std::string> argv = config_.command;
  argv.push_back("--user-data-dir=" + to_os_path(b->profile));
  argv.push_back("about:blank");
  const bool started =
      b->process.start(argv, to_os_path(config_.work_folder), {commands[0], replies[1]});
  ::close(commands[0]);
  ::close(replies[1]);
  if (!started) {
    ::close(commands[1]);
    ::close(replies[0]);
    b->profile.clear();
    return nullptr;
  }
  b->client = std::make_unique<DevToolsClient>(commands[1], replies[0], config_.max_message);
  return b;
}

std::shared_ptr<BrowserComponent::Browser> BrowserComponent::running_browser() {
  std::shared_ptr<Browser> gone;  // cleaned up outside the lock
  std::lock_guard lock(mutex_);
  if (current_ && current_->client->closed()) gone = std::move(current_);
  if (!current_) {
    current_ = start_browser();
    if (current_) ++started_;
  }
  return current_;
}

PageFetchResult BrowserComponent::fetch(const PageFetch& request) {
  if (config_.command.empty()) return PageFetchResult::kFailed;
  if (request.stop.stop_requested()) return PageFetchResult::kStopped;
  const std::shared_ptr<Browser> browser = running_browser();
  if (!browser) return PageFetchResult::kFailed;
  return fetch_page(*browser->client, request, config_.limits);
}

void BrowserComponent::close() {
  std::shared_ptr<Browser> ending;
  {
    std::lock_guard lock(mutex_);
    ending = std::move(current_);
  }
}

int BrowserComponent::browsers_started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

pid_t BrowserComponent::browser_pid() const {
  std::lock_guard lock(mutex_);
  return current_ ? current_->process.pid() : -1;
}

std::string browser_version_text(const std::string& program, int timeout_ms) {
  int out[2];
  if (program.empty() || !make_pipe(out)) return {};
  posix_spawn_file_actions_t files;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&files);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&files, out[1], 1);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--version"), nullptr};
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &files, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attr);
  ::close(out[1]);
  std::string text;
  if (rc == 0) {
    const auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[512];
    while (text.size() < 4096) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
      if (left <= 0) break;
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
      const ssize_t n = ::read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<std::size_t>(n));
    }
    ::kill(-pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  ::close(out[0]);
  const std::size_t end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.resize(end);
  return text;
}

}  // namespace ks::net
