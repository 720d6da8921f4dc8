// The window and the core's check runs together, against the scripted
// local server: a run updates the tree marks, the panes and the status bar
// while the UI thread stays free; keys obey the run state; the task monitor
// follows the slots; closing during a run ends cleanly; AUTO_CLOSE closes;
// a clean exit leaves the tree cache that the next start takes.
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

#include "fixture.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "shell/task_monitor.h"
#include "shell/tree_model.h"
#include "store/node.h"

using ks::test::GuiBench;
using ks::test::page_answer;
using ks::test::ScriptedResponse;

namespace {

// Counts how late a 20 ms timer fires while `busy` holds: the worst gap is
// how long the UI thread was kept from its events.
qint64 worst_gap_while(const std::function<bool()>& busy, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0;
  qint64 worst = 0;
  QTimer tick;
  tick.setInterval(20);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    worst = std::max(worst, clock.elapsed() - last);
    last = clock.elapsed();
  });
  tick.start();
  (void)QTest::qWaitFor([&] { return !busy(); }, timeout_ms);
  return worst;
}

}  // namespace

class GlueTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void run_updates_marks_panes_and_status() {
    GuiBench b;
    b.set_options([](ks::app_options::Options& o) { o.always_finish_message = 0; });
    b.server.on("/a", ScriptedResponse::whole(page_answer({"first"})));
    b.server.on("/gone", ScriptedResponse::whole("HTTP/1.1 404 Not Found\r\n\r\n"));
    // A page that takes a second to arrive keeps the run going for a while.
    b.server.on("/slow", ScriptedResponse::trickle(page_answer({"slow page"}), " ", 10, 100));
    b.add_item("g.grp/a.dat", b.url("/a"));
    b.add_item("g.grp/gone.dat", b.url("/gone"));
    b.add_item("slow.dat", b.url("/slow"));
    b.start();
    QVERIFY(b.check());
    QCOMPARE(b.window().status_text(),
             QStringLiteral("更新はありません。 エラーが 1 件ありました。"));

    b.server.on("/a", ScriptedResponse::whole(page_answer({"first", "二番目の行"})));
    b.window().select_node(b.core().tree().root());
    b.window().command(ks::gui::kCmdCheck);
    QVERIFY(b.window().running());
    QCOMPARE(b.window().status_text(), QStringLiteral("更新チェック中..."));
    const auto& flags = b.window().button_flags_now();
    QVERIFY(!flags.enabled(ks::gui::Button::kCheck));
    QVERIFY(flags.enabled(ks::gui::Button::kStop));
    QVERIFY(!b.window().tree_view()->isEnabled());
    const qint64 worst = worst_gap_while([&] { return b.window().running(); }, 60000);
    QVERIFY(!b.window().running());
    QVERIFY2(worst < 400, qPrintable(QStringLiteral("UI thread held for %1 ms").arg(worst)));

