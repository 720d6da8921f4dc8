// The run's end as a front end sees it: summary texts, the decisions it acts
// on, the day's statistics, and the connection table's limits under threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "check/check_session.h"
#include "check/connection_table.h"
#include "check_fixture.h"
#include "platform/sjis.h"

namespace ks::test {
namespace {

TEST(RunSummary, Texts) {
  EXPECT_EQ(check::summary_first_text({0, 0, 0, 0}), KS_SJ("チェック対象のアイテムがありません。"));
  EXPECT_EQ(check::summary_first_text({5, 5, 2, 1}), KS_SJ("2 件の更新がありました。"));
  EXPECT_EQ(check::summary_first_text({5, 5, 0, 1}), KS_SJ("更新はありません。"));
  EXPECT_EQ(check::summary_second_text({5, 5, 2, 1}), KS_SJ("エラーが 1 件ありました。"));
  EXPECT_EQ(check::summary_second_text({5, 5, 2, 0}), "");
}

TEST(RunSummary, Statistics) {
  app_options::Statistics s;
  s.trx_time = 10;
  check::add_run_statistics(s, 5, 3, 1000);
  EXPECT_EQ(s.trx_time, 15);
  EXPECT_EQ(s.num_sites, 3);
  EXPECT_EQ(s.rx_data_bytes, 1000);
}

// Decisions after a run with two updates and one error, and after a quiet one.
TEST(RunSummary, DecisionsForTheFrontEnd) {
  CheckBench b;
  b.server.on("/a", ScriptedResponse::whole(html_answer(page_of({"a"}))));
  b.server.on("/x", ScriptedResponse::whole("HTTP/1.1 500 Oops\r\n\r\n"));
  b.add_item("a.dat", b.url("/a"));
  b.add_item("b.dat", b.url("/a"));
  b.add_item("x.dat", b.url("/x"));
  b.scan();
  b.options.use_notify_sound = 1;
  b.options.notify_sound = "/tmp/ding.wav";
  b.options.auto_open_browser_view = 1;
  b.options.show_on_change = 1;
  b.options.finish_message = 1;
  b.options.always_finish_message = 0;
  b.options.auto_close = 1;
  app_options::Statistics totals;
  b.session.use_session_totals(totals);
  b.run();
  b.server.on("/a", ScriptedResponse::whole(html_answer(page_of({"a", "more"}))));
  check::RunCompletion r = b.run();
  EXPECT_EQ(totals.num_sites, b.session.statistics().num_sites);
  EXPECT_GT(totals.rx_data_bytes, 0);
  EXPECT_EQ(r.counters.updated, 2);
  EXPECT_EQ(r.counters.errors, 1);
  EXPECT_EQ(r.status_line, KS_SJ("2 件の更新がありました。 エラーが 1 件ありました。"));
  EXPECT_EQ(r.finish_message,
            KS_SJ("2 件の更新がありました。") + "\n\n" + KS_SJ("エラーが 1 件ありました。"));
  EXPECT_TRUE(r.show_finish_message);
  EXPECT_EQ(r.sound_file, "/tmp/ding.wav");
  EXPECT_TRUE(r.open_report);
  EXPECT_FALSE(r.restore_window);  // not minimized
  EXPECT_FALSE(r.close_application);
  ASSERT_FALSE(b.host.status().empty());
  EXPECT_EQ(b.host.status().back(), KS_SJ("更新チェック中..."));
  EXPECT_EQ(r.counters.finished, 3);
  EXPECT_GE(b.session.statistics().num_sites, 6);

  // Nothing changed, no errors: AUTO_CLOSE closes, no finish message.
  b.server.on("/x", ScriptedResponse::whole(html_answer(page_of({"fixed"}))));
  b.run();
  r = b.run();
  EXPECT_EQ(r.counters.updated, 0);
  EXPECT_EQ(r.counters.errors, 0);
  EXPECT_TRUE(r.close_application);
  EXPECT_FALSE(r.show_finish_message);
  EXPECT_FALSE(r.open_report);
}

TEST(RunSummary, ClosingDecidesNothing) {
  CheckBench b;
  ScriptedResponse hold;
  hold.end = ScriptedResponse::End::kHold;
  b.server.on_default(hold);
  b.add_item("a.dat", b.url("/h"));
  b.scan();
  b.options.force_close = 1;
  check::RunCompletion r = b.run(store::kNoNode, check::CheckKind::kSelected, [&] {
    b.server.wait_for_requests(1, 20000);
    b.session.request_exit();
  });
  EXPECT_TRUE(r.closing);
  EXPECT_TRUE(r.status_line.empty());
  EXPECT_FALSE(r.close_application);
}

TEST(ConnectionTable, LimitsUnderThreads) {
  for (const auto& [max, addresses] : {std::pair{32, 1}, std::pair{4, 8}, std::pair{1, 3}}) {
    check::ConnectionTable table;
    table.reset(max);
    std::atomic<int> active{0};
    std::atomic<int> peak{0};
    std::vector<int> per_address(static_cast<std::size_t>(addresses));
    std::atomic<int> per_address_peak{0};
    std::mutex m;
    std::vector<std::thread> threads;
    for (int slot = 0; slot < 24; ++slot) {
      threads.emplace_back([&, slot] {
        check::WakeEvent wake;
        const uint32_t address = static_cast<uint32_t>(slot % addresses);
        for (int round = 0; round < 3; ++round) {
          table.enter(slot, address, wake);
          const int now = ++active;
          int p = peak.load();
          while (now > p && !peak.compare_exchange_weak(p, now)) {
          }
          {
            std::lock_guard lock(m);
            const int n = ++per_address[address];
            per_address_peak = std::max(per_address_peak.load(), n);
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
          {
            std::lock_guard lock(m);
            --per_address[address];
          }
          --active;
          table.leave(slot, address);
        }
      });
    }
    for (auto& t : threads) t.join();  // no waiter is left behind
    EXPECT_LE(peak.load(), std::min(max, 6 * addresses)) << "max " << max;
    EXPECT_LE(per_address_peak.load(), check::kMaxPerAddress);
    EXPECT_LE(table.peak_admitted(), max);
  }
}

}  // namespace
}  // namespace ks::test
