// The searches of the "検索" menu: the pane find (its dialog and the
// "次を検索" keys), the past-log search and the item search. The two tree
// searches run on worker threads (gui/dialogs) and write into the first
// result tab through the host below.
#include <QTabWidget>
#include <QTreeView>

#include "app/application.h"
#include "gui/dialogs/find_dialog.h"
#include "gui/dialogs/item_search_dialog.h"
#include "gui/dialogs/log_search_dialog.h"
#include "gui/viewer/edit_commands.h"
#include "gui/gestures/item_tree_view.h"
#include "shell/main_window.h"
#include "shell/tree_model.h"

namespace ks::gui {

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
