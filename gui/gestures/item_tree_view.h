// The item tree's view: a QTreeView that drags groups and items within the
// tree. While a node is dragged the view marks where it would land under
// the pointer (a line before or after a row, a frame around a group it
// would go into); the drop hands the source, the target and the position to
// the window (nodeDropped), which moves the node with the tree operation.
//
// The position follows the pointer over the target row: over a group the
// top quarter means before it, the middle half into it and the bottom
// quarter after it; over an item the upper half before and the lower half
// after; over the root, into it. The template root and templates take no
// drops, and only groups and items can be dragged. Drags of other data
// (links, files) are left to the window. The view knows the tree only
// through a NodeLookup (the window's model), so it works with any model
// whose rows name nodes. UI thread.
#pragma once

#include <QTreeView>
#include <functional>
#include <optional>

class QMimeData;

#include "store/node.h"
#include "store/tree.h"
#include "store/tree_ops.h"

namespace ks::gui {

// Where a drop at `y` pixels below the top of a row `height` pixels high
// lands on a node of `kind`; nullopt when the node takes no drops.
std::optional<store::DropPosition> drop_position(store::NodeKind kind, int y, int height);

// The MIME type of a dragged node (its id and this process's id).
inline constexpr const char* kNodeMimeType = "application/x-kestrelscan-node";

// The drag data of a node of this process (the caller owns it).
QMimeData* make_node_mime(store::NodeId id);
// The node a drag carries; kNoNode for other data or another process's node.
store::NodeId dragged_node(const QMimeData* data);

// How the view reaches the tree: the node of a row, a node's kind, the row
// of a node.
struct NodeLookup {
  std::function<store::NodeId(const QModelIndex&)> node_of;
  std::function<std::optional<store::NodeKind>(store::NodeId)> kind_of;
  std::function<QModelIndex(store::NodeId)> index_of;
};

// Where a drag would land: the target node and the position.
struct DropMark {
  store::NodeId target = store::kNoNode;
  store::DropPosition where = store::DropPosition::kInto;
  bool operator==(const DropMark&) const = default;
};

class ItemTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit ItemTreeView(QWidget* parent);
  void set_lookup(NodeLookup lookup) { lookup_ = std::move(lookup); }
  // Whether drops are taken now (the window says no during a run).
  void set_drop_gate(std::function<bool()> gate) { gate_ = std::move(gate); }
  // The mark drawn now (while a node is dragged over a row).
  std::optional<DropMark> drop_mark() const { return mark_; }
  // Where a drop at `pos` (viewport coordinates) would land.
  std::optional<DropMark> mark_at(const QPoint& pos) const;

 Q_SIGNALS:
  void nodeDropped(ks::store::NodeId source, ks::store::NodeId target,
                   ks::store::DropPosition where);

 protected:
  void startDrag(Qt::DropActions actions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool taking_drops() const { return !gate_ || gate_(); }
  void set_mark(std::optional<DropMark> mark);

  NodeLookup lookup_;
  std::function<bool()> gate_;
  std::optional<DropMark> mark_;
};

}  // namespace ks::gui
