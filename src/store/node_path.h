// Folder paths of tree nodes. A node's folder is rebuilt from the tree each
// time: the base folder, "data", then for each node below the root its
// folder name (the label, encoded when the node's kEscapedName bit is set,
// plus the kind's extension; the template root is "テンプレート" alone), all
// joined with '/'. A path longer than kMaxPathBytes (260) cannot be formed,
// and every operation on such a node is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/tree.h"

namespace ks::store {

// The folder name of one node ("a%3ab.grp", "テンプレート"); nullopt for the
// root (its name is part of the base) or when the label cannot be encoded.
std::optional<std::string> node_folder_name(const Node& node);

// The node's folder path below `base_folder` (which ends in '/'); nullopt
// when the node is unknown or the path would exceed 260 bytes.
std::optional<std::string> node_path(const Tree& tree, NodeId id, std::string_view base_folder);

// A file inside the node's folder ("…/x.dat/site.db"), within the same limit.
std::optional<std::string> node_file_path(const Tree& tree, NodeId id, std::string_view base_folder,
                                          std::string_view file_name);

// The folder a new child of `parent` with this label and kind would get,
// and the tag bit its label needs: kTagEscapedName when encoding changes it.
struct NewChildPath {
  std::string path;
  uint32_t escape_flag = 0;
};
std::optional<NewChildPath> new_child_path(const Tree& tree, NodeId parent, std::string_view label,
                                           NodeKind kind, std::string_view base_folder);

// The escape bit a label needs (kTagEscapedName when its encoded form differs).
uint32_t escape_flag_for(std::string_view label);

}  // namespace ks::store
