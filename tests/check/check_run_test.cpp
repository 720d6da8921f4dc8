// End-to-end check runs over a temporary data folder against the scripted
// server on loopback: results, messages, files, retries, redirects,
// admission and spacing, importance order and stopping.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "check/fetch_method.h"
#include "check_fixture.h"
#include "compare/matrix.h"
#include "compare/result_record.h"
#include "net/net_error.h"
#include "platform/profile.h"
#include "platform/sjis.h"

namespace ks::test {
namespace {

using check::RunCompletion;

int count_requests_for(const ScriptedServer& s, const std::string& path) {
  int n = 0;
  for (const auto& r : s.requests()) {
    if (r.rfind("GET " + path + " ", 0) == 0 || r.rfind("HEAD " + path + " ", 0) == 0) ++n;
  }
  return n;
}

const Shown* find_shown(const std::vector<Shown>& v, const std::string& name) {
  for (const auto& s : v) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

// The start of a page, then an open connection that says nothing more.
ScriptedResponse partial_then_silence() {
  ScriptedResponse hold;
  hold.pieces.push_back({"HTTP/1.1 200 OK\r\n\r\n<p>partial", 0});
  hold.end = ScriptedResponse::End::kHold;
  return hold;
}

// A port on loopback where nothing listens.
uint16_t closed_port() {
  ScriptedServer s;
  const uint16_t p = s.port();
  s.stop();
  return p;
}

TEST(CheckRun, FirstUnchangedChangedAndNotModified) {
  CheckBench b;
  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"line one", "line two"}))));
  const std::string folder = b.add_item("a.dat", b.url("/p"));
  b.scan();

  RunCompletion first = b.run();
  EXPECT_EQ(compare::read_result_code(folder), compare::kResultFirstCheck);
  ASSERT_EQ(b.host.shown().size(), 1u);
  EXPECT_EQ(b.host.shown()[0].code, 0);
  EXPECT_EQ(b.host.shown()[0].tab, check::kTabAll);
  EXPECT_EQ(first.counters.started, 1);
  EXPECT_EQ(first.first_text, KS_SJ("更新はありません。"));

  // Unchanged: code 1, shown only with NOCHANGE_MSG.
  b.host.clear();
  b.options.nochange_msg = 0;
  b.run();
  EXPECT_EQ(compare::read_result_code(folder), compare::kResultNoChange);
  EXPECT_TRUE(b.host.shown().empty());
  b.options.nochange_msg = 1;
  b.run();
  ASSERT_EQ(b.host.shown().size(), 1u);
  EXPECT_EQ(b.host.shown()[0].code, 1);
  EXPECT_EQ(b.host.shown()[0].tab, check::kTabErrors);

  // Changed: code 3 with exactly the added line in add.txt.
  b.host.clear();
  b.server.on(
      "/p", ScriptedResponse::whole(html_answer(page_of({"line one", "line two", "line three"}))));
  RunCompletion changed = b.run();
  EXPECT_EQ(compare::read_result_code(folder), compare::kResultChanged);
  ASSERT_EQ(b.host.shown().size(), 1u);
  const std::string add = b.host.shown()[0].add_text;
  EXPECT_NE(add.find("line three"), std::string::npos) << add;
  EXPECT_EQ(add.find("line one"), std::string::npos) << add;
  EXPECT_EQ(add.find("line two"), std::string::npos) << add;
  EXPECT_EQ(changed.counters.updated, 1);
  EXPECT_EQ(changed.first_text, KS_SJ("1 件の更新がありました。"));
  EXPECT_TRUE(b.tree.find(b.node("a"))->tag & store::kTagUpdated);

  // 304: code 2.
  b.server.on("/p", ScriptedResponse::whole("HTTP/1.1 304 Not Modified\r\n\r\n"));
  b.run();
  EXPECT_EQ(compare::read_result_code(folder), compare::kResultNotModified);
}

