#include "gui/viewer/text_layout.h"

#include <QString>
#include <algorithm>

#include "gui/viewer/sjis_qt.h"

namespace ks::gui {

CharWidths::CharWidths(const QFont& font) : metrics_(font), pairs_(65536, -1) {
  for (int c = 0; c < 256; ++c) {
    const QString s(QChar(display_char(static_cast<uint16_t>(c))));
    single_[static_cast<std::size_t>(c)] =
        static_cast<int16_t>(std::clamp(metrics_.horizontalAdvance(s), 0, 0x7FFF));
  }
  height_ = std::max(1, metrics_.height());
  ascent_ = metrics_.ascent();
}

int CharWidths::measure_pair(uint16_t code) {
  const QString s(QChar(display_char(code)));
  const auto w = static_cast<int16_t>(std::clamp(metrics_.horizontalAdvance(s), 0, 0x7FFF));
  pairs_[code] = w;
  return w;
}

LineMeasure measure_line(std::string_view t, CharWidths& widths, int limit) {
  LineMeasure m;
  int x = 0;
  std::size_t i = 0;
  while (i < t.size()) {
    std::size_t n = 1;
    const int w = widths.width_at(t, i, n);
    if (x > 0 && x + w > limit) {
      m.widest = std::max(m.widest, x);
      ++m.rows;
      x = 0;
    }
    x += w;
    i += n;
  }
  m.widest = std::max(m.widest, x);
  return m;
}

void row_starts(std::string_view t, CharWidths& widths, int limit, std::vector<uint32_t>& out) {
  out.clear();
  out.push_back(0);
  int x = 0;
  std::size_t i = 0;
  while (i < t.size()) {
    std::size_t n = 1;
    const int w = widths.width_at(t, i, n);
    if (x > 0 && x + w > limit) {
      out.push_back(static_cast<uint32_t>(i));
      x = 0;
    }
    x += w;
    i += n;
  }
}

namespace {

void measure_into(ViewerText& text, int i, CharWidths& widths, int limit) {
  ViewerLine& l = text.line(i);
  const LineMeasure m = measure_line(text.line_text(i), widths, limit);
  l.rows = m.rows;
  l.widest = m.widest;
}

int finish(ViewerText& text, int from) {
  const int n = text.line_count();
  int row = from > 0 ? text.line(from - 1).first_row + text.line(from - 1).rows : 0;
  for (int i = from; i < n; ++i) {
    text.line(i).first_row = row;
    row += text.line(i).rows;
  }
  // The open last line may still grow; it is measured again next time.
  text.set_laid_out_lines(n - 1);
  return row;
}

}  // namespace

int lay_out_new_lines(ViewerText& text, CharWidths& widths, int limit) {
  const int from = text.laid_out_lines();
  for (int i = from; i < text.line_count(); ++i) measure_into(text, i, widths, limit);
  return finish(text, from);
}

int lay_out_again(ViewerText& text, CharWidths& widths, int limit) {
  const int laid = text.laid_out_lines();
  for (int i = 0; i < text.line_count(); ++i) {
    const ViewerLine& l = text.line(i);
    if (i < laid && (l.length == 0 || (l.rows == 1 && l.widest <= limit))) continue;
    measure_into(text, i, widths, limit);
  }
  return finish(text, 0);
}

}  // namespace ks::gui
