#include "compare/diff_engine.h"

#include <memory>
#include <new>
#include <thread>
#include <unordered_set>
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

// Compare line hashes, index 1..count (entry 0 unused).
std::vector<uint64_t> compare_hashes(const TextLineList& list, LineEquality eq) {
  std::vector<uint64_t> h(static_cast<std::size_t>(list.compare_count()) + 1, 0);
  for (int i = 1; i <= list.compare_count(); ++i) {
    h[static_cast<std::size_t>(i)] = line_hash(list.line(list.compare_line(i)), eq);
  }
  return h;
}

// True when some line hash occurs on both sides (equal lines have equal
// hashes, so false means no line of one text equals a line of the other).
bool share_a_line(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b) {
  std::unordered_set<uint64_t> seen(a.begin() + 1, a.end());
  for (std::size_t i = 1; i < b.size(); ++i) {
    if (seen.count(b[i])) return true;
  }
  return false;
}

// Writes cells, keeping the block of the previous write at hand: the diff
// writes long runs of cells that share a block.
class CellWriter {
 public:
  CellWriter(MatrixSlots& slots, int slot) : slots_(slots), slot_(slot) {}
  void write(int x, int y, unsigned cell) {
    const int ix = x / kBlockSide, iy = y / kBlockSide;
    if (ix != ix_ || iy != iy_) {
      block_ = slots_.block(slot_, x, y);
      ix_ = ix;
      iy_ = iy;
    }
    if (block_) MatrixSlots::set_cell(block_, x - ix * kBlockSide, y - iy * kBlockSide, cell);
  }

 private:
  MatrixSlots& slots_;
  int slot_;
  int ix_ = -1, iy_ = -1;
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
  const std::vector<uint64_t> ha = compare_hashes(old_list, eq);
  const std::vector<uint64_t> hb = compare_hashes(new_list, eq);
  auto same = [&](int x, int y) {
    return ha[static_cast<std::size_t>(x)] == hb[static_cast<std::size_t>(y)] &&
           lines_equal(old_list.line(old_list.compare_line(x)),
                       new_list.line(new_list.compare_line(y)), eq);
  };

  // Texts without a single common line have exactly one shortest script:
  // every old line deleted, every new line added. Record it directly instead
  // of visiting all (n + m)^2 / 2 points of the search.
  if (!share_a_line(ha, hb)) {
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
