// The custom viewer with a full pane (9,999 lines of Japanese text with a
// link on every line, 511,999 bytes with the NULs), offscreen:
//   BM_AppendFullPane  clear and apply the whole text as one batch (layout
//                      included); the width cache is warm, as it is after
//                      the first output of a session
//   BM_AppendFullPaneColdWidths  the same right after a font change
//   BM_RewrapFullPane  a width change applied (every line measured again)
//   BM_PaintPageAfterScroll  one page down and a synchronous paint
//   BM_FallbackAppendFullPane  the fallback pane (QTextBrowser) filled the
//                      same way, for comparison
// Targets: append < 100 ms, re-wrap < 50 ms, paint < 4 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>
#include <cstdlib>

#include "gui/viewer/custom_viewer.h"
#include "gui/viewer/fallback_pane.h"
#include "platform/sjis.h"
#include "present/pane_batch.h"

namespace {

using ks::gui::CustomViewer;

// A batch that fills a pane to the byte: each line a run of kanji and kana,
// a link, and a tail, varied so that many distinct characters are measured.
const ks::present::PaneBatch& full_batch() {
  static const ks::present::PaneBatch* batch = [] {
    const std::u32string chars =
        U"日本語の文章が続きます更新されたページの内容を確認して下さい新着情報記事一覧"
        U"東京大阪名古屋福岡札幌価格発表予定変更追加削除検索結果表示画面設定項目";
    auto* pb = new ks::present::PaneBatch;
    ks::present::PaneBatch& b = *pb;
    b.begin();
    std::size_t used = 0;
    const std::size_t line_bytes = 51;  // with its NUL
    for (int line = 0; line < 9999; ++line) {
      std::u32string text;
      for (int i = 0; i < 16; ++i)
        text += chars[(static_cast<std::size_t>(line) * 7 + i) % chars.size()];
      std::string s;
      for (char32_t c : text) {
        std::string u8;
        if (c < 0x800) {
          u8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else {
          u8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
        }
        s += u8;
      }
      const std::string sjis = ks::utf8_to_sjis(s);  // 32 bytes
      b.write_text(sjis.substr(0, 20));
      b.write_link(sjis.substr(20, 8), "http://example.com/page/" + std::to_string(line % 500));
      // 20 + 8 + tail + NUL = 51 bytes; the last line takes what is left.
      std::string tail = " #" + std::to_string(line % 1000000);
      tail.resize(line_bytes - 1 - 28, '.');
      if (line == 9998) tail.resize(ks::present::kPaneTextLimit - used - 28 - 1, '.');
      b.write_text(tail);
      used += line_bytes;
      if (line < 9998) b.write_text("\r\n");
    }
    b.end();
    return pb;
  }();
  return *batch;
}

void wait_ms(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
}

CustomViewer& viewer() {
  static CustomViewer* v = [] {
    auto* w = new CustomViewer;
    w->resize(800, 600);
    w->show();
    wait_ms(300);
    return w;
  }();
  return *v;
}

void fill(CustomViewer& v) {
  v.clear();
  full_batch().replay(v);
  if (v.text().full() || v.end_offset() + 1 != ks::present::kPaneTextLimit) std::abort();
}

void BM_AppendFullPane(benchmark::State& state) {
  CustomViewer& v = viewer();
  fill(v);  // the widths of every character are known from here on
  for (auto _ : state) fill(v);
  state.counters["lines"] = v.line_count();
  state.counters["bytes"] = static_cast<double>(v.end_offset() + 1);
  state.counters["links"] = v.link_count();
}

void BM_AppendFullPaneColdWidths(benchmark::State& state) {
  CustomViewer& v = viewer();
  for (auto _ : state) {
    state.PauseTiming();
    v.clear();
    v.apply_look(v.look());  // a font change forgets the measured widths
    state.ResumeTiming();
    full_batch().replay(v);
  }
}

void BM_RewrapFullPane(benchmark::State& state) {
  CustomViewer& v = viewer();
  fill(v);
  // Every line takes two rows at both widths, so none can be skipped.
  int width = 260;
  v.resize(width, 600);
  for (auto _ : state) {
    state.PauseTiming();
    // Size changes closer than one timer tick apart wait for the tick.
    wait_ms(CustomViewer::kResizeTickMs + 10);
    width = width == 260 ? 200 : 260;
    const int rows = v.total_rows();
    state.ResumeTiming();
    v.resize(width, 600);
    state.PauseTiming();
    if (v.total_rows() == rows) std::abort();  // not applied
    state.ResumeTiming();
  }
  state.counters["rows"] = v.total_rows();
  v.resize(800, 600);
}

void BM_PaintPageAfterScroll(benchmark::State& state) {
  CustomViewer& v = viewer();
  fill(v);
  v.scroll_to_offset(0);
  QCoreApplication::processEvents();
  for (auto _ : state) {
    if (v.scroll_row() + 2 * v.page_rows() >= v.total_rows()) v.scroll_to_offset(0);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(&v, &key);
    v.viewport()->repaint();
  }
  state.counters["page_rows"] = v.page_rows();
}

void BM_FallbackAppendFullPane(benchmark::State& state) {
  ks::gui::FallbackPane pane;
  pane.resize(800, 600);
  pane.show();
  for (auto _ : state) {
    pane.clear();
    full_batch().replay(pane);
  }
}

BENCHMARK(BM_AppendFullPane)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AppendFullPaneColdWidths)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RewrapFullPane)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PaintPageAfterScroll)->Unit(benchmark::kMillisecond)->Iterations(500);
BENCHMARK(BM_FallbackAppendFullPane)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
