// Checks that run by themselves, from the outside: `check --due` checks
// exactly the items whose time has come (intervals set with `options` and
// `set`, last check times from result.db), `schedule` shows it, the new keys
// survive the other writers and leave the other readers' output alone, and a
// timer's run gives way to a holder of the data folder with status 75.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <clocale>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "app/data_folder_lock.h"
#include "check_fixture.h"
#include "platform/fs.h"
#include "support/cli_runner.h"

namespace ks::test {
namespace {

class CliSchedule : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!path_exists(KS_CLI_PATH)) GTEST_SKIP() << "kestrelscan-cli is not built";
  }
  CliRun cli(const std::vector<std::string>& args,
             std::vector<std::pair<std::string, std::string>> vars = {}) {
    CliEnv env;
    env.vars = std::move(vars);
    env.vars.emplace_back("TZ", "UTC");
    return run_cli(KS_CLI_PATH, b.app.app(), args, env);
  }
  // Sets an item's last check time: result.db's time, `minutes` ago.
  void checked_ago(const std::string& rel, int minutes) {
    const std::string path = b.app.in_data(rel) + "/result.db";
    const std::time_t t = std::time(nullptr) - minutes * 60;
    const struct utimbuf times { t, t };
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
  }
  std::size_t requests_for(const std::string& path) {
    std::size_t n = 0;
    for (const std::string& r : b.server.requests()) {
      if (r.rfind("GET " + path + " ", 0) == 0) ++n;
    }
    return n;
  }

  CheckBench b;
};

TEST_F(CliSchedule, CheckDueChecksExactlyTheItemsWhoseTimeHasCome) {
  for (const char* p : {"/fast", "/slow", "/own", "/off", "/never"}) {
    b.server.on(p, ScriptedResponse::whole(html_answer(page_of({p}))));
  }
  ASSERT_EQ(cli({"group", "news"}).status, 0);
  ASSERT_EQ(cli({"add", b.url("/fast"), "--name", "fast", "--group", "news"}).status, 0);
  ASSERT_EQ(cli({"add", b.url("/own"), "--name", "own", "--group", "news"}).status, 0);
  ASSERT_EQ(cli({"add", b.url("/slow"), "--name", "slow"}).status, 0);
  ASSERT_EQ(cli({"add", b.url("/off"), "--name", "off"}).status, 0);
  ASSERT_EQ(cli({"add", b.url("/never"), "--name", "never"}).status, 0);
  ASSERT_EQ(cli({"check"}).status, 0);  // every item has a last check now

  ASSERT_EQ(cli({"options", "SCHEDULE.INTERVAL=1d"}).status, 0);
  ASSERT_EQ(cli({"set", "news", "SCHEDULE.INTERVAL=15m"}).status, 0);
  ASSERT_EQ(cli({"set", "news/own", "SCHEDULE.INTERVAL=2h"}).status, 0);
  ASSERT_EQ(cli({"set", "never", "SCHEDULE.INTERVAL=0"}).status, 0);
  ASSERT_EQ(cli({"set", "off", "DISABLE_AUTO_CHECK=1"}).status, 0);
  EXPECT_EQ(cli({"get", "news/own", "SCHEDULE.INTERVAL"}).out, "SCHEDULE.INTERVAL=2h\n");
  EXPECT_EQ(cli({"set", "news", "SCHEDULE.INTERVAL=soon"}).status, 2);
  // An hour ago: fast (15m) is due, own (2h) is not; slow (1d) is not;
  // off and never are not on the schedule at all.
  for (const char* rel : {"news.grp/fast.dat", "news.grp/own.dat", "slow.dat", "off.dat"}) {
    checked_ago(rel, 60);
  }
  checked_ago("never.dat", 60 * 24 * 30);

  const CliRun shown = cli({"schedule"});
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("whole tree: every 1d\nwindow: any hour, every day\n"),
            std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("now               15m   news  news/fast\n"), std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("2h    own  news/own\n"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("1d    whole tree  slow\n"), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find("never"), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find("off"), std::string::npos) << shown.out;
  // Columns are padded by what the terminal shows: "今" takes two columns
  // in three bytes.
  if (locale_t ja = newlocale(LC_MESSAGES_MASK, "ja_JP.UTF-8", nullptr)) {
    freelocale(ja);
    const CliRun japanese = cli({"schedule"}, {{"LANG", "ja_JP.UTF-8"}});
    EXPECT_NE(japanese.out.find("今                15m"), std::string::npos) << japanese.out;
  }

  const std::size_t before = b.server.requests().size();
  const CliRun due = cli({"check", "--due"});
  EXPECT_EQ(due.status, 0) << due.out << due.err;
  EXPECT_EQ(b.server.requests().size(), before + 1);
  EXPECT_EQ(requests_for("/fast"), 2u);
  for (const char* p : {"/slow", "/own", "/off", "/never"}) EXPECT_EQ(requests_for(p), 1u) << p;
  EXPECT_NE(due.out.find("更新はありません。"), std::string::npos) << due.out;

  // Checked just now: nothing is due, and the run says when the next is.
  const CliRun again = cli({"check", "--due"});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(b.server.requests().size(), before + 1);
  EXPECT_NE(again.err.find("no item is due; the next is due at "), std::string::npos) << again.err;

  // Outside the window nothing is due even after a long sleep.
  checked_ago("news.grp/fast.dat", 600);
  const std::tm now = [] {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
  }();
  const std::string closed =
      std::to_string((now.tm_hour + 2) % 24) + "-" + std::to_string((now.tm_hour + 3) % 24);
  ASSERT_EQ(cli({"options", "SCHEDULE.HOURS=" + closed}).status, 0);
  EXPECT_EQ(cli({"check", "--due"}).status, 0);
  EXPECT_EQ(b.server.requests().size(), before + 1);
  ASSERT_EQ(cli({"options", "SCHEDULE.HOURS="}).status, 0);
  EXPECT_EQ(cli({"check", "--due", "slow"}).status, 0);  // fast is not below slow
  EXPECT_EQ(b.server.requests().size(), before + 1);
  EXPECT_EQ(cli({"check", "--due", "--kind", "errors"}).status, 2);
}

