#include "shell/item_tree_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

#include "shell/tree_model.h"

namespace ks::gui {

using store::DropPosition;
using store::NodeKind;

std::optional<DropPosition> drop_position(NodeKind kind, int y, int height) {
  if (height <= 0) return std::nullopt;
  switch (kind) {
    case NodeKind::kRoot:
      return DropPosition::kInto;
    case NodeKind::kGroup:
      if (y * 4 < height) return DropPosition::kBefore;
      if (y * 4 >= height * 3) return DropPosition::kAfter;
      return DropPosition::kInto;
    case NodeKind::kItem:
      return y * 2 < height ? DropPosition::kBefore : DropPosition::kAfter;
    case NodeKind::kTemplateRoot:
    case NodeKind::kTemplate:
      return std::nullopt;
  }
  return std::nullopt;
}

ItemTreeView::ItemTreeView(QWidget* parent) : QTreeView(parent) {
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(false);  // the view draws its own mark
  setDragDropMode(QAbstractItemView::DragDrop);
}

void ItemTreeView::set_tree_model(TreeModel* model) {
  model_ = model;
  setModel(model);
}

store::NodeId ItemTreeView::dragged_node(const QMimeData* data) {
  if (!data || !data->hasFormat(QString::fromLatin1(kNodeMimeType))) return store::kNoNode;
  const QList<QByteArray> parts = data->data(QString::fromLatin1(kNodeMimeType)).split(' ');
  // A node of another running program names nothing here.
  if (parts.size() != 2 || parts[1].toLongLong() != QApplication::applicationPid()) {
    return store::kNoNode;
  }
  return static_cast<store::NodeId>(parts[0].toULongLong());
}

void ItemTreeView::startDrag(Qt::DropActions) {
  const store::NodeId id = model_ ? model_->node_of(currentIndex()) : store::kNoNode;
  const auto tag = model_ ? model_->tag_of(id) : std::nullopt;
  if (!tag) return;
  const NodeKind kind = store::tag_kind(*tag);
  if (kind != NodeKind::kGroup && kind != NodeKind::kItem) return;
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kNodeMimeType),
                QByteArray::number(static_cast<qulonglong>(id)) + ' ' +
                    QByteArray::number(QApplication::applicationPid()));
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  drag->exec(Qt::MoveAction);
  set_mark(std::nullopt);
}

std::optional<ItemTreeView::Mark> ItemTreeView::mark_at(const QPoint& pos) const {
  const QModelIndex at = indexAt(pos);
  if (!at.isValid() || !model_) return std::nullopt;
  const auto tag = model_->tag_of(model_->node_of(at));
  if (!tag) return std::nullopt;
  const QRect row = visualRect(at);
  const auto where = drop_position(store::tag_kind(*tag), pos.y() - row.top(), row.height());
  if (!where) return std::nullopt;
  return Mark{model_->node_of(at), *where};
}

void ItemTreeView::set_mark(std::optional<Mark> mark) {
  const bool same = mark_.has_value() == mark.has_value() &&
                    (!mark || (mark_->target == mark->target && mark_->where == mark->where));
  mark_ = mark;
  if (!same) viewport()->update();
}

void ItemTreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (dragged_node(event->mimeData()) == store::kNoNode || (gate_ && !gate_())) {
    event->ignore();  // links and files go on to the window
    return;
  }
  event->acceptProposedAction();
}

void ItemTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (dragged_node(event->mimeData()) == store::kNoNode || (gate_ && !gate_())) {
    event->ignore();
    return;
  }
  const auto mark = mark_at(event->position().toPoint());
  set_mark(mark);
  if (mark) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void ItemTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
  set_mark(std::nullopt);
  event->accept();
}

void ItemTreeView::dropEvent(QDropEvent* event) {
  const store::NodeId source = dragged_node(event->mimeData());
  const auto mark = mark_at(event->position().toPoint());
  set_mark(std::nullopt);
  if (source == store::kNoNode || !mark || (gate_ && !gate_())) {
    event->ignore();
    return;
  }
  // The tree operation moves the node; Qt must not remove the source row.
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
  Q_EMIT nodeDropped(source, mark->target, mark->where);
}

void ItemTreeView::paintEvent(QPaintEvent* event) {
  QTreeView::paintEvent(event);
  if (!mark_ || !model_) return;
  const QRect row = visualRect(model_->index_of(mark_->target));
  if (!row.isValid()) return;
  QPainter p(viewport());
  p.setPen(QPen(palette().color(QPalette::Highlight), 2));
  switch (mark_->where) {
    case DropPosition::kBefore:
      p.drawLine(row.left(), row.top() + 1, viewport()->width(), row.top() + 1);
      break;
    case DropPosition::kAfter:
      p.drawLine(row.left(), row.bottom(), viewport()->width(), row.bottom());
      break;
    case DropPosition::kInto:
      p.drawRect(row.adjusted(1, 1, -1, -1));
      break;
  }
}

}  // namespace ks::gui
