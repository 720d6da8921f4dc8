// The window's dialogs: the settings of a node (page settings sheet,
// template editing, group sheet with its bulk change, root sheet), the
// options sheet, and the searches of the "検索" menu (the pane find with
// its "次を検索" keys, the past-log search, the item search). One settings
// sheet at a time (SheetLock), never during a run. The two tree searches run
// on worker threads (gui/dialogs) and write into the first result tab
// through the host below.
#include <QCoreApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QTreeView>

#include "app/application.h"
#include "gui/dialogs/bulk_progress.h"
#include "gui/dialogs/find_dialog.h"
#include "gui/dialogs/group_sheet.h"
#include "gui/dialogs/item_search_dialog.h"
#include "gui/dialogs/log_search_dialog.h"
#include "gui/dialogs/options_sheet.h"
#include "gui/dialogs/sheet_lock.h"
#include "gui/viewer/edit_commands.h"
#include "present/display.h"
#include "present/open_page.h"
#include "schedule/autostart.h"
#include "schedule/schedule_timer.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/tree_model.h"
#include "store/check_interval.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"

namespace ks::gui {

using store::NodeId;
using store::NodeKind;

PageSheetEnv MainWindow::page_sheet_env(bool new_record) {
  PageSheetEnv env;
  env.templates = &app_.templates();
  env.open_url = [this](const std::string& url) {
    if (present::open_address(present::AddressKind::kUrl, url, 0, open_env())) keep_focus();
  };
  env.status = [this](const QString& text) { set_status(text); };
  env.new_record = new_record;
  return env;
}

void MainWindow::set_menus_enabled(bool on) {
  for (QAction* a : menubar_actions_) a->setEnabled(on);
  tree_->setEnabled(on);
}

void MainWindow::properties(NodeId id) {
  if (running()) return;
  const store::Node* n = app_.tree().find(id);
  if (!n) return;
  auto lock = SheetLock::try_take();
  if (!lock) return;  // a sheet is open already
  switch (n->kind()) {
    case NodeKind::kRoot:
    case NodeKind::kTemplateRoot: {
      RootSheet sheet(this, app_.folders().data, app_.folders().templates,
                      [this](const QString& text) { set_status(text); });
      sheet.exec();
      break;
    }
    case NodeKind::kGroup:
      group_properties(id);
      break;
    case NodeKind::kItem:
    case NodeKind::kTemplate:
      item_properties(id);
      break;
  }
}

void MainWindow::item_properties(NodeId id) {
  const store::Node* n = app_.tree().find(id);
  auto folder = store::node_path(app_.tree(), id, app_.folders().base);
  if (!n || !folder) return;
  // The sheet shows the item's own settings, not those a template supplies.
  store::PageSettings rec = store::default_page_settings();
  rec.node_id = id;
  rec.kind = static_cast<int32_t>(n->kind());
  rec.name = n->label;
  rec.folder_path = *folder;
  rec.parent_length = static_cast<int32_t>(folder->rfind('/') + 1);
  if (!store::read_page_settings(*folder, rec)) return;
  PageSheetEnv env = page_sheet_env(false);
  // Templates are never checked by the schedule: only items show an interval.
  const bool is_item = n->kind() == NodeKind::kItem;
  const std::optional<int32_t> old_interval =
      is_item ? store::read_check_interval(*folder, false) : std::nullopt;
  std::optional<int32_t> interval = old_interval;
  if (is_item) env.interval = &interval;
  env.commit = [this, id, &interval, old_interval](const store::PageSettings& edited) {
    store::TreeContext ctx = tree_context();
    if (!store::apply_properties(ctx, id, edited)) return false;
    if (interval == old_interval) return true;
    // The folder may have been renamed with the item.
    const auto now = store::node_path(app_.tree(), id, app_.folders().base);
    if (!now || !store::write_check_interval(*now, false, interval)) {
      prompt_.message(KS_SJ("エラー"), KS_SJ("チェック間隔を保存できませんでした。"));
    }
    return true;
  };
  PageSheet sheet(this, rec,
                  n->kind() == NodeKind::kTemplate ? SheetMode::kTemplate : SheetMode::kItem, env);
  const bool ok = sheet.exec() == QDialog::Accepted;
  tree_changed();
  if (!ok) return;
  if (selected_node() == id) {
    current_record_ = load_record(id);
    flags_ = button_flags(false, selected_kind());
    apply_flags();
  }
}

void MainWindow::group_properties(NodeId id) {
  auto folder = store::node_path(app_.tree(), id, app_.folders().base);
  if (!folder) return;
  const std::optional<int32_t> interval = store::read_check_interval(*folder, true);
  GroupSheet sheet(this, *folder, store::read_group_flag(*folder), page_sheet_env(false), interval);
  if (sheet.exec() != QDialog::Accepted) return;
  store::set_group_flag(app_.tree(), id, app_.folders().base, sheet.group_flag());
  if (sheet.interval() != interval &&
      !store::write_check_interval(*folder, true, sheet.interval())) {
    prompt_.message(KS_SJ("エラー"), KS_SJ("チェック間隔を保存できませんでした。"));
  }
  tree_changed();
  if (!sheet.change().any()) return;
  BulkRun run;
  run.tree = &app_.tree();
  run.group = id;
  run.base_folder = app_.folders().base;
  run.change = sheet.change();
  run.templates = &app_.templates();
  run.before_item = bulk_item_hook_;
  set_menus_enabled(false);
  const BulkOutcome out = run_bulk_change(this, run);
  set_menus_enabled(true);
  tree_changed();
  list_no_template_items(out.no_template);
}

void MainWindow::list_no_template_items(const store::NoTemplateReport& report) {
  if (report.items.empty()) return;
  tabs_->setCurrentIndex(check::kTabErrors);
  present::Pane& pane = result(check::kTabErrors);
  pane.begin();
  for (const store::NoTemplateReport::Entry& e : report.items) {
    store::PageSettings item;
    item.node_id = e.node;
    item.name = e.name;
    item.url = e.url;
    present::write_error_line(pane, item, store::no_template_text());
  }
  pane.end();
  prompt_.message(KS_SJ("エラー"), store::no_template_summary());
}

void MainWindow::show_options() {
  if (running()) return;
  OptionsEnv env{app_.statistics(), app_.session_totals()};
  const ScheduleSettings before{app_options::load_schedule(app_.app_folder()), autostart_enabled()};
  OptionsSheet sheet(this, app_.options(), env, before);
  if (sheet.exec() != QDialog::Accepted) return;
  app_.options() = sheet.options();
  bool saved = app_options::save_options(app_.app_folder(), app_.options());
  // [SCHEDULE] is rewritten only when the page changed it.
  const ScheduleSettings& after = sheet.schedule();
  if (app_options::serialize_schedule({}, after.schedule) !=
      app_options::serialize_schedule({}, before.schedule)) {
    saved = app_options::save_schedule(app_.app_folder(), after.schedule) && saved;
  }
  if (!saved) prompt_.message(KS_SJ("エラー"), KS_SJ("設定を保存できませんでした。"));
  if (after.autostart != before.autostart) apply_autostart(after.autostart);
  options_changed();
  if (schedule_) schedule_->rearm();
}

void MainWindow::apply_autostart(bool on) {
  // The entry starts this program on the folder it runs on now.
  std::string home = app_.app_folder();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  const std::string exe = QCoreApplication::applicationFilePath().toStdString();
  if (!set_autostart(on, exe, home)) {
    prompt_.message(KS_SJ("エラー"), KS_SJ("ログイン時の起動を設定できませんでした。"));
  }
}

void MainWindow::find(int id) {
  if (!find_dialog_) {
    find_dialog_ = new FindDialog(this, find_state_, [this] { return &current_view(); });
  }
  // "次を検索" and Shift+F3 repeat the kept text; without one, the dialog asks.
  if (id != kCmdFind && id != kCmdFindMenu && !find_state_.text.empty()) {
    find_again(current_view(), find_state_,
               id == kCmdFindPrevious ? present::FindDirection::kBackward
                                      : present::FindDirection::kForward);
    return;
  }
  find_dialog_->open_for_search();
}

SearchHost MainWindow::search_host() {
  SearchHost host;
  host.tree = &app_.tree();
  host.templates = &app_.templates();
  host.options = &app_.options();
  host.base_folder = app_.folders().base;
  host.selected = [this] { return selected_node(); };
  host.select = [this](store::NodeId id) {
    const QModelIndex i = model_->index_of(id);
    if (!i.isValid()) return;
    for (QModelIndex p = i.parent(); p.isValid(); p = p.parent()) tree_->expand(p);
    select_node(id);
  };
  host.list_pane = [this]() -> present::Pane* { return &result(check::kTabAll); };
  host.show_list_pane = [this] { tabs_->setCurrentIndex(check::kTabAll); };
  host.list_done = [this] { result(check::kTabAll).scroll_to_offset(0); };
  host.status = [this](const QString& text) { set_status(text); };
  host.busy = [this](bool on) { set_menus_enabled(!on); };
  return host;
}

void MainWindow::past_log_search() {
  if (running()) return;
  LogSearchDialog dialog(this, search_host());
  dialog.exec();
}

void MainWindow::item_search() {
  if (running()) return;
  ItemSearchDialog dialog(this, item_search_, search_host());
  dialog.exec();
}

}  // namespace ks::gui
