// The tree model: the groups, items and templates the user keeps, as nodes
// with an identifier, a tag (kind and marks, store/node.h), a display label
// (Shift_JIS) and an ordered list of children. It is a plain value with no
// locking: the owner decides which thread changes it (the desktop app's UI
// thread; a command of the CLI) and hands copies or ids to other threads.
//
// Identifiers are never reused within one Tree (they grow from 1), so an id
// kept by a worker either names the same node or finds nothing. kNoNode (0)
// stands for "no node". The root is kind kRoot, labelled "data"; the template
// root (kind kTemplateRoot, "テンプレート") is a child of the root.
//
// The folder of each node is derived from the labels on the way from the
// root (store/node_path.h); nothing here touches the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/node.h"

namespace ks::store {

using NodeId = uint64_t;
inline constexpr NodeId kNoNode = 0;
inline constexpr std::size_t kAppend = static_cast<std::size_t>(-1);

struct Node {
  NodeId id = kNoNode;
  uint32_t tag = 0;              // kind in the low bits, marks above (store/node.h)
  std::string label;             // display name, Shift_JIS
  NodeId parent = kNoNode;       // kNoNode for the root
  std::vector<NodeId> children;  // in tree order

  NodeKind kind() const { return tag_kind(tag); }
};

class Tree {
 public:
  // The label of the root node, which is also the data folder's name.
  static std::string_view root_label() { return "data"; }
  // The template root's label, which is also the template folder's name.
  static const std::string& template_root_label();

  // Drops every node (ids keep growing).
  void clear();

  // Makes the root node (clearing the tree first); returns its id.
  NodeId add_root();
  // Adds a node below `parent` at `position` (kAppend: last). `tag` gives the
  // marks; its kind bits are replaced by `kind`. Returns kNoNode when the
  // parent does not exist or `kind` is kRoot.
  NodeId add(NodeId parent, NodeKind kind, std::string label, uint32_t tag = 0,
             std::size_t position = kAppend);
  // Removes a node with its subtree; the root cannot be removed.
  bool remove(NodeId id);
  // Moves a node (with its subtree) below `new_parent` at `position`. Refused
  // for the root, for a move into the node's own subtree, or a bad parent.
  bool move(NodeId id, NodeId new_parent, std::size_t position = kAppend);

  const Node* find(NodeId id) const;
  Node* find(NodeId id);
  NodeId root() const { return root_; }
  NodeId template_root() const;
  std::size_t size() const { return nodes_.size(); }
  bool empty() const { return nodes_.empty(); }

  // The first child of `parent` with exactly this label and kind.
  NodeId find_child(NodeId parent, std::string_view label, NodeKind kind) const;
  // The first child of `parent` with exactly this label, whatever its kind.
  NodeId find_child(NodeId parent, std::string_view label) const;
  // Position of `id` among its siblings, kAppend when it has no parent.
  std::size_t index_in_parent(NodeId id) const;
  // True when `ancestor` is `id` itself or lies on its way up to the root.
  bool is_ancestor_or_self(NodeId ancestor, NodeId id) const;

  // Labels from below the root down to the node, joined with '/' ("" for the
  // root). Labels holding '/' cannot be told apart in this form.
  std::string display_path(NodeId id) const;
  // The node named by a display path from the root ("", "/" -> the root);
  // each step takes the first child with that label. kNoNode when missing.
  NodeId resolve(std::string_view display_path) const;

  // Calls f(const Node&, int depth) for `from` and everything below it in
  // tree order (depth 0 for `from`).
  template <class F>
  void walk(NodeId from, F&& f) const {
    walk_impl(from, 0, f);
  }

 private:
  template <class F>
  void walk_impl(NodeId id, int depth, F& f) const {
    const Node* n = find(id);
    if (!n) return;
    f(*n, depth);
    for (NodeId c : n->children) walk_impl(c, depth + 1, f);
  }
  void erase_subtree(NodeId id);
  void unlink(Node& n);

  std::unordered_map<NodeId, Node> nodes_;
  NodeId root_ = kNoNode;
  NodeId next_id_ = 1;
};

}  // namespace ks::store
