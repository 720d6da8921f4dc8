// The order of siblings when the tree is sorted, and the item counts shown
// beside groups.
//
// Sort order: first by label with label_less(), then by kind ascending
// (groups 1, items 2, template root 3, templates 4); nodes of the same kind
// keep their label order (a stable sort).
//
// label_less() is the documented label comparison: byte-wise over the
// Shift_JIS bytes as unsigned values with ASCII letters folded to lower case,
// so "abc" and "ABC" sort together; labels equal under that folding fall back
// to the exact bytes, so the order never depends on the order of insertion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ks::store {

bool label_less(std::string_view a, std::string_view b);

// The text drawn after a group's label: " 12" below the cap, " 9999+" at it.
std::string count_suffix(uint32_t count);

}  // namespace ks::store
