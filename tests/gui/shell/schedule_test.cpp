// Checks that run by themselves in the desktop app, offscreen, with a fake
// clock: an item on a 1-minute interval is checked by itself against the
// scripted local server, the timer then sleeps until the next due time, a
// run that found an update sends one notification to a fake notification
// service on a private session bus (dbus-daemon started here), and its
// action shows the window on the results; a user's check stops a scheduled
// one and runs. Also: pausing from the tray, the notice texts, nothing sent
// without a service, the autostart entry.
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTabWidget>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "app/options/schedule_options.h"
#include "fixture.h"
#include "platform/fs.h"
#include "schedule/autostart.h"
#include "schedule/notifier.h"
#include "schedule/schedule_timer.h"
#include "shell/tray.h"
#include "support/temp_dir.h"

using ks::test::GuiBench;
using ks::test::page_answer;
using ks::test::ScriptedResponse;

namespace {

// The bus address and process id of the private session bus.
QString g_bus;
long g_bus_pid = 0;

// The notification service as a desktop runs it, recording what it is sent.
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Notice {
    QString summary;
    QString body;
    QStringList actions;
  };
  QList<Notice> received;

 public Q_SLOTS:
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap&, int) {
    received.append({summary, body, actions});
    return static_cast<uint>(received.size()) + 40;
  }
  QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
};

}  // namespace

class ScheduleTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void notice_texts_name_the_first_items() {
    const auto t = ks::gui::run_notice_text(
        5, 2,
        {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"), QStringLiteral("四")},
        true);
    QCOMPARE(t.summary, QStringLiteral("5 件の更新がありました。"));
    QCOMPARE(t.body, QStringLiteral("一、二、三 ほか\nエラーが 2 件ありました。"));
    QVERIFY(ks::gui::run_notice_text(0, 2, {}, false).summary.isEmpty());
    QCOMPARE(ks::gui::run_notice_text(0, 2, {}, true).summary,
             QStringLiteral("エラーが 2 件ありました。"));
  }

