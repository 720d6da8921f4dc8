// Runs the real kestrelscan-cli as a child process: stdin from /dev/null,
// stdout and stderr captured through files (so no pipe can fill up and stall
// the child), extra environment variables set in the child only. The locale
// of messages is C (English) unless the test sets LANG or LC_ALL itself.
//
// A report of a sanitizer (the debug preset builds the CLI with ASan and
// UBSan, the tsan preset with ThreadSanitizer) on the child's stderr fails
// the calling test, whatever exit status the test expects.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ks::test {

struct CliRun {
  int status = -1;  // exit status; -1 when the child did not exit normally
  bool timed_out = false;
  std::string out;
  std::string err;
};

struct CliEnv {
  std::vector<std::pair<std::string, std::string>> vars;
  // When above 0, the child is killed after this long (a hang fails the test
  // in seconds, not at the test's time-out): timed_out is then set.
  int timeout_ms = 0;
};

// `exe` is the CLI's path (tests get it as KS_CLI_PATH); `home` goes to --home
// unless empty. Arguments are passed as they are (UTF-8).
CliRun run_cli(const std::string& exe, const std::string& home,
               const std::vector<std::string>& args, const CliEnv& env = {});

}  // namespace ks::test
