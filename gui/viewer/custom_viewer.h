// The custom viewer: our own scroll area that draws a pane's ViewerText.
//
// Layout: the text is wrapped at the viewport width less two margins of 8
// pixels, by the measured widths of its characters; rows are font height x
// LINE_HEIGHT / 100 pixels apart. Painting goes row by row over runs of equal
// attribute (and link), each run on its own background from the colour
// table (viewer_look.h); links are underlined with USE_LINK_UNDERLINE and
// remember where they were painted.
//
// Scrolling moves whole rows: Up/Down one row, PageUp/PageDown a page (the
// viewport height less the margins, divided by twice the font height), the
// wheel delta / (LINE_HEIGHT x font height / 100) / 2 rows (deltas below 2
// ignored; smaller ones add up), the scroll bar to its row; the position
// stays within 0 ... rows + 1 - page. Nothing scrolls while output is in
// progress.
//
// A size change is applied at once unless output is in progress or another
// was applied less than 200 ms ago; otherwise a 200 ms timer applies the
// last size once output has ended. Re-wrapping keeps the first visible
// character at the top.
//
// Mouse and keys: the left button puts anchor and caret on the character
// under the pointer, dragging moves the caret; Shift with the arrow, page,
// Home and End keys moves the caret; right and middle buttons only take the
// focus. Over a link the pointer is a hand and statusText tells its target;
// releasing the left button over a link with nothing selected activates it.
// Ctrl+C copies, Ctrl+A selects all; Tab and Shift+Tab go to tabPressed when
// someone listens.
//
// UI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <memory>
#include <vector>

#include "gui/viewer/pane_view_base.h"
#include "gui/viewer/text_layout.h"

namespace ks::gui {

class CustomViewer final : public QAbstractScrollArea, public PaneViewBase {
  Q_OBJECT

 public:
  static constexpr int kMargin = 8;
  static constexpr int kResizeTickMs = 200;

  explicit CustomViewer(QWidget* parent = nullptr);
  ~CustomViewer() override;

  QWidget* widget() override { return this; }
  ViewerKind kind() const override { return ViewerKind::kCustom; }
  void apply_look(const ViewerLook& look) override;
  int first_visible_line() const override;
  void scroll_to_offset(std::size_t offset) override;

  // Geometry, for the widget itself and for tests: rows, the scroll row, and
  // the viewport point at the middle of the character at `offset`.
  int row_pitch() const;
  int total_rows() const { return total_rows_; }
  int page_rows() const { return page_; }
  int scroll_row() const;
  QPoint point_of(std::size_t offset);
  // The cell of the character at `offset` in viewport coordinates (width 0
  // at the end of a line).
  QRect char_rect(std::size_t offset);
  // The offset under a viewport point: the character under it (on_char
  // true), or the nearest place in its row. `round`: the nearer edge of the
  // character instead of its start.
  std::size_t offset_at(QPoint p, bool round, bool* on_char = nullptr);
  int hovered_link() const { return hovered_; }
  const ViewerLook& look() const { return look_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;

  void text_changed(std::size_t from, std::size_t to) override;
  void selection_changed(bool reveal) override;
  void painting_resumed() override;
  void text_cleared() override;

 private:
  // Lays out lines not yet measured and sets the scroll range.
  void ensure_layout();
  void update_scroll_range();
  // Re-wraps everything at the viewport's width (a size or font change).
  void apply_width(bool font_changed);
  void size_changed();
  int wrap_limit() const;
  int text_top() const;
  int visible_rows() const;

  int line_of_row(int row) const;
  int row_of_offset(std::size_t offset);
  // The offset of the first character of the top row.
  std::size_t top_offset();
  void scroll_by(int rows);
  void set_scroll_row(int row);
  void reveal_row(int row);

  void paint_row(QPainter& p, int line, uint32_t from, uint32_t to, int y);
  void set_hovered(int link);
  // Keyboard caret moves (Shift+keys).
  void move_caret(std::size_t to);
  std::size_t caret_or_top();
  std::size_t step_back(std::size_t offset) const;
  std::size_t step_forward(std::size_t offset) const;
  std::size_t offset_in_row(int row, int x);

  ViewerLook look_;
  std::unique_ptr<CharWidths> widths_;
  int limit_ = 1;
  int total_rows_ = 1;
  int page_ = 1;
  int wheel_delta_ = 0;
  int hovered_ = -1;
  bool pressed_ = false;
  bool resize_pending_ = false;
  QBasicTimer resize_timer_;
  QElapsedTimer last_resize_;
  std::vector<uint32_t> rows_;  // row starts of the line being painted or measured
};

}  // namespace ks::gui
