#include "support/cli_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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
  if (pid > 0 && ::waitpid(pid, &st, 0) == pid && WIFEXITED(st)) r.status = WEXITSTATUS(st);
  r.out = read_file(out_path).value_or("");
  r.err = read_file(err_path).value_or("");
  return r;
}

}  // namespace ks::test
