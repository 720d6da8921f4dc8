// The line form shared by tree.db and treecache.tmp: one record per node in
// depth-first order (a node, its children, then its next sibling), starting
// with the root's first child. Both readers turn their bytes into OrderLines
// and then run place_order_lines(), which decides where each line lands and
// which lines are dropped; only then is anything inserted into a tree.
//
// Safety: a line names one folder below its parent's folder. place_order_lines
// drops every line whose name could step outside (a '/', a NUL, "." or "..",
// an empty name), so no path built from tree.db or the cache leaves the data
// folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/node.h"

namespace ks::store {

// A folder path formed from an order line must be shorter than this many
// bytes (the reader's buffer size); longer lines are skipped without a word.
inline constexpr std::size_t kOrderPathCapacity = 520;

struct OrderLine {
  int depth = 0;                    // leading TABs; the root's children have 0
  std::string name;                 // folder name without extension (template root: its label)
  NodeKind kind = NodeKind::kItem;  // never kRoot
  uint32_t tag = 0;                 // the whole stored tag (cache only; 0 from tree.db)
};

struct PlacedLine {
  OrderLine line;
  std::ptrdiff_t parent = -1;  // index into the placed list; -1: the root
  std::string path;            // data folder + '/' + ... + name + extension
};

// True when `name` can stand as one folder name below its parent.
bool is_safe_component(std::string_view name);

// Applies the depth rule (a line may stand at most one level below the last
// accepted group or template root; items and templates take no children), the
// path rule (the folder path must be shorter than kOrderPathCapacity bytes),
// the name safety rule, and the shape rules (the template root only once and
// directly under the root, templates only directly inside it, groups and items
// never inside it). A skipped group takes its whole subtree with it.
std::vector<PlacedLine> place_order_lines(const std::vector<OrderLine>& lines,
                                          std::string_view data_folder);

}  // namespace ks::store
