// A frozen copy of the line diff as it was when users' stored results were
// made: the search, the tie rule, the shortcut for texts without a common
// line, line equality and the walk back. The engine may be made faster, but
// it must keep marking exactly the lines this copy marks, so tests compare
// the two on many texts. The direction matrix here is a plain dense grid:
// within 20,000 x 20,000 lines it reads back exactly what the block matrix
// reads back (a cell never written counts as a match in both).
//
// Do not "fix" or speed up this file; it is the yardstick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "compare/line_equal.h"
#include "compare/line_list.h"

namespace ks::compare::reference {

class CountedBytes {
 public:
  CountedBytes(std::string_view s, LineEquality mode) : s_(s), mode_(mode) {}
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

inline bool lines_equal(std::string_view a, std::string_view b, LineEquality mode) {
  if (a == b) return true;
  CountedBytes x(a, mode), y(b, mode);
  for (;;) {
    const int ca = x.next();
    const int cb = y.next();
    if (ca != cb) return false;
    if (ca < 0) return true;
  }
}

inline uint64_t line_hash(std::string_view line, LineEquality mode) {
  uint64_t h = 14695981039346656037ull;
  CountedBytes x(line, mode);
  for (int c = x.next(); c >= 0; c = x.next()) {
    h ^= static_cast<uint64_t>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// Cells of (0 .. n) x (0 .. m); 0 start or never written, 1 added, 2 deleted,
// 3 equal.
class Grid {
 public:
  Grid(int n, int m)
      : w_(static_cast<std::size_t>(n) + 1), cells_(w_ * (static_cast<std::size_t>(m) + 1), 0) {}
  void write(int x, int y, unsigned cell) {
    cells_[static_cast<std::size_t>(y) * w_ + static_cast<std::size_t>(x)] =
        static_cast<uint8_t>(cell);
  }
  int read(int x, int y) const {
    if (x < 0 || y < 0) return -1;
    return cells_[static_cast<std::size_t>(y) * w_ + static_cast<std::size_t>(x)];
  }

 private:
  std::size_t w_;
  std::vector<uint8_t> cells_;
};

inline std::vector<uint64_t> compare_hashes(const TextLineList& list, LineEquality eq) {
  std::vector<uint64_t> h(static_cast<std::size_t>(list.compare_count()) + 1, 0);
  for (int i = 1; i <= list.compare_count(); ++i) {
    h[static_cast<std::size_t>(i)] = reference::line_hash(list.line(list.compare_line(i)), eq);
  }
  return h;
}

inline bool share_a_line(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b) {
  std::unordered_set<uint64_t> seen(a.begin() + 1, a.end());
  for (std::size_t i = 1; i < b.size(); ++i) {
    if (seen.count(b[i])) return true;
  }
  return false;
}

inline int shortest_edit(const TextLineList& old_list, const TextLineList& new_list,
                         LineEquality eq, Grid& cells) {
  const int n = old_list.compare_count();
  const int m = new_list.compare_count();
  const std::vector<uint64_t> ha = compare_hashes(old_list, eq);
  const std::vector<uint64_t> hb = compare_hashes(new_list, eq);
  auto same = [&](int x, int y) {
    return ha[static_cast<std::size_t>(x)] == hb[static_cast<std::size_t>(y)] &&
           reference::lines_equal(old_list.line(old_list.compare_line(x)),
                                  new_list.line(new_list.compare_line(y)), eq);
  };
  if (!share_a_line(ha, hb)) {
    cells.write(0, 0, 0);
    for (int x = 1; x <= n; ++x) cells.write(x, 0, 2);
    for (int y = 1; y <= m; ++y) cells.write(n, y, 1);
    return n + m;
  }
  const int offset = n + m + 1;
  std::vector<int32_t> vbuf(2 * static_cast<std::size_t>(offset) + 1, 0);
  int32_t* v = vbuf.data() + offset;
  v[1] = 0;
  cells.write(0, 0, 0);
  for (int d = 0; d <= n + m; ++d) {
    int k = -d;
    if (k < -m) k = -m + (((-m - k) % 2 + 2) % 2);
    const int k_end = d < n ? d : n;
    for (; k <= k_end; k += 2) {
      int x;
      unsigned move;
      if (k == -d || (k != d && v[k - 1] < v[k + 1])) {
        x = v[k + 1];
        move = 1;
      } else {
        x = v[k - 1] + 1;
        move = 2;
      }
      int y = x - k;
      if (x < 0 || x > n || y < 0 || y > m) continue;
      cells.write(x, y, move);
      while (x < n && y < m && same(x + 1, y + 1)) {
        ++x;
        ++y;
        cells.write(x, y, 3);
      }
      v[k] = x;
      if (x >= n && y >= m) return d;
    }
  }
  return -1;
}

inline void mark_changes(TextLineList& old_list, TextLineList& new_list, const Grid& cells) {
  const int n = old_list.compare_count();
  const int m = new_list.compare_count();
  int x = n, y = m;
  long steps = 0;
  for (;;) {
    const int cell = cells.read(x, y);
    if (cell == 1) {
      if (y > 0) new_list.set_state(new_list.compare_line(y), kReported);
      --y;
    } else if (cell == 2) {
      if (x > 0) old_list.set_state(old_list.compare_line(x), kReported);
      --x;
    } else {
      --x;
      --y;
    }
    if (x < 0 || y < 0) break;
    if (++steps >= static_cast<long>(n) + m + 1) break;
  }
}

// Diffs and marks; returns the distance (or -1).
inline int diff(TextLineList& old_list, TextLineList& new_list, LineEquality eq) {
  Grid cells(old_list.compare_count(), new_list.compare_count());
  const int d = shortest_edit(old_list, new_list, eq, cells);
  if (d >= 0) mark_changes(old_list, new_list, cells);
  return d;
}

}  // namespace ks::compare::reference
