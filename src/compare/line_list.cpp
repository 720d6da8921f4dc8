#include "compare/line_list.h"

#include <algorithm>
#include <cstring>

#include "compare/limits.h"

namespace ks::compare {

TextLineList::TextLineList() {
  // The text area and the per-line tables grow with what is loaded (lines
  // are kept as offsets, so a move costs nothing but the copy). Reserving
  // the ceilings up front would make every comparison ask for about 1.5 MB
  // of which a typical page uses a tenth: the allocator keeps such blocks
  // within its per-thread pools, and the pages each one touches stay
  // resident there, so a long run's memory would creep up item by item.
  compare_.push_back(0);
}

void TextLineList::clear() {
  header_.clear();
  text_.clear();
  text_bytes_ = 0;
  refs_.clear();
  state_.clear();
  compare_.assign(1, 0);
}

bool TextLineList::append(std::string_view line, uint8_t state) {
  line = line.substr(0, std::min(line.size(), line.find('\0')));
  if (line_count() >= kMaxLines) return false;
  if (static_cast<std::size_t>(text_bytes_) + line.size() + 1 > kMaxTextBytes) return false;
  refs_.push_back({static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(line.size())});
  text_.append(line);
  text_.push_back('\0');
  text_bytes_ += static_cast<int>(line.size()) + 1;
  state_.push_back(state);
  return true;
}

void TextLineList::shorten(int i, std::size_t length) {
  Ref& r = refs_[static_cast<std::size_t>(i)];
  if (length < r.length) {
    r.length = static_cast<uint32_t>(length);
    text_[r.start + length] = '\0';
  }
}

int TextLineList::reported_count() const {
  return static_cast<int>(std::count(state_.begin(), state_.end(), kReported));
}

bool is_last_modified_line(std::string_view line) {
  static constexpr std::string_view kTag = "last-modified:";
  if (line.size() < kTag.size()) return false;
  for (std::size_t i = 0; i < kTag.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kTag[i]) return false;
  }
  return true;
}

}  // namespace ks::compare
