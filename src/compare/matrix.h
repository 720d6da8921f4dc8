// The direction matrix of the line diff and the table of matrix slots.
//
// Each diff records, for every point (x, y) it reaches, the move that reached
// it, as a 2-bit cell: 0 start or never written, 1 from (x, y-1) (new line
// added), 2 from (x-1, y) (old line deleted), 3 from (x-1, y-1) (equal lines).
// Cells live in 500 x 500 blocks of 62,500 bytes allocated (zero-filled) on
// the first write into them, so memory grows only where the edit path goes.
// A slot's table has 41 x 41 block references; a write outside it, or into a
// block that cannot be allocated, is dropped, and reads of such cells give -1.
//
// The slot table is shared by every comparison of the process: claim() and
// release() may be called from any thread; a claimed slot's cells are written
// and read by the claiming thread alone.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "compare/limits.h"

namespace ks::compare {

class MatrixSlots {
 public:
  // The process-wide table used by the comparison step.
  static MatrixSlots& shared();

  MatrixSlots() = default;
  ~MatrixSlots() { release_all(); }
  MatrixSlots(const MatrixSlots&) = delete;
  MatrixSlots& operator=(const MatrixSlots&) = delete;

  // Takes the lowest free slot and gives it its block table and block (0, 0);
  // -1 when every slot is in use or the first block cannot be allocated.
  int claim();
  // Frees every block of the slot, then its table, then marks it free.
  void release(int slot);
  // Releases every slot still claimed (at shut-down).
  void release_all();

  void write(int slot, int x, int y, unsigned cell) {
    uint8_t* b = block_for_write(slots_[static_cast<std::size_t>(slot)], x, y);
    if (!b) return;
    const int bx = x % kBlockSide;
    uint8_t& byte = b[cell_byte(bx, y % kBlockSide)];
    const int shift = 2 * (bx % 4);
    byte = static_cast<uint8_t>((byte & ~(3u << shift)) | ((cell & 3u) << shift));
  }
  // The block holding cell (x, y) of a claimed slot, allocated on first use;
  // nullptr when it lies outside the table or cannot be allocated. For
  // writers that keep the block of the previous cell at hand.
  uint8_t* block(int slot, int x, int y) {
    return block_for_write(slots_[static_cast<std::size_t>(slot)], x, y);
  }
  static void set_cell(uint8_t* block, int bx, int by, unsigned cell) {
    uint8_t& byte = block[cell_byte(bx, by)];
    const int shift = 2 * (bx % 4);
    byte = static_cast<uint8_t>((byte & ~(3u << shift)) | ((cell & 3u) << shift));
  }

  // The cell, or -1 when the slot is not claimed or the cell has no block.
  int read(int slot, int x, int y) const;

  bool in_use(int slot) const {
    return slots_[static_cast<std::size_t>(slot)].in_use.load(std::memory_order_acquire);
  }
  // Blocks allocated in a claimed slot, and the most any slot held at once
  // since the table was created (for measurements).
  std::size_t blocks(int slot) const { return slots_[static_cast<std::size_t>(slot)].blocks; }
  std::size_t peak_blocks() const { return peak_blocks_.load(); }
  void reset_peak() { peak_blocks_.store(0); }

  // Lets at most `n` blocks be allocated per slot (tests use it to make block
  // allocation fail); a negative value removes the limit.
  void set_block_limit(long n) { block_limit_.store(n); }

 private:
  struct Slot {
    std::atomic<bool> in_use{false};
    std::unique_ptr<std::unique_ptr<uint8_t[]>[]> table;
    std::size_t blocks = 0;
  };
  static constexpr int kTableSize = kBlockTableSide * kBlockTableSide;

 public:
  // Byte of cell (bx, by) inside its block. Rows are skewed along the
  // anti-diagonals (row (bx + by) mod 500, four cells of increasing bx per
  // byte): the diff visits the points of one anti-diagonal one after the
  // other, and this keeps them in the same few cache lines. Each row still
  // holds every bx once, so a block stays 500 x 500 cells in 62,500 bytes.
  static int cell_byte(int bx, int by) {
    int row = bx + by;
    if (row >= kBlockSide) row -= kBlockSide;
    return row * (kBlockSide / 4) + bx / 4;
  }

 private:
  uint8_t* block_for_write(Slot& s, int x, int y) {
    const int ix = x / kBlockSide, iy = y / kBlockSide;
    if (x < 0 || y < 0 || ix >= kBlockTableSide || iy >= kBlockTableSide || !s.table) {
      return nullptr;
    }
    std::unique_ptr<uint8_t[]>& ref = s.table[static_cast<std::size_t>(ix * kBlockTableSide + iy)];
    if (!ref) return allocate_block(s, ref);
    return ref.get();
  }
  uint8_t* allocate_block(Slot& s, std::unique_ptr<uint8_t[]>& ref);

  std::mutex claim_lock_;  // guards the test-and-set of in_use in claim()
  // Released blocks kept for the next diffs (at most kSpareBlocks), so that a
  // typical diff reuses memory instead of faulting in fresh pages each time.
  std::mutex spare_lock_;
  std::vector<std::unique_ptr<uint8_t[]>> spare_;  // guarded by spare_lock_
  std::array<Slot, kMatrixSlots> slots_;
  std::atomic<std::size_t> peak_blocks_{0};
  std::atomic<long> block_limit_{-1};
};

// A claimed slot, released when the lease ends.
class SlotLease {
 public:
  explicit SlotLease(MatrixSlots& table) : table_(table), slot_(table.claim()) {}
  ~SlotLease() { reset(); }
  SlotLease(const SlotLease&) = delete;
  SlotLease& operator=(const SlotLease&) = delete;

  bool ok() const { return slot_ >= 0; }
  int slot() const { return slot_; }
  MatrixSlots& table() const { return table_; }
  void reset() {
    if (slot_ >= 0) table_.release(slot_);
    slot_ = -1;
  }

 private:
  MatrixSlots& table_;
  int slot_;
};

}  // namespace ks::compare
