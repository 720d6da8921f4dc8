// The window's property sheets and tree gestures: the settings of a node
// (page settings sheet, template editing, group sheet with its bulk change,
// root sheet), new items, the options sheet, and nodes dropped in the tree.
// One sheet at a time (SheetLock), never during a run.
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QTreeView>

#include "app/application.h"
#include "gui/dialogs/bulk_progress.h"
#include "gui/dialogs/group_sheet.h"
#include "gui/dialogs/options_sheet.h"
#include "gui/dialogs/sheet_lock.h"
#include "present/display.h"
#include "present/open_page.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/tree_model.h"
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
  env.commit = [this, id](const store::PageSettings& edited) {
    store::TreeContext ctx = tree_context();
    return store::apply_properties(ctx, id, edited);
  };
  PageSheet sheet(this, rec, n->kind() == NodeKind::kTemplate ? SheetMode::kTemplate : SheetMode::kItem,
                  env);
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
  GroupSheet sheet(this, *folder, store::read_group_flag(*folder), page_sheet_env(false));
  if (sheet.exec() != QDialog::Accepted) return;
  store::set_group_flag(app_.tree(), id, app_.folders().base, sheet.group_flag());
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

void MainWindow::new_item(const std::string& url, const std::string& name) {
  if (running() || new_item_open_) return;
  auto lock = SheetLock::try_take();
  if (!lock) return;
  store::TreeContext ctx = tree_context();
  const NodeId at = selected_node() != store::kNoNode ? selected_node() : app_.tree().root();
  const auto plan = store::plan_new_node(ctx, at, name, url);
  if (!plan) return;  // the template table is full, or no free name
  new_item_open_ = true;
  NodeId made = store::kNoNode;
  PageSheetEnv env = page_sheet_env(true);
  env.commit = [this, &plan, &made](const store::PageSettings& rec) {
    store::TreeContext c = tree_context();
    const store::CreateResult r = store::create_planned_node(c, *plan, rec);
    made = r.node;
    return r.status == store::CreateStatus::kOk;
  };
  PageSheet sheet(this, plan->record,
                  plan->kind == NodeKind::kTemplate ? SheetMode::kTemplate : SheetMode::kItem, env);
  sheet.exec();
  new_item_open_ = false;
  tree_changed();
  if (made == store::kNoNode) return;
  select_node(made);
  current_record_ = load_record(made);
}

void MainWindow::show_options() {
  if (running()) return;
  OptionsEnv env{app_.statistics(), app_.session_totals()};
  OptionsSheet sheet(this, app_.options(), env);
  if (sheet.exec() != QDialog::Accepted) return;
  app_.options() = sheet.options();
  if (!app_options::save_options(app_.app_folder(), app_.options())) {
    prompt_.message(KS_SJ("エラー"), KS_SJ("設定を保存できませんでした。"));
  }
  options_changed();
}

}  // namespace ks::gui
