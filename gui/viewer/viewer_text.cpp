#include "gui/viewer/viewer_text.h"

#include <algorithm>
#include <cstring>

#include "platform/sjis.h"

namespace ks::gui {
namespace {

using present::kPaneLineLimit;
using present::kPaneLinkLimit;
using present::kPaneTextLimit;

// Bytes of `piece` that fit in `room` without splitting a double-byte character.
std::size_t fitting_prefix(std::string_view piece, std::size_t room) {
  return sjis_fit(piece, room);
}

static_assert(kViewerBufferBytes >= kPaneTextLimit + 31 + 1,
              "the notice and a NUL fit after the limit");

}  // namespace

ViewerText::ViewerText()
    : text_(new char[kViewerBufferBytes]), attrs_(new uint8_t[kViewerBufferBytes]) {
  lines_.reserve(kPaneLineLimit);
  clear();
}

void ViewerText::clear() {
  lines_.clear();
  lines_.push_back(ViewerLine{});
  text_[0] = '\0';
  attrs_[0] = 0;
  links_.clear();
  links_.shrink_to_fit();
  targets_.clear();
  targets_.shrink_to_fit();
  full_ = false;
  pending_cr_ = false;
  laid_out_ = 0;
}

std::size_t ViewerText::hand_over(std::string_view text, uint8_t attr) {
  std::size_t taken = 0;
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
    taken += append(text.substr(start, i - start), attr);
    const bool last_byte = i + 1 == text.size();
    if (c == '\r' && !last_byte && text[i + 1] == '\n') ++i;
    if (close_line(attr)) ++taken;
    start = i + 1;
    pending_cr_ = c == '\r' && last_byte;
  }
  if (start < text.size()) taken += append(text.substr(start), attr);
  return taken;
}

std::size_t ViewerText::append(std::string_view piece, uint8_t attr) {
  if (piece.empty() || full_ || lines_.size() >= kPaneLineLimit) return 0;
  const std::size_t used = end_offset();
  // The line's NUL takes one byte more; a line break never leaves less than
  // that, so `used` is at most the limit less two here.
  bool cut = false;
  if (used + piece.size() + 1 > kPaneTextLimit) {
    piece = piece.substr(0, fitting_prefix(piece, kPaneTextLimit - 1 - used));
    cut = true;
  }
  std::memcpy(text_.get() + used, piece.data(), piece.size());
  std::memset(attrs_.get() + used, attr, piece.size() + 1);
  lines_.back().length += static_cast<uint32_t>(piece.size());
  text_[used + piece.size()] = '\0';
  if (cut) become_full();
  return piece.size();
}

void ViewerText::become_full() {
  const std::string& notice = KS_SJ(" [表示可能な文字数を超えました]");
  const std::size_t end = end_offset();
  std::memcpy(text_.get() + end, notice.data(), notice.size());
  std::memset(attrs_.get() + end, 0, notice.size() + 1);
  lines_.back().length += static_cast<uint32_t>(notice.size());
  text_[end + notice.size()] = '\0';
  full_ = true;
}

bool ViewerText::close_line(uint8_t attr) {
  if (full_ || lines_.size() >= kPaneLineLimit) return false;
  const std::size_t nul = end_offset();
  // A line break is a byte of the text like any other, and the next line
  // needs room for its own NUL.
  if (nul + 2 > kPaneTextLimit) {
    become_full();
    return false;
  }
  attrs_[nul] = attr;
  ViewerLine next;
  next.start = static_cast<uint32_t>(nul + 1);
  next.first_link = static_cast<int32_t>(links_.size());
  lines_.push_back(next);
  text_[nul + 1] = '\0';
  attrs_[nul + 1] = attr;
  return true;
}

int ViewerText::add_link(std::size_t start, std::size_t length, std::string_view target,
                         const present::LinkOrigin& origin, bool opened) {
  if (links_.size() >= kPaneLinkLimit || length == 0) return -1;
  if (links_.size() == links_.capacity()) {
    // The table grows a step at a time; a failed growth leaves the link plain.
    try {
      const std::size_t capacity = std::min(links_.capacity() + kLinkTableStep, kPaneLinkLimit);
      links_.reserve(capacity);
      targets_.reserve(capacity);
    } catch (const std::bad_alloc&) {
      return -1;
    }
  }
  const int line_index = line_of(start);
  ViewerLine& l = line(line_index);
  ViewerLink link;
  link.opened = opened;
  link.start = static_cast<uint32_t>(start);
  link.length = static_cast<uint32_t>(length);
  link.start_col = static_cast<int32_t>(start - l.start);
  link.end_col = static_cast<int32_t>(start - l.start + length);
  if (l.link_count == 0) l.first_link = static_cast<int32_t>(links_.size());
  ++l.link_count;
  links_.push_back(link);
  targets_.push_back({std::string(target), origin});
  const int index = static_cast<int>(links_.size()) - 1;
  for (std::size_t i = start; i < start + length && i < end_offset(); ++i) {
    attrs_[i] |= present::kAttrLink;
  }
  return index;
}

