#include "compare/line_equal.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

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

namespace {

// Hashes a stream of bytes eight at a time. The bytes are gathered in a
// small buffer that is hashed only when full (and at the end), so how the
// stream is cut into pieces never changes the result.
class StreamHash {
 public:
  void add(const char* p, std::size_t n) {
    while (n > 0) {
      const std::size_t take = std::min(n, sizeof buf_ - used_);
      std::memcpy(buf_ + used_, p, take);
      used_ += take;
      p += take;
      n -= take;
      if (used_ == sizeof buf_) mix_buffer();
    }
  }
  void add(char c) {
    buf_[used_++] = c;
    if (used_ == sizeof buf_) mix_buffer();
  }
  uint64_t finish() {
    mix_buffer();
    uint64_t h = h_ ^ total_;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
  }

 private:
  void mix(uint64_t w) {
    h_ ^= w * 0x9E3779B97F4A7C15ull;
    h_ = (h_ << 31 | h_ >> 33) * 0xBF58476D1CE4E5B9ull;
  }
  void mix_buffer() {
    std::size_t i = 0;
    for (; i + 8 <= used_; i += 8) {
      uint64_t w;
      std::memcpy(&w, buf_ + i, 8);
      mix(w);
    }
    if (i < used_) {
      uint64_t w = 0;
      std::memcpy(&w, buf_ + i, used_ - i);
      mix(w ^ (uint64_t{used_ - i} << 59));
    }
    total_ += used_;
    used_ = 0;
  }

  char buf_[256];
  std::size_t used_ = 0;
  uint64_t total_ = 0;
  uint64_t h_ = 0x243F6A8885A308D3ull;
};

}  // namespace

uint64_t line_hash(std::string_view line, LineEquality mode) {
  StreamHash h;
  if (!mode.ignore_number && !mode.ignore_url) {
    // Only spaces are left out: whole runs between them go in at once.
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end) {
      const char* space = static_cast<const char*>(std::memchr(p, ' ', end - p));
      const char* stop = space ? space : end;
      h.add(p, static_cast<std::size_t>(stop - p));
      p = space ? space + 1 : end;
    }
    return h.finish();
  }
  CountedBytes x(line, mode);
  for (int c = x.next(); c >= 0; c = x.next()) h.add(static_cast<char>(c));
  return h.finish();
}

}  // namespace ks::compare
