// Painting the custom viewer: rows of runs of equal attribute.
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "gui/viewer/custom_viewer.h"
#include "gui/viewer/sjis_qt.h"

namespace ks::gui {

void CustomViewer::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), look_.back);
  // While painting is suspended nothing asks for a paint; one that comes
  // anyway (the window was uncovered) shows the text as it stands.
  ensure_layout();
  p.setFont(look_.font);
  const ViewerText& t = text();
  const int pitch = row_pitch();
  const int bottom = std::min(viewport()->height(), event->rect().bottom() + 1);
  int row = scroll_row();
  int y = kMargin;
  for (int line = line_of_row(row); line < t.line_count() && y < bottom; ++line) {
    const ViewerLine& l = t.line(line);
    if (l.rows == 1) {
      rows_.assign(1, 0);
    } else {
      row_starts(t.line_text(line), *widths_, limit_, rows_);
    }
    for (int k = row - l.first_row; k < static_cast<int>(rows_.size()) && y < bottom; ++k) {
      const auto ku = static_cast<std::size_t>(k);
      const uint32_t to = ku + 1 < rows_.size() ? rows_[ku + 1] : l.length;
      if (y + pitch > event->rect().top()) paint_row(p, line, rows_[ku], to, y);
      y += pitch;
      ++row;
    }
  }
}

void CustomViewer::paint_row(QPainter& p, int line, uint32_t from, uint32_t to, int y) {
  ViewerText& t = model();
  const ViewerLine& l = t.line(line);
  const std::string_view bytes = t.line_text(line);
  const uint8_t* attrs = t.attributes() + l.start;
  const auto sel = selection();
  const std::size_t sel_lo = sel ? sel->start : 0;
  const std::size_t sel_hi = sel ? sel->end : 0;
  auto attr_at = [&](uint32_t col) -> uint8_t {
    const std::size_t off = l.start + col;
    return static_cast<uint8_t>(attrs[col] | (off >= sel_lo && off < sel_hi ? kAttrSelected : 0));
  };
  const int pitch = row_pitch();
  const int baseline = y + text_top() + widths_->ascent();
  int link = l.first_link;
  const int links_end = l.first_link + l.link_count;
  int x = kMargin;
  QString run;
  uint32_t i = from;
  while (i < to) {
    while (link < links_end && static_cast<uint32_t>(t.link(link).end_col) <= i) ++link;
    const bool in_link = link < links_end && static_cast<uint32_t>(t.link(link).start_col) <= i;
    uint32_t stop = to;
    if (link < links_end) {
      const ViewerLink& k = t.link(link);
      stop = std::min(to, static_cast<uint32_t>(in_link ? k.end_col : k.start_col));
    }
    // A run: the same attribute, inside or outside one link, within the row.
    const uint8_t attr = attr_at(i);
    uint32_t j = i;
    int width = 0;
    while (j < stop && attr_at(j) == attr) {
      std::size_t n = 1;
      width += widths_->width_at(bytes, j, n);
      j += static_cast<uint32_t>(n);
    }
    const RunColors c = run_colors(attr, in_link && t.link(link).opened, look_);
    p.fillRect(QRect(x, y, width, pitch), c.back);
    run.clear();
    append_display(run, bytes.substr(i, j - i));
    p.setPen(c.text);
    p.drawText(x, baseline, run);
    if (in_link) {
      if (look_.link_underline) p.drawLine(x, baseline + 1, x + width - 1, baseline + 1);
      ViewerLink& k = t.link(link);
      if (static_cast<uint32_t>(k.start_col) >= i) k.left_x = x;
      k.right_x = x + width;
    }
    x += width;
    i = j;
  }
}

}  // namespace ks::gui
