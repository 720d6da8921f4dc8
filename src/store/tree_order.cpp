#include "store/tree_order.h"

#include <algorithm>

#include "platform/fs.h"
#include "store/names.h"
#include "store/node_path.h"
#include "store/quick_flags.h"
#include "store/tree_db.h"
#include "store/tree_sort.h"

namespace ks::store {
namespace {

// Folder name without extension; nullopt when it cannot be formed, or when
// it holds a control byte: a line break would split its line in the order
// files and a TAB would move it to another depth (such names are refused on
// entry; a folder made by another program may still carry one).
std::optional<std::string> stem_of(const Node& n) {
  if (n.kind() == NodeKind::kTemplateRoot) return Tree::template_root_label();
  if (name_has_control_bytes(n.label)) return std::nullopt;
  if (!(n.tag & kTagEscapedName)) return n.label;
  return encode_name(n.label, static_cast<std::size_t>(-1));
}

void lines_below(const Tree& tree, const Node& parent, int depth, std::vector<OrderLine>& out) {
  for (NodeId c : parent.children) {
    const Node* n = tree.find(c);
    if (!n) continue;
    auto stem = stem_of(*n);
    if (!stem) continue;
    out.push_back(OrderLine{depth, std::move(*stem), n->kind(), n->tag});
    lines_below(tree, *n, depth + 1, out);
  }
}

// Marks of a node read from its folder, as the folder scan sets them.
uint32_t marks_from_disk(NodeKind kind, const std::string& path) {
  switch (kind) {
    case NodeKind::kGroup:
    case NodeKind::kTemplateRoot:
      return tag_with_flag(0, kTagNoAutoCheck, read_group_flags(path) != 0);
    case NodeKind::kItem:
    case NodeKind::kTemplate: {
      ItemFlags f = read_item_flags(path);
      uint32_t tag = tag_with_priority(0, f.site_priority);
      tag = tag_with_flag(tag, kTagNoAutoCheck, f.disable_auto_check != 0);
      return tag_with_result(tag, read_last_result_code(path));
    }
    case NodeKind::kRoot:
      break;
  }
  return 0;
}

uint32_t count_below(Tree& tree, NodeId id) {
  Node* n = tree.find(id);
  if (!n) return 0;
  if (n->kind() == NodeKind::kItem || n->kind() == NodeKind::kTemplate) return 1;
  uint32_t total = 0;
  const std::vector<NodeId> children = n->children;
  for (NodeId c : children) {
    total += count_below(tree, c);
    if (total > kMaxTagCount) total = kMaxTagCount;
  }
  n = tree.find(id);
  if (n->kind() == NodeKind::kGroup) n->tag = tag_with_count(n->tag, total);
  return total;
}

}  // namespace

std::vector<OrderLine> tree_to_lines(const Tree& tree) {
  std::vector<OrderLine> out;
  if (const Node* root = tree.find(tree.root())) lines_below(tree, *root, 0, out);
  return out;
}

bool save_tree_db(const Tree& tree, std::string_view data_folder) {
  return write_file_atomic(path_join(data_folder, kTreeDbFileName),
                           format_tree_db(tree_to_lines(tree)));
}

void insert_placed_lines(Tree& tree, const std::vector<PlacedLine>& placed,
                         const std::vector<uint32_t>& tags) {
  NodeId root = tree.add_root();
  std::vector<NodeId> ids(placed.size(), kNoNode);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const PlacedLine& p = placed[i];
    NodeId parent = p.parent < 0 ? root : ids[static_cast<std::size_t>(p.parent)];
    if (parent == kNoNode) continue;
    uint32_t tag = tags[i] & ~(kTagKindMask | kTagEscapedName);
    std::string label;
    if (p.line.kind == NodeKind::kTemplateRoot) {
      label = p.line.name;
    } else {
      // The escape mark always follows the name itself, never a stored tag,
      // so the folder path built later names the same folder (decode_name
      // marks a name escaped only when it encodes back to itself).
      DecodedName d = decode_name(p.line.name);
      label = std::move(d.label);
      tag = tag_with_flag(tag, kTagEscapedName, d.escaped);
    }
    ids[i] = tree.add(parent, p.line.kind, std::move(label), tag);
  }
}

