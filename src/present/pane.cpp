#include "present/pane.h"

#include <algorithm>
#include <charconv>

namespace ks::present {

uint8_t attribute_for_kind(TextKind kind) {
  switch (kind) {
    case TextKind::kDimmed:
      return kAttrDimmed;
    case TextKind::kHeadline0:
      return kAttrHeadline0;
    case TextKind::kHeadline1:
      return kAttrHeadline1;
    case TextKind::kHeadline2:
      return kAttrHeadline2;
    case TextKind::kNormal:
      break;
  }
  return 0;
}

std::string item_settings_target(uint64_t node_id) {
  return std::string(1, kItemSettingsMark) + std::to_string(node_id);
}

std::optional<uint64_t> item_settings_node(std::string_view target) {
  if (target.size() < 2 || target[0] != kItemSettingsMark) return std::nullopt;
  uint64_t id = 0;
  const char* first = target.data() + 1;
  const char* last = target.data() + target.size();
  auto [p, ec] = std::from_chars(first, last, id);
  if (ec != std::errc() || p != last) return std::nullopt;
  return id;
}

bool HeadlineTable::add(HeadlineKind kind, int line) {
  std::lock_guard lock(mutex_);
  if (entries_.size() >= kMaxHeadlines) return false;
  entries_.push_back({kind, line});
  return true;
}

void HeadlineTable::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

std::vector<HeadlineEntry> HeadlineTable::entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::optional<int> HeadlineTable::next_after(int line) const {
  std::lock_guard lock(mutex_);
  std::optional<int> best;
  for (const HeadlineEntry& e : entries_) {
    if (e.line > line && (!best || e.line < *best)) best = e.line;
  }
  return best;
}

std::optional<int> HeadlineTable::previous_before(int line) const {
  std::lock_guard lock(mutex_);
  std::optional<int> best;
  for (const HeadlineEntry& e : entries_) {
    if (e.line < line && (!best || e.line > *best)) best = e.line;
  }
  return best;
}

bool KeywordTable::add(std::size_t start, std::size_t end) {
  if (ranges_.size() >= kMaxKeywordPositions) return false;
  ranges_.push_back({start, end});
  return true;
}

void KeywordTable::sort() {
  std::stable_sort(ranges_.begin(), ranges_.end(),
                   [](const KeywordRange& a, const KeywordRange& b) { return a.start < b.start; });
}

std::optional<KeywordRange> KeywordTable::next_after(std::size_t offset) const {
  for (const KeywordRange& r : ranges_) {
    if (r.start > offset) return r;
  }
  return std::nullopt;
}

}  // namespace ks::present
