// tree.db: the order of the tree as the user arranged it (Shift_JIS, CR LF).
//   line 1  a warning not to edit the file (skipped on reading)
//   then one line per node, depth first from the root's first child:
//   TABs for the depth + the folder name + ".grp" / ".dat" / ".tpl";
//   the template root is its label "テンプレート" alone.
// The folder name is the encoded name when the node's folder name holds
// escapes, else the label itself.
//
// This header deals with bytes only; tree_order.h connects them to a Tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/tree_lines.h"

namespace ks::store {

inline constexpr std::string_view kTreeDbFileName = "tree.db";

// The first line of the file (Shift_JIS, without its line end).
const std::string& tree_db_warning();

// The file's bytes for these node lines (tags are not stored).
std::string format_tree_db(const std::vector<OrderLine>& lines);

// Node lines of the file, before placement: the first line is skipped, the
// kind comes from the last four bytes (compared without regard to ASCII case)
// or from a line equal to the template root's label; other lines are dropped.
std::vector<OrderLine> parse_tree_db(std::string_view bytes);

}  // namespace ks::store
