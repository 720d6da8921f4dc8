// USE_VIEWER chooses the pane; the fallback pane offers the custom viewer's
// operations on the same text.
#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include "gui/viewer/fallback_pane.h"
#include "viewer_test_support.h"

using namespace ks;
using namespace ks::gui;
using ks::gui::testing::sj;
using ks::gui::testing::write;

class FallbackPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void useViewerChoosesTheKindOfAllThreePanes() {
    QWidget parent;
    app_options::Options options;
    for (int use_viewer : {0, 1}) {
      options.use_viewer = use_viewer;
      const auto views = make_result_views(options, &parent);
      const ViewerKind want = use_viewer ? ViewerKind::kCustom : ViewerKind::kFallback;
      for (int i = 0; i < 3; ++i) {
        QVERIFY(views[static_cast<std::size_t>(i)]);
        QCOMPARE(views[static_cast<std::size_t>(i)]->kind(), want);
        QCOMPARE(views[static_cast<std::size_t>(i)]->caption(), pane_name(i));
      }
    }
  }

  void theFallbackPaneOffersTheSameOperations() {
    ResultView* v = nullptr;
    auto owner = ks::gui::testing::shown_view(ViewerKind::kFallback, {400, 300}, &v);
    QVERIFY(owner);
    auto& pane = dynamic_cast<FallbackPane&>(*v);
    pane.begin();
    pane.write_text(sj("一行目\r\n二行目 "));
    pane.write_link(sj("リンク"), "http://a/");
    pane.write_text("\nsearch me\n");
    pane.write_link("again", "http://a/");
    pane.headlines().add(present::HeadlineKind::kItem, 2);
    pane.end();
    QCOMPARE(pane.toPlainText(), QStringLiteral("一行目\n二行目 リンク\nsearch me\nagain"));

    // Selection and copy: offsets are the text's bytes, line ends CR LF.
    pane.select(2, 11);
    QVERIFY(pane.copy());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("行目\r\n二行"));
    QCOMPARE(pane.textCursor().selectedText(), QStringLiteral("行目\u2029二行"));

    // Find wraps; headline jumps; the link under the caret.
    QVERIFY(pane.find_and_select("me", present::FindDirection::kForward, true));
    QCOMPARE(pane.selected_text(), std::string("me"));
    QVERIFY(pane.next_headline(false));
    QCOMPARE(pane.line_from_offset(pane.selection()->start), 2);
    const auto in_link = static_cast<std::ptrdiff_t>(pane.text().link(0).start + 2);
    pane.select(in_link, in_link);
    QCOMPARE(pane.link_at_caret()->target, std::string("http://a/"));

    // A click on a link marks both links opened and restyles them.
    QSignalSpy clicked(pane.events(), &ResultViewEvents::linkActivated);
    pane.select(-1, 0);
    QTextCursor at(pane.document());
    at.setPosition(pane.position_of(pane.text().link(0).start + 2));
    const QPoint p = pane.cursorRect(at).center() + QPoint(2, 0);
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, p);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(pane.link_opened(0) && pane.link_opened(1));
    at.setPosition(pane.position_of(pane.text().link(1).start + 1));
    QCOMPARE(at.charFormat().foreground().color(), QColor(0x80, 0x00, 0x80));

    // Clearing empties the document and the caption mark.
    pane.set_pane_name(pane_name(1));
    QCOMPARE(pane.caption(), QStringLiteral("エラー *"));
    pane.clear();
    QCOMPARE(pane.toPlainText(), QString());
    QCOMPARE(pane.caption(), QStringLiteral("エラー"));
  }
};

QTEST_MAIN(FallbackPaneTest)
#include "fallback_pane_test.moc"
