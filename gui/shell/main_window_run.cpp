// The window's side of a check run: starting (status, tabs, the running
// look, the timer), the run's events applied on the UI thread, and the end
// (summary, sound, report, restore, finish message, closing).
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QSoundEffect>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>

#include "app/application.h"
#include "gui/dialogs/sheet_lock.h"
#include "present/report.h"
#include "present/run_display.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/task_monitor.h"
#include "shell/tray.h"
#include "shell/tree_model.h"

namespace ks::gui {

using store::NodeId;
using store::NodeKind;

void MainWindow::post_startup_check() {
  // Once the event loop runs: a check of the selected node, which is the
  // root right after start-up, so every item is checked.
  QMetaObject::invokeMethod(
      this, [this] { command(kCmdCheck); }, Qt::QueuedConnection);
}

void MainWindow::start_check(check::CheckKind kind) {
  // An open settings sheet may be changing an item: no run until it closes.
  if (running() || exiting_ || SheetLock::held()) return;
  NodeId node = selected_node();
  if (node == store::kNoNode) node = app_.tree().root();
  const auto tag = model_->tag_of(node);
  if (!tag) return;
  const NodeKind k = store::tag_kind(*tag);
  const bool single = k == NodeKind::kItem || k == NodeKind::kTemplate;

  set_status(QStringLiteral("更新チェック中..."));
  statusBar()->repaint();
  record_set_aside_ = current_record_;
  run_tabs_ = single ? check::RunTabs{check::kTabSingle, check::kTabSingle}
                     : check::RunTabs{check::kTabAll, check::kTabErrors};
  tabs_->setCurrentIndex(run_tabs_.change_tab);
  result(run_tabs_.change_tab).clear();
  result(run_tabs_.message_tab).clear();
  focus_before_run_ = QApplication::focusWidget();
  run_active_ = true;
  set_running_look(true);
  if (!run_timer_.isActive()) run_timer_.start();
  if (!runs_->start(node, kind)) {
    run_active_ = false;
    set_running_look(false);
    run_timer_.stop();
    set_status({});
  }
}

void MainWindow::item_finished(const check::ItemFinished& item) {
  model_->set_tag(item.node, item.tag);
  present::apply_display(item.display, present::RunPanes{{panes_[0], panes_[1], panes_[2]}});
}

void MainWindow::redirect_shown(const check::RedirectShown& notice) {
  present::apply_display(notice.display, present::RunPanes{{panes_[0], panes_[1], panes_[2]}});
}

void MainWindow::status_text(const std::string& sjis) {
  set_status(from_sjis(sjis));
}

void MainWindow::run_tick() {
  if (in_tick_) return;
  in_tick_ = true;
  if (monitor_) monitor_->refresh(runs_->run());
  // While the window is closing the close request is repeated on each tick
  // until the workers have ended (or the attempts run out).
  if (exiting_) QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
  in_tick_ = false;
}

void MainWindow::run_ended(const check::RunEnded&) {
  const check::RunCompletion done = runs_->complete(isMinimized() || !isVisible());
  current_record_ = record_set_aside_;
  if (tray_) tray_->set_busy(false);
  run_active_ = false;
  if (done.closing || exiting_) return;
  run_timer_.stop();
  if (monitor_) monitor_->refresh(runs_->run());
  // Workers only marked nodes; bring the rest of the mirror in line too.
  model_->sync();
  set_running_look(false);
  QWidget* focus = QApplication::focusWidget();
  const bool kept = focus && (focus == tree_ || focus == static_cast<QWidget*>(toolbar_) ||
                              focus == result(tabs_->currentIndex()).widget());
  if (!kept) {
    if (focus_before_run_) {
      focus_before_run_->setFocus();
    } else {
      result(tabs_->currentIndex()).widget()->setFocus();
    }
  }
  finish_run(done);
}

void MainWindow::finish_run(const check::RunCompletion& done) {
  set_status(from_sjis(done.status_line));
  if (!done.sound_file.empty()) play_sound(done.sound_file);
  if (done.open_report) browser_view(false);
  if (done.restore_window && (isMinimized() || !isVisible())) activate_from_other_instance();
  if (tray_ && (isMinimized() || !isVisible())) {
    tray_->show_message(QStringLiteral("Kestrelscan"), from_sjis(done.status_line));
  }
  if (!done.show_finish_message) return after_finish_message(done);
  // Shown window-modal without a nested event loop; what follows the box
  // (closing) waits for its answer.
  auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Kestrelscan"),
                              from_sjis(done.finish_message), QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("finish_message"));
  finish_message_up_ = true;
  connect(box, &QDialog::finished, this, [this, done] {
    finish_message_up_ = false;
    after_finish_message(done);
  });
  box->open();
}

void MainWindow::after_finish_message(const check::RunCompletion& done) {
  if (done.close_application) QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
}

void MainWindow::play_sound(const std::string& file) {
  // A file that cannot be played reports nothing.
  const QString path = from_sjis(file);
  if (!QFileInfo::exists(path)) return;
  if (!sound_) sound_ = new QSoundEffect(this);
  sound_->setSource(QUrl::fromLocalFile(path));
  sound_->play();
}

}  // namespace ks::gui
