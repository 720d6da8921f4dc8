// Operations that change the tree and the folders together: new group, new
// item or template, properties changes, rename, delete (to the trash), copy,
// cut and paste, and drop with a position. After each one the tree, the
// folders, tree.db (or the automatic order), the item counts and the template
// table agree.
//
// Where an operation must ask or tell the user it goes through the Prompt of
// the TreeContext, with the system's own texts and titles. Failures leave
// what was already done in place (copied files stay copied).
//
// Threads: one operation at a time, on the thread that owns the tree (the
// desktop app's UI thread, the CLI's only thread).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "store/page_settings.h"
#include "store/prompt.h"
#include "store/templates.h"
#include "store/tree.h"

namespace ks::store {

// What every operation works on. The referenced objects must outlive it.
struct TreeContext {
  Tree& tree;
  TemplateTable& templates;
  std::string base_folder;  // ends in '/'; the data folder is base + "data"
  bool auto_sort = false;   // sort after each change instead of saving tree.db
  Prompt& prompt;

  std::string data_folder() const;
};

// After an insertion, rename, move or paste: sort the node's siblings when
// automatic sorting is on, else save tree.db. False (the user told) when
// tree.db could not be written.
bool order_changed(TreeContext& ctx, NodeId node);
// After a change that only needs the saved order (delete, drop).
bool save_order_unless_sorted(TreeContext& ctx);

// --- New group -------------------------------------------------------------

// Creates "新規フォルダ" (or "新規フォルダ(2)" ...) in the selected group,
// or in the group of the selected item. kNoNode when nothing was made.
NodeId new_folder(TreeContext& ctx, NodeId selected);

// --- New item / new template -----------------------------------------------

struct NewNodePlan {
  NodeKind kind = NodeKind::kItem;  // kItem or kTemplate
  NodeId parent = kNoNode;
  PageSettings record;  // default settings, the free name and the URL
};

// The first step of "new item": where it goes, its kind and its free default
// name. A template is planned when the selection is the template root or a
// template; nullopt when the template table is full or there is no room.
std::optional<NewNodePlan> plan_new_node(TreeContext& ctx, NodeId selected,
                                         std::string_view initial_name = {},
                                         std::string_view initial_url = {});

enum class CreateStatus {
  kOk,
  kNameTooLong,
  kFolderFailed,
  kTableFull
};  // kNameTooLong also: empty, or holding a control byte
struct CreateResult {
  CreateStatus status = CreateStatus::kOk;
  NodeId node = kNoNode;
};
// The second step, after the user confirmed the settings: encode the name,
// create the folder, insert the node, write site.db, count, sort or save the
// order, and append a template to the table. On kNameTooLong and
// kFolderFailed the user has been told and may edit the record and retry.
CreateResult create_planned_node(TreeContext& ctx, const NewNodePlan& plan,
                                 const PageSettings& record);

// --- Properties and rename -------------------------------------------------

// Applies an edited item or template record: renames the folder when the
// name changed, writes site.db, updates the node's label and marks and the
// template table. False when the user was told of a failure (the sheet may
// be shown again with the same entries).
bool apply_properties(TreeContext& ctx, NodeId node, const PageSettings& edited);

// In-place rename of a group, item or template. False when the label stays.
bool rename_node(TreeContext& ctx, NodeId node, std::string_view new_label);

// --- Delete ----------------------------------------------------------------

enum class DeleteStatus { kDeleted, kDeclined, kRefused, kFailed };
// Asks, then moves the node's folder to the trash and removes the node.
DeleteStatus delete_node(TreeContext& ctx, NodeId node);

// --- Copy, cut, paste, drop ------------------------------------------------

struct Clipboard {
  NodeId node = kNoNode;
  bool cut = false;
};

enum class PasteStatus { kDone, kNothing, kRefused, kStopped };
// Pastes the clipboard's node onto `target` (see the rules in the .cpp).
PasteStatus paste(TreeContext& ctx, const Clipboard& clip, NodeId target);

enum class DropPosition { kBefore, kInto, kAfter };
// Drops `source` at a position relative to `target`. Moves between folders
// go through the copy-and-move worker; within one folder only the order
// changes (nothing when automatic sorting is on).
PasteStatus drop(TreeContext& ctx, NodeId source, NodeId target, DropPosition where);

// --- Repair ----------------------------------------------------------------

// Asks, deletes tree.db and the cache, repairs the template folder, rebuilds
// the tree from the folders, reloads the template table, saves tree.db
// (unless sorting automatically) and counts the items. False when declined.
bool repair_tree(TreeContext& ctx);

// Renames every folder in the template folder whose name is shorter than four
// bytes or lacks ".tpl" (any case) to its name + ".tpl". Returns how many.
int repair_template_folder(std::string_view template_folder);

}  // namespace ks::store
