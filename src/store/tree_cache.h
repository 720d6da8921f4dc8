// treecache.tmp: the whole tree with every node's tag, written at shut-down so
// that the next start-up can show the tree without opening each item's files.
// It is read once and deleted.
//
// Format (Shift_JIS, CR LF line ends):
//   line 1  the banner "Kestrelscan v0.134"
//   line 2  the checksum, eight upper-case hexadecimal digits
//   then two lines per node, depth first from the root's first child:
//           TABs for the depth + the folder name without extension
//           (the template root: its label), and the tag in decimal.
// The checksum is CRC-32/BZIP2 (polynomial 0x04C11DB7, MSB first, initial
// 0xFFFFFFFF, final complement) over every line after line 2, each line
// counted with a single LF as its end. When the register still holds
// 0xFFFFFFFF at the end (no byte fed, the empty tree) the stored value is
// FFFFFFFF, not its complement.
//
// This header deals with bytes only; tree_order.h connects them to a Tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/tree_lines.h"

namespace ks::store {

inline constexpr std::string_view kCacheBanner = "Kestrelscan v0.134";
inline constexpr std::string_view kCacheFileName = "treecache.tmp";

// CRC-32/BZIP2 register arithmetic. Start with kCrcInit, feed bytes, finish.
inline constexpr uint32_t kCrcInit = 0xFFFFFFFFu;
uint32_t crc32_bzip2_update(uint32_t reg, std::string_view bytes);
// The value stored in line 2 for a final register value.
uint32_t crc32_bzip2_final(uint32_t reg);

// The file's bytes for these node lines (each line's tag is written whole).
std::string format_cache(const std::vector<OrderLine>& lines);

enum class CacheStatus {
  kOk,
  kBadBanner,    // first line is not the banner: another version or no cache
  kBadKind,      // a tag whose kind is not 1..4, or a name line without a tag line
  kBadChecksum,  // the lines do not add up to line 2
};

struct CacheParse {
  CacheStatus status = CacheStatus::kOk;
  std::vector<OrderLine> lines;  // every node line, before placement; empty unless kOk
};

// Parses and verifies the whole file. Only a kOk result may be used.
CacheParse parse_cache(std::string_view bytes);

}  // namespace ks::store