void ViewerText::mark(std::size_t start, std::size_t end, uint8_t bits) {
  end = std::min(end, end_offset());
  for (std::size_t i = start; i < end; ++i) attrs_[i] |= bits;
}

int ViewerText::mark_opened(std::string_view target) {
  int n = 0;
  for (std::size_t i = 0; i < links_.size(); ++i) {
    if (targets_[i].target == target) {
      links_[i].opened = true;
      ++n;
    }
  }
  return n;
}

int ViewerText::line_of(std::size_t offset) const {
  // The last line whose start is at or before the offset.
  auto it = std::upper_bound(lines_.begin(), lines_.end(), offset,
                             [](std::size_t o, const ViewerLine& l) { return o < l.start; });
  return static_cast<int>(it - lines_.begin()) - 1;
}

int ViewerText::link_at(std::size_t offset) const {
  auto it = std::upper_bound(links_.begin(), links_.end(), offset,
                             [](std::size_t o, const ViewerLink& l) { return o < l.start; });
  if (it == links_.begin()) return -1;
  --it;
  if (offset >= it->start + it->length) return -1;
  return static_cast<int>(it - links_.begin());
}

std::string ViewerText::range_crlf(std::size_t start, std::size_t end) const {
  end = std::min(end, end_offset());
  std::string out;
  if (start >= end) return out;
  out.reserve(end - start + 64);
  for (std::size_t i = start; i < end; ++i) {
    if (text_[i] == '\0') {
      out += "\r\n";
    } else {
      out.push_back(text_[i]);
    }
  }
  return out;
}

std::optional<std::size_t> ViewerText::find_in_line(int i, std::string_view needle, std::size_t lo,
                                                    std::size_t hi, bool last) const {
  const std::string_view t = line_text(i);
  const std::size_t base = line(i).start;
  std::optional<std::size_t> found;
  std::size_t boundary = 0;  // the start of a character, never past a hit
  std::size_t from = lo > base ? lo - base : 0;
  while (from + needle.size() <= t.size()) {
    const std::size_t hit = t.find(needle, from);
    if (hit == std::string_view::npos || base + hit + needle.size() > hi) break;
    while (boundary < hit) boundary += is_sjis_pair(t, boundary) ? 2 : 1;
    // A hit on the second byte of a double-byte character is not the text
    // the user looks for.
    if (boundary == hit) {
      found = base + hit;
      if (!last) break;
    }
    from = hit + 1;
  }
  return found;
}

std::optional<std::size_t> ViewerText::find_forward(std::string_view needle,
                                                    std::size_t from) const {
  if (needle.empty() || needle.find_first_of(std::string_view("\r\n\0", 3)) != needle.npos) {
    return std::nullopt;
  }
  const std::size_t none = static_cast<std::size_t>(-1);
  for (int i = line_of(from); i < line_count(); ++i) {
    if (auto hit = find_in_line(i, needle, from, none, false)) return hit;
  }
  return std::nullopt;
}

std::optional<std::size_t> ViewerText::find_wrapped(std::string_view needle, std::size_t start,
                                                    bool forward) const {
  if (needle.empty() || needle.find_first_of(std::string_view("\r\n\0", 3)) != needle.npos) {
    return std::nullopt;
  }
  const std::size_t none = static_cast<std::size_t>(-1);
  const int n = line_count();
  const int first = line_of(start);
  if (forward) {
    if (auto hit = find_in_line(first, needle, start, none, false)) return hit;
    for (int k = 1; k < n; ++k) {
      if (auto hit = find_in_line((first + k) % n, needle, 0, none, false)) return hit;
    }
    // The start of the first line, before `start`.
    auto hit = find_in_line(first, needle, 0, none, false);
    return hit && *hit < start ? hit : std::nullopt;
  }
  if (auto hit = find_in_line(first, needle, 0, start, true)) return hit;
  for (int k = 1; k < n; ++k) {
    if (auto hit = find_in_line((first - k + n) % n, needle, 0, none, true)) return hit;
  }
  auto hit = find_in_line(first, needle, 0, none, true);
  return hit && *hit + needle.size() > start ? hit : std::nullopt;
}

}  // namespace ks::gui
