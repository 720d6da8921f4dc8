#include "store/node_path.h"

#include <vector>

#include "platform/fs.h"
#include "store/names.h"

namespace ks::store {

std::optional<std::string> node_folder_name(const Node& node) {
  switch (node.kind()) {
    case NodeKind::kRoot:
      return std::nullopt;
    case NodeKind::kTemplateRoot:
      return Tree::template_root_label();
    case NodeKind::kGroup:
    case NodeKind::kItem:
    case NodeKind::kTemplate:
      break;
  }
  std::string name;
  if (node.tag & kTagEscapedName) {
    auto enc = encode_name(node.label);
    if (!enc) return std::nullopt;
    name = std::move(*enc);
  } else {
    // Folders whose names this system did not write keep them unchanged.
    name = node.label;
  }
  name += kind_extension(node.kind());
  return name;
}

std::optional<std::string> node_path(const Tree& tree, NodeId id, std::string_view base_folder) {
  std::vector<const Node*> chain;
  const Node* n = tree.find(id);
  if (!n) return std::nullopt;
  for (; n && n->kind() != NodeKind::kRoot; n = tree.find(n->parent)) chain.push_back(n);
  if (!n) return std::nullopt;  // not attached to the root
  std::string path(base_folder);
  path += Tree::root_label();
  if (path.size() > kMaxPathBytes) return std::nullopt;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    auto name = node_folder_name(**it);
    if (!name) return std::nullopt;
    path += kPathSep;
    path += *name;
    if (path.size() > kMaxPathBytes) return std::nullopt;
  }
  return path;
}

std::optional<std::string> node_file_path(const Tree& tree, NodeId id, std::string_view base_folder,
                                          std::string_view file_name) {
  auto dir = node_path(tree, id, base_folder);
  if (!dir) return std::nullopt;
  std::string p = path_join(*dir, file_name);
  if (p.size() > kMaxPathBytes) return std::nullopt;
  return p;
}

uint32_t escape_flag_for(std::string_view label) {
  auto enc = encode_name(label, static_cast<std::size_t>(-1));
  return enc && *enc != label ? kTagEscapedName : 0u;
}

std::optional<NewChildPath> new_child_path(const Tree& tree, NodeId parent, std::string_view label,
                                           NodeKind kind, std::string_view base_folder) {
  auto dir = node_path(tree, parent, base_folder);
  if (!dir) return std::nullopt;
  std::string_view ext = kind_extension(kind);
  std::size_t used = dir->size() + 1 + ext.size();
  if (used > kMaxPathBytes) return std::nullopt;
  auto enc = encode_name(label, kMaxPathBytes - used);
  if (!enc) return std::nullopt;
  NewChildPath r;
  r.escape_flag = *enc != label ? kTagEscapedName : 0u;
  r.path = *dir + kPathSep + *enc + std::string(ext);
  return r;
}

}  // namespace ks::store
