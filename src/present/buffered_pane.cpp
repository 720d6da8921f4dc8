#include "present/buffered_pane.h"

#include <algorithm>

#include "platform/sjis.h"

namespace ks::present {
namespace {

// Bytes of `piece` that fit in `room` without splitting a double-byte character.
std::size_t fitting_prefix(std::string_view piece, std::size_t room) {
  std::size_t i = 0;
  while (i < piece.size()) {
    const std::size_t step = is_sjis_pair(piece, i) ? 2 : 1;
    if (i + step > room) break;
    i += step;
  }
  return i;
}

// True when `pos` starts a character of the line that begins at `line_start`.
bool at_char_boundary(std::string_view text, std::size_t line_start, std::size_t pos) {
  std::size_t i = line_start;
  while (i < pos) i += is_sjis_pair(text, i) ? 2 : 1;
  return i == pos;
}

}  // namespace

void BufferedPane::begin() {
  // Text written outside a batch is handed on rather than thrown away.
  flush();
  writing_ = true;
}

void BufferedPane::write_text(std::string_view text) {
  last_was_link_ = false;
  if (text.empty()) return;
  if (!pending_.empty() && pending_.size() + text.size() > kPendingLimit) flush();
  if (text.size() > kPendingLimit) {
    hand_over(text, attr_);
    return;
  }
  pending_.append(text);
}

void BufferedPane::write_link(std::string_view text, std::string_view target,
                              const LinkOrigin& origin) {
  if (last_was_link_) write_text(" ");
  flush();
  if (total_links_ >= kPaneLinkLimit || target.empty()) {
    hand_over(text, attr_);
  } else {
    const std::size_t start = base_offset_ + text_.size();
    hand_over(text, attr_ | kAttrLink);
    const std::size_t length = base_offset_ + text_.size() - start;
    if (length > 0) {
      links_.push_back({start, length, std::string(target), origin});
      ++total_links_;
    }
  }
  last_was_link_ = true;
}

void BufferedPane::set_text_kind(TextKind kind) {
  // Pending text was written under the kind before; it keeps that look.
  flush();
  attr_ = attribute_for_kind(kind);
}

void BufferedPane::flush() {
  if (pending_.empty()) return;
  std::string text;
  text.swap(pending_);
  hand_over(text, attr_);
}

void BufferedPane::end() {
  flush();
  writing_ = false;
}

int BufferedPane::current_line() {
  flush();
  return closed_lines_;
}

std::size_t BufferedPane::end_offset() {
  flush();
  return base_offset_ + text_.size();
}

void BufferedPane::mark_highlight(std::size_t start, std::size_t end, int which) {
  const uint8_t bit = which == 0 ? kAttrHighlight0 : kAttrHighlight1;
  if (start < base_offset_) start = base_offset_;
  for (std::size_t i = start; i < end && i - base_offset_ < attrs_.size(); ++i) {
    attrs_[i - base_offset_] |= bit;
  }
}

std::optional<std::size_t> BufferedPane::find(std::string_view needle, std::size_t from) {
  flush();
  // A needle without a line break can only match inside one line.
  if (needle.empty() || needle.find('\n') != std::string_view::npos) return std::nullopt;
  std::size_t i = from < base_offset_ ? 0 : from - base_offset_;
  while (i < text_.size()) {
    const std::size_t hit = text_.find(needle, i);
    if (hit == std::string::npos) return std::nullopt;
    const std::size_t line_start = text_.rfind('\n', hit == 0 ? 0 : hit - 1);
    const std::size_t ls = (line_start == std::string::npos || hit == 0) ? 0 : line_start + 1;
    // A hit that begins on the second byte of a double-byte character is not
    // the text the user looks for.
    if (at_char_boundary(text_, ls, hit)) return base_offset_ + hit;
    i = hit + 1;
  }
  return std::nullopt;
}

void BufferedPane::clear_text() {
  pending_.clear();
  last_was_link_ = false;
  received_ = false;
  attr_ = 0;
  text_.clear();
  attrs_.clear();
  links_.clear();
  base_offset_ = 0;
  total_links_ = 0;
  closed_lines_ = 0;
  held_lines_ = 0;
  full_ = false;
  pending_cr_ = false;
}

void BufferedPane::discard_shown() {
  base_offset_ += text_.size();
  text_.clear();
  attrs_.clear();
  links_.clear();
  total_links_ = 0;
  held_lines_ = 0;
  full_ = false;
}

void BufferedPane::hand_over(std::string_view text, uint8_t attr) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    // The LF of a CR LF pair ends no second line, even when the pair was
    // split between two writes.
    if (c == '\n' && i == 0 && pending_cr_) {
      pending_cr_ = false;
      start = 1;
      continue;
    }
    pending_cr_ = false;
    if (c != '\r' && c != '\n') continue;
    append_piece(text.substr(start, i - start), attr);
    const bool last_byte = i + 1 == text.size();
    if (c == '\r' && !last_byte && text[i + 1] == '\n') ++i;
    close_line(attr);
    start = i + 1;
    pending_cr_ = c == '\r' && last_byte;
  }
  if (start < text.size()) append_piece(text.substr(start), attr);
}

void BufferedPane::append_piece(std::string_view piece, uint8_t attr) {
  if (piece.empty() || full_ || held_lines_ + 1 >= kPaneLineLimit) return;
  received_ = true;
  // The open line's end takes one byte more, as every closed line's does.
  if (text_.size() + piece.size() + 1 > kPaneTextLimit) {
    const std::size_t room = kPaneTextLimit - 1 - std::min(text_.size(), kPaneTextLimit - 1);
    piece = piece.substr(0, fitting_prefix(piece, room));
    full_ = true;
  }
  text_.append(piece);
  attrs_.insert(attrs_.end(), piece.size(), attr);
  if (full_) {
    const std::string& notice = KS_SJ(" [表示可能な文字数を超えました]");
    text_.append(notice);
    attrs_.insert(attrs_.end(), notice.size(), 0);
  }
}

void BufferedPane::close_line(uint8_t attr) {
  if (full_ || held_lines_ + 1 >= kPaneLineLimit) return;
  received_ = true;
  text_.push_back('\n');
  attrs_.push_back(attr);
  ++closed_lines_;
  ++held_lines_;
}

}  // namespace ks::present
