// The custom viewer as the user and the check run meet it: batches applied
// to it, selection and copy, links under the pointer, jumps, resizing and
// scrolling.
#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>

#include "gui/viewer/custom_viewer.h"
#include "gui/viewer/link_opening.h"
#include "present/pane_batch.h"
#include "support/recording_pane.h"
#include "support/temp_dir.h"
#include "viewer_test_support.h"

using namespace ks;
using namespace ks::gui;
using ks::gui::testing::sj;
using ks::gui::testing::write;

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

class CustomViewerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QWidget> owner_;
  CustomViewer* view_ = nullptr;

  CustomViewer& viewer(QSize size = {400, 300}) {
    ResultView* v = nullptr;
    owner_ = ks::gui::testing::shown_view(ViewerKind::kCustom, size, &v);
    view_ = dynamic_cast<CustomViewer*>(v);
    return *view_;
  }

  void wheel(int delta) {
    const QPointF at(10, 10);
    QWheelEvent e(at, view_->viewport()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view_->viewport(), &e);
  }

 private slots:
  void cleanup() { owner_.reset(); }

  void aBatchShowsWhatABufferedPaneHolds() {
    // The same calls on the viewer and on the core's in-memory pane give the
    // same text, attributes and links.
    present::PaneBatch batch;
    batch.begin();
    batch.set_text_kind(present::TextKind::kHeadline1);
    batch.write_link(sj("名前"), "http://a/", {7, 0, true});
    batch.write_link(sj("▽"), present::item_settings_target(7));
    batch.write_text("\r\n");
    batch.set_text_kind(present::TextKind::kDimmed);
    batch.write_text(sj("外の行\rLF\n"));
    batch.set_text_kind(present::TextKind::kNormal);
    batch.write_text(sj("キーワード"));
    batch.mark_highlight(batch.end_offset() - 4, batch.end_offset(), 1);
    batch.end();

    CustomViewer& v = viewer();
    ks::testing::RecordingPane reference;
    write(v, "before\n");
    write(reference, "before\n");
    batch.replay(v);
    batch.replay(reference);
    const std::string expected = reference.text();
    std::string shown = v.text_range(0, v.end_offset());
    std::erase(shown, '\r');
    QCOMPARE(shown, expected);
    QVERIFY(std::equal(reference.attributes().begin(), reference.attributes().end(),
                       v.text().attributes()));
    QCOMPARE(v.link_count(), static_cast<int>(reference.links().size()));
    for (int i = 0; i < v.link_count(); ++i) {
      QCOMPARE(v.text().link(i).start, reference.links()[static_cast<std::size_t>(i)].start);
    }
    QCOMPARE(v.current_line(), reference.current_line());
  }

  void theCaptionIsMarkedOnceTextArrivesAndResetByClear() {
    CustomViewer& v = viewer();
    QSignalSpy captions(v.events(), &ResultViewEvents::captionChanged);
    v.set_pane_name(pane_name(0));
    v.begin();
    v.end();
    QCOMPARE(v.caption(), QStringLiteral("一括ログ"));
    write(v, "x");
    QCOMPARE(v.caption(), QStringLiteral("一括ログ *"));
    v.clear();
    QCOMPARE(v.caption(), QStringLiteral("一括ログ"));
    QCOMPARE(captions.count(), 3);
  }

  void copyingATwoLineSelectionJoinsTheLinesWithCrLf() {
    CustomViewer& v = viewer();
    write(v, sj("一行目\r\n二行目\nthird"));
    // Drag from the second character of the first line into the second line.
    QTest::mousePress(v.viewport(), Qt::LeftButton, {}, v.point_of(2) - QPoint(2, 0));
    QTest::mouseMove(v.viewport(), v.point_of(11) - QPoint(2, 0));
    QTest::mouseRelease(v.viewport(), Qt::LeftButton, {}, v.point_of(11) - QPoint(2, 0));
    QCOMPARE(v.selection()->start, std::size_t{2});
    QCOMPARE(v.selection()->end, std::size_t{11});
    QTest::keyClick(&v, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("行目\r\n二行"));
    // Shift+Down takes the caret a row further.
    QTest::keyClick(&v, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(v.selection()->start, std::size_t{2});
    QCOMPARE(v.line_from_offset(v.selection()->end), 2);
  }

  void aWrappedLinkShowsTheHandOnBothRowsAndAClickMarksEveryEqualLink() {
    CustomViewer& v = viewer({200, 300});
    v.begin();
    v.write_text("xx ");
    v.write_link(sj("とても長いリンクの文字列が折り返される"), "http://a/");
    v.write_text("\n");
    v.write_link("again", "http://a/");
    v.write_link(sj("設定"), present::item_settings_target(3));
    v.end();
    const ViewerLink& link = v.text().link(0);
    const QPoint first = v.point_of(link.start);
    const QPoint second = v.point_of(link.start + link.length - 2);
    QVERIFY(second.y() > first.y());  // wrapped

    QSignalSpy status(v.events(), &ResultViewEvents::statusText);
    QTest::mouseMove(v.viewport(), second);
    QCOMPARE(v.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(status.last().at(0).toString(), QStringLiteral("http://a/"));
    const QPoint past_end = v.point_of(link.start + link.length) + QPoint(20, 0);
    QTest::mouseMove(v.viewport(), past_end);  // past the end of a row
    QCOMPARE(v.viewport()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(status.last().at(0).toString(), QString());
    QTest::mouseMove(v.viewport(), v.point_of(v.text().link(2).start));
    QCOMPARE(status.last().at(0).toString(), QStringLiteral("ページの設定を変更します"));

    QSignalSpy clicked(v.events(), &ResultViewEvents::linkActivated);
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(clicked.count(), 1);
    const auto info = clicked.at(0).at(0).value<LinkInfo>();
    QCOMPARE(info.target, std::string("http://a/"));
    QVERIFY(v.link_opened(0) && v.link_opened(1) && !v.link_opened(2));
  }

  void openingALinkRecordsItInTheHistoryAndTheDay() {
    CustomViewer& v = viewer();
    v.begin();
    v.write_link(sj("アイテム"), "http://item/", {5, 0, true});
    v.write_text(" ");
    v.write_link("page", "http://item/page", {5, 0, false});
    v.end();
    ks::test::TempDir dir;
    present::HistoryList history;
    app_options::Options options;
    options.save_history = 1;
    app_options::Statistics stats;
    RecordingLauncher launcher;
    LinkOpenContext context{&history, &options, dir.path(), &stats, {}, [] { return 1700000000; }};
    context.open_env.launcher = &launcher;
    context.open_env.getenv = [](std::string_view) { return std::nullopt; };

    const LinkOpenResult r = open_result_link(*v.link(1), context);
    QVERIFY(r.opened);
    QCOMPARE(r.status, QStringLiteral("開きます(http://item/page)"));
    QCOMPARE(launcher.calls.size(), std::size_t{1});
    QCOMPARE(launcher.calls[0].back(), std::string("http://item/page"));
    QVERIFY(history.is_opened("http://item/page"));
    QCOMPARE(stats.num_open_links, int64_t{1});
    QVERIFY(std::filesystem::exists(dir.path() + "/history"));
    // Links written from now on show opened.
    v.set_opened_lookup([&](std::string_view t) { return history.is_opened(t); });
    write(v, "\n");
    v.begin();
    v.write_link("again", "http://item/page");
    v.end();
    QVERIFY(v.link_opened(2) && !v.link_opened(0));
  }

  void headlineAndKeywordJumpsWrapAround() {
    CustomViewer& v = viewer();
    for (int i = 0; i < 30; ++i) write(v, "line " + std::to_string(i) + "\n");
    v.headlines().add(present::HeadlineKind::kItem, 3);
    v.headlines().add(present::HeadlineKind::kError, 10);
    v.headlines().add(present::HeadlineKind::kItem, 20);
    const auto caret_line = [&] { return v.line_from_offset(v.selection()->start); };
    QVERIFY(v.next_headline(false));
    QCOMPARE(caret_line(), 3);
    QVERIFY(v.next_headline(false));
    QCOMPARE(caret_line(), 20);
    QCOMPARE(v.first_visible_line(), 20);
    QVERIFY(v.next_headline(false));
    QCOMPARE(caret_line(), 3);
    QVERIFY(v.next_headline(true));
    QCOMPARE(caret_line(), 10);
    QVERIFY(v.previous_headline(true));
    QVERIFY(v.previous_headline(true));
    QCOMPARE(caret_line(), 20);

    v.select(-1, 0);
    v.keywords().add(v.line_start(5), v.line_start(5) + 4);
    v.keywords().add(v.line_start(25), v.line_start(25) + 4);
    QVERIFY(v.next_keyword());
    QVERIFY(v.next_keyword());
    QCOMPARE(v.selection()->start, v.line_start(25));
    QVERIFY(v.next_keyword());
    QCOMPARE(v.selection()->start, v.line_start(5));
    QCOMPARE(v.selected_text(), std::string("line"));
  }

  void findSelectsTheHitAndWrapsFromTheLastLine() {
    CustomViewer& v = viewer();
    write(v, "alpha\nbeta\nalpha again\nlast");
    v.select(static_cast<std::ptrdiff_t>(v.line_start(3)),
             static_cast<std::ptrdiff_t>(v.line_start(3)));
    QVERIFY(v.find_and_select("alpha", present::FindDirection::kForward, true));
    QCOMPARE(v.selection()->start, std::size_t{0});
    QVERIFY(v.find_and_select("alpha", present::FindDirection::kBackward, true));
    QCOMPARE(v.selection()->start, v.line_start(2));
    QVERIFY(!v.find_and_select("gamma", present::FindDirection::kForward, true));
  }

  void aResizeKeepsTheTopCharacterAndWaitsForTheEndOfOutput() {
    CustomViewer& v = viewer({400, 300});
    std::string text;
    for (int i = 0; i < 200; ++i)
      text += sj("長い行が折り返されて何行にもなる。") + std::to_string(i) + "\n";
    write(v, text);
    v.scroll_to_offset(v.line_start(120) + 10);
    const QPoint top_left(CustomViewer::kMargin, CustomViewer::kMargin + 1);
    const std::size_t top = v.offset_at(top_left, false);
    const int rows = v.total_rows();

    v.begin();
    v.widget()->resize(250, 300);
    QCOMPARE(v.total_rows(), rows);  // not during output
    v.end();
    QTRY_VERIFY(v.total_rows() > rows);
    QCOMPARE(v.offset_at(top_left, false), top);
  }

  void keysAndTheWheelScrollByRows() {
    CustomViewer& v = viewer();
    std::string text;
    for (int i = 0; i < 100; ++i) text += "row\n";
    write(v, text);
    QTest::keyClick(&v, Qt::Key_Down);
    QCOMPARE(v.scroll_row(), 1);
    QTest::keyClick(&v, Qt::Key_PageDown);
    QCOMPARE(v.scroll_row(), 1 + v.page_rows());
    const int before = v.scroll_row();
    wheel(1);
    QCOMPARE(v.scroll_row(), before);
    wheel(-120);
    QCOMPARE(v.scroll_row(), before + 120 / v.row_pitch() / 2);
    QTest::keyClick(&v, Qt::Key_End);
    QCOMPARE(v.scroll_row(), v.total_rows() + 1 - v.page_rows());

    // Shift+Tab asks for the item tree, Tab for the next control.
    QSignalSpy tabs(v.events(), &ResultViewEvents::tabPressed);
    v.setFocus();
    QTest::keyClick(&v, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(&v, Qt::Key_Tab);
    QCOMPARE(tabs.count(), 2);
    QCOMPARE(tabs.at(0).at(0).toBool(), false);
    QCOMPARE(tabs.at(1).at(0).toBool(), true);
  }
};

QTEST_MAIN(CustomViewerTest)
#include "custom_viewer_test.moc"
