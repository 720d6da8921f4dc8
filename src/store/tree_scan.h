// Building the tree from the folders on disk, used when there is no usable
// order database: the root "data"; every folder *.grp (recursively) and
// *.dat below the data folder, extensions compared without regard to case;
// then the template root with the *.tpl folders directly inside the template
// folder. Each node's marks come from the quick flag readers. Other folders
// and all files are ignored. A folder whose extension is not in lower case
// ("X.DAT") is renamed to the lower-case one when that name is free, and
// skipped (left untouched) when it is taken.
#pragma once

#include <functional>
#include <string_view>

#include "store/tree.h"

namespace ks::store {

struct ScanCounts {
  int groups = 0;
  int items = 0;  // templates included
};

// Called after each folder's children are added, to put them in order.
using SortChildren = std::function<void(Tree&, NodeId parent)>;

// Replaces `tree` with what the folders hold. `base_folder` ends in '/'.
// Without `sort`, the children of each folder are in byte order of their
// folder names, so the result does not depend on the file system's order.
ScanCounts scan_tree_from_disk(Tree& tree, std::string_view base_folder,
                               const SortChildren& sort = {});

}  // namespace ks::store
