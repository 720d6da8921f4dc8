#include "gui/viewer/custom_viewer.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QTimerEvent>
#include <algorithm>

namespace ks::gui {

CustomViewer::CustomViewer(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  // Every paint covers the whole viewport.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setCursor(Qt::ArrowCursor);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
          qOverload<>(&QWidget::update));
  apply_look(look_from_options(app_options::Options{}));
}

CustomViewer::~CustomViewer() = default;

void CustomViewer::apply_look(const ViewerLook& look) {
  look_ = look;
  setFont(look_.font);  // what printing uses
  widths_ = std::make_unique<CharWidths>(look_.font);
  apply_width(true);
}

int CustomViewer::row_pitch() const {
  return std::max(1, widths_->height() * look_.line_height / 100);
}

int CustomViewer::text_top() const {
  return widths_->height() * (look_.line_height - 100) / 200;
}

int CustomViewer::wrap_limit() const {
  return std::max(1, viewport()->width() - 2 * kMargin);
}

int CustomViewer::visible_rows() const {
  return std::max(1, (viewport()->height() - kMargin) / row_pitch());
}

int CustomViewer::scroll_row() const {
  return verticalScrollBar()->value();
}

void CustomViewer::ensure_layout() {
  total_rows_ = lay_out_new_lines(model(), *widths_, limit_);
  update_scroll_range();
}

void CustomViewer::update_scroll_range() {
  page_ = std::max(1, (viewport()->height() - 2 * kMargin) / widths_->height() / 2);
  QScrollBar* bar = verticalScrollBar();
  bar->setPageStep(page_);
  bar->setRange(0, std::max(0, total_rows_ + 1 - page_));
}

void CustomViewer::apply_width(bool font_changed) {
  const int limit = wrap_limit();
  if (font_changed || limit != limit_) {
    // The character at the top stays there.
    const std::size_t top = top_offset();
    if (font_changed) model().set_laid_out_lines(0);
    limit_ = limit;
    total_rows_ = lay_out_again(model(), *widths_, limit_);
    update_scroll_range();
    set_scroll_row(row_of_offset(top));
  } else {
    ensure_layout();
  }
  viewport()->update();
}

void CustomViewer::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  size_changed();
}

void CustomViewer::size_changed() {
  const bool too_soon = last_resize_.isValid() && last_resize_.elapsed() < kResizeTickMs;
  if (writing() || painting_suspended() || too_soon) {
    resize_pending_ = true;
    if (!resize_timer_.isActive()) resize_timer_.start(kResizeTickMs, this);
    return;
  }
  apply_width(false);
  last_resize_.start();
}

void CustomViewer::timerEvent(QTimerEvent* event) {
  if (event->timerId() != resize_timer_.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (resize_pending_ && !writing() && !painting_suspended()) {
    resize_pending_ = false;
    apply_width(false);
    last_resize_.start();
  }
  if (!resize_pending_) resize_timer_.stop();
}

int CustomViewer::line_of_row(int row) const {
  const ViewerText& t = text();
  int lo = 0;
  int hi = t.line_count() - 1;
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    if (t.line(mid).first_row <= row) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return lo;
}

int CustomViewer::row_of_offset(std::size_t offset) {
  const ViewerText& t = text();
  const int line = t.line_of(offset);
  const ViewerLine& l = t.line(line);
  if (l.rows <= 1) return l.first_row;
  row_starts(t.line_text(line), *widths_, limit_, rows_);
  const auto col = static_cast<uint32_t>(offset - l.start);
  const auto it = std::upper_bound(rows_.begin(), rows_.end(), col);
  return l.first_row + static_cast<int>(it - rows_.begin()) - 1;
}

std::size_t CustomViewer::top_offset() {
  const ViewerText& t = text();
  const int row = scroll_row();
  const int line = line_of_row(row);
  const ViewerLine& l = t.line(line);
  if (row == l.first_row) return l.start;
  row_starts(t.line_text(line), *widths_, limit_, rows_);
  const auto k = static_cast<std::size_t>(std::clamp(row - l.first_row, 0, l.rows - 1));
  return l.start + (k < rows_.size() ? rows_[k] : 0);
}

int CustomViewer::first_visible_line() const {
  return line_of_row(scroll_row());
}

void CustomViewer::scroll_to_offset(std::size_t offset) {
  flush();
  ensure_layout();
  set_scroll_row(row_of_offset(offset));
}

void CustomViewer::set_scroll_row(int row) {
  verticalScrollBar()->setValue(row);
}

void CustomViewer::scroll_by(int rows) {
  if (writing()) return;
  set_scroll_row(scroll_row() + rows);
}

void CustomViewer::reveal_row(int row) {
  const int top = scroll_row();
  const int shown = visible_rows();
  if (row < top || row >= top + shown) set_scroll_row(row - shown / 2);
}

void CustomViewer::text_changed(std::size_t, std::size_t) {
  if (painting_suspended()) return;
  ensure_layout();
  viewport()->update();
}

void CustomViewer::selection_changed(bool reveal) {
  if (reveal) {
    if (const auto sel = selection()) {
      ensure_layout();
      reveal_row(row_of_offset(sel->start));
    }
  }
  viewport()->update();
}

void CustomViewer::painting_resumed() {
  ensure_layout();
  viewport()->update();
}

void CustomViewer::text_cleared() {
  hovered_ = -1;
  pressed_ = false;
  ensure_layout();
  set_scroll_row(0);
  viewport()->update();
}

}  // namespace ks::gui
