// treecache.tmp reader: any bytes are either rejected or give lines whose
// placement stays inside the data folder; an accepted cache written again
// from its tree is accepted again with the same nodes and tags.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/tree.h"
#include "store/tree_cache.h"
#include "store/tree_lines.h"
#include "store/tree_order.h"

namespace {
constexpr std::string_view kData = "/d/data";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Random bytes almost never carry the right checksum; also read the same
  // bytes as the body of a cache whose checksum line is computed here, the
  // way the reader counts lines (CR before LF dropped, each line with one LF).
  ks::store::CacheParse parsed = ks::store::parse_cache(bytes);
  if (parsed.status != ks::store::CacheStatus::kOk) {
    uint32_t reg = ks::store::kCrcInit;
    std::string_view rest = bytes;
    while (!rest.empty()) {
      std::size_t lf = rest.find('\n');
      std::string_view line = rest.substr(0, lf);
      if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
      }
      reg = ks::store::crc32_bzip2_update(reg, line);
      if (lf == std::string_view::npos) break;
      reg = ks::store::crc32_bzip2_update(reg, "\n");
      rest.remove_prefix(lf + 1);
    }
    char sum[16];
    std::snprintf(sum, sizeof sum, "%08X",
                  static_cast<unsigned>(ks::store::crc32_bzip2_final(reg)));
    std::string fixed = std::string(ks::store::kCacheBanner) + "\r\n" + sum + "\r\n";
    fixed += bytes;
    parsed = ks::store::parse_cache(fixed);
    // A body is refused only for a bad kind or a missing tag line.
    if (parsed.status == ks::store::CacheStatus::kBadChecksum) std::abort();
    if (parsed.status != ks::store::CacheStatus::kOk) return 0;
  }
  auto placed = ks::store::place_order_lines(parsed.lines, kData);
  std::vector<uint32_t> tags;
  for (const auto& p : placed) {
    if (p.path.size() >= ks::store::kOrderPathCapacity) std::abort();
    if (p.path.compare(0, kData.size() + 1, std::string(kData) + "/") != 0) std::abort();
    if (p.path.find("/../") != std::string::npos) std::abort();
    tags.push_back(p.line.tag);
  }
  ks::store::Tree tree;
  ks::store::insert_placed_lines(tree, placed, tags);
  auto lines = ks::store::tree_to_lines(tree);
  ks::store::CacheParse again = ks::store::parse_cache(ks::store::format_cache(lines));
  if (again.status != ks::store::CacheStatus::kOk || again.lines.size() != lines.size()) {
    std::abort();
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (again.lines[i].tag != lines[i].tag || again.lines[i].name != lines[i].name) std::abort();
  }
  return 0;
}
