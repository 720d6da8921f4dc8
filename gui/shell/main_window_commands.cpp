// The main window's commands: the gates, then the action of each number.
// The sheets and the tree's drops are in main_window_sheets.cpp, the file
// menu's commands in main_window_files.cpp, the searches in
// main_window_search.cpp.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>

#include "app/application.h"
#include "compare/check_finish.h"
#include "gui/viewer/edit_commands.h"
#include "gui/viewer/link_opening.h"
#include "gui/viewer/print_view.h"
#include "present/display.h"
#include "present/history.h"
#include "present/open_page.h"
#include "present/report.h"
#include "shell/about_box.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/task_monitor.h"
#include "shell/tree_model.h"
#include "store/node_path.h"
#include "store/tree_ops.h"

namespace ks::gui {

using store::NodeId;
using store::NodeKind;

bool MainWindow::command_allowed(int id) const {
  if (const auto button = gating_button(id); button && !flags_.enabled(*button)) return false;
  if (idle_only(id) && running()) return false;
  return true;
}

void MainWindow::command(int id) {
  if (!command_allowed(id)) return;
  if (const auto kind = check_kind_of(id)) return start_check(*kind);
  switch (id) {
    case kCmdTrayCheck:
      if (running()) {
        stop_check();
      } else {
        start_check(check::CheckKind::kSelected);
      }
      break;
    case kCmdStop:
      stop_check();
      break;
    case kCmdReload:
      reload(false);
      break;
    case kCmdReloadAll:
      reload(true);
      break;
    case kCmdTopmost:
      toggle_topmost();
      break;
    case kCmdTaskMonitor:
      toggle_task_monitor();
      break;
    case kCmdExit:
      close();
      break;
    case kCmdRestore:
      activate_from_other_instance();
      break;
    case kCmdAbout:
      show_about();
      break;
    case kCmdOpenUrl:
      open_item_url();
      break;
    case kCmdExpandAll:
      expand_all(true);
      break;
    case kCmdCollapseAll:
      expand_all(false);
      break;
    case kCmdClearErrors:
      clear_marks(true);
      break;
    case kCmdClearResults:
      clear_marks(false);
      break;
    case kCmdNewFolder:
    case kCmdAddFolderButton:
      new_folder();
      break;
    case kCmdDelete:
    case kCmdDeleteButton:
      delete_selected();
      break;
    case kCmdCut:
    case kCmdCopyNode:
      if (item_command_enabled(id, selected_kind()) && selected_node() != store::kNoNode) {
        clipboard_ = {selected_node(), id == kCmdCut};
      }
      break;
    case kCmdPaste:
      paste();
      break;
    case kCmdRename:
      rename_selected();
      break;
    case kCmdRepair:
      repair();
      break;
    case kCmdBrowserView:
    case kCmdBrowserViewButton:
      browser_view(false);
      break;
    case kCmdBrowserViewImage:
    case kCmdBrowserViewImageButton:
      browser_view(true);
      break;
    case kCmdLastUpdateTimes:
      last_update_times();
      break;
    case kCmdCopy:
      edit_copy(current_view());
      break;
    case kCmdCopyUrl:
      edit_copy_url(current_view());
      break;
    case kCmdSelectAll:
      edit_select_all(current_view());
      break;
    case kCmdSearchGoogle:
    case kCmdSearchWikipedia:
    case kCmdSearchDictionary:
    case kCmdOpenSelection:
      web_search(id);
      break;
    case kCmdNextHeadline:
      current_view().next_headline(app_.options().jump_to_msg != 0);
      break;
    case kCmdPrevHeadline:
      current_view().previous_headline(app_.options().jump_to_msg != 0);
      break;
    case kCmdNextKeyword:
      current_view().next_keyword();
      break;
    case kCmdFind:
    case kCmdFindMenu:
    case kCmdFindNext:
    case kCmdFindNextMenu:
    case kCmdFindPrevious:
      find(id);
      break;
    case kCmdPrint:
      print_current();
      break;
    case kCmdHistory:
      show_history();
      break;
    case kCmdViewerOpenItem:
      select_node(heading_node_);
      break;
    case kCmdViewerDeleteItem:
      select_node(heading_node_);
      if (selected_node() == heading_node_) delete_selected();
      break;
    case kCmdViewerItemSettings:
      properties(heading_node_);
      break;
    case kCmdProperties:
    case kCmdConfigButton:
      properties(selected_node() != store::kNoNode ? selected_node() : app_.tree().root());
      break;
    case kCmdNewItem:
    case kCmdAddPageButton:
      new_item();
      break;
    case kCmdOptions:
      show_options();
      break;
    case kCmdImport:
      import_bookmarks();
      break;
    case kCmdExport:
      export_bookmarks();
      break;
    case kCmdSaveLogHtml:
      save_log_html();
      break;
    case kCmdConfirm:
      confirm_selected();
      break;
    case kCmdPastLogSearch:
      past_log_search();
      break;
    case kCmdItemSearch:
      item_search();
      break;
    default:
      break;
  }
}

void MainWindow::stop_check() {
  runs_->stop();
}

void MainWindow::toggle_topmost() {
  topmost_ = !topmost_;
  const bool was_visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost_);
  // Changing the flags hides a shown window; bring it back as it was.
  if (was_visible) show();
  if (QAction* a = toolbar_action(Button::kTopmost)) {
    a->setToolTip(QString::fromUtf8(topmost_tooltip(topmost_)));
  }
}

