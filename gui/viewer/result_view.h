// The result panes of the desktop app: "一括ログ", "エラー" and "個別ログ".
//
// A ResultView is a present::Pane (the check run's displays are applied to
// it with present::apply_display) and a widget. Two kinds exist, chosen once
// when the main window is made (make_result_views):
//   - the custom viewer (USE_VIEWER 1): our own scroll area drawing the pane's
//     Shift_JIS text buffer, with the viewer's limits (511,999 bytes, 10,000
//     lines, 60,000 links) and its offsets;
//   - the fallback pane (USE_VIEWER 0, or when a custom viewer cannot be
//     made): a QTextBrowser showing the same text with the same operations.
// Both keep the text the same way, so offsets, limits, selection, find and
// copying behave alike; only drawing differs.
//
// Offsets are bytes of the pane's Shift_JIS text, every line break counting
// as one byte; lines count from 0. Strings crossing this interface are
// Shift_JIS unless they are QStrings.
//
// Ownership and threads: a view is a widget owned by its Qt parent (deleting
// the widget deletes the view). Every call, including the Pane calls of a
// batch, runs on the UI thread; workers compose present::PaneBatch values
// and the UI thread applies them.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/options/options.h"
#include "gui/viewer/viewer_look.h"
#include "present/find_text.h"
#include "present/history.h"
#include "present/pane.h"

class QWidget;

namespace ks::gui {

// A link of a pane, as the viewer hands it on when it is clicked.
struct LinkInfo {
  int index = -1;              // in the pane's link table
  std::string target;          // URL, or an item-settings target (0x01 + node id)
  std::string text;            // the visible text
  present::LinkOrigin origin;  // item, program number, whether it is the item's name link
  // The name link of the item the link belongs to (what the history page
  // writes beside it); empty when the pane has none before it.
  present::HistoryLink heading;
  bool is_heading = false;  // the link is that name link itself

  bool item_settings() const { return present::item_settings_node(target).has_value(); }
};

// The view's notifications. Connect to them; never emit them from outside.
class ResultViewEvents : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // Whether something handles Tab/Shift+Tab; without it the widget moves the
  // focus the usual Qt way.
  bool routes_tab() const;

 signals:
  // A link was clicked (left button released over it while nothing is
  // selected). Every link of the pane with the same target is already
  // marked opened and repainted; opening it is the receiver's job (see
  // link_opening.h).
  void linkActivated(const ks::gui::LinkInfo& link);
  // The pointer moved onto a link (its target, or "ページの設定を変更します" for
  // an item-settings link) or off every link (an empty text).
  void statusText(const QString& text);
  // The caption of the pane's tab changed: its name, with " *" once text has
  // arrived since the last clear.
  void captionChanged(const QString& caption);
  void selectionChanged();
  // Tab (forward) and Shift+Tab (backward: to the item tree) in the viewer.
  void tabPressed(bool forward);
  // The context menu was asked for at a global position.
  // ResultView::heading_item_at_caret() tells whether the caret is on an
  // item heading (the item menu) or not (the "編集" menu).
  void contextMenuRequested(const QPoint& global_pos);
};

enum class ViewerKind { kCustom, kFallback };

class ResultView : public present::Pane {
 public:
  virtual QWidget* widget() = 0;
  virtual ResultViewEvents* events() = 0;
  virtual ViewerKind kind() const = 0;

  // --- Look and behaviour ---------------------------------------------
  // The FONT section: font, colours, LINE_HEIGHT, USE_LINK_UNDERLINE. Text
  // already shown is laid out again.
  virtual void apply_look(const ViewerLook& look) = 0;
  // Tells written links whether their target is already in the history of
  // opened links (they are then drawn in the opened colour). Unset: never.
  virtual void set_opened_lookup(std::function<bool(std::string_view target)> lookup) = 0;
  // The tab's name ("一括ログ", ...); the caption adds " *" (captionChanged).
  virtual void set_pane_name(const QString& name) = 0;
  virtual QString caption() const = 0;
  // Whether text arrived since the last clear (the " *" of the caption).
  virtual bool received_text() const = 0;
  // True between begin() and end().
  virtual bool writing() const = 0;
  // Painting and re-layout wait while suspended (nested calls count); the
  // view catches up when the last suspension ends. A batch suspends itself.
  virtual void suspend_painting() = 0;
  virtual void resume_painting() = 0;

