// The custom viewer's drawing on a real X server (Xvfb) with the Japanese
// font: each kind of run is sampled and compared with the colour table. The
// image is kept under the build tree (artifacts/viewer_pixels.png).
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTest>

#include "gui/viewer/custom_viewer.h"
#include "present/display.h"
#include "present/pane_batch.h"
#include "viewer_test_support.h"

using namespace ks;
using namespace ks::gui;
using ks::gui::testing::sj;

class ViewerPixelsTest : public QObject {
  Q_OBJECT

 private:
  QImage image_;
  CustomViewer* view_ = nullptr;

  // Whether some pixel of the cells of [start, end) has exactly `color`.
  bool has_pixel(std::size_t start, std::size_t end, const QColor& color) {
    const QRect first = view_->char_rect(start);
    const QRect last = view_->char_rect(end - 2);
    for (int y = first.top(); y <= first.bottom(); ++y) {
      for (int x = first.left(); x <= last.right(); ++x) {
        if (image_.pixelColor(x, y) == color) return true;
      }
    }
    return false;
  }

  // The run [start, end) lies on `back` (sampled in the leading above the
  // glyphs) and draws in `text`.
  void check_run(const char* what, std::size_t start, std::size_t end, const RunColors& want) {
    const QRect cell = view_->char_rect(start + 2);
    const QColor back = image_.pixelColor(cell.center().x(), cell.top() + 1);
    if (back != want.back) {
      QFAIL(qPrintable(QStringLiteral("%1: background %2, expected %3")
                           .arg(what, back.name(), want.back.name())));
    }
    if (!has_pixel(start, end, want.text)) {
      QFAIL(qPrintable(QStringLiteral("%1: no pixel in %2").arg(what, want.text.name())));
    }
  }

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
      QSKIP("needs an X server: run under xvfb-run");
    }
  }

  void everyKindOfRunIsDrawnInTheColoursOfTheTable() {
    app_options::Options o;
    o.font.face_name = sj("VL Gothic");
    o.font.point = 16;
    o.midashi_color = {0xFFFFFF, 0x000080, 0x003300};
    o.midashi_link_color = {0x00FFFF, 0x00FF00, 0xFF0000};
    const ViewerLook look = look_from_options(o);
    CustomViewer view;
    view_ = &view;
    view.apply_look(look);
    view.set_opened_lookup([](std::string_view t) { return t == "http://opened/"; });
    view.resize(640, 420);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    struct Run {
      const char* what;
      std::size_t start, end;
      uint8_t attr;
      bool opened;
    };
    std::vector<Run> runs;
    const auto put = [&](const char* what, present::TextKind kind, const char* text,
                         const char* link = nullptr) {
      view.set_text_kind(kind);
      const std::size_t start = view.end_offset();
      if (link) {
        view.write_link(sj(text), link);
      } else {
        view.write_text(sj(text));
      }
      const std::size_t end = view.end_offset();
      runs.push_back({what, start, end, view.text().attributes()[start],
                      link && std::string_view(link) == "http://opened/"});
    };
    view.begin();
    put("headline 0", present::TextKind::kHeadline0, "見出し零の行です");
    put("headline 0 link", present::TextKind::kHeadline0, "見出しのリンク", "http://h0/");
    view.write_text("\n");
    put("headline 1", present::TextKind::kHeadline1, "見出し一の行です");
    view.write_text("\n");
    put("headline 2", present::TextKind::kHeadline2, "見出し二の行です");
    view.write_text("\n");
    put("dimmed", present::TextKind::kDimmed, "チェック範囲の外の文章");
    view.write_text("\n");
    put("link", present::TextKind::kNormal, "まだ開いていないリンク", "http://new/");
    view.write_text(sj("　"));
    put("opened link", present::TextKind::kNormal, "開いたリンク", "http://opened/");
    view.write_text("\n");
    put("highlight 0", present::TextKind::kNormal, "強調その一");
    put("plain", present::TextKind::kNormal, "と普通の文字と");
    put("highlight 1", present::TextKind::kNormal, "強調その二");
    view.write_text("\n");
    view.mark_highlight(runs[7].start, runs[7].end, 0);
    view.mark_highlight(runs[9].start, runs[9].end, 1);
    runs[7].attr |= present::kAttrHighlight0;
    runs[9].attr |= present::kAttrHighlight1;
    view.end();
    QCoreApplication::processEvents();

    image_ = view.viewport()->grab().toImage();
    QDir().mkpath(KS_ARTIFACT_DIR);
    QVERIFY(image_.save(QStringLiteral(KS_ARTIFACT_DIR "/viewer_pixels.png")));

    for (const Run& r : runs) check_run(r.what, r.start, r.end, run_colors(r.attr, r.opened, look));
    // Spot checks of the table itself, so a wrong table cannot pass.
    QCOMPARE(run_colors(runs[0].attr, false, look).back, QColor(0x80, 0x80, 0xC0));
    QCOMPARE(run_colors(runs[4].attr, false, look).back, QColor(0xAA, 0xAA, 0xAA));
    QCOMPARE(run_colors(runs[6].attr, true, look).text, QColor(0x80, 0x00, 0x80));
    QCOMPARE(run_colors(runs[9].attr, false, look).back, QColor(0x00, 0xFF, 0x40));
  }

  void selectionComesBeforeEveryOtherLookAcrossWrappedRows() {
    app_options::Options o;
    o.font.face_name = sj("VL Gothic");
    o.font.point = 16;
    const ViewerLook look = look_from_options(o);
    CustomViewer view;
    view_ = &view;
    view.apply_look(look);
    view.resize(300, 260);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.begin();
    view.set_text_kind(present::TextKind::kHeadline2);
    view.write_text(sj("重要な見出しの行は長いので折り返されます\n"));
    view.set_text_kind(present::TextKind::kNormal);
    view.write_link(sj("折り返されるほど長いリンクの文字列です"), "http://a/");
    view.write_text(sj("\n普通の行\n"));
    view.end();
    const std::size_t from = 6;
    const std::size_t to = view.text().line(2).start + 4;
    view.select(static_cast<std::ptrdiff_t>(from), static_cast<std::ptrdiff_t>(to));
    QCoreApplication::processEvents();
    image_ = view.viewport()->grab().toImage();
    QVERIFY(image_.save(QStringLiteral(KS_ARTIFACT_DIR "/viewer_selection.png")));
    const RunColors selected{look.selected_text, look.selected_back};
    check_run("selected headline", from, from + 6, selected);
    const ViewerLink& link = view.text().link(0);
    check_run("selected link, second row", link.start + link.length - 8, link.start + link.length,
              selected);
    check_run("unselected rest", to, to + 4, run_colors(0, false, look));
  }

  void aRunsDisplayComposedOnAWorkerLooksAsComposed() {
    app_options::Options o;
    o.font.face_name = sj("VL Gothic");
    o.font.point = 12;
    o.use_highlight = 1;
    o.highlights[0] = sj("新着");
    present::DisplayEnv env;
    env.options = &o;
    store::PageSettings item;
    item.node_id = 9;
    item.name = sj("サンプルのページ");
    item.url = "http://example.com/";
    present::PaneBatch batch;
    batch.begin();
    batch.headlines().add(present::HeadlineKind::kItem, batch.current_line());
    present::write_headline(batch, item, 1700000000, env);
    for (const char* line :
         {"新着情報: <a href=\"http://example.com/a\">記事の一覧</a>",
          "<img src=\"http://example.com/i.png\" alt=\"写真\"> 価格を改定しました",
          "長い行は画面の幅で折り返して表示されます。長い行は画面の幅で折り返して"
          "表示されます。"}) {
      present::write_result_line(batch, sj(line), item, false, env);
    }
    present::write_error_line(batch, item, sj("接続できません"));
    present::highlight_keywords(batch, o);
    batch.end();

    const ViewerLook look = look_from_options(o);
    CustomViewer view;
    view_ = &view;
    view.apply_look(look);
    view.resize(420, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    batch.replay(view);
    QCoreApplication::processEvents();
    image_ = view.grab().toImage();
    QVERIFY(image_.save(QStringLiteral(KS_ARTIFACT_DIR "/viewer_run.png")));
    image_ = view.viewport()->grab().toImage();
    check_run("headline", 0, 6, run_colors(present::kAttrHeadline0, false, look));
    const present::KeywordRange hit = view.keywords().ranges().at(0);
    check_run("keyword", hit.start, hit.end, run_colors(present::kAttrHighlight0, false, look));
    QCOMPARE(view.headlines().entries().size(), std::size_t{2});
  }
};

QTEST_MAIN(ViewerPixelsTest)
#include "viewer_pixels_test.moc"
