// tree.db reader: any bytes give lines whose placement never leaves the data
// folder, never exceeds the path limit, and whose tree writes back a tree.db
// that reads as the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/tree.h"
#include "store/tree_db.h"
#include "store/tree_lines.h"
#include "store/tree_order.h"

namespace {

constexpr std::string_view kData = "/d/data";

void check_placed(const std::vector<ks::store::PlacedLine>& placed) {
  for (const auto& p : placed) {
    const std::string& path = p.path;
    if (path.size() >= ks::store::kOrderPathCapacity) std::abort();
    if (path.compare(0, kData.size() + 1, std::string(kData) + "/") != 0) std::abort();
    if (path.find("/../") != std::string::npos || path.find('\0') != std::string::npos) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto placed = ks::store::place_order_lines(ks::store::parse_tree_db(bytes), kData);
  check_placed(placed);

  ks::store::Tree tree;
  std::vector<uint32_t> tags(placed.size(), 0);
  ks::store::insert_placed_lines(tree, placed, tags);
  // Writing the tree and reading it back gives the same lines.
  auto lines = ks::store::tree_to_lines(tree);
  std::string again = ks::store::format_tree_db(lines);
  auto placed2 = ks::store::place_order_lines(ks::store::parse_tree_db(again), kData);
  if (placed2.size() != placed.size()) std::abort();
  for (std::size_t i = 0; i < placed.size(); ++i) {
    if (placed2[i].path != placed[i].path || placed2[i].parent != placed[i].parent) std::abort();
  }
  return 0;
}