void MainWindow::toggle_task_monitor() {
  if (monitor_) {
    monitor_->close();
    monitor_->deleteLater();
    monitor_ = nullptr;
    return;
  }
  monitor_ = new TaskMonitor(this);
  monitor_->setAttribute(Qt::WA_DeleteOnClose);
  // At the window's left edge, just below the toolbar.
  const int below = toolbar_ ? toolbar_->geometry().bottom() + 1 : 0;
  const QPoint at = mapToGlobal(QPoint(0, below));
  monitor_->move(frameGeometry().left(), at.y());
  monitor_->refresh(runs_->run());
  monitor_->show();
}

void MainWindow::reload(bool all) {
  present::DisplayEnv env;
  env.options = &app_.options();
  env.status = [this](std::string_view text) { set_status(from_sjis(text)); };
  const NodeId from = all ? app_.tree().root() : selected_node();
  const store::Node* start = app_.tree().find(from);
  if (!start) return;
  const bool single = start->kind() == NodeKind::kItem || start->kind() == NodeKind::kTemplate;
  const int tab = single ? check::kTabSingle : check::kTabAll;
  present::Pane& pane = result(tab);
  pane.clear();
  tabs_->setCurrentIndex(tab);
  app_.tree().walk(from, [&](const store::Node& n, int) {
    if (n.kind() != NodeKind::kItem && !(single && n.kind() == NodeKind::kTemplate)) return;
    if (auto rec = load_record(n.id)) {
      present::show_stored_result(pane, rec->folder_path, *rec,
                                  single ? app_.options().n_reload : 0, env);
    }
  });
  result(tab).scroll_to_offset(0);
  set_status({});
}

void MainWindow::open_item_url() {
  const auto rec = load_record(selected_node());
  if (!rec || store::tag_kind(model_->tag_of(rec->node_id).value_or(0)) != NodeKind::kItem) return;
  const std::string& url = rec->browse_url.empty() ? rec->url : rec->browse_url;
  if (url.empty()) return;
  present::OpenEnv env;
  env.options = &app_.options();
  env.message = [this](std::string_view text, std::string_view title) {
    prompt_.message(title, text);
  };
  if (present::open_address(present::AddressKind::kUrl, url, rec->browser_number, env)) {
    keep_focus();
  }
}

