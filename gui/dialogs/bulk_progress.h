// Running a group's bulk change behind the dialog "一括設定変更中": the walk
// goes on a worker thread over a copy of the tree while the dialog shows
// "設定を変更しています..." and the name of the item being changed; its Cancel
// button stops the walk before the next node (the items already written
// stay written). The worker hands the UI thread values only (the item names
// as they come); the changed importance marks are copied into the real tree
// after the walk. The dialog is modal, and returns when the walk has ended.
//
// The caller keeps the tree unchanged meanwhile (menu commands disabled).
// UI thread.
#pragma once

#include <functional>
#include <string>

#include "store/bulk_change.h"
#include "store/templates.h"
#include "store/tree.h"

class QWidget;

namespace ks::gui {

struct BulkRun {
  store::Tree* tree = nullptr;  // the real tree: its item tags get the new importance
  store::NodeId group = store::kNoNode;
  std::string base_folder;  // ends in '/'
  store::BulkChange change;
  const store::TemplateTable* templates = nullptr;  // may be null: every item matches
  // Called on the worker before each item (tests hold the walk here).
  std::function<void(const store::Node&)> before_item;
};

struct BulkOutcome {
  store::BulkResult result;
  store::NoTemplateReport no_template;  // items written although no template matches
};

BulkOutcome run_bulk_change(QWidget* parent, const BulkRun& run);

}  // namespace ks::gui
