// The real `kestrelscan` program from the outside, offscreen: a second
// start on the same data folder brings the first forward and ends; the
// start-up words keep their case; /CHECK_ALL_ITEMS with FORCE_CLOSE checks
// 200 local pages and ends by itself with the result codes a CLI check
// leaves.
#include <signal.h>

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include "compare/result_record.h"
#include "fixture.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "shell/single_instance.h"
#include "support/cli_runner.h"

using ks::test::GuiBench;
using ks::test::page_answer;
using ks::test::ScriptedResponse;

namespace {

// Starts the app on `home` with `args`, offscreen.
void start_app(QProcess& p, const std::string& home, const QStringList& args) {
  QStringList all{QStringLiteral("--home"), QString::fromStdString(home)};
  all << args;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(QStringLiteral(KS_GUI_PATH), all);
}

bool finished_ok(QProcess& p, int timeout_ms) {
  return p.waitForFinished(timeout_ms) && p.exitStatus() == QProcess::NormalExit &&
         p.exitCode() == 0;
}

// Every item's result code below `data`, by folder name.
std::map<std::string, int> result_codes(const std::string& data) {
  std::map<std::string, int> codes;
  for (const ks::DirEntry& e : ks::scan_dir(data)) {
    if (e.is_dir && e.name.size() > 4 && e.name.substr(e.name.size() - 4) == ".dat") {
      codes[e.name] = ks::compare::read_result_code(ks::path_join(data, e.name));
    }
  }
  return codes;
}

void quiet_options(GuiBench& b, bool force_close) {
  b.set_options([force_close](ks::app_options::Options& o) {
    o.always_finish_message = 0;
    o.force_close = force_close ? 1 : 0;
    o.disable_startup_window = 1;
    o.max_connection = 8;
  });
}

}  // namespace

class AppTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void second_start_brings_the_first_forward() {
    GuiBench b;
    // A stand-in first instance in this process: the second start must find
    // it by the data folder and end without taking the folder.
    ks::gui::SingleInstance first;
    QVERIFY(first.listen(ks::gui::SingleInstance::name_for(b.folder.app())));
    QSignalSpy asked(&first, &ks::gui::SingleInstance::activate_requested);
    QProcess second;
    start_app(second, b.folder.app(), {});
    QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 15000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(asked.count(), 1);
    QVERIFY(!ks::path_exists(b.folder.app() + "winpos.db"));
  }

  void two_real_starts_and_a_terminate_signal() {
    GuiBench b;
    quiet_options(b, false);
    QProcess first;
    start_app(first, b.folder.app(), {});
    const QString name = ks::gui::SingleInstance::name_for(b.folder.app());
    QVERIFY(QTest::qWaitFor(
        [&] {
          QLocalSocket probe;
          probe.connectToServer(name);
          return probe.waitForConnected(100);
        },
        15000));
    QProcess second;
    start_app(second, b.folder.app(), {QStringLiteral("/CHECK_ALL_ITEMS")});
    QVERIFY(finished_ok(second, 15000));
    QCOMPARE(first.state(), QProcess::Running);
    // SIGTERM closes the window the ordinary way: the cache is written.
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    QVERIFY(finished_ok(first, 15000));
    QVERIFY(ks::path_exists(b.folder.in_data("treecache.tmp")));
  }

  void lower_case_words_do_nothing() {
    GuiBench b;
    quiet_options(b, true);
    b.server.on("/p", ScriptedResponse::whole(page_answer({"x"})));
    b.add_item("p.dat", b.url("/p"));
    QProcess p;
    start_app(p, b.folder.app(), {QStringLiteral("/check_all_items")});
    QVERIFY(!p.waitForFinished(3000));  // no check, so FORCE_CLOSE never fires
    QCOMPARE(b.server.requests().size(), std::size_t{0});
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    QVERIFY(finished_ok(p, 15000));
  }

  void check_all_items_and_force_close_match_the_cli() {
    // Two identical folders: the app checks one, the CLI the other.
    GuiBench gui_side;
    GuiBench cli_side;
    for (GuiBench* b : {&gui_side, &cli_side}) quiet_options(*b, true);
    ks::test::ScriptedServer& server = gui_side.server;
    for (int i = 0; i < 200; ++i) {
      const std::string path = "/p" + std::to_string(i);
      if (i % 10 == 3) {
        server.on(path,
                  ScriptedResponse::whole("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
      } else {
        server.on(path, ScriptedResponse::whole(page_answer({"page " + std::to_string(i)})));
      }
      const std::string url = i % 50 == 7 ? std::string("http://127.0.0.1:1/") : gui_side.url(path);
      for (GuiBench* b : {&gui_side, &cli_side}) b->add_item("i" + std::to_string(i) + ".dat", url);
    }
    QProcess app;
    start_app(app, gui_side.folder.app(), {QStringLiteral("/CHECK_ALL_ITEMS")});
    QVERIFY(finished_ok(app, 120000));
    const ks::test::CliRun cli = ks::test::run_cli(KS_CLI_PATH, cli_side.folder.app(), {"check"});
    QCOMPARE(cli.status, 3);  // the run went to its end; some items ended in an error
    const auto from_app = result_codes(gui_side.folder.data());
    const auto from_cli = result_codes(cli_side.folder.data());
    QCOMPARE(from_app.size(), std::size_t{200});
    QVERIFY(from_app == from_cli);
    QCOMPARE(from_app.at("i3.dat"), 5);
    QCOMPARE(from_app.at("i7.dat"), 4);
    QCOMPARE(from_app.at("i0.dat"), 0);
    QVERIFY(ks::path_exists(gui_side.folder.in_data("treecache.tmp")));
  }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