TEST(CheckRun, HttpAndNetworkErrors) {
  CheckBench b;
  b.server.on("/missing", ScriptedResponse::whole("HTTP/1.1 404 Not Found\r\nContent-Length: "
                                                  "0\r\n\r\n"));
  const std::string f404 = b.add_item("e404.dat", b.url("/missing"));
  const std::string refused =
      b.add_item("refused.dat", "http://127.0.0.1:" + std::to_string(closed_port()) + "/",
                 [](store::PageSettings& s) { s.option_changed = 1; });
  const std::string nourl = b.add_item("nourl.dat", "");
  const std::string driver =
      b.add_item("driver.dat", b.url("/d"), [](store::PageSettings& s) { s.use_script = 2; });
  b.options.retry = 0;
  b.scan();
  RunCompletion r = b.run();

  EXPECT_EQ(compare::read_result_code(f404), compare::kResultHttpError);
  EXPECT_EQ(compare::read_result_message(f404), KS_SJ("HTTPエラー (HTTP/1.1 404 Not Found)"));
  EXPECT_EQ(compare::read_result_code(refused), compare::kResultNetworkError);
  EXPECT_EQ(compare::read_result_message(refused), net::net_error_message(net::kNetConnectFailed));
  // A communication error leaves the settings as they were.
  EXPECT_EQ(profile_read_int(path_join(refused, "site.db"), "CONFIG", "OPTION_CHANGED", 0), 1);
  EXPECT_EQ(compare::read_result_message(nourl), KS_SJ("URL未設定"));
  EXPECT_EQ(compare::read_result_message(driver), KS_SJ("Webdriverエラー"));
  EXPECT_EQ(count_requests_for(b.server, "/d"), 0);
  EXPECT_EQ(r.counters.errors, 4);
  EXPECT_EQ(r.second_text, KS_SJ("エラーが 4 件ありました。"));
  EXPECT_EQ(r.status_line, r.first_text + " " + r.second_text);
  for (const auto& s : b.host.shown()) EXPECT_EQ(s.tab, check::kTabErrors);
  EXPECT_TRUE(b.tree.find(b.node("e404"))->tag & store::kTagError);
}

TEST(CheckRun, OptionChangedClearedAfterReachingTheServer) {
  CheckBench b;
  b.server.on("/p", ScriptedResponse::whole(html_answer(page_of({"x"}))));
  const std::string f =
      b.add_item("a.dat", b.url("/p"), [](store::PageSettings& s) { s.option_changed = 1; });
  b.scan();
  b.run();
  EXPECT_EQ(profile_read_int(path_join(f, "site.db"), "CONFIG", "OPTION_CHANGED", 1), 0);
}

TEST(CheckRun, RetryCountsAttempts) {
  CheckBench b;
  ScriptedResponse reset;
  reset.end = ScriptedResponse::End::kReset;
  b.server.on("/flaky", reset);
  const std::string f = b.add_item("a.dat", b.url("/flaky"));
  b.scan();
  b.options.retry = 2;
  b.run();
  EXPECT_EQ(count_requests_for(b.server, "/flaky"), 3);
  EXPECT_EQ(compare::read_result_code(f), compare::kResultNetworkError);

  // The browser driver is tried once, whatever RETRY says.
  b.options.retry = 3;
  const std::string d =
      b.add_item("d.dat", b.url("/flaky"), [](store::PageSettings& s) { s.use_script = 1; });
  b.scan();
  b.run(b.node("d"));
  EXPECT_EQ(compare::read_result_message(d), KS_SJ("IEコンポーネントエラー"));
}

