// kestrelscan-cli check from the outside: output, summary line last, exit
// status, the data-folder lock against a second checker, and the recycling
// of replaced files' disk records.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

#include "app/data_folder_lock.h"
#include "check_fixture.h"
#include "platform/fs.h"

namespace ks::test {
namespace {

struct CliResult {
  int status = -1;
  std::string out;
};

CliResult run_cli(const std::string& home, const std::string& args) {
  const std::string cmd = std::string(KS_CLI_PATH) + " --home '" + home + "' " + args + " 2>&1";
  CliResult r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string last_line(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  const auto at = t.rfind('\n');
  return at == std::string::npos ? t : t.substr(at + 1);
}

class CliCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!path_exists(KS_CLI_PATH)) GTEST_SKIP() << "kestrelscan-cli is not built";
  }
};

TEST_F(CliCheck, RunsAndEndsWithTheSummary) {
  CheckBench b;
  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"hello"}))));
  b.server.on("/gone", ScriptedResponse::whole("HTTP/1.1 404 Not Found\r\n\r\n"));
  ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/p") + " --name page").status, 0);
  ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/gone") + " --name gone").status, 0);

  CliResult r = run_cli(b.app.app(), "check");
  EXPECT_EQ(r.status, 3) << r.out;  // ran to its end, with an item in error
  EXPECT_NE(r.out.find("page"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("HTTP/1.1 404 Not Found"), std::string::npos) << r.out;
  EXPECT_EQ(last_line(r.out), "更新はありません。 エラーが 1 件ありました。") << r.out;

  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"hello", "news today"}))));
  r = run_cli(b.app.app(), "check page");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("news today"), std::string::npos) << r.out;
  EXPECT_EQ(last_line(r.out), "1 件の更新がありました。") << r.out;

  EXPECT_EQ(run_cli(b.app.app(), "check --kind nonsense").status, 2);
  EXPECT_EQ(run_cli(b.app.app(), "check no/such/item").status, 1);
}

TEST_F(CliCheck, SecondCheckerOnTheSameDataFolderIsRefused) {
  CheckBench b;
  app::DataFolderLock held;
  ASSERT_EQ(held.acquire(b.app.app(), "a test"), app::DataFolderLock::Result::kLocked);
  CliResult r = run_cli(b.app.app(), "check");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("in use by a test (process " + std::to_string(::getpid()) + ")"),
            std::string::npos)
      << r.out;
}

// The core is started as a user starts it: TLS is loaded, so an https page
// is fetched and compared like any other.
TEST_F(CliCheck, HttpsPagesAreChecked) {
  CheckBench b;
  ServerOptions tls;
  tls.tls = true;
  ScriptedServer secure(tls);
  ASSERT_TRUE(secure.ok());
  secure.on("/s", ScriptedResponse::whole(html_answer(page_of({"secret one"}))));
  const std::string url = "https://127.0.0.1:" + std::to_string(secure.port()) + "/s";
  ASSERT_EQ(run_cli(b.app.app(), "add " + url + " --name safe").status, 0);
  CliResult r = run_cli(b.app.app(), "check");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("初期化しました。"), std::string::npos) << r.out;
  secure.on("/s", ScriptedResponse::whole(html_answer(page_of({"secret one", "secret two"}))));
  r = run_cli(b.app.app(), "check");
  EXPECT_NE(r.out.find("secret two"), std::string::npos) << r.out;
  EXPECT_EQ(last_line(r.out), "1 件の更新がありました。") << r.out;
}

// Regular expressions come with the core: a check area given as patterns
// selects its lines in a check.
TEST_F(CliCheck, RegularExpressionCheckAreasSelectTheirText) {
  CheckBench b;
  b.server.on("/r", ScriptedResponse::whole(html_answer(
                        page_of({"outside 1", "begin", "inside A", "finish", "outside 2"}))));
  ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/r") + " --name area").status, 0);
  ASSERT_EQ(run_cli(b.app.app(),
                    "set area USE_REGEXP_CHECK_AREA=1 "
                    "CHECK_AREA_START_STRING='^be.in$' CHECK_AREA_END_STRING='^fin.sh$'")
                .status,
            0);
  ASSERT_EQ(run_cli(b.app.app(), "check").status, 0);
  b.server.on("/r", ScriptedResponse::whole(html_answer(
                        page_of({"outside X", "begin", "inside B", "finish", "outside 2"}))));
  CliResult r = run_cli(b.app.app(), "check");
  EXPECT_NE(r.out.find("inside B"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("outside X"), std::string::npos) << r.out;
  EXPECT_EQ(last_line(r.out), "1 件の更新がありました。") << r.out;
}

// Output names items by their paths, so pages of the same name in two groups
// are told apart; the item-settings mark of the desktop app is left out.
TEST_F(CliCheck, ItemsAreNamedByTheirPaths) {
  CheckBench b;
  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"hello"}))));
  for (const char* group : {"a", "b"}) {
    ASSERT_EQ(run_cli(b.app.app(), std::string("group ") + group).status, 0);
    ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/p") + " --name index --group " + group).status,
              0);
  }
  CliResult r = run_cli(b.app.app(), "check");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("■a/index --- 初期化しました。\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("■b/index --- 初期化しました。\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("▽"), std::string::npos) << r.out;
}