    QCOMPARE(b.window().status_text(),
             QStringLiteral("1 件の更新がありました。 エラーが 1 件ありました。"));
    const uint32_t a_tag = b.window().model().tag_of(b.node("g/a")).value_or(0);
    const uint32_t gone_tag = b.window().model().tag_of(b.node("g/gone")).value_or(0);
    QVERIFY(a_tag & ks::store::kTagUpdated);
    QVERIFY(gone_tag & ks::store::kTagError);
    QVERIFY(b.pane_text(0).contains(QStringLiteral("二番目の行")));
    QVERIFY(b.pane_text(1).contains(QStringLiteral("404")));
    QVERIFY(b.window().tree_view()->isEnabled());
    QVERIFY(!b.window().button_flags_now().enabled(ks::gui::Button::kStop));
  }

  void keys_follow_the_run_state_and_the_monitor_follows_the_slots() {
    GuiBench b;
    b.set_options([](ks::app_options::Options& o) { o.always_finish_message = 0; });
    b.server.on("/slow", ScriptedResponse::whole(page_answer({"slow page"})));
    b.add_item("slow.dat", b.url("/slow"));
    b.start();
    b.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&b.window()));
    QVERIFY(b.check(b.node("slow")));  // a stored result to reload

    // A transfer that trickles for several seconds.
    b.server.on("/slow",
                ScriptedResponse::trickle(page_answer({"slow"}), std::string(2000, ' '), 40, 150));
    QTest::keyClick(&b.window(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(b.window().task_monitor());
    QCOMPARE(b.window().task_monitor()->row_count(), 0);
    QTest::keyClick(&b.window(), Qt::Key_G, Qt::ControlModifier);
    QVERIFY(b.window().running());
    QVERIFY(b.pane_text(2).isEmpty());
    ks::gui::TaskMonitor* monitor = b.window().task_monitor();
    QVERIFY(QTest::qWaitFor(
        [&] { return monitor->row_count() == 1 && monitor->row(0).received.contains(','); },
        10000));
    QCOMPARE(monitor->row(0).state, QStringLiteral("通信中"));
    QCOMPARE(monitor->row(0).site, QStringLiteral("slow"));

    // Ctrl+R during a run does nothing: the reload would show the stored
    // result in the cleared pane.
    QTest::keyClick(&b.window(), Qt::Key_R, Qt::ControlModifier);
    QTest::qWait(50);
    QVERIFY(b.pane_text(2).isEmpty());
    // Esc stops it; the stopped run shows its summary and keeps the window.
    QTest::keyClick(&b.window(), Qt::Key_Escape);
    QVERIFY(QTest::qWaitFor([&] { return !b.window().running(); }, 10000));
    QCOMPARE(monitor->row_count(), 0);
    QVERIFY(!b.window().closing());
    // Esc with no run does nothing; Ctrl+R now reloads.
    QTest::keyClick(&b.window(), Qt::Key_Escape);
    QVERIFY(!b.window().running());
    QTest::keyClick(&b.window(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(!b.pane_text(2).isEmpty());
  }

  void closing_during_a_run_stops_it_and_goes_down_in_time() {
    GuiBench b;
    ScriptedResponse held = ScriptedResponse::whole("HTTP/1.1 200 OK\r\n");
    held.end = ScriptedResponse::End::kHold;
    b.server.on("/held", held);
    for (int i = 0; i < 6; ++i) b.add_item("h" + std::to_string(i) + ".dat", b.url("/held"));
    b.start();
    b.window().command(ks::gui::kCmdCheck);
    QVERIFY(b.server.wait_for_requests(4, 10000));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(b.close_and_wait(25000));
    QVERIFY(!b.window().workers_running());
    QVERIFY(b.window().close_attempts() < 100);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    // The items in flight were left unfinished: nothing recorded for them.
    QVERIFY(!ks::path_exists(b.folder.in_data("h0.dat/result.db")));
    QVERIFY(ks::path_exists(b.folder.in_data("treecache.tmp")));
  }

  void auto_close_without_changes_closes_and_the_cache_serves_the_next_start() {
    GuiBench b;
    b.set_options([](ks::app_options::Options& o) {
      o.always_finish_message = 0;
      o.auto_close = 1;
    });
    b.server.on("/p", ScriptedResponse::whole(page_answer({"same"})));
    b.add_item("g.grp/p.dat", b.url("/p"));
    b.start();
    bool closed = false;
    connect(&b.window(), &ks::gui::MainWindow::closed, this, [&closed] { closed = true; });
    b.window().command(ks::gui::kCmdCheck);
    QVERIFY(QTest::qWaitFor([&] { return closed; }, 30000));
    const std::string cache = b.folder.in_data("treecache.tmp");
    QVERIFY(ks::path_exists(cache));
    b.stop();

    // The next start builds its tree from the cache and deletes it.
    b.set_options([](ks::app_options::Options& o) { o.always_finish_message = 0; });
    b.start();
    QCOMPARE(b.core().startup_tree().source, ks::store::TreeSource::kCache);
    QVERIFY(!ks::path_exists(cache));
    QVERIFY(b.node("g/p") != ks::store::kNoNode);
    QVERIFY(b.window().model().tag_of(b.node("g/p")).has_value());
  }
};

QTEST_MAIN(GlueTest)
#include "glue_test.moc"