void MainWindow::expand_all(bool expand) {
  const QModelIndex at = tree_->currentIndex();
  if (!at.isValid()) return;
  if (expand) {
    tree_->expandRecursively(at);
    return;
  }
  // Collapse below the node first, then the node itself unless it is the
  // root, which stays open.
  std::vector<QModelIndex> stack{at};
  while (!stack.empty()) {
    const QModelIndex i = stack.back();
    stack.pop_back();
    for (int r = 0; r < model_->rowCount(i); ++r) stack.push_back(model_->index(r, 0, i));
    if (i != at) tree_->collapse(i);
  }
  if (model_->node_of(at) != app_.tree().root()) tree_->collapse(at);
}

void MainWindow::clear_marks(bool errors_only) {
  const NodeId from = selected_node();
  if (from == store::kNoNode) return;
  const char* question =
      errors_only ? "選択したアイテムのエラーをクリアします。\r\n\r\nよろしいですか？"
                  : "選択したアイテムの更新チェック結果をクリアします。\r\n\r\nよろしいですか？";
  if (prompt_.ask(store::Question::kYesNo, KS_SJ("確認"), utf8_to_sjis(question), true) !=
      store::Answer::kYes) {
    return;
  }
  set_status(errors_only ? QStringLiteral("エラーのクリア中...")
                         : QStringLiteral("更新チェック結果のクリア中..."));
  std::vector<NodeId> targets;
  app_.tree().walk(from, [&](const store::Node& n, int) {
    if (n.kind() != NodeKind::kItem && n.kind() != NodeKind::kTemplate) return;
    if (errors_only && !(n.tag & store::kTagError)) return;
    targets.push_back(n.id);
  });
  for (NodeId id : targets) {
    store::Node* n = app_.tree().find(id);
    auto folder = store::node_path(app_.tree(), id, app_.folders().base);
    if (!n || !folder) continue;
    if (!errors_only) {
      set_status(
          QStringLiteral("結果のクリア中\"%1\"...")
              .arg(from_sjis(std::string_view(n->label).substr(0, sjis_fit(n->label, 100)))));
    }
    compare::clear_results(*folder, errors_only);
    n->tag &= ~store::kTagResultMask;
    model_->set_tag(id, n->tag);
  }
  set_status({});
  show_selected_result();
}

void MainWindow::new_folder() {
  store::TreeContext ctx = tree_context();
  const NodeId made = store::new_folder(ctx, selected_node());
  tree_changed();
  if (made == store::kNoNode) return;
  select_node(made);
  tree_->edit(model_->index_of(made));
}

void MainWindow::delete_selected() {
  const NodeId id = selected_node();
  if (id == store::kNoNode || !item_command_enabled(kCmdDelete, selected_kind())) return;
  store::TreeContext ctx = tree_context();
  const NodeId parent = app_.tree().find(id) ? app_.tree().find(id)->parent : store::kNoNode;
  const store::DeleteStatus done = store::delete_node(ctx, id);
  tree_changed();
  if (done == store::DeleteStatus::kDeleted) select_node(parent);
}

void MainWindow::paste() {
  if (clipboard_.node == store::kNoNode || selected_node() == store::kNoNode) return;
  store::TreeContext ctx = tree_context();
  store::paste(ctx, clipboard_, selected_node());
  tree_changed();
}

void MainWindow::rename_selected() {
  const QModelIndex i = tree_->currentIndex();
  if (i.isValid() && (model_->flags(i) & Qt::ItemIsEditable)) tree_->edit(i);
}

void MainWindow::repair() {
  store::TreeContext ctx = tree_context();
  if (!store::repair_tree(ctx)) return;
  model_->reset();
  select_node(app_.tree().root());
  tree_->expand(model_->index_of(app_.tree().root()));
}

