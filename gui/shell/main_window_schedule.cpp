// The window's side of checks that run by themselves: the schedule's timer
// starts a scheduled check when the window is idle (a user's check always
// wins: while one runs the timer waits for its end), the tray shows the next
// scheduled check and pauses the schedule, and a scheduled run that found
// updates (or errors, when asked) ends in a desktop notification instead of
// the finish message, the report and the closing rules, which belong to
// checks the user started. Clicking the notification shows the window on
// the run's results.
#include <QDateTime>
#include <QGuiApplication>
#include <QTabWidget>

#include "app/application.h"
#include "gui/dialogs/sheet_lock.h"
#include "schedule/notifier.h"
#include "schedule/schedule_timer.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/tray.h"

namespace ks::gui {

void MainWindow::build_schedule() {
  schedule_ = new ScheduleTimer(
      app_, [this](const check::ItemSet& items) { return start_scheduled(items); }, this);
  notifier_ = new DesktopNotifier(this);
  notifier_->set_desktop_entry(QGuiApplication::desktopFileName());
  connect(schedule_, &ScheduleTimer::changed, this, &MainWindow::schedule_changed);
  connect(notifier_, &DesktopNotifier::activated, this, [this] {
    activate_from_other_instance();
    tabs_->setCurrentIndex(check::kTabAll);
  });
  if (tray_) {
    connect(tray_, &TrayIcon::pause_toggled, schedule_, &ScheduleTimer::set_paused);
  }
  schedule_->rearm();
  schedule_changed();
}

bool MainWindow::start_scheduled(const check::ItemSet& items) {
  if (running() || exiting_ || finish_message_up_ || SheetLock::held()) return false;
  start_check(check::CheckKind::kScheduled, items);
  return running();
}

void MainWindow::finish_scheduled_run(const check::RunCompletion& done) {
  set_status(from_sjis(done.status_line));
  const app_options::ScheduleOptions& o = schedule_->options();
  const bool updates = o.notify != 0 && done.counters.updated > 0;
  const bool errors = o.notify_errors != 0 && done.counters.errors > 0;
  if (!updates && !errors) return;
  const NoticeText text = run_notice_text(updates ? done.counters.updated : 0, done.counters.errors,
                                          updated_names_, errors);
  if (notifier_->notify(text)) return;
  // Without a notification service the tray's balloon says it.
  if (tray_) tray_->show_message(QStringLiteral("Kestrelscan"), text.summary);
}

void MainWindow::schedule_changed() {
  if (!tray_) return;
  QString tip = QStringLiteral("Kestrelscan");
  if (schedule_->paused()) {
    tip += QStringLiteral("\n自動チェック: 一時停止中");
  } else if (const auto next = schedule_->next_due()) {
    const QDateTime at = QDateTime::fromSecsSinceEpoch(*next);
    tip += QStringLiteral("\n次の自動チェック: ") + at.toString(QStringLiteral("MM/dd HH:mm"));
  }
  tray_->set_tooltip(tip);
  tray_->set_paused(schedule_->paused());
}

}  // namespace ks::gui
