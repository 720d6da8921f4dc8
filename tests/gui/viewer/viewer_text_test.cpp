// The viewer's text model: limits, the cut, line ends, links and find.
#include <QTest>

#include "gui/viewer/viewer_text.h"
#include "viewer_test_support.h"

using ks::gui::ViewerText;
using ks::gui::testing::sj;
using ks::present::kPaneTextLimit;

class ViewerTextTest : public QObject {
  Q_OBJECT

 private:
  const std::string notice_ = sj(" [表示可能な文字数を超えました]");

  std::string all(const ViewerText& t) { return t.range_crlf(0, t.end_offset()); }

 private slots:
  void exactlyTheLimitFitsAndOneByteMoreIsCutWithOneNotice() {
    ViewerText exact;
    // The line's NUL is the 511,999th byte.
    exact.hand_over(std::string(kPaneTextLimit - 1, 'x'), 0);
    QVERIFY(!exact.full());
    QCOMPARE(exact.end_offset(), kPaneTextLimit - 1);

    ViewerText over;
    over.hand_over(std::string(kPaneTextLimit - 1, 'x'), 0);
    over.hand_over("y", 0x80);
    QVERIFY(over.full());
    over.hand_over("more\r\nand more", 0);
    const std::string text = all(over);
    QCOMPARE(text.size(), kPaneTextLimit - 1 + notice_.size());
    QVERIFY(text.ends_with("x" + notice_));
    QCOMPARE(over.line_count(), 1);
    QCOMPARE(over.attributes()[kPaneTextLimit], uint8_t{0});  // the notice is plain
  }

  void aDoubleByteCharacterStraddlingTheLimitIsDroppedWhole() {
    ViewerText t;
    t.hand_over(std::string(kPaneTextLimit - 2, 'x'), 0);
    t.hand_over(sj("あ"), 0);
    QVERIFY(t.full());
    QCOMPARE(all(t), std::string(kPaneTextLimit - 2, 'x') + notice_);
  }

  void eachLineEndFormEndsOneLineAlsoAcrossWrites() {
    ViewerText t;
    t.hand_over("a\r\nb\rc\nd\r", 0);
    t.hand_over("\ne\r", 0);
    t.hand_over("f", 0);
    QCOMPARE(t.line_count(), 6);
    QCOMPARE(all(t), std::string("a\r\nb\r\nc\r\nd\r\ne\r\nf"));
    QCOMPARE(t.line(4).start, 8u);
  }

  void theLineTableStopsAtTenThousandLines() {
    ViewerText t;
    std::string lines;
    for (int i = 0; i < 10005; ++i) lines += "l\n";
    t.hand_over(lines, 0);
    QCOMPARE(t.line_count(), 10000);
    QCOMPARE(t.line_text(9999), std::string_view());
  }

  void openingALinkMarksEveryLinkWithTheSameTarget() {
    ViewerText t;
    const auto link = [&](std::string_view text, std::string_view target) {
      const std::size_t start = t.end_offset();
      return t.add_link(start, t.hand_over(text, 0), target, {}, false);
    };
    link("one", "http://a/");
    t.hand_over("\n", 0);
    link("two", "http://b/");
    link("three", "http://a/");
    QCOMPARE(t.mark_opened("http://a/"), 2);
    QVERIFY(t.link(0).opened && !t.link(1).opened && t.link(2).opened);
    QCOMPARE(t.link(2).start_col, 3);
    QCOMPARE(t.link_at(5), 1);
    QCOMPARE(t.link_at(3), -1);  // the line break
  }

  void forwardFindFromTheLastLineWrapsAndVisitsEveryLineOnce() {
    ViewerText t;
    t.hand_over("hit one\nnothing\nhit three\nlast line", 0);
    const std::size_t last = t.line(3).start;
    QCOMPARE(t.find_wrapped("hit", last, true), std::optional<std::size_t>(0));
    QCOMPARE(t.find_wrapped("absent", last, true), std::nullopt);
    // Backward from the first line wraps to the last.
    QCOMPARE(t.find_wrapped("line", 0, false), std::optional<std::size_t>(last + 5));
    // Forward from just after a hit finds the next one, then wraps back.
    QCOMPARE(t.find_wrapped("hit", 1, true), std::optional<std::size_t>(t.line(2).start));
    QCOMPARE(t.find_wrapped("hit", t.line(2).start + 1, true), std::optional<std::size_t>(0));
    // The part of the start line before the start comes last.
    QCOMPARE(t.find_wrapped("one", 6, true), std::optional<std::size_t>(4));
  }

  void findNeverMatchesOnATrailByte() {
    ViewerText t;
    t.hand_over(sj("表") + "\\", 0);  // 表 is 0x95 0x5C: its trail byte is a backslash
    QCOMPARE(t.find_wrapped("\\", 0, true), std::optional<std::size_t>(2));
  }
};

QTEST_GUILESS_MAIN(ViewerTextTest)
#include "viewer_text_test.moc"