void MainWindow::browser_view(bool images) {
  present::ReportEnv env;
  env.options = &app_.options();
  env.base_folder = app_.folders().base;
  env.status = [this](std::string_view text) { set_status(from_sjis(text)); };
  env.message = [this](std::string_view text, std::string_view title) {
    prompt_.message(title, text);
  };
  env.apply_template = app_.template_applier();
  const NodeId from = selected_node() != store::kNoNode ? selected_node() : app_.tree().root();
  const auto path = present::write_report(
      app_.tree(), from, images ? present::ReportMode::kImages : present::ReportMode::kText, env);
  set_status({});
  if (!path) return;
  present::OpenEnv open;
  open.options = &app_.options();
  open.message = env.message;
  present::open_report(*path, open);
}

void MainWindow::last_update_times() {
  present::DisplayEnv env;
  env.options = &app_.options();
  env.status = [this](std::string_view text) { set_status(from_sjis(text)); };
  present::show_last_update_times(result(check::kTabAll), app_.tree(), app_.folders().base, env);
  tabs_->setCurrentIndex(check::kTabAll);
  result(check::kTabAll).scroll_to_offset(0);
  set_status({});
}

present::OpenEnv MainWindow::open_env() {
  present::OpenEnv env;
  env.options = &app_.options();
  env.message = [this](std::string_view text, std::string_view title) {
    prompt_.message(title, text);
  };
  return env;
}

void MainWindow::web_search(int id) {
  const SearchSite site = id == kCmdSearchGoogle       ? SearchSite::kWeb
                          : id == kCmdSearchWikipedia  ? SearchSite::kEncyclopedia
                          : id == kCmdSearchDictionary ? SearchSite::kDictionary
                                                       : SearchSite::kAddress;
  if (edit_web_search(current_view(), site, open_env())) keep_focus();
}

void MainWindow::print_current() {
  print_with_dialog(current_view(), this, [this](const QString& text) { set_status(text); });
}

void MainWindow::show_history() {
  present::show_history(result(check::kTabAll), history_);
  tabs_->setCurrentIndex(check::kTabAll);
  result(check::kTabAll).scroll_to_offset(0);
}

void MainWindow::link_activated(const LinkInfo& link) {
  if (const auto node = present::item_settings_node(link.target)) {
    // The item's settings open in its sheet, never during a run.
    if (!running()) properties(*node);
    return;
  }
  LinkOpenContext context;
  context.history = &history_;
  context.options = &app_.options();
  context.base_folder = app_.folders().base;
  context.statistics = &app_.statistics();
  context.session_totals = &app_.session_totals();
  context.open_env = open_env();
  const LinkOpenResult opened = open_result_link(link, context);
  set_status(opened.status);
  if (opened.opened) keep_focus();
}

void MainWindow::show_view_menu(const QPoint& global) {
  if (const auto node = current_view().heading_item_at_caret()) {
    return show_heading_menu(*node, global);
  }
  QMenu edit;
  for (int c :
       std::initializer_list<int>{kCmdCopy, kCmdCopyUrl, 0, kCmdSearchGoogle, kCmdSearchWikipedia,
                                  kCmdSearchDictionary, kCmdOpenSelection, 0, kCmdSelectAll}) {
    if (c == 0) {
      edit.addSeparator();
    } else {
      edit.addAction(menu_action(c));
    }
  }
  edit.exec(global);
}

void MainWindow::show_about() {
  AboutBox box(this, &app_.folders());
  box.exec();
}

void MainWindow::show_heading_menu(NodeId node, const QPoint& global) {
  heading_node_ = node;
  heading_menu_->exec(global);
}

void MainWindow::show_selected_result() {
  present::Pane& pane = result(check::kTabSingle);
  pane.clear();
  if (!current_record_) return;
  present::DisplayEnv env;
  env.options = &app_.options();
  present::show_stored_result(pane, current_record_->folder_path, *current_record_, 0, env);
  result(check::kTabSingle).scroll_to_offset(0);
}

}  // namespace ks::gui
