#include "compare/matrix.h"

#include <cstring>
#include <new>

namespace ks::compare {

MatrixSlots& MatrixSlots::shared() {
  static MatrixSlots table;
  return table;
}

int MatrixSlots::claim() {
  int found = -1;
  {
    std::lock_guard<std::mutex> lock(claim_lock_);
    for (int i = 0; i < kMatrixSlots; ++i) {
      Slot& s = slots_[static_cast<std::size_t>(i)];
      if (!s.in_use.load(std::memory_order_acquire)) {
        s.in_use.store(true, std::memory_order_release);
        found = i;
        break;
      }
    }
  }
  if (found < 0) return -1;
  Slot& s = slots_[static_cast<std::size_t>(found)];
  s.table.reset(new (std::nothrow) std::unique_ptr<uint8_t[]>[kTableSize]);
  s.blocks = 0;
  if (!s.table || !block_for_write(s, 0, 0)) {
    release(found);
    return -1;
  }
  return found;
}

void MatrixSlots::release(int slot) {
  if (slot < 0 || slot >= kMatrixSlots) return;
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (!s.in_use.load(std::memory_order_acquire)) return;
  if (s.table) {
    std::lock_guard<std::mutex> lock(spare_lock_);
    for (int i = 0; i < kTableSize && spare_.size() < kSpareBlocks; ++i) {
      std::unique_ptr<uint8_t[]>& b = s.table[static_cast<std::size_t>(i)];
      if (b) spare_.push_back(std::move(b));
    }
  }
  s.table.reset();  // frees the remaining blocks, then the table
  s.blocks = 0;
  s.in_use.store(false, std::memory_order_release);
}

void MatrixSlots::release_all() {
  for (int i = 0; i < kMatrixSlots; ++i) release(i);
  std::lock_guard<std::mutex> lock(spare_lock_);
  spare_.clear();
}

int MatrixSlots::read(int slot, int x, int y) const {
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (!s.in_use.load(std::memory_order_acquire) || !s.table) return -1;
  const int ix = x / kBlockSide, iy = y / kBlockSide;
  if (x < 0 || y < 0 || ix >= kBlockTableSide || iy >= kBlockTableSide) return -1;
  const uint8_t* b = s.table[static_cast<std::size_t>(ix * kBlockTableSide + iy)].get();
  if (!b) return -1;
  const int bx = x % kBlockSide;
  return (b[cell_byte(bx, y % kBlockSide)] >> (2 * (bx % 4))) & 3;
}

uint8_t* MatrixSlots::allocate_block(Slot& s, std::unique_ptr<uint8_t[]>& ref) {
  const long limit = block_limit_.load(std::memory_order_relaxed);
  if (limit >= 0 && s.blocks >= static_cast<std::size_t>(limit)) return nullptr;
  {
    std::lock_guard<std::mutex> lock(spare_lock_);
    if (!spare_.empty()) {
      ref = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  if (ref) {
    std::memset(ref.get(), 0, kBlockBytes);
  } else {
    ref.reset(new (std::nothrow) uint8_t[kBlockBytes]());
    if (!ref) return nullptr;
  }
  ++s.blocks;
  std::size_t peak = peak_blocks_.load(std::memory_order_relaxed);
  while (s.blocks > peak && !peak_blocks_.compare_exchange_weak(peak, s.blocks)) {
  }
  return ref.get();
}

}  // namespace ks::compare
