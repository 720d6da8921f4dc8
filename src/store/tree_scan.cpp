#include "store/tree_scan.h"

#include <algorithm>

#include "platform/fs.h"
#include "store/names.h"
#include "store/node_path.h"
#include "store/quick_flags.h"

namespace ks::store {
namespace {

// Marks of an item or template from its quick flags and last result.
uint32_t item_tag(const std::string& folder) {
  ItemFlags f = read_item_flags(folder);
  uint32_t tag = tag_with_priority(0, f.site_priority);
  tag = tag_with_flag(tag, kTagNoAutoCheck, f.disable_auto_check != 0);
  return tag_with_result(tag, read_last_result_code(folder));
}

std::vector<DirEntry> sorted_folders(const std::string& path) {
  std::vector<DirEntry> entries = scan_dir(path);
  entries.erase(
      std::remove_if(entries.begin(), entries.end(), [](const DirEntry& e) { return !e.is_dir; }),
      entries.end());
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return entries;
}

// Adds a node named by `folder_name` (extension `ext` cut off) below parent.
NodeId add_named(Tree& tree, NodeId parent, NodeKind kind, const std::string& folder_name,
                 uint32_t tag) {
  std::string stem = folder_name.substr(0, folder_name.size() - kind_extension(kind).size());
  DecodedName d = decode_name(stem);
  tag = tag_with_flag(tag, kTagEscapedName, d.escaped);
  return tree.add(parent, kind, std::move(d.label), tag);
}

void scan_folder(Tree& tree, NodeId parent, const std::string& path, const SortChildren& sort,
                 ScanCounts& counts) {
  for (const DirEntry& e : sorted_folders(path)) {
    std::string child = path_join(path, e.name);
    if (child.size() > kMaxPathBytes) continue;  // cannot be addressed later either
    if (has_extension(e.name, ".dat")) {
      add_named(tree, parent, NodeKind::kItem, e.name, item_tag(child));
      ++counts.items;
    } else if (has_extension(e.name, ".grp")) {
      uint32_t tag = tag_with_flag(0, kTagNoAutoCheck, read_group_flags(child) != 0);
      NodeId g = add_named(tree, parent, NodeKind::kGroup, e.name, tag);
      ++counts.groups;
      scan_folder(tree, g, child, sort, counts);
    }
  }
  if (sort) sort(tree, parent);
}

}  // namespace

ScanCounts scan_tree_from_disk(Tree& tree, std::string_view base_folder, const SortChildren& sort) {
  ScanCounts counts;
  NodeId root = tree.add_root();
  std::string data = std::string(base_folder) + std::string(Tree::root_label());
  scan_folder(tree, root, data, sort, counts);

  NodeId troot = tree.add(root, NodeKind::kTemplateRoot, Tree::template_root_label());
  std::string tdir = path_join(data, Tree::template_root_label());
  for (const DirEntry& e : sorted_folders(tdir)) {
    if (!has_extension(e.name, ".tpl")) continue;
    std::string child = path_join(tdir, e.name);
    if (child.size() > kMaxPathBytes) continue;
    add_named(tree, troot, NodeKind::kTemplate, e.name, item_tag(child));
    ++counts.items;
  }
  if (sort) {
    sort(tree, troot);
    sort(tree, root);
  }
  return counts;
}

}  // namespace ks::store
