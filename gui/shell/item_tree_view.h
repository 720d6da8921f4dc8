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
// (links, files) are left to the window. UI thread.
#pragma once

#include <QTreeView>
#include <functional>
#include <optional>

#include "store/node.h"
#include "store/tree.h"
#include "store/tree_ops.h"

namespace ks::gui {

class TreeModel;

// Where a drop at `y` pixels below the top of a row `height` pixels high
// lands on a node of `kind`; nullopt when the node takes no drops.
std::optional<store::DropPosition> drop_position(store::NodeKind kind, int y, int height);

// The MIME type of a dragged node (its id and this process's id).
inline constexpr const char* kNodeMimeType = "application/x-kestrelscan-node";

class ItemTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit ItemTreeView(QWidget* parent);
  void set_tree_model(TreeModel* model);
  // Whether drops are taken now (the window says no during a run).
  void set_drop_gate(std::function<bool()> gate) { gate_ = std::move(gate); }

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
  struct Mark {
    store::NodeId target = store::kNoNode;
    store::DropPosition where = store::DropPosition::kInto;
  };
  std::optional<Mark> mark_at(const QPoint& pos) const;
  static store::NodeId dragged_node(const QMimeData* data);
  void set_mark(std::optional<Mark> mark);

  TreeModel* model_ = nullptr;
  std::function<bool()> gate_;
  std::optional<Mark> mark_;
};

}  // namespace ks::gui
