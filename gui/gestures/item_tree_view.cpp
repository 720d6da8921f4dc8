#include "gui/gestures/item_tree_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

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

QMimeData* make_node_mime(store::NodeId id) {
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kNodeMimeType),
                QByteArray::number(static_cast<qulonglong>(id)) + ' ' +
                    QByteArray::number(QApplication::applicationPid()));
  return mime;
}

store::NodeId dragged_node(const QMimeData* data) {
  if (!data || !data->hasFormat(QString::fromLatin1(kNodeMimeType))) return store::kNoNode;
  const QList<QByteArray> parts = data->data(QString::fromLatin1(kNodeMimeType)).split(' ');
  // A node of another running program names nothing here.
  if (parts.size() != 2 || parts[1].toLongLong() != QApplication::applicationPid()) {
    return store::kNoNode;
  }
  bool ok = false;
  const qulonglong id = parts[0].toULongLong(&ok);
  return ok ? static_cast<store::NodeId>(id) : store::kNoNode;
}

ItemTreeView::ItemTreeView(QWidget* parent) : QTreeView(parent) {
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(false);  // the view draws its own mark
  setDragDropMode(QAbstractItemView::DragDrop);
}

void ItemTreeView::startDrag(Qt::DropActions) {
  if (!lookup_.node_of || !lookup_.kind_of || !taking_drops()) return;
  const store::NodeId id = lookup_.node_of(currentIndex());
  const auto kind = lookup_.kind_of(id);
  if (!kind || (*kind != NodeKind::kGroup && *kind != NodeKind::kItem)) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(make_node_mime(id));
  drag->exec(Qt::MoveAction);
  set_mark(std::nullopt);
}

std::optional<DropMark> ItemTreeView::mark_at(const QPoint& pos) const {
  const QModelIndex at = indexAt(pos);
  if (!at.isValid() || !lookup_.node_of || !lookup_.kind_of) return std::nullopt;
  const store::NodeId id = lookup_.node_of(at);
  const auto kind = lookup_.kind_of(id);
  if (!kind) return std::nullopt;
  const QRect row = visualRect(at);
  const auto where = drop_position(*kind, pos.y() - row.top(), row.height());
  if (!where) return std::nullopt;
  return DropMark{id, *where};
}

void ItemTreeView::set_mark(std::optional<DropMark> mark) {
  if (mark_ == mark) return;
  mark_ = mark;
  viewport()->update();
}

void ItemTreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (dragged_node(event->mimeData()) == store::kNoNode || !taking_drops()) {
    event->ignore();  // links and files go on to the window
    return;
  }
  event->acceptProposedAction();
}

void ItemTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (dragged_node(event->mimeData()) == store::kNoNode || !taking_drops()) {
    set_mark(std::nullopt);
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
  if (source == store::kNoNode || !mark || !taking_drops()) {
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
  if (!mark_ || !lookup_.index_of) return;
  const QRect row = visualRect(lookup_.index_of(mark_->target));
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