// On a terminal (a pseudo-terminal made by script(1)) a hanging server shows:
// the progress line names the item in transfer and its seconds. Ctrl+C
// (SIGINT from timeout(1)) stops the run with status 130.
TEST_F(CliCheck, ProgressShowsTransfersAndAStoppedRunExitsWith130) {
  if (std::system("command -v script >/dev/null 2>&1 && command -v timeout >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "script(1) or timeout(1) is not installed";
  }
  CheckBench b;
  ScriptedResponse silent;
  silent.end = ScriptedResponse::End::kHold;
  b.server.on("/hang", silent);
  ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/hang") + " --name hang").status, 0);
  const std::string tty = b.app.app() + "tty.txt";
  const std::string command = "script -qec 'timeout --preserve-status -s INT 4 " +
                              std::string(KS_CLI_PATH) + " --home " + b.app.app() + " check' " +
                              tty + " </dev/null >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  const std::string out = read_file(tty).value_or("");
  if (out.empty()) GTEST_SKIP() << "no pseudo-terminal available";
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130) << out;
  EXPECT_NE(out.find("[0/1] in transfer: hang 1s"), std::string::npos) << out;
  EXPECT_NE(out.find("the check was stopped"), std::string::npos) << out;
}

// While a check runs, commands that change the data folder are refused with
// the holder named and change nothing; commands that read go on and see
// whole files.
TEST_F(CliCheck, ChangesWaitForNoOneAndAreRefusedDuringACheck) {
  CheckBench b;
  // Every page arrives slowly: the check lasts about three seconds.
  ScriptedResponse slow = ScriptedResponse::trickle(
      "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body><p>slow page</p>", " ", 30,
      100);
  slow.pieces.push_back({"</body></html>", 0});
  b.server.on_default(slow);
  ASSERT_EQ(run_cli(b.app.app(), "group g").status, 0);
  for (int i = 0; i < 12; ++i) {
    ASSERT_EQ(run_cli(b.app.app(), "add " + b.url("/p" + std::to_string(i)) + " --name p" +
                                       std::to_string(i) + " --group g")
                  .status,
              0);
  }
  const std::string site_db = b.app.app() + "data/g.grp/p0.dat/site.db";
  const std::string before = read_file(site_db).value_or("");
  CliResult check;
  std::thread running([&] { check = run_cli(b.app.app(), "check"); });
  ASSERT_TRUE(b.server.wait_for_requests(1, 20000));

  CliResult set = run_cli(b.app.app(), "set g/p0 SITE_PRIORITY=2");
  EXPECT_EQ(set.status, 1) << set.out;
  EXPECT_NE(set.out.find("in use by kestrelscan-cli check (process "), std::string::npos)
      << set.out;
  CliResult rm = run_cli(b.app.app(), "rm g/p1 --yes");
  EXPECT_EQ(rm.status, 1) << rm.out;
  EXPECT_EQ(read_file(site_db).value_or(""), before);
  EXPECT_TRUE(path_exists(b.app.app() + "data/g.grp/p1.dat/site.db"));

  for (int round = 0; round < 3; ++round) {
    CliResult list = run_cli(b.app.app(), "list");
    EXPECT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("p11"), std::string::npos) << list.out;
    CliResult show = run_cli(b.app.app(), "show g/p0");
    EXPECT_EQ(show.status, 0) << show.out;
  }
  running.join();
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_EQ(run_cli(b.app.app(), "set g/p0 SITE_PRIORITY=2").status, 0);
}

// The disk records (inodes) of every file below `folder`, each named by its
// number and its birth time (a number freed and used again is born anew);
// empty when the file system keeps no birth times.
using Record = std::pair<uint64_t, int64_t>;
std::set<Record> records_below(const std::string& folder) {
  std::set<Record> out;
  for (const DirEntry& e : scan_dir(folder)) {
    const std::string path = folder + "/" + e.name;
    struct statx st {};
    if (e.is_dir) {
      out.merge(records_below(path));
    } else if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &st) ==
                   0 &&
               (st.stx_mask & STATX_BTIME) != 0) {
      out.insert({st.stx_ino, st.stx_btime.tv_sec * 1000000000LL + st.stx_btime.tv_nsec});
    }
  }
  return out;
}

// A check replaces result.db, html.txt and the oldest log of every changed
// item; the command line must recycle the replaced files' records through
// the run's spare files instead of making four new files per item.
TEST_F(CliCheck, ChangedItemsReuseTheRecordsOfReplacedFiles) {
  constexpr int kItems = 30;
  CheckBench b;
  auto serve = [&](int version) {
    for (int i = 0; i < kItems; ++i) {
      const std::string line = "item " + std::to_string(i) + " v" + std::to_string(version);
      b.server.on("/p/" + std::to_string(i), ScriptedResponse::whole(html_answer(page_of({line}))));
    }
  };
  serve(1);
  for (int i = 0; i < kItems; ++i)
    b.add_item("i" + std::to_string(i) + ".dat", b.url("/p/" + std::to_string(i)));
  ASSERT_EQ(run_cli(b.app.app(), "check").status, 0);
  serve(2);
  ASSERT_EQ(run_cli(b.app.app(), "check").status, 0);
  const std::set<Record> before = records_below(b.app.data());
  if (before.empty()) GTEST_SKIP() << "the file system keeps no birth times";
  serve(3);
  ASSERT_EQ(run_cli(b.app.app(), "check").status, 0);
  // Each item gains one file (its new added lines); without recycling each
  // would take four new records (new text, added lines, result, response).
  int fresh = 0;
  for (const Record& r : records_below(b.app.data())) fresh += before.count(r) == 0 ? 1 : 0;
  EXPECT_LT(fresh, 2 * kItems);
}

}  // namespace
}  // namespace ks::test
