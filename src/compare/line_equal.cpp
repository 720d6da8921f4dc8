#include "compare/line_equal.h"

#include <cstddef>

namespace ks::compare {
namespace {

// Walks a line yielding the bytes that count for equality under `mode`.
class CountedBytes {
 public:
  CountedBytes(std::string_view s, LineEquality mode) : s_(s), mode_(mode) {}

  // The next counted byte, or -1 at the end.
  int next() {
    skip();
    if (i_ >= s_.size()) return -1;
    return static_cast<unsigned char>(s_[i_++]);
  }

 private:
  void skip() {
    const bool plain = !mode_.ignore_number && !mode_.ignore_url;
    while (i_ < s_.size()) {
      const char c = s_[i_];
      if (c == ' ' || (!plain && mode_.ignore_number && c >= '0' && c <= '9')) {
        ++i_;
      } else if (mode_.ignore_url && (c == '\x01' || c == '\x02')) {
        std::size_t end = s_.find('\x03', i_ + 1);
        i_ = end == std::string_view::npos ? s_.size() : end + 1;
      } else {
        return;
      }
    }
  }

  std::string_view s_;
  LineEquality mode_;
  std::size_t i_ = 0;
};

}  // namespace

bool lines_equal(std::string_view a, std::string_view b, LineEquality mode) {
  if (a == b) return true;  // the usual case in long runs of unchanged lines
  CountedBytes x(a, mode), y(b, mode);
  for (;;) {
    const int ca = x.next();
    const int cb = y.next();
    if (ca != cb) return false;
    if (ca < 0) return true;
  }
}

uint64_t line_hash(std::string_view line, LineEquality mode) {
  // FNV-1a over the counted bytes.
  uint64_t h = 14695981039346656037ull;
  CountedBytes x(line, mode);
  for (int c = x.next(); c >= 0; c = x.next()) {
    h ^= static_cast<uint64_t>(c);
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace ks::compare
