#include "shell/task_monitor.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "check/run.h"
#include "shell/icons.h"
#include "shell/qt_text.h"

namespace ks::gui {

QString group_thousands(int64_t value) {
  const bool negative = value < 0;
  // Work on the magnitude as unsigned, so the most negative value is fine.
  uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  QString digits = QString::number(v);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(at, QLatin1Char(','));
  }
  return negative ? QLatin1Char('-') + digits : digits;
}

std::vector<MonitorRow> monitor_rows(const check::CheckRun* run) {
  std::vector<MonitorRow> rows;
  if (!run) return rows;
  for (int slot = 0; slot < check::kMaxWorkers; ++slot) {
    using check::TaskState;
    const TaskState state = run->tasks().state(slot);
    if (state == TaskState::kIdle || state == TaskState::kDisplayed) continue;
    const check::TaskRecord t = run->tasks().snapshot(slot);
    if (t.state == TaskState::kIdle || t.state == TaskState::kDisplayed) continue;
    rows.push_back({from_sjis(check::task_state_name(t.state)), from_sjis(t.settings.name),
                    group_thousands(t.received_bytes), QString::number(t.elapsed_seconds)});
  }
  return rows;
}

TaskMonitor::TaskMonitor(QWidget* parent) : QDialog(parent), list_(new QTreeWidget(this)) {
  setWindowTitle(QStringLiteral("タスク状態モニタ"));
  setWindowIcon(app_icon());
  setModal(false);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  list_->setHeaderLabels({QStringLiteral("状態"), QStringLiteral("サイト名"),
                          QStringLiteral("受信ﾃﾞｰﾀ"), QStringLiteral("経過時間")});
  // The widths are those of the classic dialog font; with a wider desktop
  // font a column is widened to its heading, so no heading is cut.
  const int widths[] = {110, 250, 60, 50};
  int total = 0;
  for (int c = 0; c < 4; ++c) {
    const int heading =
        list_->header()->fontMetrics().horizontalAdvance(list_->headerItem()->text(c)) +
        2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 16;
    const int w = std::max(widths[c], heading);
    list_->setColumnWidth(c, w);
    total += w;
  }
  list_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  list_->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  resize(total + 2 * (frame + list_->frameWidth()), 300);
}

void TaskMonitor::refresh(const check::CheckRun* run) {
  const std::vector<MonitorRow> rows = monitor_rows(run);
  list_->setUpdatesEnabled(false);
  list_->clear();
  for (const MonitorRow& r : rows) {
    auto* item = new QTreeWidgetItem(list_, {r.state, r.site, r.received, r.elapsed});
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
  }
  list_->setUpdatesEnabled(true);
}

int TaskMonitor::row_count() const {
  return list_->topLevelItemCount();
}

MonitorRow TaskMonitor::row(int index) const {
  const QTreeWidgetItem* item = list_->topLevelItem(index);
  if (!item) return {};
  return {item->text(0), item->text(1), item->text(2), item->text(3)};
}

}  // namespace ks::gui
