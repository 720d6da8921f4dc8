// The custom viewer's mouse, wheel and keys, and the geometry they use.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "gui/viewer/custom_viewer.h"

namespace ks::gui {

std::size_t CustomViewer::offset_in_row(int row, int x) {
  bool on = false;
  const int y = kMargin + (row - scroll_row()) * row_pitch();
  return offset_at(QPoint(x, y), true, &on);
}

std::size_t CustomViewer::offset_at(QPoint pt, bool round, bool* on_char) {
  if (on_char) *on_char = false;
  ensure_layout();
  const ViewerText& t = text();
  const int pitch = row_pitch();
  const int dy = pt.y() - kMargin;
  const int row_in_view = dy >= 0 ? dy / pitch : -1 - (-dy - 1) / pitch;
  const int row = std::clamp(scroll_row() + row_in_view, 0, std::max(0, total_rows_ - 1));
  const bool inside_rows = dy >= 0 && scroll_row() + row_in_view < total_rows_;
  const int line = line_of_row(row);
  const ViewerLine& l = t.line(line);
  const std::string_view bytes = t.line_text(line);
  if (l.rows == 1) {
    rows_.assign(1, 0);
  } else {
    row_starts(bytes, *widths_, limit_, rows_);
  }
  const auto k = static_cast<std::size_t>(std::clamp(row - l.first_row, 0, l.rows - 1));
  const uint32_t to = k + 1 < rows_.size() ? rows_[k + 1] : l.length;
  uint32_t i = rows_[k];
  int x = kMargin;
  if (pt.x() < x) return l.start + i;
  while (i < to) {
    std::size_t n = 1;
    const int w = widths_->width_at(bytes, i, n);
    if (pt.x() < x + w) {
      if (on_char) *on_char = inside_rows;
      return l.start + i + (round && pt.x() >= x + w / 2 ? n : 0);
    }
    x += w;
    i += static_cast<uint32_t>(n);
  }
  return l.start + to;
}

QRect CustomViewer::char_rect(std::size_t offset) {
  ensure_layout();
  const ViewerText& t = text();
  const int line = t.line_of(offset);
  const ViewerLine& l = t.line(line);
  const std::string_view bytes = t.line_text(line);
  row_starts(bytes, *widths_, limit_, rows_);
  const auto col = static_cast<uint32_t>(offset - l.start);
  const auto it = std::upper_bound(rows_.begin(), rows_.end(), col) - 1;
  const int row = l.first_row + static_cast<int>(it - rows_.begin());
  int x = kMargin;
  for (uint32_t i = *it; i < col;) {
    std::size_t n = 1;
    x += widths_->width_at(bytes, i, n);
    i += static_cast<uint32_t>(n);
  }
  std::size_t n = 1;
  const int w = col < l.length ? widths_->width_at(bytes, col, n) : 0;
  return {x, kMargin + (row - scroll_row()) * row_pitch(), w, row_pitch()};
}

QPoint CustomViewer::point_of(std::size_t offset) {
  const QRect r = char_rect(offset);
  return {r.x() + r.width() / 2, r.y() + r.height() / 2};
}

void CustomViewer::set_hovered(int link) {
  if (link == hovered_) return;
  hovered_ = link;
  viewport()->setCursor(link >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
  emit events()->statusText(link_status(link));
}

void CustomViewer::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  const auto at = static_cast<std::ptrdiff_t>(offset_at(event->position().toPoint(), false));
  pressed_ = true;
  set_selection(at, at, false);
}

void CustomViewer::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (pressed_ && (event->buttons() & Qt::LeftButton)) {
    // Dragging past the top or bottom scrolls a row at a time.
    if (pos.y() < 0) scroll_by(-1);
    if (pos.y() >= viewport()->height()) scroll_by(1);
    const auto at = static_cast<std::ptrdiff_t>(offset_at(pos, true));
    if (at != caret()) set_selection(anchor(), at, false);
    return;
  }
  bool on_char = false;
  const std::size_t at = offset_at(pos, false, &on_char);
  set_hovered(on_char ? text().link_at(at) : -1);
}

void CustomViewer::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (anchor() != caret()) return;
  bool on_char = false;
  const std::size_t at = offset_at(event->position().toPoint(), false, &on_char);
  const int link = on_char ? text().link_at(at) : -1;
  if (link >= 0) activate_link(link);
}

void CustomViewer::contextMenuEvent(QContextMenuEvent* event) {
  emit events()->contextMenuRequested(event->globalPos());
}

