// kestrelscan-cli check killed (SIGKILL) at random moments while every one of
// 200 items changes: whatever moment the process dies, each item keeps a
// whole result.db, and the logs it names exist. The next full check then
// finishes every item.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include "check_fixture.h"
#include "support/cli_runner.h"

extern char** environ;

namespace ks::test {
namespace {

constexpr int kItems = 200;
constexpr int kRounds = 20;

std::string page(int item, int version) {
  std::string body = "<html><body><table>";
  for (int i = 0; i < 60; ++i) {
    body += "<tr><td><a href=\"/n/" + std::to_string(i) + "\">line " + std::to_string(i) + " of " +
            std::to_string(item) + "</a></td></tr>\n";
  }
  body += "<tr><td>version " + std::to_string(version) + "</td></tr>";
  return html_answer(body + "</table></body></html>");
}

pid_t start_check(const std::string& home) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  std::string exe = KS_CLI_PATH, opt = "--home", cmd = "check";
  std::string dir = home;
  char* argv[] = {exe.data(), opt.data(), dir.data(), cmd.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// What every item folder must hold at any moment after its first check.
void expect_whole(const std::string& data, const std::string& when) {
  static const std::regex record(
      "\\[RESULT\\]\r\nCODE=([0-7])\r\nMESSAGE=[^\r\n]*\r\n\\[INDEX\\]\r\nCURRENT=([0-9]+)\r\n");
  for (int i = 0; i < kItems; ++i) {
    const std::string folder = data + "/i" + std::to_string(i) + ".dat";
    const auto bytes = read_file(compare::result_path(folder));
    ASSERT_TRUE(bytes) << folder << " has no result.db " << when;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(*bytes, m, record)) << folder << " torn result.db " << when;
    const int current = std::stoi(m[2]);
    ASSERT_LT(current, 25);
    EXPECT_TRUE(is_regular_file(compare::numbered_log_path(folder, "log", current)))
        << folder << " log" << current << " is missing " << when;
    if (m[1] == "3") {
      EXPECT_TRUE(is_regular_file(compare::numbered_log_path(folder, "add", current)))
          << folder << " add" << current << " is missing " << when;
    }
  }
}

// Items whose current log is the page of `version`.
int finished_items(const std::string& data, int version) {
  int done = 0;
  for (int i = 0; i < kItems; ++i) {
    const std::string folder = data + "/i" + std::to_string(i) + ".dat";
    const int n = compare::read_current_log_number(folder);
    const std::string log = read_file(compare::numbered_log_path(folder, "log", n)).value_or("");
    done += log.find("version " + std::to_string(version)) != std::string::npos;
  }
  return done;
}

TEST(KillDuringCheck, EveryItemKeepsAWholeResultAndTheLogsItNames) {
  if (!path_exists(KS_CLI_PATH)) GTEST_SKIP() << "kestrelscan-cli is not built";
  CheckBench b;
  for (int i = 0; i < kItems; ++i) {
    b.server.on("/p/" + std::to_string(i), ScriptedResponse::whole(page(i, 0)));
    b.add_item("i" + std::to_string(i) + ".dat", b.url("/p/" + std::to_string(i)));
  }
  ASSERT_EQ(run_cli(KS_CLI_PATH, b.app.app(), {"check"}).status, 0);
  expect_whole(b.app.data(), "after the first check");
  // Kill moments are drawn from the start of the program to a limit that
  // begins at the time of a whole check and shrinks whenever a check got to
  // its end before the kill, so most kills land while items are finished.
  for (int i = 0; i < kItems; ++i) {
    b.server.on("/p/" + std::to_string(i), ScriptedResponse::whole(page(i, 100)));
  }
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(run_cli(KS_CLI_PATH, b.app.app(), {"check"}).status, 0);
  long limit_us = static_cast<long>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
          .count());
  std::mt19937 random(18);
  std::string finished_in_round;
  for (int round = 1; round <= kRounds; ++round) {
    for (int i = 0; i < kItems; ++i) {
      b.server.on("/p/" + std::to_string(i), ScriptedResponse::whole(page(i, round)));
    }
    const pid_t pid = start_check(b.app.app());
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<long>(0, limit_us)(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    expect_whole(b.app.data(), "after the kill in round " + std::to_string(round));
    const int finished = finished_items(b.app.data(), round);
    if (finished == kItems) limit_us = limit_us * 3 / 5;
    finished_in_round += std::to_string(finished) + " ";
    if (HasFatalFailure()) return;
  }

  std::fprintf(stderr, "items finished before each kill: %s\n", finished_in_round.c_str());
  const CliRun last = run_cli(KS_CLI_PATH, b.app.app(), {"check"});
  EXPECT_EQ(last.status, 0) << last.err;
  EXPECT_EQ(last.out.find("エラー"), std::string::npos) << last.out;
  expect_whole(b.app.data(), "after the last check");
  // The spare files of the killed runs went with the work folder.
  EXPECT_TRUE(scan_dir(b.app.app() + "temp").empty());
}

}  // namespace
}  // namespace ks::test
