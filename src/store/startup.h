// Building the tree at start-up and saving it at shut-down: the one entry
// every front end calls, so they all see the same tree.
//
// Start-up: the cache (treecache.tmp, read once and deleted) when it is
// present and sound; otherwise the folders when automatic sorting is on, or
// tree.db when it is off (the folders when tree.db is missing, and also when
// it cannot be used: then, as with a damaged cache, the tree is built from
// the folders, and the caller says so and, owning the data folder, writes
// tree.db anew). Then the template table is loaded and the items are counted.
// Shut-down: treecache.tmp is written; tree.db needs no saving, since every
// change of order saved it already.
#pragma once

#include <string_view>

#include "store/templates.h"
#include "store/tree.h"

namespace ks::store {

enum class TreeSource { kCache, kTreeDb, kFolders };

struct StartupTree {
  TreeSource source = TreeSource::kFolders;
  bool cache_rejected = false;  // a cache was there but damaged or stale (and is gone now)
  // tree.db was there but could not be used; the tree comes from the
  // folders. The user should be told.
  bool tree_db_rebuilt = false;
  bool tree_db_saved = false;  // and tree.db was written anew (set by the caller)
};

// Replaces `tree` and `templates`. `base_folder` ends in '/'.
StartupTree build_tree_at_startup(Tree& tree, TemplateTable& templates,
                                  std::string_view base_folder, bool auto_sort);

// Writes treecache.tmp for the next start-up. False when it cannot be written.
bool save_tree_at_shutdown(const Tree& tree, std::string_view base_folder);

}  // namespace ks::store
