#include "store/fast_reader.h"

#include <limits>

#include "platform/fs.h"
#include "platform/sjis.h"

namespace ks::store {
namespace {
bool is_blank(char c) {
  return c == ' ' || c == '\t';
}
bool is_eol(char c) {
  return c == '\r' || c == '\n';
}
}  // namespace

FastReader::FastReader(std::string_view bytes)
    : buf_(bytes.substr(0, std::min(bytes.size(), kMaxFastReadBytes))) {
  index();
}

FastReader FastReader::load(std::string_view path) {
  // The whole file is read; files of settings are small, and a huge one is
  // cut to the limit by the constructor just the same.
  auto data = read_file(path);
  return FastReader(data ? std::string_view(*data) : std::string_view());
}

void FastReader::index() {
  // One pass, four states: line start, section name, key, value.
  enum class State { kLineStart, kSection, kKey, kValue };
  State st = State::kLineStart;
  const auto n = static_cast<uint32_t>(buf_.size());
  uint32_t current = 0;  // 1-based section index of the keys that follow
  bool section_skipped = false;
  Span span;
  Key key;
  auto trim_end = [&](uint32_t b, uint32_t e) {
    while (e > b && is_blank(buf_[e - 1])) --e;
    return e;
  };
  auto add_key = [&](const Key& k) {
    if (keys_.size() < kMaxFastKeys && !section_skipped) keys_.push_back(k);
  };
  for (uint32_t i = 0; i <= n; ++i) {
    const bool end = i == n;
    const char c = end ? '\n' : buf_[i];
    switch (st) {
      case State::kLineStart:  // waits for the first non-blank byte of a line
        if (end || is_blank(c) || is_eol(c)) break;
        if (c == '[') {
          span = {i + 1, i + 1};
          st = State::kSection;
        } else {
          key = Key{current, {i, i}, {i, i}};
          st = State::kKey;
        }
        break;
      case State::kSection:  // the name runs to ']' or the line end
        if (!end && is_sjis_pair(buf_, i)) {
          ++i;  // a trail byte 0x5D is part of the name, not its end
        } else if (c == ']' || is_eol(c)) {
          span.end = i;
          if (sections_.size() < kMaxFastSections) {
            sections_.push_back(span);
            current = static_cast<uint32_t>(sections_.size());
            section_skipped = false;
          } else {
            section_skipped = true;  // its keys are not indexed either
          }
          // Anything after ']' on the line is ignored.
          while (i < n && !is_eol(buf_[i])) ++i;
          st = State::kLineStart;
        }
        break;
      case State::kKey:  // the name runs to '=' or the line end (empty value)
        if (c == '=') {
          key.name.end = trim_end(key.name.begin, i);
          uint32_t v = i + 1;
          while (v < n && is_blank(buf_[v])) ++v;
          key.value = {v, v};
          i = v - 1;
          st = State::kValue;
        } else if (is_eol(c)) {
          key.name.end = trim_end(key.name.begin, i);
          key.value = {i, i};
          add_key(key);
          st = State::kLineStart;
        } else if (is_sjis_pair(buf_, i)) {
          ++i;  // a trail byte is never '=' but may not be read as one either
        }
        break;
      case State::kValue:  // runs to CR or LF; trailing blanks dropped
        if (is_eol(c)) {
          key.value.end = trim_end(key.value.begin, i);
          add_key(key);
          st = State::kLineStart;
        }
        break;
    }
  }
}

std::optional<std::string_view> FastReader::find(std::string_view section,
                                                 std::string_view key) const {
  for (const Key& k : keys_) {
    if (k.section == 0 || text(sections_[k.section - 1]) != section) continue;
    if (text(k.name) == key) return text(k.value);
  }
  return std::nullopt;
}

int32_t parse_decimal(std::string_view v) {
  std::size_t i = 0;
  while (i < v.size() && is_blank(v[i])) ++i;
  bool neg = false;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) neg = v[i++] == '-';
  int64_t value = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    value = value * 10 + (v[i] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) {
      value = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    }
  }
  if (neg) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

int32_t FastReader::get_int(std::string_view section, std::string_view key,
                            int32_t fallback) const {
  auto v = find(section, key);
  if (!v || v->empty()) return fallback;
  return parse_decimal(*v);
}

bool cut_text(std::string& s, std::size_t max_bytes) {
  if (s.size() <= max_bytes) return false;
  s.resize(sjis_fit(s, max_bytes));
  return true;
}

std::string FastReader::get_string(std::string_view section, std::string_view key,
                                   std::size_t capacity) const {
  auto v = find(section, key);
  if (!v) return {};
  std::string s(*v);
  if (capacity > 0) cut_text(s, capacity - 1);
  return s;
}

}  // namespace ks::store