TEST(CheckRun, RedirectsAreFollowedAndLimited) {
  CheckBench b;
  b.server.on("/from", ScriptedResponse::whole("HTTP/1.1 302 Found\r\nLocation: /to\r\n"
                                               "Content-Length: 0\r\n\r\n"));
  b.server.on("/to", ScriptedResponse::whole(html_answer(page_of({"arrived"}))));
  b.server.on("/loop", ScriptedResponse::whole("HTTP/1.1 301 Moved Permanently\r\n"
                                               "Location: /loop\r\nContent-Length: 0\r\n\r\n"));
  const std::string followed = b.add_item("a.dat", b.url("/from"));
  const std::string looping = b.add_item("b.dat", b.url("/loop"));
  const std::string single = b.add_item(
      "c.dat", b.url("/from"), [](store::PageSettings& s) { s.disable_http_redirect = 1; });
  b.options.disp_http_redirect = 1;
  b.scan();
  b.run();

  EXPECT_EQ(compare::read_result_code(followed), compare::kResultFirstCheck);
  EXPECT_EQ(count_requests_for(b.server, "/to"), 1);
  EXPECT_EQ(count_requests_for(b.server, "/loop"), 10);
  EXPECT_EQ(compare::read_result_code(looping), compare::kResultHttpError);
  const std::vector<Shown> shown = b.host.shown();
  const Shown* loop = find_shown(shown, "b");
  ASSERT_NE(loop, nullptr);
  EXPECT_EQ(loop->overflow, check::kRedirectOverflowMark);
  // With redirects off the 302 itself is the result.
  EXPECT_EQ(compare::read_result_code(single), compare::kResultHttpError);
  EXPECT_EQ(compare::read_result_message(single), KS_SJ("HTTPエラー (HTTP/1.1 302 Found)"));
  // Notices: a->to once, the loop ten times, c once.
  const auto notices = b.host.redirects();
  EXPECT_EQ(notices.size(), 12u);
  EXPECT_EQ(std::count(notices.begin(), notices.end(), b.url("/loop")), 10);
}

// Counts the fetches in flight (a fetch runs only while admitted).
class CountingFetch : public check::HttpEngineFetch {
 public:
  check::FetchOutcome fetch(const check::FetchRequest& r) override {
    const int now = ++active;
    int p = peak.load();
    while (now > p && !peak.compare_exchange_weak(p, now)) {
    }
    check::FetchOutcome out = HttpEngineFetch::fetch(r);
    --active;
    return out;
  }
  std::atomic<int> active{0};
  std::atomic<int> peak{0};
};

TEST(CheckRun, AdmissionKeepsToTheLimits) {
  CheckBench b;
  auto counting = std::make_shared<CountingFetch>();
  b.methods.set(check::kUseScriptHttp, counting);
  const std::string body = html_answer(page_of({"slow"}));
  b.server.on_default(ScriptedResponse::split(body, {body.size() / 2}, 250));
  for (int i = 0; i < 14; ++i) b.add_item("i" + std::to_string(i) + ".dat", b.url("/s"));
  b.scan();
  b.options.max_connection = 32;
  b.run();
  // All on one address: six at a time, never more. The server sees the
  // transfers overlap; its own count may lag a closing connection by a
  // moment, so the exact bound is taken from the fetches themselves.
  EXPECT_LE(counting->peak.load(), 6);
  EXPECT_GE(counting->peak.load(), 2);
  EXPECT_GE(b.server.peak_open_connections(), 2u);
  EXPECT_EQ(b.server.requests().size(), 14u);
  EXPECT_LE(b.session.run().peak_admitted(), 6);

  ScriptedServer second;
  second.on_default(ScriptedResponse::split(body, {body.size() / 2}, 250));
  b.options.max_connection = 3;
  counting->peak = 0;
  for (int i = 0; i < 14; ++i) {
    b.add_item("i" + std::to_string(i) + ".dat",
               "http://127.0.0.1:" + std::to_string(second.port()) + "/s");
  }
  b.run();
  EXPECT_LE(counting->peak.load(), 3);
  EXPECT_LE(b.session.run().peak_admitted(), 3);
  EXPECT_EQ(second.requests().size(), 14u);
}

