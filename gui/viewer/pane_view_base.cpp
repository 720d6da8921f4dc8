#include "gui/viewer/pane_view_base.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

#include "gui/viewer/sjis_qt.h"

namespace ks::gui {

using present::FindDirection;
using present::kPendingLimit;

// --- The pane output layer ------------------------------------------------

void PaneViewBase::begin() {
  // Text written outside a batch is handed on rather than thrown away.
  flush();
  if (!writing_) {
    writing_ = true;
    suspend_painting();
  }
}

void PaneViewBase::write_text(std::string_view text) {
  last_was_link_ = false;
  if (text.empty()) return;
  if (!pending_.empty() && pending_.size() + text.size() > kPendingLimit) flush();
  if (text.size() > kPendingLimit) {
    hand(text, attr_);
    return;
  }
  pending_.append(text);
}

void PaneViewBase::write_link(std::string_view text, std::string_view target,
                              const present::LinkOrigin& origin) {
  if (last_was_link_) write_text(" ");
  flush();
  const std::size_t start = text_.end_offset();
  const std::size_t taken = text_.hand_over(text, attr_);
  if (taken > 0) {
    received_ = true;
    if (!target.empty()) {
      const bool opened = opened_lookup_ && opened_lookup_(target);
      text_.add_link(start, taken, target, origin, opened);
    }
    text_changed(start, text_.end_offset());
  }
  last_was_link_ = true;
}

void PaneViewBase::set_text_kind(present::TextKind kind) {
  // Pending text was written under the kind before; it keeps that look.
  flush();
  attr_ = present::attribute_for_kind(kind);
}

void PaneViewBase::flush() {
  if (pending_.empty()) return;
  std::string text;
  text.swap(pending_);
  hand(text, attr_);
}

void PaneViewBase::end() {
  flush();
  if (writing_) {
    writing_ = false;
    resume_painting();
  }
  if (received_ && !tab_marked_) {
    tab_marked_ = true;
    emit events_.captionChanged(caption());
  }
}

int PaneViewBase::current_line() {
  flush();
  return text_.line_count() - 1;
}

std::size_t PaneViewBase::end_offset() {
  flush();
  return text_.end_offset();
}

void PaneViewBase::mark_highlight(std::size_t start, std::size_t end, int which) {
  text_.mark(start, end, which == 0 ? present::kAttrHighlight0 : present::kAttrHighlight1);
  text_changed(start, end);
}

std::optional<std::size_t> PaneViewBase::find(std::string_view needle, std::size_t from) {
  flush();
  return text_.find_forward(needle, from);
}

void PaneViewBase::clear_text() {
  pending_.clear();
  attr_ = 0;
  last_was_link_ = false;
  received_ = false;
  text_.clear();
  anchor_ = caret_ = -1;
  text_cleared();
  if (tab_marked_) {
    tab_marked_ = false;
    emit events_.captionChanged(caption());
  }
  emit events_.selectionChanged();
}

void PaneViewBase::hand(std::string_view text, uint8_t attr) {
  const std::size_t start = text_.end_offset();
  if (text_.hand_over(text, attr) > 0) received_ = true;
  text_changed(start, text_.end_offset());
}

// --- The view ----------------------------------------------------------------

void PaneViewBase::set_opened_lookup(std::function<bool(std::string_view)> lookup) {
  opened_lookup_ = std::move(lookup);
}

void PaneViewBase::set_pane_name(const QString& name) {
  pane_name_ = name;
  emit events_.captionChanged(caption());
}

QString PaneViewBase::caption() const {
  return tab_marked_ ? pane_name_ + QStringLiteral(" *") : pane_name_;
}

void PaneViewBase::resume_painting() {
  if (suspended_ > 0 && --suspended_ == 0) painting_resumed();
}

std::size_t PaneViewBase::line_start(int line) const {
  if (line < 0) return 0;
  if (line >= text_.line_count()) return text_.end_offset();
  return text_.line(line).start;
}

// --- Selection ---------------------------------------------------------------

std::optional<present::PaneSelection> PaneViewBase::selection() const {
  if (anchor_ < 0 || caret_ < 0) return std::nullopt;
  const auto lo = static_cast<std::size_t>(std::min(anchor_, caret_));
  const auto hi = static_cast<std::size_t>(std::max(anchor_, caret_));
  return present::PaneSelection{lo, hi};
}

void PaneViewBase::set_selection(std::ptrdiff_t anchor, std::ptrdiff_t caret, bool reveal) {
  anchor_ = anchor;
  caret_ = caret;
  selection_changed(reveal);
  emit events_.selectionChanged();
}

void PaneViewBase::select(std::ptrdiff_t start, std::ptrdiff_t end) {
  flush();
  const auto size = static_cast<std::ptrdiff_t>(text_.end_offset());
  if (start < 0) {
    set_selection(-1, -1, false);
  } else if (start == 0 && end == -1) {
    set_selection(0, size, true);
  } else if (end < 0 || start > size || end > size) {
    set_selection(-1, -1, false);
  } else {
    set_selection(start, end, true);
  }
}

std::string PaneViewBase::selected_text() const {
  const auto sel = selection();
  if (!sel) return {};
  return text_.range_crlf(sel->start, sel->end);
}

bool PaneViewBase::copy() {
  const auto sel = selection();
  if (!sel || sel->start == sel->end || sel->end - sel->start > kMaxCopyBytes) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(to_qstring(text_.range_crlf(sel->start, sel->end)));
  return true;
}

// --- Links -------------------------------------------------------------------

std::optional<LinkInfo> PaneViewBase::link(int index) const {
  if (index < 0 || index >= text_.link_count()) return std::nullopt;
  const ViewerLink& l = text_.link(index);
  const ViewerLinkTarget& t = text_.link_target(index);
  LinkInfo info;
  info.index = index;
  info.target = t.target;
  info.text = text_.range_crlf(l.start, l.start + l.length);
  info.origin = t.origin;
  if (t.origin.item != 0) {
    // The item's name link that began its output, at or before this link.
    for (int i = index; i >= 0; --i) {
      const ViewerLinkTarget& h = text_.link_target(i);
      if (h.origin.starts_item && h.origin.item == t.origin.item) {
        const ViewerLink& hl = text_.link(i);
        info.heading = {h.target, text_.range_crlf(hl.start, hl.start + hl.length)};
        info.is_heading = i == index;
        break;
      }
    }
  }
  return info;
}

std::optional<LinkInfo> PaneViewBase::link_at_caret() const {
  const auto sel = selection();
  if (!sel) return std::nullopt;
  return link(text_.link_at(sel->start));
}

std::optional<uint64_t> PaneViewBase::heading_item_at_caret() const {
  const auto sel = selection();
  if (!sel) return std::nullopt;
  const int line = text_.line_of(sel->start);
  bool heading = false;
  for (const present::HeadlineEntry& e : headlines().entries()) {
    if (e.kind == present::HeadlineKind::kItem && e.line == line) heading = true;
  }
  if (!heading) return std::nullopt;
  const ViewerLine& l = text_.line(line);
  std::optional<uint64_t> any;
  for (int i = l.first_link; i < l.first_link + l.link_count; ++i) {
    const present::LinkOrigin& o = text_.link_target(i).origin;
    if (o.item == 0) continue;
    if (o.starts_item) return o.item;
    if (!any) any = o.item;
  }
  return any;
}

int PaneViewBase::mark_opened(std::string_view target) {
  const int n = text_.mark_opened(target);
  if (n == 0) return 0;
  for (int i = 0; i < text_.link_count(); ++i) {
    if (text_.link_target(i).target != target) continue;
    const ViewerLink& l = text_.link(i);
    text_changed(l.start, l.start + l.length);
  }
  return n;
}

bool PaneViewBase::link_opened(int index) const {
  return index >= 0 && index < text_.link_count() && text_.link(index).opened;
}

void PaneViewBase::activate_link(int index) {
  auto info = link(index);
  if (!info) return;
  mark_opened(info->target);
  emit events_.linkActivated(*info);
}

QString PaneViewBase::link_status(int index) const {
  if (index < 0 || index >= text_.link_count()) return {};
  const std::string& target = text_.link_target(index).target;
  if (present::item_settings_node(target)) return QStringLiteral("ページの設定を変更します");
  return to_qstring(target);
}

// --- Find and jumps ----------------------------------------------------------

std::optional<std::size_t> PaneViewBase::find_wrapped(std::string_view text, std::size_t start,
                                                      FindDirection dir) const {
  return text_.find_wrapped(text, std::min(start, text_.end_offset()),
                            dir == FindDirection::kForward);
}

bool PaneViewBase::find_and_select(std::string_view text, FindDirection dir, bool continuing) {
  flush();
  const auto sel = selection();
  std::size_t start = 0;
  if (dir == FindDirection::kForward) {
    start = continuing && sel ? sel->start + 1 : 0;
  } else {
    start = continuing && sel && sel->end > 0 ? sel->end - 1 : text_.end_offset();
  }
  const auto hit = find_wrapped(text, start, dir);
  if (!hit) return false;
  select(static_cast<std::ptrdiff_t>(*hit), static_cast<std::ptrdiff_t>(*hit + text.size()));
  return true;
}

bool PaneViewBase::jump_headline(bool forward, bool jump_to_msg) {
  flush();
  std::vector<int> lines;
  for (const present::HeadlineEntry& e : headlines().entries()) {
    if (e.line >= text_.line_count()) continue;  // its text did not fit
    if (e.kind == present::HeadlineKind::kItem || jump_to_msg) lines.push_back(e.line);
  }
  if (lines.empty()) return false;
  std::sort(lines.begin(), lines.end());
  const auto sel = selection();
  // Without a caret the jump starts from the top of the view.
  const int from = sel ? text_.line_of(sel->start) : first_visible_line() - (forward ? 1 : 0);
  int target = 0;
  if (forward) {
    auto it = std::upper_bound(lines.begin(), lines.end(), from);
    target = it != lines.end() ? *it : lines.front();
  } else {
    auto it = std::lower_bound(lines.begin(), lines.end(), from);
    target = it != lines.begin() ? *(it - 1) : lines.back();
  }
  const auto offset = static_cast<std::ptrdiff_t>(text_.line(target).start);
  set_selection(offset, offset, false);
  scroll_to_offset(static_cast<std::size_t>(offset));
  return true;
}

bool PaneViewBase::next_keyword() {
  flush();
  const auto& ranges = keywords().ranges();
  if (ranges.empty()) return false;
  const auto sel = selection();
  const auto found = sel ? keywords().next_after(sel->start) : std::nullopt;
  const present::KeywordRange r = found ? *found : ranges.front();
  select(static_cast<std::ptrdiff_t>(r.start), static_cast<std::ptrdiff_t>(r.end));
  return true;
}

void PaneViewBase::write_to(present::Pane& out) const {
  out.begin();
  std::size_t pos = 0;
  for (int i = 0; i < text_.link_count(); ++i) {
    const ViewerLink& l = text_.link(i);
    if (l.start < pos) continue;
    out.write_text(text_.range_crlf(pos, l.start));
    const ViewerLinkTarget& t = text_.link_target(i);
    out.write_link(text_.range_crlf(l.start, l.start + l.length), t.target, t.origin);
    pos = l.start + l.length;
  }
  out.write_text(text_.range_crlf(pos, text_.end_offset()));
  out.end();
}

}  // namespace ks::gui
