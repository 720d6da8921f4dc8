// The fallback pane: a QTextBrowser showing the pane's ViewerText, for
// USE_VIEWER 0 or when a custom viewer cannot be made. It keeps the text
// exactly as the custom viewer does (so offsets, limits, find, copy and
// jumps are the same) and mirrors it into the document one block per line,
// in the colours of the colour table, links as anchors. Every paragraph gets
// space before of (LINE_HEIGHT - 100) x point size / 200 points and after of
// (LINE_HEIGHT - 100) x point size / 100 points less the space before.
//
// The document catches up with the text when painting is not suspended (at
// the end of every batch). UI thread only.
#pragma once

#include <QTextBrowser>
#include <QTextCharFormat>
#include <utility>
#include <vector>

#include "gui/viewer/pane_view_base.h"

namespace ks::gui {

class FallbackPane final : public QTextBrowser, public PaneViewBase {
  Q_OBJECT

 public:
  explicit FallbackPane(QWidget* parent = nullptr);
  ~FallbackPane() override;

  // The pane's operations, not QTextEdit's of the same names.
  using PaneViewBase::clear;
  using PaneViewBase::copy;
  using PaneViewBase::find;

  QWidget* widget() override { return this; }
  ViewerKind kind() const override { return ViewerKind::kFallback; }
  void apply_look(const ViewerLook& look) override;
  int first_visible_line() const override;
  void scroll_to_offset(std::size_t offset) override;

  // The document position of a text offset, and back.
  int position_of(std::size_t offset) const;
  std::size_t offset_of(int position) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool focusNextPrevChild(bool next) override;

  void text_changed(std::size_t from, std::size_t to) override;
  void selection_changed(bool reveal) override;
  void painting_resumed() override;
  void text_cleared() override;

 private:
  // Brings the document up to the text: new text appended, changed ranges
  // styled again.
  void sync();
  void append_to_document(std::size_t from);
  void restyle(std::size_t from, std::size_t to);
  // Calls fn(col, end, attr, link) for the runs of line `line` in [from, to).
  template <typename Fn>
  void for_each_run(int line, uint32_t from, uint32_t to, Fn fn) const;
  QTextCharFormat format_for(uint8_t attr, int link) const;
  QTextBlockFormat block_format() const;
  void selection_from_widget();
  void hovered(const QUrl& url);

  ViewerLook look_;
  std::size_t mirrored_end_ = 0;  // the document holds the text up to here
  std::vector<std::pair<std::size_t, std::size_t>> dirty_;
  bool syncing_selection_ = false;
};

}  // namespace ks::gui
