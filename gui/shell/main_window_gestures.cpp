// The window's side of the tree gestures: the item tree view wired to the
// model (drag and drop with its mark, refused during a run), nodes dropped
// in the tree moved by the tree operation, and links or link files dropped
// on the window turned into new items through "アイテムを追加" (the page
// settings sheet). A window drop only posts the request, so the drag ends
// first; nothing is taken during a run.
#include <QDragEnterEvent>
#include <QMimeData>

#include "app/application.h"
#include "gui/gestures/dropped_link.h"
#include "gui/gestures/item_tree_view.h"
#include "shell/main_window.h"
#include "shell/tree_model.h"

namespace ks::gui {

using store::NodeId;

void MainWindow::wire_tree_gestures() {
  NodeLookup lookup;
  lookup.node_of = [this](const QModelIndex& i) { return model_->node_of(i); };
  lookup.kind_of = [this](NodeId id) -> std::optional<store::NodeKind> {
    const auto tag = model_->tag_of(id);
    if (!tag) return std::nullopt;
    return store::tag_kind(*tag);
  };
  lookup.index_of = [this](NodeId id) { return model_->index_of(id); };
  tree_->set_lookup(std::move(lookup));
  tree_->set_drop_gate([this] { return !running(); });
  connect(tree_, &ItemTreeView::nodeDropped, this,
          [this](NodeId source, NodeId target, store::DropPosition where) {
            drop_node(source, target, where);
          });
  setAcceptDrops(true);
}

void MainWindow::drop_node(NodeId source, NodeId target, store::DropPosition where) {
  if (running()) return;
  store::TreeContext ctx = tree_context();
  store::drop(ctx, source, target, where);
  tree_changed();
  select_node(app_.tree().root());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (running() || !may_drop_link(event->mimeData())) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (running() || !may_drop_link(event->mimeData())) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const auto item = running() ? std::nullopt : dropped_item(event->mimeData());
  if (!item) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  QMetaObject::invokeMethod(
      this, [this, url = item->url, name = item->name] { new_item(url, name); },
      Qt::QueuedConnection);
}

}  // namespace ks::gui