TEST_F(CliSchedule, TheKeysSurviveOtherWritersAndChangeNoOtherOutput) {
  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"p"}))));
  b.server.on("/q", ScriptedResponse::whole(html_answer(page_of({"q"}))));
  ASSERT_EQ(cli({"group", "g"}).status, 0);
  ASSERT_EQ(cli({"add", b.url("/p"), "--name", "p", "--group", "g"}).status, 0);
  const std::string get_before = cli({"get", "g/p"}).out;
  const std::string options_before = cli({"options", "TIMEOUT", "FONT.POINT"}).out;

  ASSERT_EQ(cli({"set", "g/p", "SCHEDULE.INTERVAL=45"}).status, 0);
  ASSERT_EQ(cli({"set", "g", "SCHEDULE.INTERVAL=1w"}).status, 0);
  ASSERT_EQ(cli({"options", "SCHEDULE.DAYS=sat-sun", "SCHEDULE.HOURS=22-6"}).status, 0);
  EXPECT_EQ(cli({"get", "g/p"}).out, get_before);
  EXPECT_EQ(cli({"options", "TIMEOUT", "FONT.POINT"}).out, options_before);

  // The item's settings, the group's bulk change and flag, and the options.
  ASSERT_EQ(cli({"set", "g/p", "URL=" + b.url("/q"), "COMMENT=note"}).status, 0);
  ASSERT_EQ(cli({"set", "g", "IGNORE_URL=1", "DISABLE_AUTO_CHECK=0"}).status, 0);
  ASSERT_EQ(cli({"options", "TIMEOUT=40"}).status, 0);
  ASSERT_EQ(cli({"check"}).status, 0);
  EXPECT_EQ(cli({"get", "g/p", "SCHEDULE.INTERVAL", "IGNORE_URL"}).out,
            "SCHEDULE.INTERVAL=45m\nIGNORE_URL=1\n");
  EXPECT_EQ(cli({"options", "SCHEDULE.DAYS", "SCHEDULE.HOURS"}).out,
            "SCHEDULE.DAYS=sat,sun\nSCHEDULE.HOURS=22:00-06:00\n");
  EXPECT_NE(read_file(b.app.in_data("g.grp/group.db")).value_or("").find("INTERVAL=10080"),
            std::string::npos);
  // Taking the group's interval again removes the item's own.
  ASSERT_EQ(cli({"set", "g/p", "SCHEDULE.INTERVAL="}).status, 0);
  EXPECT_EQ(cli({"get", "g/p", "SCHEDULE.INTERVAL"}).out, "SCHEDULE.INTERVAL=\n");
}

TEST_F(CliSchedule, ATimerRunGivesWayToTheHolderOfTheDataFolder) {
  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"p"}))));
  ASSERT_EQ(cli({"add", b.url("/p"), "--name", "p"}).status, 0);
  ASSERT_EQ(cli({"options", "SCHEDULE.INTERVAL=5"}).status, 0);
  app::DataFolderLock held;
  ASSERT_EQ(held.acquire(b.app.app(), "desktop app"), app::DataFolderLock::Result::kLocked);
  const CliRun r = cli({"check", "--due"});
  EXPECT_EQ(r.status, 75);
  EXPECT_NE(r.err.find("in use by desktop app (process " + std::to_string(::getpid()) + ")"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(b.server.requests().empty());
  EXPECT_EQ(cli({"check"}).status, 1);  // an ordinary check is refused as before
  held.release();
  EXPECT_EQ(cli({"check", "--due"}).status, 0);
  EXPECT_EQ(b.server.requests().size(), 1u);  // never checked: due at once
}

}  // namespace
}  // namespace ks::test
