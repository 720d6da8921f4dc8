// A picture of the main window with a populated tree and the results of a
// run, taken on a real X server (Xvfb) with the Japanese font, and kept as
// an artifact of the test run (main_window.png beside the test program).
// The test checks the picture is the window's and not empty; a person
// looks at it.
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QTreeView>
#include <QtTest>

#include "fixture.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "shell/about_box.h"
#include "shell/splash.h"
#include "shell/task_monitor.h"
#include "shell/tree_model.h"

using ks::test::GuiBench;
using ks::test::page_answer;
using ks::test::ScriptedResponse;

class ScreenshotTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void main_window_with_results() {
    GuiBench b;
    b.set_options([](ks::app_options::Options& o) { o.always_finish_message = 0; });
    const char* news[] = {"国内ニュース", "海外ニュース", "経済", "スポーツ速報"};
    for (int i = 0; i < 4; ++i) {
      const std::string path = "/n" + std::to_string(i);
      b.server.on(path, ScriptedResponse::whole(page_answer({"本日の記事一覧"})));
      b.add_item(std::string("ニュース.grp/") + news[i] + ".dat", b.url(path),
                 [i](ks::store::PageSettings& s) { s.site_priority = i % 3; });
    }
    b.server.on("/blog", ScriptedResponse::whole(page_answer({"日記"})));
    b.add_item("ブログ.grp/開発日誌.dat", b.url("/blog"));
    b.add_item("ブログ.grp/写真日記.dat", b.url("/blog"));
    b.add_item("ブログ.grp/移転済み.dat", b.url("/gone"));
    b.add_item("公式サイト.dat", b.url("/blog"),
               [](ks::store::PageSettings& s) { s.disable_auto_check = 1; });
    // A tree pane wide enough for the labels.
    ks::write_file_atomic(b.folder.app() + "winpos.db", "[POSITION]\r\nW=210\r\n");
    b.start();
    QVERIFY(b.check());
    for (int i = 0; i < 4; i += 2) {
      b.server.on(
          "/n" + std::to_string(i),
          ScriptedResponse::whole(page_answer({"本日の記事一覧", "新着：春の特集を公開しました",
                                               "<a href=\"/x\">続きを読む</a>"})));
    }
    QVERIFY(b.check());

    ks::gui::MainWindow& w = b.window();
    w.tree_view()->expandAll();
    w.resize(1100, 620);
    w.move(40, 40);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(300);
    const QPixmap shot = w.screen()->grabWindow(w.winId());
    QVERIFY(!shot.isNull());
    const QImage image = shot.toImage();
    QVERIFY(image.width() >= 1000 && image.height() >= 550);
    // Not one colour: the window's content is there.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
      for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
    }
    QVERIFY(colours.size() > 20);
    const QString out =
        QDir(QStringLiteral(KS_ARTIFACT_DIR)).filePath(QStringLiteral("main_window.png"));
    QVERIFY(image.save(out));
    qInfo("screenshot: %s", qPrintable(out));
  }

  void splash_about_box_and_task_monitor() {
    const QDir dir(QStringLiteral(KS_ARTIFACT_DIR));
    ks::gui::Splash* splash = new ks::gui::Splash();
    splash->set_line(QStringLiteral("アイテムを読み込んでいます..."));
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    QVERIFY(splash->grab().save(dir.filePath(QStringLiteral("splash.png"))));
    splash->close();
    ks::gui::AboutBox about(nullptr, nullptr);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.grab().save(dir.filePath(QStringLiteral("about_box.png"))));
    ks::gui::TaskMonitor monitor(nullptr);
    monitor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&monitor));
    QVERIFY(monitor.grab().save(dir.filePath(QStringLiteral("task_monitor.png"))));
  }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
