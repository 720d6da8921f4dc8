// The order of the tree on disk: tree.db (kept current after every change of
// order while automatic sorting is off) and treecache.tmp (written at
// shut-down, read once and deleted at the next start-up), plus the sorting of
// siblings and the item counts of groups.
//
// All functions work on a Tree owned by the caller, on the caller's thread.
// Paths: `data_folder` is the data folder (Folders::data), without a final '/'.
#pragma once

#include <string_view>
#include <vector>

#include "store/tree.h"
#include "store/tree_cache.h"
#include "store/tree_lines.h"

namespace ks::store {

// The node lines of the tree, depth first from the root's first child; each
// name is the node's folder name without extension. Nodes whose folder name
// cannot be formed are left out with their subtrees.
std::vector<OrderLine> tree_to_lines(const Tree& tree);

// Writes tree.db from the tree (atomically). False when it cannot be written.
[[nodiscard]] bool save_tree_db(const Tree& tree, std::string_view data_folder);
// Replaces the tree with the order of tree.db, reading each node's marks from
// its folder (missing folders give clear marks). False (tree untouched) when
// the file does not exist or cannot be used (see tree_db_unusable).
bool load_tree_db(Tree& tree, std::string_view data_folder);
// Whether a tree.db is there but cannot be used: it cannot be read (a folder
// or special file under its name, no permission) or names no node at all
// (emptied or damaged by another program: every tree.db this system writes
// names at least the template folder). Loading it would show an empty tree.
bool tree_db_unusable(std::string_view data_folder);

// Writes treecache.tmp with every node's whole tag.
bool save_tree_cache(const Tree& tree, std::string_view data_folder);
// Reads treecache.tmp into the tree and deletes the file in every case. On
// anything but kOk the tree is left empty. A missing file reads as kBadBanner.
CacheStatus load_tree_cache(Tree& tree, std::string_view data_folder);

// Builds nodes from placed lines below a fresh root, with labels decoded
// from the folder names. `tags[i]` gives line i's marks.
void insert_placed_lines(Tree& tree, const std::vector<PlacedLine>& placed,
                         const std::vector<uint32_t>& tags);

// Sorting: by label (label_less in tree_sort.h), then by kind, stable.
void sort_children(Tree& tree, NodeId parent);
void sort_siblings(Tree& tree, NodeId node);
void sort_all(Tree& tree);

// Stores in each group's tag the number of items and templates in its
// subtree (capped at 10,000).
void count_items(Tree& tree);

// Adds the template root at the end of the root's children when the tree has
// none (an order file without its line); returns its id.
NodeId ensure_template_root(Tree& tree);

}  // namespace ks::store
