#include "support/cli_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks::test {

CliRun run_cli(const std::string& exe, const std::string& home,
               const std::vector<std::string>& args, const CliEnv& env) {
  TempDir io;
  const std::string out_path = io.file("out");
  const std::string err_path = io.file("err");
  std::vector<std::string> all = {exe};
  if (!home.empty()) {
    all.push_back("--home");
    all.push_back(home);
  }
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd < 0 || ::dup2(null_fd, 0) < 0 || !std::freopen(out_path.c_str(), "w", stdout) ||
        !std::freopen(err_path.c_str(), "w", stderr)) {
      ::_exit(127);
    }
    // The CLI's own messages in English whatever the tester's locale, unless
    // the test chooses one.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) ::unsetenv(name);
    ::setenv("LANG", "C", 1);
    for (const auto& [name, value] : env.vars) ::setenv(name.c_str(), value.c_str(), 1);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  CliRun r;
  int st = 0;
  pid_t done = -1;
  if (pid > 0 && env.timeout_ms > 0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(env.timeout_ms);
    while ((done = ::waitpid(pid, &st, WNOHANG)) == 0 && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
      r.timed_out = true;
      ::kill(pid, SIGKILL);
    }
  }
  if (pid > 0 && done <= 0) done = ::waitpid(pid, &st, 0);
  if (done == pid && WIFEXITED(st) && !r.timed_out) r.status = WEXITSTATUS(st);
  r.out = read_file(out_path).value_or("");
  r.err = read_file(err_path).value_or("");
  for (const char* report : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "runtime error:", "WARNING: ThreadSanitizer"}) {
    if (r.err.find(report) != std::string::npos) ADD_FAILURE() << "kestrelscan-cli: " << r.err;
  }
  return r;
}

}  // namespace ks::test