  // --- Text ------------------------------------------------------------
  virtual int line_count() const = 0;
  // The line holding `offset` (the last line for offsets past the end).
  virtual int line_from_offset(std::size_t offset) const = 0;
  virtual std::size_t line_start(int line) const = 0;
  // Bytes [start, end) with every line break written as CR LF.
  virtual std::string text_range(std::size_t start, std::size_t end) const = 0;
  // The first line at the top of the view; scrolls so that the line holding
  // `offset` is the top row.
  virtual int first_visible_line() const = 0;
  virtual void scroll_to_offset(std::size_t offset) = 0;

  // --- Selection -------------------------------------------------------
  // The selection as [start, end) (start == end: none, the caret at start);
  // nullopt when there is neither selection nor caret.
  virtual std::optional<present::PaneSelection> selection() const = 0;
  // start < 0 clears; (0, -1) selects everything; otherwise both ends must
  // lie within the text, else the selection is cleared. The view scrolls so
  // that the start is visible, centring it when it was outside the page.
  virtual void select(std::ptrdiff_t start, std::ptrdiff_t end) = 0;
  void select_all() { select(0, -1); }
  // The selected bytes, line breaks as CR LF; empty when nothing is selected.
  virtual std::string selected_text() const = 0;
  // Puts the selection on the clipboard as text (line breaks CR LF). False
  // when nothing is selected or the selection is over 512,000 bytes.
  virtual bool copy() = 0;
  // Writes the whole text with its links into `out` as one batch (saving
  // the pane as HTML goes through a present::BufferedPane this way).
  virtual void write_to(present::Pane& out) const = 0;

  // --- Links -----------------------------------------------------------
  virtual int link_count() const = 0;
  virtual std::optional<LinkInfo> link(int index) const = 0;
  // The link holding the caret (selection start); nullopt when none.
  virtual std::optional<LinkInfo> link_at_caret() const = 0;
  // The item whose heading line holds the caret (the item menu of the
  // context menu), nullopt elsewhere.
  virtual std::optional<uint64_t> heading_item_at_caret() const = 0;
  // Marks every link whose target equals `target` as opened and repaints;
  // the number of links marked.
  virtual int mark_opened(std::string_view target) = 0;
  virtual bool link_opened(int index) const = 0;

  // --- Find and jumps ----------------------------------------------------
  // The find operation of the pane: line by line from `start`, forward or
  // backward, wrapping around the ends, each line visited once. The offset
  // of the hit, nullopt when there is none. Selects nothing.
  virtual std::optional<std::size_t> find_wrapped(std::string_view text, std::size_t start,
                                                  present::FindDirection dir) const = 0;
  // "検索" / "次を検索" / Shift+F3: continuing forward starts one byte after the
  // selection start, backward one byte before its end; otherwise at the start
  // (end). A hit is selected and scrolled into view. False: not found.
  virtual bool find_and_select(std::string_view text, present::FindDirection dir,
                               bool continuing) = 0;
  // "次の見出し" / "前の見出し": the caret moves to the first heading after (the
  // last before) the caret line, wrapping around; error lines count as
  // headings when `jump_to_msg` (JUMP_TO_MSG). False when there is none.
  virtual bool next_headline(bool jump_to_msg) = 0;
  virtual bool previous_headline(bool jump_to_msg) = 0;
  // "キーワードにジャンプ": selects the next highlighted keyword after the caret,
  // wrapping to the first. False when the pane has none.
  virtual bool next_keyword() = 0;

 protected:
  ResultView() = default;
};

// Makes one view of `kind` with `parent`; nullptr when it cannot be made.
ResultView* make_result_view(ViewerKind kind, QWidget* parent);

// The three result panes ("一括ログ", "エラー", "個別ログ"), custom viewers when
// `options.use_viewer` is set and all three can be made, else three fallback
// panes. The look comes from the options. Owned by `parent`.
std::array<ResultView*, 3> make_result_views(const app_options::Options& options, QWidget* parent);

// The names of the three panes.
QString pane_name(int index);

}  // namespace ks::gui

Q_DECLARE_METATYPE(ks::gui::LinkInfo)
