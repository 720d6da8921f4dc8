// The commands on the current pane: copying a link's URL, the web searches
// on the selection, and printing.
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QTest>

#include "gui/viewer/edit_commands.h"
#include "gui/viewer/print_view.h"
#include "support/temp_dir.h"
#include "viewer_test_support.h"

using namespace ks;
using namespace ks::gui;
using ks::gui::testing::sj;

namespace {

class RecordingLauncher : public present::Launcher {
 public:
  bool launch(const std::vector<std::string>& argv) override {
    calls.push_back(argv);
    return true;
  }
  std::vector<std::vector<std::string>> calls;
};

}  // namespace

class EditCommandsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QWidget> owner_;
  ResultView* view_ = nullptr;

 private slots:
  void init() {
    owner_ = ks::gui::testing::shown_view(ViewerKind::kCustom, {400, 300}, &view_);
    QVERIFY(owner_);
  }
  void cleanup() { owner_.reset(); }

  void copyUrlTakesTheLinkUnderTheCaretButNotOnAHeading() {
    ResultView& v = *view_;
    v.begin();
    v.headlines().add(present::HeadlineKind::kItem, v.current_line());
    v.write_link("item", "http://item/", {4, 0, true});
    v.write_link(sj("▽"), present::item_settings_target(4), {4, 0, false});
    v.write_text("\nsee ");
    v.write_link("page", "http://item/page", {4, 0, false});
    v.end();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    const auto caret_at = [&](std::size_t at) {
      v.select(static_cast<std::ptrdiff_t>(at), static_cast<std::ptrdiff_t>(at));
    };
    caret_at(1);  // the item's name link on its heading
    QVERIFY(!edit_copy_url(v));
    caret_at(v.line_start(1) + 1);  // plain text
    QVERIFY(!edit_copy_url(v));
    caret_at(v.line_start(1) + 5);
    QVERIFY(edit_copy_url(v));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://item/page"));
    QCOMPARE(v.heading_item_at_caret(), std::nullopt);
    caret_at(0);
    QCOMPARE(v.heading_item_at_caret(), std::optional<uint64_t>(4));
  }

  void webSearchesUseTheFirstLineOfTheSelection() {
    ResultView& v = *view_;
    testing::write(v, sj("日本 語\r\nsecond line"));
    RecordingLauncher launcher;
    present::OpenEnv env;
    env.launcher = &launcher;
    env.getenv = [](std::string_view) { return std::nullopt; };
    QVERIFY(!edit_web_search(v, SearchSite::kWeb, env));  // nothing selected
    v.select(0, 14);
    QVERIFY(edit_web_search(v, SearchSite::kWeb, env));
    QCOMPARE(launcher.calls.size(), std::size_t{1});
    QCOMPARE(launcher.calls[0].back(),
             *present::normalize_url(present::web_search_address(sj("日本 語"))));
    QCOMPARE(v.selection()->end, std::size_t{14});  // the selection stays
    // Opened as an address, only what reads as one is handed on: text that
    // is no absolute URL (and could read as a browser's option) is refused,
    // a host name gets "http://".
    QVERIFY(!edit_web_search(v, SearchSite::kAddress, env));
    QCOMPARE(launcher.calls.size(), std::size_t{1});
    testing::write(v, "\r\nwww.example.com/a b");
    v.select(v.line_start(2), v.line_start(2) + 19);
    QVERIFY(edit_web_search(v, SearchSite::kAddress, env));
    QCOMPARE(launcher.calls[1].back(), std::string("http://www.example.com/a%20b"));
  }

  void printingWritesEveryPageAndReportsProgress() {
    ResultView& v = *view_;
    std::string text;
    for (int i = 0; i < 400; ++i) text += sj("印刷される行 ") + std::to_string(i) + "\r\n";
    testing::write(v, text);
    ks::test::TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString file = QString::fromStdString(dir.file("out.pdf"));
    printer.setOutputFileName(file);
    std::vector<int> progress;
    QVERIFY(print_text(v, printer, [&](int p) { progress.push_back(p); }));
    QVERIFY(progress.size() > 2);
    QVERIFY(std::is_sorted(progress.begin(), progress.end()));
    QCOMPARE(progress.back(), 100);
    QVERIFY(QFileInfo(file).size() > 0);
    QCOMPARE(printing_status(42), QStringLiteral("印刷中(42%)..."));
  }
};

QTEST_MAIN(EditCommandsTest)
#include "edit_commands_test.moc"
