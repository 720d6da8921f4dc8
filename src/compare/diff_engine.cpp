#include "compare/diff_engine.h"

#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "compare/area_state.h"
#include "compare/limits.h"
#include "compare/line_reader.h"
#include "compare/url_marks.h"
#include "platform/sjis.h"

namespace ks::compare {
namespace {

bool is_blank_line(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == 0x20 || (c >= 0x09 && c <= 0x0D)) {
      ++i;
    } else if (c == 0x81 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x40) {
      i += 2;  // full-width space
    } else {
      return false;
    }
  }
  return true;
}

// Numbers the compare lines by class of equal lines: two compare lines get the
// same number exactly when lines_equal() holds for them (equality compares
// the counted bytes, so it is an equivalence). The search then compares two
// integers per step instead of two lines. Entries 1 .. count; entry count + 1
// holds a sentinel that equals no number of the other side, so a run of equal
// lines stops at the end of either text without a separate bound test.
struct LineClasses {
  std::vector<uint32_t> old_ids, new_ids;
  // Some old line and some new line have the same hash. False means that no
  // line of one text equals a line of the other.
  bool share_hash = false;
};

LineClasses classify(const TextLineList& old_list, const TextLineList& new_list, LineEquality eq) {
  const int n = old_list.compare_count();
  const int m = new_list.compare_count();
  LineClasses out;
  out.old_ids.assign(static_cast<std::size_t>(n) + 2, 0);
  out.new_ids.assign(static_cast<std::size_t>(m) + 2, 0);
  out.old_ids[static_cast<std::size_t>(n) + 1] = 0xFFFFFFFEu;
  out.new_ids[static_cast<std::size_t>(m) + 1] = 0xFFFFFFFFu;

  // Open addressing on the line hash, at most half full; entries are class
  // number + 1 (0 empty). Every class with a given hash lies in the probe run
  // that starts at that hash's home slot, before the first empty slot.
  int bits = 4;
  while ((std::size_t{1} << bits) < 2 * (static_cast<std::size_t>(n) + m)) ++bits;
  const std::size_t mask = (std::size_t{1} << bits) - 1;
  std::vector<uint32_t> table(mask + 1, 0);
  struct Class {
    uint64_t hash;
    std::string_view line;
    bool in_old;
  };
  std::vector<Class> classes;
  classes.reserve(static_cast<std::size_t>(n) + m);

  auto home = [&](uint64_t h) {
    return static_cast<std::size_t>((h * 0x9E3779B97F4A7C15ull) >> (64 - bits));
  };
  for (int i = 1; i <= n; ++i) {
    const std::string_view line = old_list.line(old_list.compare_line(i));
    const uint64_t h = line_hash(line, eq);
    std::size_t p = home(h);
    for (;; p = (p + 1) & mask) {
      const uint32_t e = table[p];
      if (e == 0) {
        classes.push_back(Class{h, line, true});
        table[p] = static_cast<uint32_t>(classes.size());
        out.old_ids[static_cast<std::size_t>(i)] = static_cast<uint32_t>(classes.size() - 1);
        break;
      }
      const Class& c = classes[e - 1];
      if (c.hash == h && lines_equal(c.line, line, eq)) {
        out.old_ids[static_cast<std::size_t>(i)] = e - 1;
        break;
      }
    }
  }
  for (int i = 1; i <= m; ++i) {
    const std::string_view line = new_list.line(new_list.compare_line(i));
    const uint64_t h = line_hash(line, eq);
    std::size_t p = home(h);
    bool found = false;
    for (;; p = (p + 1) & mask) {
      const uint32_t e = table[p];
      if (e == 0) {
        if (!found) {
          classes.push_back(Class{h, line, false});
          table[p] = static_cast<uint32_t>(classes.size());
          out.new_ids[static_cast<std::size_t>(i)] = static_cast<uint32_t>(classes.size() - 1);
        }
        break;
      }
      const Class& c = classes[e - 1];
      if (c.hash != h) continue;
      if (c.in_old) out.share_hash = true;
      if (!found && lines_equal(c.line, line, eq)) {
        out.new_ids[static_cast<std::size_t>(i)] = e - 1;
        found = true;
      }
      // Once matched, the rest of the run only matters for telling whether
      // an old line has the same hash.
      if (found && out.share_hash) break;
    }
  }
  return out;
}