// Records when each fetch starts, then fetches with the own engine.
class TimedFetch : public check::HttpEngineFetch {
 public:
  check::FetchOutcome fetch(const check::FetchRequest& r) override {
    {
      std::lock_guard lock(mutex);
      starts.emplace_back(std::chrono::steady_clock::now(), r.settings->site_priority);
    }
    return HttpEngineFetch::fetch(r);
  }
  std::mutex mutex;
  std::vector<std::pair<std::chrono::steady_clock::time_point, int>> starts;
};

TEST(CheckRun, TransferSpacing) {
  CheckBench b;
  auto timed = std::make_shared<TimedFetch>();
  b.methods.set(check::kUseScriptHttp, timed);
  b.server.on_default(ScriptedResponse::whole(html_answer(page_of({"x"}))));
  for (int i = 0; i < 4; ++i) b.add_item("i" + std::to_string(i) + ".dat", b.url("/x"));
  b.scan();
  b.options.tx_interval = 400;
  b.run();
  // Starts are let through 400 ms apart; the recorded times may lag that by
  // a scheduling delay on a busy machine, never by the whole interval.
  auto starts = timed->starts;
  ASSERT_EQ(starts.size(), 4u);
  std::sort(starts.begin(), starts.end());
  for (std::size_t i = 1; i < starts.size(); ++i) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(starts[i].first -
                                                                           starts[i - 1].first);
    EXPECT_GE(gap.count(), 250) << "between transfers " << i - 1 << " and " << i;
  }
}

TEST(CheckRun, ImportancePassesFinishHigherBeforeLower) {
  CheckBench b;
  auto timed = std::make_shared<TimedFetch>();
  b.methods.set(check::kUseScriptHttp, timed);
  const std::string body = html_answer(page_of({"x"}));
  b.server.on_default(ScriptedResponse::split(body, {body.size() / 2}, 150));
  for (int i = 0; i < 9; ++i) {
    b.add_item("i" + std::to_string(i) + ".dat", b.url("/x"),
               [i](store::PageSettings& s) { s.site_priority = i % 3; });
  }
  b.scan();
  b.options.use_site_priority = 1;
  b.run();
  ASSERT_EQ(b.host.shown().size(), 9u);
  // Every fetch of importance p starts after every item of a higher
  // importance was shown (finished).
  std::map<int, std::chrono::steady_clock::time_point> last_finish;
  for (const auto& s : b.host.shown()) {
    const int p = (s.name.back() - '0') % 3;
    if (!last_finish.count(p) || last_finish[p] < s.at) last_finish[p] = s.at;
  }
  for (const auto& [at, p] : timed->starts) {
    for (int higher = p + 1; higher <= 2; ++higher) {
      EXPECT_GT(at, last_finish[higher]) << "importance " << p << " started early";
    }
  }

  // A run of one importance takes only its items.
  b.host.clear();
  RunCompletion r = b.run(store::kNoNode, check::CheckKind::kMediumImportance);
  EXPECT_EQ(r.counters.started, 3);
}

TEST(CheckRun, DisabledGroupsItemsAndSingleItems) {
  CheckBench b;
  b.server.on_default(ScriptedResponse::whole(html_answer(page_of({"x"}))));
  b.add_item("on.dat", b.url("/1"));
  b.add_item("off.dat", b.url("/2"), [](store::PageSettings& s) { s.disable_auto_check = 1; });
  const std::string g = b.app.make_dir("g.grp");
  store::write_group_flag(g, 1);
  b.add_item("g.grp/inner.dat", b.url("/3"));
  b.scan();
  RunCompletion r = b.run();
  EXPECT_EQ(r.counters.started, 1);
  EXPECT_EQ(b.session.run().worker_count(), check::kMaxWorkers);

  // A disabled item selected on its own is checked, by one worker, into the
  // single-item tab.
  b.host.clear();
  r = b.run(b.node("off"));
  EXPECT_EQ(r.counters.started, 1);
  EXPECT_EQ(b.session.run().worker_count(), 1);
  ASSERT_EQ(b.host.shown().size(), 1u);
  EXPECT_EQ(b.host.shown()[0].tab, check::kTabSingle);
  // A disabled group selected itself is walked.
  r = b.run(b.node("g"));
  EXPECT_EQ(r.counters.started, 1);
}