  void the_autostart_entry_is_written_and_removed() {
    ks::test::TempDir dir;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path()));
    QVERIFY(ks::gui::set_autostart(true, "/opt/k s/kestrelscan", std::string("/data/100%")));
    const std::string path = dir.path() + "/autostart/kestrelscan.desktop";
    const std::string text = ks::read_file(path).value_or("");
    QVERIFY2(text.find("\nExec=\"/opt/k s/kestrelscan\" --minimize --home \"/data/100%%\"\n") !=
                 std::string::npos,
             text.c_str());
    QVERIFY(ks::gui::autostart_enabled());
    QVERIFY(ks::gui::set_autostart(false, {}, {}));
    QVERIFY(!ks::path_exists(path));
    QVERIFY(ks::gui::set_autostart(false, {}, {}));  // already gone
    qunsetenv("XDG_CONFIG_HOME");
  }

  void an_item_due_every_minute_checks_itself_and_notifies() {
    if (g_bus.isEmpty()) QSKIP("dbus-daemon is not installed");
    GuiBench b;
    b.server.on("/news", ScriptedResponse::whole(page_answer({"最初の行"})));
    b.add_item("news.dat", b.url("/news"));
    b.set_options([](ks::app_options::Options& o) {
      o.stay_task_tray = 1;
      o.always_finish_message = 1;  // never for a scheduled run
      o.force_close = 1;            // neither
    });
    ks::app_options::ScheduleOptions s;
    s.interval = 1;
    QVERIFY(ks::app_options::save_schedule(b.folder.app(), s));

    int64_t offset = 0;
    b.start();
    ks::gui::ScheduleTimer* timer = b.window().schedule_timer();
    QVERIFY(timer);
    timer->set_clock([&] { return static_cast<int64_t>(std::time(nullptr)) + offset; });
    // Without the service nothing is sent.
    QVERIFY(!b.window().notifier()->available());
    QVERIFY(!b.window().notifier()->notify({QStringLiteral("x"), {}}));

    // Never checked: due at once, checked by itself.
    timer->rearm();
    QVERIFY(QTest::qWaitFor([&] { return b.server.requests().size() == 1; }, 20000));
    QVERIFY(QTest::qWaitFor([&] { return !b.window().running(); }, 20000));
    // Then it sleeps until the next due time, a minute on.
    QVERIFY2(timer->sleep_ms() > 50000 && timer->sleep_ms() <= 60000,
             qPrintable(QString::number(timer->sleep_ms())));
    QVERIFY(b.window().tray()->tooltip().contains(QStringLiteral("次の自動チェック: ")));

    // Pausing from the tray stops the timer; going on arms it again.
    b.window().tray()->pause_action()->trigger();
    QCOMPARE(timer->sleep_ms(), -1);
    QVERIFY(b.window().tray()->tooltip().contains(QStringLiteral("一時停止中")));
    b.window().tray()->pause_action()->trigger();
    QVERIFY(timer->sleep_ms() > 0);

    FakeNotifications service;
    QDBusConnection fake = QDBusConnection::connectToBus(g_bus, QStringLiteral("fake"));
    QVERIFY(fake.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                QDBusConnection::ExportAllSlots));
    QVERIFY(fake.registerService(QStringLiteral("org.freedesktop.Notifications")));
    QVERIFY(QTest::qWaitFor([&] { return b.window().notifier()->available(); }, 5000));

    // A minute and a second later (the machine slept): one more check,
    // which finds the new line and says so.
    b.server.on("/news", ScriptedResponse::whole(page_answer({"最初の行", "新しい行"})));
    b.window().showMinimized();
    offset = 61;
    timer->rearm();
    QVERIFY(QTest::qWaitFor([&] { return b.server.requests().size() == 2; }, 20000));
    QVERIFY(QTest::qWaitFor([&] { return service.received.size() == 1; }, 20000));
    QCOMPARE(service.received[0].summary, QStringLiteral("1 件の更新がありました。"));
    QCOMPARE(service.received[0].body, QStringLiteral("news"));
    QVERIFY(service.received[0].actions.contains(QStringLiteral("default")));
    QVERIFY(b.pane_text(0).contains(QStringLiteral("新しい行")));
    QVERIFY(!b.window().findChild<QWidget*>(QStringLiteral("finish_message")));
    QVERIFY(!b.window().closing());
    QVERIFY(b.window().isMinimized());

    // Clicking the notice shows the window on the run's results.
    b.window().tabs()->setCurrentIndex(2);
    QTest::qWait(200);  // the notice's number has come back
    QDBusMessage clicked = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    clicked << uint{41} << QStringLiteral("default");
    QVERIFY(fake.send(clicked));
    QVERIFY(QTest::qWaitFor([&] { return !b.window().isMinimized(); }, 5000));
    QCOMPARE(b.window().tabs()->currentIndex(), 0);
    QCOMPARE(b.server.requests().size(), std::size_t{2});  // nothing more was due

    // A user's check wins over a scheduled one that is going on: that one
    // stops and the user's runs right after it.
    ScriptedResponse hold;
    hold.end = ScriptedResponse::End::kHold;
    b.server.on("/news", hold);
    offset = 122;
    timer->rearm();
    QVERIFY(QTest::qWaitFor([&] { return b.server.requests().size() == 3; }, 20000));
    QVERIFY(b.window().running());
    b.server.on("/news", ScriptedResponse::whole(page_answer({"最初の行", "新しい行"})));
    QVERIFY(b.window().command_allowed(32778));
    b.window().command(32778);
    QVERIFY(QTest::qWaitFor([&] { return b.server.requests().size() == 4; }, 20000));
    QVERIFY(QTest::qWaitFor([&] { return !b.window().running(); }, 20000));
    QVERIFY(timer->sleep_ms() > 0);
    fake.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
  }
};

int main(int argc, char** argv) {
  // The private session bus, before anything in Qt opens the session bus.
  if (std::FILE* p = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 "
                             "2>/dev/null",
                             "r")) {
    char line[512] = {};
    if (std::fgets(line, sizeof line, p)) g_bus = QString::fromUtf8(line).trimmed();
    if (std::fgets(line, sizeof line, p)) g_bus_pid = std::atol(line);
    ::pclose(p);
  }
  if (!g_bus.isEmpty()) qputenv("DBUS_SESSION_BUS_ADDRESS", g_bus.toUtf8());
  int status = 0;
  {
    QApplication app(argc, argv);
    ScheduleTest test;
    status = QTest::qExec(&test, argc, argv);
  }
  if (g_bus_pid > 0) ::kill(static_cast<pid_t>(g_bus_pid), SIGTERM);
  return status;
}

#include "schedule_test.moc"
