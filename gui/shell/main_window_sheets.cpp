// The window's tree gestures that open a sheet: new items and templates
// (the page settings sheet for a new record), and nodes dropped in the
// tree. The sheets of existing nodes are in main_window_dialogs.cpp.
#include "app/application.h"
#include "gui/dialogs/sheet_lock.h"
#include "shell/main_window.h"
#include "shell/tree_model.h"

namespace ks::gui {

using store::NodeId;
using store::NodeKind;

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

void MainWindow::drop_node(NodeId source, NodeId target, store::DropPosition where) {
  if (running()) return;
  store::TreeContext ctx = tree_context();
  store::drop(ctx, source, target, where);
  tree_changed();
  select_node(app_.tree().root());
}

}  // namespace ks::gui
