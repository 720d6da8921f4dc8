// Pictures of the page settings sheet's first page and its "チェック設定"
// page, and the options sheet's "ﾌｫﾝﾄ･色" and "自動ﾁｪｯｸ" pages, taken on a
// real X server (Xvfb) with the Japanese font and kept beside the test
// program as artifacts (page_sheet.png, page_check.png, options_font.png,
// options_schedule.png). The test checks each picture is the dialog's and not
// empty; a person looks at them.
#include <QDir>
#include <QImage>
#include <QSet>
#include <QtTest>

#include "dialog_driver.h"
#include "fixture.h"
#include "gui/dialogs/property_sheet.h"
#include "platform/sjis.h"

using ks::test::DialogScript;
using ks::test::GuiBench;

namespace {

// Grabs the dialog once it is on screen, saves it as `file` and cancels it.
DialogScript::Act shoot(const char* file, int page, bool& saved) {
  return [file, page, &saved](QDialog* d) {
    auto* sheet = qobject_cast<ks::gui::PropertySheet*>(d);
    sheet->tabs()->setCurrentIndex(page);
    QVERIFY(QTest::qWaitForWindowExposed(d));
    QTest::qWait(300);
    const QImage image = d->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 5) {
      for (int x = 0; x < image.width(); x += 5) colours.insert(image.pixel(x, y));
    }
    const QString out = QDir(QStringLiteral(KS_ARTIFACT_DIR)).filePath(QString::fromLatin1(file));
    saved = image.width() > 300 && image.height() > 200 && colours.size() > 4 && image.save(out);
    qInfo("screenshot: %s (%dx%d)", qPrintable(out), image.width(), image.height());
    sheet->reject();
  };
}

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void page_sheet_and_options_font_page() {
    GuiBench b;
    b.add_item("ニュース.grp/国内ニュース.dat", "http://news.example.jp/domestic/index.html",
               [](ks::store::PageSettings& s) {
                 s.comment = ks::utf8_to_sjis("毎朝の見出しを確認する\r\n夕方にも更新あり");
                 s.site_priority = 1;
               });
    b.start();
    bool page_saved = false;
    QVERIFY(DialogScript().then("page_sheet", shoot("page_sheet.png", 0, page_saved)).run([&] {
      b.window().properties(b.node("ニュース/国内ニュース"));
    }));
    QVERIFY(page_saved);
    QVERIFY(DialogScript().then("page_sheet", shoot("page_check.png", 1, page_saved)).run([&] {
      b.window().properties(b.node("ニュース/国内ニュース"));
    }));
    QVERIFY(page_saved);
    bool options_saved = false;
    QVERIFY(
        DialogScript().then("options_sheet", shoot("options_font.png", 3, options_saved)).run([&] {
          b.window().command(32777);
        }));
    QVERIFY(options_saved);
    QVERIFY(DialogScript()
                .then("options_sheet", shoot("options_schedule.png", 10, options_saved))
                .run([&] { b.window().command(32777); }));
    QVERIFY(options_saved);
  }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