bool tree_db_unusable(std::string_view data_folder) {
  const std::string path = path_join(data_folder, kTreeDbFileName);
  if (!path_exists(path)) return false;
  auto bytes = read_file(path);
  return !bytes || parse_tree_db(*bytes).empty();
}

bool load_tree_db(Tree& tree, std::string_view data_folder) {
  auto bytes = read_file(path_join(data_folder, kTreeDbFileName));
  if (!bytes) return false;
  std::vector<OrderLine> lines = parse_tree_db(*bytes);
  if (lines.empty()) return false;
  std::vector<PlacedLine> placed = place_order_lines(std::move(lines), data_folder);
  std::vector<uint32_t> tags;
  tags.reserve(placed.size());
  for (const PlacedLine& p : placed) tags.push_back(marks_from_disk(p.line.kind, p.path));
  insert_placed_lines(tree, placed, tags);
  ensure_template_root(tree);
  return true;
}

bool save_tree_cache(const Tree& tree, std::string_view data_folder) {
  return write_file_atomic(path_join(data_folder, kCacheFileName),
                           format_cache(tree_to_lines(tree)));
}

CacheStatus load_tree_cache(Tree& tree, std::string_view data_folder) {
  const std::string path = path_join(data_folder, kCacheFileName);
  auto bytes = read_file(path);
  if (!bytes) return CacheStatus::kBadBanner;
  // Read once: whatever the outcome, the next start-up must not see it again.
  remove_file(path);
  CacheParse parsed = parse_cache(*bytes);
  if (parsed.status != CacheStatus::kOk) {
    tree.clear();
    return parsed.status;
  }
  std::vector<PlacedLine> placed = place_order_lines(parsed.lines, data_folder);
  std::vector<uint32_t> tags;
  tags.reserve(placed.size());
  for (const PlacedLine& p : placed) tags.push_back(p.line.tag);
  insert_placed_lines(tree, placed, tags);
  ensure_template_root(tree);
  return CacheStatus::kOk;
}

void sort_children(Tree& tree, NodeId parent) {
  Node* p = tree.find(parent);
  if (!p || p->children.size() < 2) return;
  struct Key {
    const std::string* label;
    NodeKind kind;
    NodeId id;
  };
  std::vector<Key> keys;
  keys.reserve(p->children.size());
  for (NodeId c : p->children) {
    const Node* n = tree.find(c);
    if (n) keys.push_back(Key{&n->label, n->kind(), c});
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const Key& a, const Key& b) { return label_less(*a.label, *b.label); });
  std::stable_sort(keys.begin(), keys.end(),
                   [](const Key& a, const Key& b) { return a.kind < b.kind; });
  p->children.clear();
  for (const Key& k : keys) p->children.push_back(k.id);
}

void sort_siblings(Tree& tree, NodeId node) {
  if (const Node* n = tree.find(node)) sort_children(tree, n->parent);
}

void sort_all(Tree& tree) {
  std::vector<NodeId> stack{tree.root()};
  while (!stack.empty()) {
    NodeId id = stack.back();
    stack.pop_back();
    sort_children(tree, id);
    if (const Node* n = tree.find(id)) {
      for (NodeId c : n->children) stack.push_back(c);
    }
  }
}

void count_items(Tree& tree) {
  count_below(tree, tree.root());
}

NodeId ensure_template_root(Tree& tree) {
  NodeId t = tree.template_root();
  if (t != kNoNode) return t;
  return tree.add(tree.root(), NodeKind::kTemplateRoot, Tree::template_root_label());
}

}  // namespace ks::store
