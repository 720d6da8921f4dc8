#include "store/tree_scan.h"

#include <algorithm>
#include <optional>
#include <string>

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

// Node paths are rebuilt with the lower-case extension, so a folder named
// "X.DAT" (the same folder as "X.dat" on the file systems data folders come
// from) is renamed to "X.dat". When that name is taken by another folder, or
// the rename fails, the folder is left as it is and not shown (nullopt).
std::optional<std::string> lower_case_extension(const std::string& dir, const std::string& name,
                                                std::string_view ext) {
  const std::size_t stem = name.size() - ext.size();
  if (name.compare(stem, ext.size(), ext) == 0) return name;
  std::string lower = name.substr(0, stem) + std::string(ext);
  const std::string to = path_join(dir, lower);
  if (path_exists(to) || !rename_path(path_join(dir, name), to)) return std::nullopt;
  return lower;
}

void scan_folder(Tree& tree, NodeId parent, const std::string& path, const SortChildren& sort,
                 ScanCounts& counts) {
  for (const DirEntry& e : sorted_folders(path)) {
    if (path_join(path, e.name).size() > kMaxPathBytes) continue;  // cannot be addressed later
    const bool item = has_extension(e.name, ".dat");
    if (!item && !has_extension(e.name, ".grp")) continue;
    auto name = lower_case_extension(path, e.name, item ? ".dat" : ".grp");
    if (!name) continue;
    std::string child = path_join(path, *name);
    if (item) {
      add_named(tree, parent, NodeKind::kItem, *name, item_tag(child));
      ++counts.items;
    } else {
      uint32_t tag = tag_with_flag(0, kTagNoAutoCheck, read_group_flags(child) != 0);
      NodeId g = add_named(tree, parent, NodeKind::kGroup, *name, tag);
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
    if (path_join(tdir, e.name).size() > kMaxPathBytes) continue;
    auto name = lower_case_extension(tdir, e.name, ".tpl");
    if (!name) continue;
    std::string child = path_join(tdir, *name);
    add_named(tree, troot, NodeKind::kTemplate, *name, item_tag(child));
    ++counts.items;
  }
  if (sort) {
    sort(tree, troot);
    sort(tree, root);
  }
  return counts;
}

}  // namespace ks::store
