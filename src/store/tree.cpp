#include "store/tree.h"

#include <algorithm>

#include "platform/sjis.h"

namespace ks::store {

const std::string& Tree::template_root_label() {
  return KS_SJ("テンプレート");
}

void Tree::clear() {
  nodes_.clear();
  root_ = kNoNode;
}

NodeId Tree::add_root() {
  clear();
  Node n;
  n.id = next_id_++;
  n.tag = tag_with_kind(0, NodeKind::kRoot);
  n.label = std::string(root_label());
  root_ = n.id;
  nodes_.emplace(n.id, std::move(n));
  return root_;
}

NodeId Tree::add(NodeId parent, NodeKind kind, std::string label, uint32_t tag,
                 std::size_t position) {
  Node* p = find(parent);
  if (!p || kind == NodeKind::kRoot) return kNoNode;
  Node n;
  n.id = next_id_++;
  n.tag = tag_with_kind(tag, kind);
  n.label = std::move(label);
  n.parent = parent;
  NodeId id = n.id;
  if (position >= p->children.size()) {
    p->children.push_back(id);
  } else {
    p->children.insert(p->children.begin() + static_cast<std::ptrdiff_t>(position), id);
  }
  nodes_.emplace(id, std::move(n));  // may rehash: `p` is not used after this
  return id;
}

void Tree::unlink(Node& n) {
  if (Node* p = find(n.parent)) {
    auto& ch = p->children;
    ch.erase(std::remove(ch.begin(), ch.end(), n.id), ch.end());
  }
  n.parent = kNoNode;
}

void Tree::erase_subtree(NodeId id) {
  auto it = nodes_.find(id);
  if (it == nodes_.end()) return;
  std::vector<NodeId> children = std::move(it->second.children);
  nodes_.erase(it);
  for (NodeId c : children) erase_subtree(c);
}

bool Tree::remove(NodeId id) {
  Node* n = find(id);
  if (!n || id == root_) return false;
  unlink(*n);
  erase_subtree(id);
  return true;
}

bool Tree::move(NodeId id, NodeId new_parent, std::size_t position) {
  Node* n = find(id);
  Node* p = find(new_parent);
  if (!n || !p || id == root_ || is_ancestor_or_self(id, new_parent)) return false;
  unlink(*n);
  n->parent = new_parent;
  if (position >= p->children.size()) {
    p->children.push_back(id);
  } else {
    p->children.insert(p->children.begin() + static_cast<std::ptrdiff_t>(position), id);
  }
  return true;
}

const Node* Tree::find(NodeId id) const {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : &it->second;
}

Node* Tree::find(NodeId id) {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : &it->second;
}

NodeId Tree::template_root() const {
  const Node* r = find(root_);
  if (!r) return kNoNode;
  for (NodeId c : r->children) {
    const Node* n = find(c);
    if (n && n->kind() == NodeKind::kTemplateRoot) return c;
  }
  return kNoNode;
}

NodeId Tree::find_child(NodeId parent, std::string_view label, NodeKind kind) const {
  const Node* p = find(parent);
  if (!p) return kNoNode;
  for (NodeId c : p->children) {
    const Node* n = find(c);
    if (n && n->kind() == kind && n->label == label) return c;
  }
  return kNoNode;
}

NodeId Tree::find_child(NodeId parent, std::string_view label) const {
  const Node* p = find(parent);
  if (!p) return kNoNode;
  for (NodeId c : p->children) {
    const Node* n = find(c);
    if (n && n->label == label) return c;
  }
  return kNoNode;
}

std::size_t Tree::index_in_parent(NodeId id) const {
  const Node* n = find(id);
  const Node* p = n ? find(n->parent) : nullptr;
  if (!p) return kAppend;
  auto it = std::find(p->children.begin(), p->children.end(), id);
  return static_cast<std::size_t>(it - p->children.begin());
}

bool Tree::is_ancestor_or_self(NodeId ancestor, NodeId id) const {
  for (const Node* n = find(id); n; n = find(n->parent)) {
    if (n->id == ancestor) return true;
  }
  return false;
}

std::string Tree::display_path(NodeId id) const {
  std::vector<const Node*> chain;
  for (const Node* n = find(id); n && n->id != root_; n = find(n->parent)) chain.push_back(n);
  std::string out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty()) out += '/';
    out += (*it)->label;
  }
  return out;
}

NodeId Tree::resolve(std::string_view path) const {
  NodeId cur = root_;
  std::size_t start = 0;
  while (cur != kNoNode && start <= path.size()) {
    // The next '/' that is not the trail byte of a double-byte character
    // ('/' never is one, but stepping over pairs keeps the scan honest).
    std::size_t end = start;
    while (end < path.size() && path[end] != '/') end += is_sjis_pair(path, end) ? 2 : 1;
    if (end > path.size()) end = path.size();
    std::string_view step = path.substr(start, end - start);
    if (!step.empty()) cur = find_child(cur, step);
    start = end + 1;
  }
  return cur;
}

}  // namespace ks::store
