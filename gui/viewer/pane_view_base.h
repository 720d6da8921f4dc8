// What the custom viewer and the fallback pane share: the pane output layer
// (pending buffer, links, text kinds, batches, the caption mark) over one
// ViewerText, the selection as anchor and caret, and every operation of
// ResultView that depends on the text alone (find, jumps, copy, links).
// A subclass draws: it is told when the text, the selection or the look
// changed and answers where the view is scrolled.
//
// UI thread only.
#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <string>

#include "gui/viewer/result_view.h"
#include "gui/viewer/viewer_text.h"

namespace ks::gui {

class PaneViewBase : public ResultView {
 public:
  // --- present::Pane ---
  void begin() override;
  void write_text(std::string_view text) override;
  void write_link(std::string_view text, std::string_view target,
                  const present::LinkOrigin& origin = {}) override;
  void set_text_kind(present::TextKind kind) override;
  void flush() override;
  void end() override;
  int current_line() override;
  std::size_t end_offset() override;
  void mark_highlight(std::size_t start, std::size_t end, int which) override;
  std::optional<std::size_t> find(std::string_view needle, std::size_t from) override;

  // --- ResultView ---
  ResultViewEvents* events() override { return &events_; }
  void set_opened_lookup(std::function<bool(std::string_view)> lookup) override;
  void set_pane_name(const QString& name) override;
  QString caption() const override;
  bool received_text() const override { return received_; }
  bool writing() const override { return writing_; }
  void suspend_painting() override { ++suspended_; }
  void resume_painting() override;

  int line_count() const override { return text_.line_count(); }
  int line_from_offset(std::size_t offset) const override { return text_.line_of(offset); }
  std::size_t line_start(int line) const override;
  std::string text_range(std::size_t start, std::size_t end) const override {
    return text_.range_crlf(start, end);
  }

  std::optional<present::PaneSelection> selection() const override;
  void select(std::ptrdiff_t start, std::ptrdiff_t end) override;
  std::string selected_text() const override;
  bool copy() override;
  void write_to(present::Pane& out) const override;

  int link_count() const override { return text_.link_count(); }
  std::optional<LinkInfo> link(int index) const override;
  std::optional<LinkInfo> link_at_caret() const override;
  std::optional<uint64_t> heading_item_at_caret() const override;
  int mark_opened(std::string_view target) override;
  bool link_opened(int index) const override;

  std::optional<std::size_t> find_wrapped(std::string_view text, std::size_t start,
                                          present::FindDirection dir) const override;
  bool find_and_select(std::string_view text, present::FindDirection dir, bool continuing) override;
  bool next_headline(bool jump_to_msg) override { return jump_headline(true, jump_to_msg); }
  bool previous_headline(bool jump_to_msg) override { return jump_headline(false, jump_to_msg); }
  bool next_keyword() override;

  // The model, for drawing and for tests.
  const ViewerText& text() const { return text_; }

 protected:
  PaneViewBase() = default;

  void clear_text() override;

  // Bytes [from, to) changed: text was appended there, or its attributes or
  // the opened marks of its links changed.
  virtual void text_changed(std::size_t from, std::size_t to) = 0;
  // The selection changed; `reveal`: scroll its start into view (centred
  // when it was outside the page).
  virtual void selection_changed(bool reveal) = 0;
  // The last suspension of painting ended (also at the end of a batch).
  virtual void painting_resumed() = 0;
  // The pane was emptied.
  virtual void text_cleared() = 0;

  bool painting_suspended() const { return suspended_ > 0; }
  ViewerText& model() { return text_; }
  // Sets anchor and caret (-1, -1: none) as the widget's own input moved
  // them; tells the subclass with `reveal` and emits selectionChanged.
  void set_selection(std::ptrdiff_t anchor, std::ptrdiff_t caret, bool reveal);
  std::ptrdiff_t anchor() const { return anchor_; }
  std::ptrdiff_t caret() const { return caret_; }
  // A click on link `index`: every link with its target marked opened, the
  // view repainted, linkActivated emitted.
  void activate_link(int index);
  // The status text for the pointer over link `index` (-1: none).
  QString link_status(int index) const;

 private:
  void hand(std::string_view text, uint8_t attr);
  bool jump_headline(bool forward, bool jump_to_msg);

  ViewerText text_;
  ResultViewEvents events_;
  std::function<bool(std::string_view)> opened_lookup_;
  QString pane_name_;
  std::string pending_;
  uint8_t attr_ = 0;
  bool last_was_link_ = false;
  bool writing_ = false;
  bool received_ = false;
  bool tab_marked_ = false;
  int suspended_ = 0;
  std::ptrdiff_t anchor_ = -1;
  std::ptrdiff_t caret_ = -1;
};

}  // namespace ks::gui
