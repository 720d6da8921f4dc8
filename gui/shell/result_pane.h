// The shell's view of one result tab: the widget it puts into the tab, the
// core's Pane the result display writes into, and the commands of the
// "編集" menu and the jumps that act on the tab. The window knows only
// this interface and make_result_pane(), so the text view behind it can be
// exchanged without touching the window.
//
// The view here is a plain read-only text view (PlainResultPane): a
// QPlainTextEdit fed by a BufferedPane at the end of each batch, with the
// headline, link, dimmed and highlight looks as character formats. It keeps
// the core's limits and offsets because the BufferedPane does.
//
// Threads: the UI thread only; the check run's displays reach the pane
// through present::apply_display() on the UI thread.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <memory>
#include <optional>

#include "app/options/options.h"
#include "present/buffered_pane.h"

namespace ks::gui {

class ResultPane {
 public:
  virtual ~ResultPane() = default;
  virtual QWidget* widget() = 0;
  virtual present::Pane& pane() = 0;

  // Whole text shown (for tests and the window's own checks), Unicode.
  virtual QString plain_text() const = 0;
  virtual QString selected_text() const = 0;
  virtual void copy() = 0;
  virtual void select_all() = 0;
  // Headline and keyword jumps from the caret, wrapping around; message
  // lines count as headlines when `with_messages`.
  virtual void next_headline(bool with_messages) = 0;
  virtual void previous_headline(bool with_messages) = 0;
  virtual void next_keyword() = 0;
  virtual void scroll_to_top() = 0;
  // The item whose heading is at `pos` (widget coordinates), for the
  // heading menu; nullopt elsewhere.
  virtual std::optional<uint64_t> heading_item_at(const QPoint& pos) const = 0;
};

// The result view for one tab; `options` gives the font and colours.
std::unique_ptr<ResultPane> make_result_pane(const app_options::Options& options, QWidget* parent);

// The plain text view.
class PlainResultPane : public ResultPane, public present::BufferedPane {
 public:
  PlainResultPane(const app_options::Options& options, QWidget* parent);
  ~PlainResultPane() override;

  QWidget* widget() override { return view_; }
  present::Pane& pane() override { return *this; }
  QString plain_text() const override;
  QString selected_text() const override;
  void copy() override;
  void select_all() override;
  void next_headline(bool with_messages) override;
  void previous_headline(bool with_messages) override;
  void next_keyword() override;
  void scroll_to_top() override;
  std::optional<uint64_t> heading_item_at(const QPoint& pos) const override;

  // present::Pane: the view is brought up to date at the end of a batch.
  void end() override;

 protected:
  void clear_text() override;

 private:
  void show_new_text();
  void go_to_line(int line);
  QTextCharFormat format_for(uint8_t attr) const;

  QPlainTextEdit* view_;
  std::size_t shown_ = 0;  // bytes of text() already in the view
  app_options::Options options_;
};

}  // namespace ks::gui