void CustomViewer::leaveEvent(QEvent* event) {
  set_hovered(-1);
  QAbstractScrollArea::leaveEvent(event);
}

void CustomViewer::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  event->accept();
  if (writing() || std::abs(delta) < 2) return;
  // A notch of a wheel gives whole rows at once; the small steps of a touch
  // pad add up until they make one.
  wheel_delta_ += delta;
  const int unit = std::max(1, look_.line_height * widths_->height() / 100);
  const int rows = wheel_delta_ / -unit / 2;
  if (rows != 0) {
    wheel_delta_ = 0;
    scroll_by(rows);
  }
}

bool CustomViewer::focusNextPrevChild(bool next) {
  if (events()->routes_tab()) {
    emit events()->tabPressed(next);
    return true;
  }
  return QAbstractScrollArea::focusNextPrevChild(next);
}

std::size_t CustomViewer::caret_or_top() {
  if (caret() >= 0) return static_cast<std::size_t>(caret());
  return top_offset();
}

std::size_t CustomViewer::step_back(std::size_t offset) const {
  if (offset == 0) return 0;
  const ViewerText& t = text();
  const int line = t.line_of(offset);
  const ViewerLine& l = t.line(line);
  if (offset <= l.start) return offset - 1;  // onto the previous line's end
  const std::string_view bytes = t.line_text(line);
  std::size_t i = 0;
  std::size_t prev = 0;
  while (l.start + i < offset && i < bytes.size()) {
    prev = i;
    i += is_sjis_pair(bytes, i) ? 2 : 1;
  }
  return l.start + prev;
}

std::size_t CustomViewer::step_forward(std::size_t offset) const {
  const ViewerText& t = text();
  if (offset >= t.end_offset()) return t.end_offset();
  const int line = t.line_of(offset);
  const ViewerLine& l = t.line(line);
  const std::size_t col = offset - l.start;
  if (col >= l.length) return offset + 1;  // past the line's end
  return offset + (is_sjis_pair(t.line_text(line), col) ? 2 : 1);
}

void CustomViewer::move_caret(std::size_t to) {
  const std::ptrdiff_t from = caret() >= 0 ? caret() : static_cast<std::ptrdiff_t>(to);
  const std::ptrdiff_t a = anchor() >= 0 ? anchor() : from;
  set_selection(a, static_cast<std::ptrdiff_t>(to), false);
  ensure_layout();
  const int row = row_of_offset(to);
  if (row < scroll_row()) set_scroll_row(row);
  if (row >= scroll_row() + visible_rows()) set_scroll_row(row - visible_rows() + 1);
}

void CustomViewer::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    select_all();
    return;
  }
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  ensure_layout();
  if (shift) {
    const std::size_t c = caret_or_top();
    const QPoint at = char_rect(c).topLeft();
    const int row = row_of_offset(c);
    const ViewerText& t = text();
    switch (event->key()) {
      case Qt::Key_Left:
        return move_caret(step_back(c));
      case Qt::Key_Right:
        return move_caret(step_forward(c));
      case Qt::Key_Up:
        return move_caret(row > 0 ? offset_in_row(row - 1, at.x()) : 0);
      case Qt::Key_Down:
        return move_caret(row + 1 < total_rows_ ? offset_in_row(row + 1, at.x()) : t.end_offset());
      case Qt::Key_PageUp:
        return move_caret(offset_in_row(std::max(0, row - page_), at.x()));
      case Qt::Key_PageDown:
        return move_caret(offset_in_row(std::min(total_rows_ - 1, row + page_), at.x()));
      case Qt::Key_Home:
        return move_caret(ctrl ? 0 : offset_in_row(row, 0));
      case Qt::Key_End:
        return move_caret(ctrl ? t.end_offset() : offset_in_row(row, viewport()->width()));
      default:
        break;
    }
  } else {
    switch (event->key()) {
      case Qt::Key_Up:
        return scroll_by(-1);
      case Qt::Key_Down:
        return scroll_by(1);
      case Qt::Key_PageUp:
        return scroll_by(-page_);
      case Qt::Key_PageDown:
        return scroll_by(page_);
      case Qt::Key_Home:
        return writing() ? void() : set_scroll_row(0);
      case Qt::Key_End:
        return writing() ? void() : set_scroll_row(total_rows_);
      default:
        break;
    }
  }
  QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace ks::gui