TEST(CheckRun, StopLeavesUnfinishedItemsUnrecorded) {
  CheckBench b;
  b.server.on_default(partial_then_silence());
  std::vector<std::string> folders;
  for (int i = 0; i < 5; ++i)
    folders.push_back(b.add_item("i" + std::to_string(i) + ".dat", b.url("/hold")));
  b.scan();
  const auto t0 = std::chrono::steady_clock::now();
  RunCompletion r = b.run(store::kNoNode, check::CheckKind::kSelected, [&] {
    b.server.wait_for_requests(5, 20000);
    b.session.stop();
  });
  const auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_TRUE(r.stopped);
  EXPECT_LT(took, std::chrono::seconds(15));
  EXPECT_FALSE(r.close_application);
  for (const auto& f : folders) {
    EXPECT_FALSE(path_exists(compare::result_path(f))) << f;
    EXPECT_FALSE(path_exists(compare::text_path(f, "new"))) << f;
    EXPECT_FALSE(path_exists(compare::numbered_log_path(f, "log", 1))) << f;
  }
  EXPECT_TRUE(b.host.shown().empty());
  for (int s = 0; s < check::kMaxWorkers; ++s) {
    EXPECT_EQ(b.session.run().tasks().state(s), check::TaskState::kIdle);
  }
}

// The monitor reads a slot while its transfer waits: the received bytes and
// the seconds of the wait must show there before the transfer ends.
TEST(CheckRun, TaskSnapshotsShowTheTransferAsItGoes) {
  CheckBench b;
  b.server.on_default(partial_then_silence());
  b.add_item("slow.dat", b.url("/slow"));
  b.scan();
  check::TaskRecord seen;
  b.run(store::kNoNode, check::CheckKind::kSelected, [&] {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < give_up) {
      for (int s = 0; s < check::kMaxWorkers; ++s) {
        check::TaskRecord t = b.session.run().tasks().snapshot(s);
        if (t.state == check::TaskState::kTransfer && t.elapsed_seconds >= 1) seen = t;
      }
      if (seen.state == check::TaskState::kTransfer) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    b.session.stop();
  });
  EXPECT_EQ(seen.state, check::TaskState::kTransfer);
  EXPECT_GE(seen.elapsed_seconds, 1);
  EXPECT_GT(seen.received_bytes, 0);
}

TEST(CheckRun, EmptySelectionAndErrorKinds) {
  CheckBench b;
  b.app.make_dir("empty.grp");
  b.server.on("/ok", ScriptedResponse::whole(html_answer(page_of({"x"}))));
  b.server.on("/gone", ScriptedResponse::whole("HTTP/1.1 404 Not Found\r\n\r\n"));
  b.add_item("ok.dat", b.url("/ok"));
  b.add_item("gone.dat", b.url("/gone"));
  b.add_item("area.dat", b.url("/ok"), [](store::PageSettings& s) {
    s.check_areas[0].start = "no such start";
    s.check_areas[0].end = "no such end";
  });
  b.scan();
  RunCompletion r = b.run(b.node("empty"));
  EXPECT_EQ(r.counters.started, 0);
  EXPECT_EQ(r.first_text, KS_SJ("チェック対象のアイテムがありません。"));
  EXPECT_EQ(r.status_line, r.first_text);

  b.run();  // first results: ok 0, gone 5, area 0 (no previous log)
  b.run();  // area now finds no check area: 6
  EXPECT_TRUE(b.tree.find(b.node("area"))->tag & store::kTagError);
  r = b.run(store::kNoNode, check::CheckKind::kErrors);
  EXPECT_EQ(r.counters.started, 2);
  r = b.run(store::kNoNode, check::CheckKind::kCommErrors);
  EXPECT_EQ(r.counters.started, 1);
}