// Writes cells, keeping the block of the previous write at hand: the diff
// writes long runs of cells that share a block. A write into the held block
// costs two bound tests and no division.
class CellWriter {
 public:
  CellWriter(MatrixSlots& slots, int slot) : slots_(slots), slot_(slot) {}
  void write(int x, int y, unsigned cell) {
    unsigned bx = static_cast<unsigned>(x - x0_);
    unsigned by = static_cast<unsigned>(y - y0_);
    if (bx >= static_cast<unsigned>(kBlockSide) || by >= static_cast<unsigned>(kBlockSide)) {
      x0_ = x / kBlockSide * kBlockSide;
      y0_ = y / kBlockSide * kBlockSide;
      block_ = slots_.block(slot_, x, y);
      bx = static_cast<unsigned>(x - x0_);
      by = static_cast<unsigned>(y - y0_);
    }
    if (block_) {
      MatrixSlots::set_cell(block_, static_cast<int>(bx), static_cast<int>(by), cell);
    }
  }

 private:
  MatrixSlots& slots_;
  int slot_;
  // Origin of the held block; far away at first, so the first write fetches.
  int x0_ = -4 * kBlockSide, y0_ = -4 * kBlockSide;
  uint8_t* block_ = nullptr;
};

}  // namespace

LineEquality equality_of(const store::PageSettings& settings) {
  return LineEquality{settings.ignore_number_diff != 0,
                      settings.ignore_url != 0 || settings.ignore_image_name != 0};
}

LoadOutcome load_line_list(std::string_view path, TextLineList& list,
                           const store::PageSettings& settings, const CompareEnv& env) {
  LoadOutcome out;
  LineReader reader(path);
  if (!reader.is_open()) return out;
  out.opened = true;
  list.clear();
  AreaState area(settings, env.regex_library(), env.decode);

  std::string work;
  std::string_view line;
  bool first = true;
  // No yield every few lines here: the threads are preempted by the system,
  // and a yield under load hands the rest of the time slice away each time.
  while (reader.next(line)) {
    if (first) {
      first = false;
      if (is_last_modified_line(line) && line.size() <= kMaxHeaderLine) list.set_header(line);
      continue;
    }
    if (static_cast<std::size_t>(list.text_bytes()) + line.size() + 1 > kMaxTextBytes) break;
    if (settings.ignore_space_only_line && is_blank_line(line)) continue;
    bool compared = false;
    work.assign(line);
    if (!work.empty() && area.feed(work)) {
      mark_urls(work, settings.ignore_image_name != 0, settings.ignore_url != 0);
      compared = true;
    }
    if (!list.append(work)) break;
    if (compared) list.add_compare(list.line_count() - 1);
    if (list.line_count() >= kMaxLines) break;
  }
  out.found = area.found();
  return out;
}

