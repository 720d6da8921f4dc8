// Capacities of change detection. Every buffer of the comparison has its
// ceiling here, with the reason for it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ks::compare {

// Lines kept from one text: a page beyond this is cut, the rest takes no part.
inline constexpr int kMaxLines = 20000;
// Bytes of stored text (each line's length + 1 for its terminator).
inline constexpr int kMaxTextBytes = 512000;
// A "Last-Modified:" first line longer than this is not taken as the header.
inline constexpr std::size_t kMaxHeaderLine = 100;
// Readers take at most this many bytes per read; a longer physical line
// arrives as several lines. Stored files keep their lines below this.
inline constexpr std::size_t kMaxReadLine = 65536;
// The loader and the filters give the processor away this often.
inline constexpr int kYieldEvery = 31;

// Direction matrix: 2-bit cells in square blocks allocated on first write.
inline constexpr int kBlockSide = 500;
inline constexpr int kBlockBytes = kBlockSide * kBlockSide / 4;  // 62500
// Blocks per axis: coordinates up to 41 * 500 - 1 = 20499 have a block.
inline constexpr int kBlockTableSide = 41;
// Released matrix blocks kept for reuse by the next diff (4 MB): enough for
// the diagonal of a full-size diff with few changes.
inline constexpr std::size_t kSpareBlocks = 64;
// Comparisons that can run at once (one per worker thread).
inline constexpr int kMatrixSlots = 32;

// Log numbers 0 .. 24, used round-robin per item.
inline constexpr int kLogNumbers = 25;
// Paths longer than this are not used (the stored format's limit).
inline constexpr std::size_t kMaxPath = 260;
// The stored result message.
inline constexpr std::size_t kMaxMessage = 99;
// A host name taken from a URL for the outer-server test.
inline constexpr std::size_t kMaxHost = 2100;

}  // namespace ks::compare