// A stop that comes while the comparison runs leaves the item as if it had
// not been checked: no result, nothing shown, nothing rotated, the settings
// change kept for the next check.
TEST(CheckRun, StopDuringTheComparisonLeavesTheItemUnfinished) {
  CheckBench b;
  // Two long texts that share one line: the slowest kind of comparison.
  auto page = [](const std::string& prefix) {
    std::string body = "<html><body><pre>";
    for (int i = 0; i < 20000; ++i) {
      body += prefix + std::to_string(i) + (i == 10000 ? "\ncommon" : "") + "\n";
    }
    return html_answer(body + "</pre></body></html>");
  };
  b.server.on("/big", ScriptedResponse::whole(page("a")));
  const std::string folder = b.add_item("big.dat", b.url("/big"));
  b.scan();
  b.run();
  ASSERT_EQ(compare::read_result_code(folder), compare::kResultFirstCheck);
  ASSERT_TRUE(profile_write_string(folder + "/site.db", "CONFIG", "OPTION_CHANGED", "1"));
  const int current = compare::read_current_log_number(folder);
  b.host.clear();

  b.server.on("/big", ScriptedResponse::whole(page("b")));
  RunCompletion r = b.run(store::kNoNode, check::CheckKind::kSelected, [&] {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!compare::MatrixSlots::shared().in_use(0) &&
           std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    b.session.stop();
  });
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(compare::read_result_code(folder), compare::kResultFirstCheck);
  EXPECT_EQ(compare::read_current_log_number(folder), current);
  // The kept response is still the first check's: nothing rotated.
  EXPECT_NE(read_file(compare::text_path(folder, "html")).value_or("").find("a19999"),
            std::string::npos);
  EXPECT_EQ(profile_read_int(folder + "/site.db", "CONFIG", "OPTION_CHANGED", 0), 1);
  EXPECT_TRUE(b.host.shown().empty());
  EXPECT_TRUE(b.host.finished().empty());
  EXPECT_EQ(r.counters.finished, 0);
}

// A hand-edited RETRY below zero still gets one attempt: a dead server is an
// error, never "no change".
TEST(CheckRun, RetryBelowZeroStillMakesOneAttempt) {
  CheckBench b;
  const std::string folder =
      b.add_item("dead.dat", "http://127.0.0.1:" + std::to_string(closed_port()) + "/");
  b.scan();
  b.options.retry = -1;
  RunCompletion r = b.run();
  EXPECT_EQ(r.counters.errors, 1);
  EXPECT_EQ(compare::read_result_code(folder), compare::kResultNetworkError);
}

// The day's NUM_SITES counts every item that starts its first hop, also
// those without a URL or whose name cannot be looked up.
TEST(CheckRun, SitesCountEveryItemStarted) {
  CheckBench b;
  b.server.on("/ok", ScriptedResponse::whole(html_answer(page_of({"x"}))));
  b.add_item("ok.dat", b.url("/ok"));
  b.add_item("nourl.dat", "");
  b.add_item("noname.dat", "http://no-such-host.invalid/");
  b.scan();
  b.options.retry = 0;
  b.options.timeout = 2;
  RunCompletion r = b.run();
  EXPECT_EQ(r.counters.errors, 2);
  EXPECT_EQ(b.session.statistics().num_sites, 3);
  // Every finished item produced one event with its node's new marks.
  const auto finished = b.host.finished();
  ASSERT_EQ(finished.size(), 3u);
  for (const auto& f : finished) {
    EXPECT_EQ(f.tag, b.tree.find(f.node)->tag);
    EXPECT_EQ((f.tag & store::kTagError) != 0, f.result_code == compare::kResultNetworkError);
  }
}

}  // namespace
}  // namespace ks::test