int shortest_edit(const TextLineList& old_list, const TextLineList& new_list, LineEquality eq,
                  MatrixSlots& slots, int slot, const CompareEnv& env) {
  const int n = old_list.compare_count();
  const int m = new_list.compare_count();
  const LineClasses classes = classify(old_list, new_list, eq);
  const uint32_t* const ia = classes.old_ids.data();
  const uint32_t* const ib = classes.new_ids.data();

  // Texts without a single common line have exactly one shortest script:
  // every old line deleted, every new line added. Record it directly instead
  // of visiting all (n + m)^2 / 2 points of the search.
  if (!classes.share_hash) {
    CellWriter cells(slots, slot);
    cells.write(0, 0, 0);
    for (int x = 1; x <= n; ++x) cells.write(x, 0, 2);
    for (int y = 1; y <= m; ++y) cells.write(n, y, 1);
    return n + m;
  }

  // One entry per diagonal k = x - y, from -(n + m) - 1 to n + m + 1.
  const int offset = n + m + 1;
  std::unique_ptr<int32_t[]> vbuf(new (std::nothrow)
                                      int32_t[2 * static_cast<std::size_t>(offset) + 1]());
  if (!vbuf) return -1;
  int32_t* v = vbuf.get() + offset;
  v[1] = 0;
  CellWriter cells(slots, slot);
  cells.write(0, 0, 0);

  for (int d = 0; d <= n + m; ++d) {
    if (env.stop_requested()) return -1;
    // Diagonals outside [-m, n] never hold a point of the grid, and their
    // entries are never written, so the loop leaves them out.
    int k = -d;
    if (k < -m) k = -m + (((-m - k) % 2 + 2) % 2);
    const int k_end = d < n ? d : n;
    for (; k <= k_end; k += 2) {
      int x;
      unsigned move;
      // On a tie the deletion is taken.
      if (k == -d || (k != d && v[k - 1] < v[k + 1])) {
        x = v[k + 1];
        move = 1;
      } else {
        x = v[k - 1] + 1;
        move = 2;
      }
      int y = x - k;
      // A point off the grid; as unsigned, a negative coordinate is off too.
      if (static_cast<unsigned>(x) > static_cast<unsigned>(n) ||
          static_cast<unsigned>(y) > static_cast<unsigned>(m)) {
        continue;
      }
      cells.write(x, y, move);
      // The sentinels after both texts end the run at x = n or y = m.
      while (ia[x + 1] == ib[y + 1]) {
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

void mark_changes(TextLineList& old_list, TextLineList& new_list, const MatrixSlots& slots,
                  int slot) {
  const int n = old_list.compare_count();
  const int m = new_list.compare_count();
  int x = n, y = m;
  long steps = 0;
  for (;;) {
    // A cell that was never stored (its block missing) counts as a match.
    const int cell = slots.read(slot, x, y);
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
  std::this_thread::yield();
}

EngineResult run_diff_engine(std::string_view old_path, std::string_view new_path,
                             TextLineList& old_list, TextLineList& new_list,
                             const store::PageSettings& settings, const CompareEnv& env) {
  MatrixSlots& slots = env.slot_table();
  SlotLease lease(slots);
  // Every slot busy: nothing is loaded and nothing reported.
  if (!lease.ok()) return EngineResult::kDiffed;

  const LoadOutcome old_load = load_line_list(old_path, old_list, settings, env);
  std::this_thread::yield();
  const LoadOutcome new_load =
      old_load.opened ? load_line_list(new_path, new_list, settings, env) : LoadOutcome{};
  if (!old_load.opened || !new_load.opened) return EngineResult::kOpenFailed;
  if (!new_load.found) return EngineResult::kAreaNotFound;
  std::this_thread::yield();

  if (old_list.compare_count() == 0 || new_list.compare_count() == 0) {
    for (int i = 1; i <= new_list.compare_count(); ++i) {
      new_list.set_state(new_list.compare_line(i), kReported);
    }
    std::this_thread::yield();
    return EngineResult::kOneSided;
  }

  if (shortest_edit(old_list, new_list, equality_of(settings), slots, lease.slot(), env) < 0) {
    // Too large to diff: the new text becomes one reported notice line.
    const std::string header = new_list.header();
    new_list.clear();
    new_list.set_header(header);
    new_list.append(KS_SJ("違いが大きすぎます。"), kReported);
    return EngineResult::kOneSided;
  }
  mark_changes(old_list, new_list, slots, lease.slot());
  return EngineResult::kDiffed;
}

}  // namespace ks::compare
