// The task monitor "タスク状態モニタ": a small modeless window listing the
// busy task slots of the running check (state, item, received bytes of the
// current transfer, seconds in the current wait). The main window refreshes
// it every 200 ms during a run and once at the run's end; between runs it
// is empty, since every slot is then idle or finished.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <vector>

class QTreeWidget;

namespace ks::check {
class CheckRun;
}

namespace ks::gui {

// One row: the four columns as shown.
struct MonitorRow {
  QString state;
  QString site;
  QString received;
  QString elapsed;
};

// "1,234,567": decimal with a comma between groups of three digits.
QString group_thousands(int64_t value);

// The rows of a run's busy slots, in slot order (slots neither idle nor
// finished); none without a run.
std::vector<MonitorRow> monitor_rows(const check::CheckRun* run);

class TaskMonitor : public QDialog {
  Q_OBJECT

 public:
  explicit TaskMonitor(QWidget* parent);
  // Replaces the rows with the run's busy slots.
  void refresh(const check::CheckRun* run);
  int row_count() const;
  MonitorRow row(int index) const;

 private:
  QTreeWidget* list_;
};

}  // namespace ks::gui
