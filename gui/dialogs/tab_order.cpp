#include "gui/dialogs/tab_order.h"

#include <QGridLayout>
#include <QLayout>
#include <QWidget>
#include <algorithm>
#include <tuple>

namespace ks::gui {
namespace {

void collect(QLayout* layout, std::vector<QWidget*>& out);

void collect_widget(QWidget* w, std::vector<QWidget*>& out) {
  if (!w) return;
  // A control that takes the focus stands for its parts (a spin box's
  // edit, a combo box's list).
  if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
    out.push_back(w);
    return;
  }
  if (w->layout()) collect(w->layout(), out);
}

void collect_item(QLayoutItem* item, std::vector<QWidget*>& out) {
  if (!item) return;
  if (QWidget* w = item->widget()) {
    collect_widget(w, out);
  } else if (QLayout* inner = item->layout()) {
    collect(inner, out);
  }
}

void collect(QLayout* layout, std::vector<QWidget*>& out) {
  if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
    std::vector<std::tuple<int, int, int>> cells;  // row, column, index
    for (int i = 0; i < grid->count(); ++i) {
      int row = 0, column = 0, rows = 0, columns = 0;
      grid->getItemPosition(i, &row, &column, &rows, &columns);
      cells.emplace_back(row, column, i);
    }
    std::sort(cells.begin(), cells.end());
    for (const auto& [row, column, i] : cells) collect_item(grid->itemAt(i), out);
    return;
  }
  for (int i = 0; i < layout->count(); ++i) collect_item(layout->itemAt(i), out);
}

}  // namespace

std::vector<QWidget*> layout_focus_order(QWidget* page) {
  std::vector<QWidget*> out;
  if (page && page->layout()) collect(page->layout(), out);
  return out;
}

void follow_layout(QWidget* page) {
  const std::vector<QWidget*> order = layout_focus_order(page);
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace ks::gui
