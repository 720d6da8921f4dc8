// The browser-component fetch method (USE_SCRIPT 1) with the real chromium
// against the scripted server on loopback: through kestrelscan-cli, and in a
// run of eight items at once that share one browser, each in its own
// context. Skipped only when no browser is installed.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <thread>

#include "check/browser_component_fetch.h"
#include "check_fixture.h"
#include "platform/sjis.h"
#include "support/cli_runner.h"

namespace ks::test {
namespace {

bool have_browser() {
  return !check::find_browser_program("", "").empty();
}

// Command lines of the running processes (zombies have none).
std::vector<std::pair<int, std::string>> command_lines() {
  std::vector<std::pair<int, std::string>> out;
  DIR* proc = ::opendir("/proc");
  if (!proc) return out;
  while (dirent* e = ::readdir(proc)) {
    const int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    std::string cmd = read_file(std::string("/proc/") + e->d_name + "/cmdline").value_or("");
    for (char& c : cmd) c = c == '\0' ? ' ' : c;
    if (!cmd.empty()) out.emplace_back(pid, cmd);
  }
  ::closedir(proc);
  return out;
}

std::vector<int> processes_mentioning(const std::string& needle) {
  std::vector<int> out;
  for (const auto& [pid, cmd] : command_lines()) {
    if (cmd.find(needle) != std::string::npos) out.push_back(pid);
  }
  return out;
}

// The parent of a process (0 when it cannot be read).
int parent_of(int pid) {
  const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat").value_or("");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  char state = 0;
  int parent = 0;
  return std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 ? parent : 0;
}

// The browser's own processes (not its helpers) with a profile below
// `work`. A launcher script's passing subshells share the command line, so
// the program itself must be a browser.
std::vector<int> browsers_below(const std::string& work) {
  std::vector<int> out;
  for (const auto& [pid, cmd] : command_lines()) {
    if (cmd.find("--user-data-dir=" + work) == std::string::npos ||
        cmd.find("--remote-debugging-pipe") == std::string::npos ||
        cmd.find("--type=") != std::string::npos) {
      continue;
    }
    // A child the browser has forked but not yet turned into a helper still
    // looks like the browser: only our own children count.
    if (parent_of(pid) != ::getpid()) continue;
    char exe[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t n = ::readlink(link.c_str(), exe, sizeof exe - 1);
    if (n > 0 && std::string(exe, static_cast<std::size_t>(n)).find("chrom") != std::string::npos) {
      out.push_back(pid);
    }
  }
  return out;
}

// Killed processes take a moment to go, more so on a loaded machine.
bool gone_soon(const std::string& needle) {
  for (int i = 0; i < 100; ++i) {
    if (processes_mentioning(needle).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

bool profiles_left(const std::string& work) {
  for (const auto& e : scan_dir(work)) {
    if (e.name.rfind("Browser", 0) == 0) return true;
  }
  return false;
}

// A page whose text is written by a script one second after it loaded.
const char kLatePage[] =
    "<html><head><title>late</title></head><body><p id=\"x\">static text</p>"
    "<script>setTimeout(function () {"
    " document.getElementById('x').textContent = 'inserted later ' + (6 * 7) + ' \\u65e5\\u672c';"
    "}, 1000);</script></body></html>";

TEST(BrowserComponentIntegration, CliChecksAScriptBuiltPageAndLeavesNothingBehind) {
  if (!have_browser()) GTEST_SKIP() << "chromium is not installed";
  CheckBench b;
  b.server.on("/late.html", ScriptedResponse::whole(html_answer(kLatePage)));
  const std::string home = b.app.app();
  ASSERT_EQ(run_cli(KS_CLI_PATH, home, {"add", b.url("/late.html"), "--name", "late"}).status, 0);
  ASSERT_EQ(run_cli(KS_CLI_PATH, home, {"set", "late", "USE_SCRIPT=1"}).status, 0);
  const std::string work = sjis_to_utf8(home) + "temp";

  CliRun r = run_cli(KS_CLI_PATH, home, {"check"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string log = read_file(b.app.in_data("late.dat/log1.txt")).value_or("");
  EXPECT_NE(log.find(KS_SJ("inserted later 42 日本")), std::string::npos) << r.out << log;
  EXPECT_EQ(log.find("static text"), std::string::npos) << log;
  // The first line is the page's Last-Modified line (the page sent none, so
  // it is the time of reading, different at every check).
  EXPECT_EQ(log.rfind("Last-Modified: ", 0), 0u) << log;
  EXPECT_TRUE(gone_soon(work));
  EXPECT_FALSE(profiles_left(work));

  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  r = run_cli(KS_CLI_PATH, home, {"check"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("更新なし"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("更新はありません。"), std::string::npos) << r.out;
  EXPECT_TRUE(gone_soon(work));
  EXPECT_FALSE(profiles_left(work));
}

TEST(BrowserComponentIntegration, EightItemsShareOneBrowserEachWithItsOwnCookies) {
  if (!have_browser()) GTEST_SKIP() << "chromium is not installed";
  CheckBench b;
  b.options.max_connection = 8;
  std::vector<std::string> folders;
  for (int i = 1; i <= 8; ++i) {
    const std::string n = std::to_string(i);
    // The cookie comes with the page; the script shows every cookie the page
    // can see, so a cookie of another item would show up here.
    const std::string body =
        "<html><body><p id=\"c\">none</p><script>setTimeout(function () {"
        " document.getElementById('c').textContent = 'cookies: ' + document.cookie;"
        "}, 300);</script></body></html>";
    b.server.on("/c" + n, ScriptedResponse::whole("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                                  "Set-Cookie: item" +
                                                  n + "=v" + n +
                                                  "; Path=/\r\nConnection: close\r\n\r\n" + body));
    folders.push_back(b.add_item("c" + n + ".dat", b.url("/c" + n),
                                 [](store::PageSettings& s) { s.use_script = 1; }));
  }
  b.scan();
  store::Folders f;
  ASSERT_TRUE(store::prepare_app_folders(b.app.app(), f));
  auto method = check::make_browser_component_fetch(f, 30);
  b.methods.set(check::kUseScriptBrowserComponent, method);

  std::atomic<bool> sampling{true};
  std::set<int> seen;
  std::size_t most_at_once = 0;
  std::thread sampler([&] {
    while (sampling) {
      const auto now = browsers_below(f.work_utf8);
      seen.insert(now.begin(), now.end());
      most_at_once = std::max(most_at_once, now.size());
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  const check::RunCompletion done = b.run();
  sampling = false;
  sampler.join();

  EXPECT_EQ(method->browser().browsers_started(), 1);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(most_at_once, 1u);
  ASSERT_EQ(b.host.shown().size(), 8u) << done.status_line;
  for (int i = 1; i <= 8; ++i) {
    const std::string log =
        read_file(path_join(folders[static_cast<std::size_t>(i - 1)], "log1.txt")).value_or("");
    const std::string n = std::to_string(i);
    EXPECT_NE(log.find("cookies: item" + n + "=v" + n + "\r\n"), std::string::npos) << log;
  }
  EXPECT_TRUE(browsers_below(f.work_utf8).empty());
  EXPECT_TRUE(processes_mentioning(f.work_utf8).empty());
  EXPECT_FALSE(profiles_left(f.work));
}

}  // namespace
}  // namespace ks::test
