#include "shell/tree_model.h"

#include <QColor>
#include <algorithm>
#include <unordered_set>

#include "shell/icons.h"
#include "shell/qt_text.h"

namespace ks::gui {

using store::NodeId;
using store::NodeKind;

TreeModel::TreeModel(const store::Tree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
  reset();
}

void TreeModel::set_show_counts(bool on) {
  if (show_counts_ == on) return;
  show_counts_ = on;
  repaint_all();
}

void TreeModel::set_colors(std::optional<QColor> text, std::optional<QColor> back) {
  text_color_ = text;
  back_color_ = back;
  repaint_all();
}

void TreeModel::repaint_all() {
  if (root_ == store::kNoNode) return;
  Q_EMIT layoutAboutToBeChanged();
  Q_EMIT layoutChanged();
}

TreeModel::Entry* TreeModel::entry(NodeId id) {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : &it->second;
}

const TreeModel::Entry* TreeModel::entry(NodeId id) const {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : &it->second;
}

void TreeModel::reset() {
  beginResetModel();
  nodes_.clear();
  root_ = tree_.root();
  if (root_ != store::kNoNode) mirror_subtree(root_, store::kNoNode, 0);
  endResetModel();
}

void TreeModel::mirror_subtree(NodeId id, NodeId parent, int row) {
  const store::Node* n = tree_.find(id);
  if (!n) return;
  Entry& e = nodes_[id];
  e.parent = parent;
  e.row = row;
  e.tag = n->tag;
  e.label_sjis = n->label;
  e.label = from_sjis(n->label);
  e.children = n->children;
  for (std::size_t i = 0; i < n->children.size(); ++i) {
    mirror_subtree(n->children[i], id, static_cast<int>(i));
  }
}

void TreeModel::forget_subtree(NodeId id) {
  Entry* e = entry(id);
  if (!e) return;
  const std::vector<NodeId> children = e->children;
  for (NodeId c : children) forget_subtree(c);
  nodes_.erase(id);
}

void TreeModel::renumber(Entry& e, std::size_t from) {
  for (std::size_t i = from; i < e.children.size(); ++i) {
    if (Entry* c = entry(e.children[i])) c->row = static_cast<int>(i);
  }
}

void TreeModel::remove_rows(NodeId parent, int first, int last) {
  Entry* p = entry(parent);
  if (!p) return;
  beginRemoveRows(index_of(parent), first, last);
  for (int i = first; i <= last; ++i) forget_subtree(p->children[static_cast<std::size_t>(i)]);
  p->children.erase(p->children.begin() + first, p->children.begin() + last + 1);
  renumber(*p, static_cast<std::size_t>(first));
  endRemoveRows();
}

void TreeModel::take_out(NodeId id) {
  const Entry* e = entry(id);
  if (!e || e->parent == store::kNoNode) return;
  remove_rows(e->parent, e->row, e->row);
}

bool TreeModel::update_own(NodeId id, const store::Node& node) {
  Entry* e = entry(id);
  bool changed_any = false;
  if (e->tag != node.tag) {
    e->tag = node.tag;
    changed_any = true;
  }
  if (e->label_sjis != node.label) {
    e->label_sjis = node.label;
    e->label = from_sjis(node.label);
    changed_any = true;
  }
  return changed_any;
}

void TreeModel::changed(NodeId id) {
  const QModelIndex i = index_of(id);
  if (i.isValid()) Q_EMIT dataChanged(i, i);
}

void TreeModel::sync() {
  if (tree_.root() != root_ || root_ == store::kNoNode) {
    reset();
    return;
  }
  sync_node(root_);
}

void TreeModel::sync_node(NodeId id) {
  const store::Node* node = tree_.find(id);
  Entry* e = entry(id);
  if (!node || !e) return;
  if (update_own(id, *node)) changed(id);

  const std::vector<NodeId>& want = node->children;
  const std::unordered_set<NodeId> wanted(want.begin(), want.end());
  // Rows whose node left this parent go first, in runs from the end.
  for (int i = static_cast<int>(e->children.size()) - 1; i >= 0; --i) {
    if (wanted.count(e->children[static_cast<std::size_t>(i)])) continue;
    const int last = i;
    while (i > 0 && !wanted.count(e->children[static_cast<std::size_t>(i - 1)])) --i;
    remove_rows(id, i, last);
  }
  // Then every wanted child is moved into place or inserted.
  std::unordered_set<NodeId> fresh;
  const QModelIndex parent_index = index_of(id);
  for (std::size_t k = 0; k < want.size(); ++k) {
    std::vector<NodeId>& have = e->children;
    const NodeId w = want[k];
    if (k < have.size() && have[k] == w) continue;
    const auto at = std::find(have.begin() + static_cast<std::ptrdiff_t>(k), have.end(), w);
    const int row = static_cast<int>(k);
    if (at != have.end()) {
      const int from = static_cast<int>(at - have.begin());
      beginMoveRows(parent_index, from, from, parent_index, row);
      std::rotate(have.begin() + row, at, at + 1);
      renumber(*e, k);
      endMoveRows();
    } else {
      // A node that came from another parent leaves its old place first.
      if (entry(w)) take_out(w);
      beginInsertRows(parent_index, row, row);
      e->children.insert(e->children.begin() + row, w);
      mirror_subtree(w, id, row);
      renumber(*e, k);
      endInsertRows();
      fresh.insert(w);
    }
  }
  const std::vector<NodeId> children = e->children;
  for (NodeId c : children) {
    if (!fresh.count(c)) sync_node(c);
  }
}

void TreeModel::set_tag(NodeId id, uint32_t tag) {
  Entry* e = entry(id);
  if (!e || e->tag == tag) return;
  e->tag = tag;
  changed(id);
}

void TreeModel::set_expanded(const QModelIndex& index, bool expanded) {
  Entry* e = entry(node_of(index));
  if (!e || e->expanded == expanded) return;
  e->expanded = expanded;
  Q_EMIT dataChanged(index, index, {Qt::DecorationRole});
}

QModelIndex TreeModel::index_of(NodeId id) const {
  const Entry* e = entry(id);
  if (!e) return {};
  return createIndex(e->row, 0, static_cast<quintptr>(id));
}

NodeId TreeModel::node_of(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return store::kNoNode;
  return static_cast<NodeId>(index.internalId());
}

std::optional<uint32_t> TreeModel::tag_of(NodeId id) const {
  const Entry* e = entry(id);
  if (!e) return std::nullopt;
  return e->tag;
}

QString TreeModel::label_of(NodeId id) const {
  const Entry* e = entry(id);
  return e ? e->label : QString();
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  if (!parent.isValid()) {
    return row == 0 && root_ != store::kNoNode ? index_of(root_) : QModelIndex();
  }
  const Entry* p = entry(node_of(parent));
  if (!p || row >= static_cast<int>(p->children.size())) return {};
  return createIndex(row, 0, static_cast<quintptr>(p->children[static_cast<std::size_t>(row)]));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
  const Entry* e = entry(node_of(child));
  if (!e || e->parent == store::kNoNode) return {};
  return index_of(e->parent);
}

int TreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return root_ != store::kNoNode ? 1 : 0;
  if (parent.column() != 0) return 0;
  const Entry* e = entry(node_of(parent));
  return e ? static_cast<int>(e->children.size()) : 0;
}

int TreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
  const Entry* e = entry(node_of(index));
  if (!e) return {};
  switch (role) {
    case Qt::DisplayRole: {
      if (!show_counts_ || store::tag_kind(e->tag) != NodeKind::kGroup) return e->label;
      const uint32_t count = store::tag_count(e->tag);
      if (count >= store::kMaxTagCount) return e->label + QStringLiteral(" 9999+");
      return e->label + QStringLiteral(" %1").arg(count);
    }
    case Qt::EditRole:
      return e->label;
    case Qt::DecorationRole:
      return node_icon(e->tag, e->expanded);
    case Qt::FontRole:
      if (e->tag & store::kTagResultMask) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ForegroundRole:
      return text_color_ ? QVariant(*text_color_) : QVariant();
    case Qt::BackgroundRole:
      return back_color_ ? QVariant(*back_color_) : QVariant();
    default:
      return {};
  }
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const NodeId id = node_of(index);
  if (role != Qt::EditRole || !entry(id) || !rename_) return false;
  const QString label = value.toString();
  if (label == label_of(id)) return false;
  const bool renamed = rename_(id, label);
  sync();
  return renamed;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
  const Entry* e = entry(node_of(index));
  if (!e) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  switch (store::tag_kind(e->tag)) {
    case NodeKind::kGroup:
    case NodeKind::kItem:
      f |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
      break;
    case NodeKind::kTemplate:
      f |= Qt::ItemIsEditable;
      break;
    default:
      break;
  }
  return f;
}

}  // namespace ks::gui
