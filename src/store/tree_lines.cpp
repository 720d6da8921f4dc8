#include "store/tree_lines.h"

#include "platform/fs.h"
#include "store/tree.h"

namespace ks::store {

bool is_safe_component(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (c == '/' || c == '\0') return false;
  }
  return true;
}

namespace {

// Whether a line of `kind` may stand under a parent of `parent_kind`
// .
bool shape_allows(NodeKind parent_kind, NodeKind kind, bool have_template_root) {
  switch (kind) {
    case NodeKind::kTemplateRoot:
      return parent_kind == NodeKind::kRoot && !have_template_root;
    case NodeKind::kTemplate:
      return parent_kind == NodeKind::kTemplateRoot;
    case NodeKind::kGroup:
    case NodeKind::kItem:
      return parent_kind != NodeKind::kTemplateRoot;
    case NodeKind::kRoot:
      return false;
  }
  return false;
}

}  // namespace

std::vector<PlacedLine> place_order_lines(const std::vector<OrderLine>& lines,
                                          std::string_view data_folder) {
  std::vector<PlacedLine> out;
  // parents[d] is the placed index that takes children at depth d (-1: root).
  std::vector<std::ptrdiff_t> parents{-1};
  bool have_template_root = false;
  const std::string root_path(data_folder);
  for (const OrderLine& line : lines) {
    if (line.depth < 0 || static_cast<std::size_t>(line.depth) >= parents.size()) continue;
    const auto depth = static_cast<std::size_t>(line.depth);
    parents.resize(depth + 1);  // whatever stood deeper is closed now
    const std::ptrdiff_t parent = parents[depth];
    const NodeKind parent_kind =
        parent < 0 ? NodeKind::kRoot : out[static_cast<std::size_t>(parent)].line.kind;
    if (!shape_allows(parent_kind, line.kind, have_template_root)) continue;
    if (line.kind == NodeKind::kTemplateRoot && line.name != Tree::template_root_label()) continue;
    if (!is_safe_component(line.name)) continue;
    const std::string& parent_path =
        parent < 0 ? root_path : out[static_cast<std::size_t>(parent)].path;
    std::string path = path_join(parent_path, line.name);
    path += kind_extension(line.kind);
    if (path.size() >= kOrderPathCapacity) continue;
    if (line.kind == NodeKind::kTemplateRoot) have_template_root = true;
    out.push_back(PlacedLine{line, parent, std::move(path)});
    if (line.kind == NodeKind::kGroup || line.kind == NodeKind::kTemplateRoot) {
      parents.push_back(static_cast<std::ptrdiff_t>(out.size() - 1));
    }
  }
  return out;
}

}  // namespace ks::store
