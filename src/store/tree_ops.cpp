#include "store/tree_ops.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "store/names.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/quick_flags.h"
#include "store/trash.h"
#include "store/tree_cache.h"
#include "store/tree_db.h"
#include "store/tree_order.h"
#include "store/tree_scan.h"

namespace ks::store {
namespace {

// The last operating-system error as the user reads it (Shift_JIS).
std::string system_error_text(int err) {
  char buf[256];
  const char* s = strerror_r(err, buf, sizeof buf);
  return utf8_to_sjis(s ? s : "unknown error");
}

void tell_system_error(TreeContext& ctx, int err) {
  ctx.prompt.message("Error", system_error_text(err));
}

// Refuses (and tells) a name with a control byte; see name_has_control_bytes.
bool refuse_control_bytes(TreeContext& ctx, std::string_view name, const std::string& title) {
  if (!name_has_control_bytes(name)) return false;
  ctx.prompt.message(title, KS_SJ("サイト名に使用できない文字(制御文字)が含まれています。"));
  return true;
}

// A file the operation had to write could not be written (a full disk, a
// read-only folder): the user must know, since the tree on screen and the
// files no longer agree until it is fixed.
void tell_write_failed(TreeContext& ctx, std::string_view path) {
  ctx.prompt.message(KS_SJ("エラー"),
                     KS_SJ("ファイルを書き込めませんでした。\n") + std::string(path));
}

// Saves tree.db, telling the user when it cannot.
bool save_order(TreeContext& ctx) {
  if (save_tree_db(ctx.tree, ctx.data_folder())) return true;
  tell_write_failed(ctx, path_join(ctx.data_folder(), "tree.db"));
  return false;
}

// At most `max` bytes of `s`, never ending inside a double-byte character.
std::string cut_bytes(std::string_view s, std::size_t max) {
  return std::string(s.substr(0, sjis_fit(s, max)));
}

bool is_group_like(NodeKind k) {
  return k == NodeKind::kRoot || k == NodeKind::kGroup;
}

// The group a new node goes into for a selection: the selected group (or
// root), else the selected item's group.
NodeId group_for(const Tree& tree, NodeId selected) {
  const Node* n = tree.find(selected);
  if (!n) return tree.root();
  if (is_group_like(n->kind())) return n->id;
  if (n->kind() == NodeKind::kItem) return n->parent;
  return kNoNode;
}

// Whether a child folder for `label` of `kind` already exists in `dir`.
bool child_folder_exists(std::string_view dir, std::string_view label, NodeKind kind) {
  auto enc = encode_name(label, static_cast<std::size_t>(-1));
  if (!enc) return false;
  return path_exists(path_join(dir, *enc + std::string(kind_extension(kind))));
}

// Marks of a node read back from its folder after a copy or move.
uint32_t marks_from_folder(NodeKind kind, const std::string& folder) {
  if (kind == NodeKind::kGroup) {
    return tag_with_flag(0, kTagNoAutoCheck, read_group_flags(folder) != 0);
  }
  ItemFlags f = read_item_flags(folder);
  uint32_t tag = tag_with_priority(0, f.site_priority);
  tag = tag_with_flag(tag, kTagNoAutoCheck, f.disable_auto_check != 0);
  return tag_with_result(tag, read_last_result_code(folder));
}

void set_marks(Node& n, uint32_t marks) {
  const uint32_t keep = kTagKindMask | kTagEscapedName | kTagCountMask;
  n.tag = (n.tag & keep) | (marks & ~keep);
}

// Copies the entries of `from` into `to`, replacing files of the same name:
// every entry with `recursive`, else only the files directly inside. Only
// regular files and folders are copied; links and special files are not
// (a link to a folder above would make the copy endless). On failure
// `error` holds the errno of the step that failed.
bool copy_entries(const std::string& from, const std::string& to, bool recursive, int& error) {
  for (const DirEntry& e : scan_dir(from)) {
    std::string src = path_join(from, e.name);
    std::string dst = path_join(to, e.name);
    if (e.is_dir) {
      if (!recursive) continue;
      if (!make_dirs(dst)) {
        error = errno;
        return false;
      }
      if (!copy_entries(src, dst, true, error)) return false;
    } else if (e.is_regular && !copy_file(src, dst)) {
      error = errno;
      return false;
    }
  }
  return true;
}

// Deletes from `from` the files that were copied out of it (see copy_entries).
bool delete_copied_files(const std::string& from) {
  for (const DirEntry& e : scan_dir(from)) {
    if (e.is_regular && !remove_file(path_join(from, e.name))) return false;
  }
  return true;
}

std::size_t position_of(const Tree& tree, NodeId id) {
  std::size_t i = tree.index_in_parent(id);
  return i == kAppend ? 0 : i;
}

// --- the copy-and-move worker ---------------------------------------------

struct CopyRun {
  bool move = false;
  Answer all = Answer::kCancel;  // kYesToAll / kNoToAll once given; kCancel: none yet
  bool stopped = false;
};

enum class Step { kDone, kSkipped, kStop };

Step copy_or_move(TreeContext& ctx, CopyRun& run, NodeId src, NodeId dest, std::size_t position,
                  const std::string* new_label);

// Step 2 of the worker: an existing child of the same kind and label.
// Returns the node to copy into, or kNoNode to skip; sets run.stopped.
NodeId resolve_conflict(TreeContext& ctx, CopyRun& run, NodeId existing, const Node& src) {
  if (run.all == Answer::kYesToAll) return existing;
  if (run.all == Answer::kNoToAll) return kNoNode;
  std::string text = src.label + KS_SJ("\n\n同名のアイテムが存在します。上書きしますか？");
  switch (ctx.prompt.ask(Question::kOverwrite, KS_SJ("確認"), text, false)) {
    case Answer::kYes:
      return existing;
    case Answer::kYesToAll:
      run.all = Answer::kYesToAll;
      return existing;
    case Answer::kNo:
      return kNoNode;
    case Answer::kNoToAll:
      run.all = Answer::kNoToAll;
      return kNoNode;
    case Answer::kCancel:
      break;
  }
  run.stopped = true;
  return kNoNode;
}

Step copy_or_move(TreeContext& ctx, CopyRun& run, NodeId src_id, NodeId dest, std::size_t position,
                  const std::string* new_label) {
  Tree& tree = ctx.tree;
  const Node* src = tree.find(src_id);
  if (!src) return Step::kSkipped;
  const NodeKind kind = src->kind();
  const std::string label = new_label ? *new_label : src->label;
  auto src_path = node_path(tree, src_id, ctx.base_folder);
  if (!src_path) return Step::kSkipped;

  const std::string& verb = run.move ? KS_SJ("移動") : KS_SJ("コピー");
  ctx.prompt.status(verb + KS_SJ("中 (") + cut_bytes(label, 100) + ")...");

  NodeId target = new_label ? kNoNode : tree.find_child(dest, label, kind);
  if (target != kNoNode) {
    target = resolve_conflict(ctx, run, target, *src);
    if (run.stopped) return Step::kStop;
    if (target == kNoNode) return Step::kSkipped;
  } else {
    auto made = new_child_path(tree, dest, label, kind, ctx.base_folder);
    if (!made) {
      std::string text = cut_bytes(label, 100) + KS_SJ("\n\n名前が長すぎます。");
      if (ctx.prompt.ask(Question::kOkCancel, KS_SJ("エラー"), text, false) == Answer::kCancel) {
        run.stopped = true;
        return Step::kStop;
      }
      return Step::kSkipped;
    }
    if (!make_dirs(made->path)) {
      tell_system_error(ctx, errno);
      run.stopped = true;
      return Step::kStop;
    }
    target = tree.add(dest, kind, label, made->escape_flag, position);
  }
  auto target_path = node_path(tree, target, ctx.base_folder);
  if (!target_path) return Step::kSkipped;

  const bool is_item = kind != NodeKind::kGroup;
  if (int err = 0; !copy_entries(*src_path, *target_path, is_item, err)) {
    tell_system_error(ctx, err);
    run.stopped = true;
    return Step::kStop;
  }
  if (run.move) {
    bool removed = is_item ? remove_tree(*src_path) : delete_copied_files(*src_path);
    if (!removed) {
      tell_system_error(ctx, errno);
      run.stopped = true;
      return Step::kStop;
    }
    if (is_item) tree.remove(src_id);
  }
  if (Node* t = tree.find(target)) set_marks(*t, marks_from_folder(kind, *target_path));

  if (!is_item) {
    const std::vector<NodeId> children = tree.find(src_id)->children;
    for (NodeId c : children) {
      if (copy_or_move(ctx, run, c, target, kAppend, nullptr) == Step::kStop) return Step::kStop;
    }
    if (run.move && tree.find(src_id)->children.empty()) {
      // Folders that are not part of the tree are left in place by the group
      // copy; a non-empty folder is reported rather than deleted.
      // errno is taken right after the call that failed: scanning the
      // folder again first would overwrite it.
      int err = 0;
      if (!scan_dir(*src_path).empty()) {
        err = ENOTEMPTY;
      } else if (!remove_tree(*src_path)) {
        err = errno != 0 ? errno : EIO;
      }
      if (err != 0) {
        tell_system_error(ctx, err);
        run.stopped = true;
        return Step::kStop;
      }
      tree.remove(src_id);
    }
  }
  return Step::kDone;
}

// Runs the worker for one pasted or dropped node and tidies up afterwards.
PasteStatus run_worker(TreeContext& ctx, NodeId src, NodeId dest, std::size_t position,
                       const std::string* new_label, bool move) {
  CopyRun run;
  run.move = move;
  copy_or_move(ctx, run, src, dest, position, new_label);
  ctx.prompt.status("");
  if (ctx.auto_sort) {
    sort_children(ctx.tree, dest);
  } else {
    save_order(ctx);
  }
  count_items(ctx.tree);
  return run.stopped ? PasteStatus::kStopped : PasteStatus::kDone;
}

// A free name "コピー ～ NAME", "コピー (2) ～ NAME" ... in `dir`.
std::optional<std::string> copy_name(std::string_view dir, std::string_view name, NodeKind kind) {
  for (int n = 1; n <= 1000; ++n) {
    std::string label =
        n == 1 ? KS_SJ("コピー ～ ") : KS_SJ("コピー (") + std::to_string(n) + KS_SJ(") ～ ");
    label += name;
    if (!child_folder_exists(dir, label, kind)) return label;
  }
  return std::nullopt;
}

}  // namespace

std::string TreeContext::data_folder() const {
  return base_folder + std::string(Tree::root_label());
}

bool order_changed(TreeContext& ctx, NodeId node) {
  if (!ctx.auto_sort) return save_order(ctx);
  sort_siblings(ctx.tree, node);
  return true;
}

bool save_order_unless_sorted(TreeContext& ctx) {
  return ctx.auto_sort || save_order(ctx);
}

// --- New group ---------------------------------------------------------------

NodeId new_folder(TreeContext& ctx, NodeId selected) {
  NodeId parent = group_for(ctx.tree, selected);
  auto dir = node_path(ctx.tree, parent, ctx.base_folder);
  if (parent == kNoNode || !dir) return kNoNode;
  for (int n = 1; n <= 1000; ++n) {
    std::string label = KS_SJ("新規フォルダ");
    if (n > 1) label += "(" + std::to_string(n) + ")";
    if (child_folder_exists(*dir, label, NodeKind::kGroup)) continue;
    auto made = new_child_path(ctx.tree, parent, label, NodeKind::kGroup, ctx.base_folder);
    if (!made) return kNoNode;
    if (!make_dirs(made->path)) {
      tell_system_error(ctx, errno);
      return kNoNode;
    }
    NodeId id = ctx.tree.add(parent, NodeKind::kGroup, label, made->escape_flag);
    order_changed(ctx, id);
    count_items(ctx.tree);
    return id;
  }
  return kNoNode;
}

// --- New item / new template -------------------------------------------------

std::optional<NewNodePlan> plan_new_node(TreeContext& ctx, NodeId selected,
                                         std::string_view initial_name,
                                         std::string_view initial_url) {
  NewNodePlan plan;
  const Node* sel = ctx.tree.find(selected);
  if (sel && (sel->kind() == NodeKind::kTemplateRoot || sel->kind() == NodeKind::kTemplate)) {
    if (ctx.templates.full()) return std::nullopt;
    plan.kind = NodeKind::kTemplate;
    plan.parent = ctx.tree.template_root();
  } else {
    plan.parent = group_for(ctx.tree, selected);
  }
  auto dir = node_path(ctx.tree, plan.parent, ctx.base_folder);
  if (plan.parent == kNoNode || !dir) return std::nullopt;

  const bool tpl = plan.kind == NodeKind::kTemplate;
  const std::string base_name = !initial_name.empty() ? std::string(initial_name)
                                : tpl                 ? KS_SJ("新規テンプレート")
                                                      : KS_SJ("新規ページ");
  std::optional<std::string> name;
  for (int n = 1; n <= 999 && !name; ++n) {
    std::string candidate = base_name;
    if (n > 1) candidate += "(" + std::to_string(n) + ")";
    if (!child_folder_exists(*dir, candidate, plan.kind)) name = candidate;
  }
  if (!name) return std::nullopt;
  plan.record = default_page_settings();
  plan.record.kind = static_cast<int32_t>(plan.kind);
  plan.record.name = *name;
  // A dropped or typed URL never carries a line break into site.db.
  plan.record.url = cut_bytes(profile_one_line(initial_url), kUrlCapacity - 1);
  return plan;
}

CreateResult create_planned_node(TreeContext& ctx, const NewNodePlan& plan,
                                 const PageSettings& record) {
  CreateResult r;
  if (plan.kind == NodeKind::kTemplate && ctx.templates.full()) {
    r.status = CreateStatus::kTableFull;
    return r;
  }
  if (record.name.empty()) {
    ctx.prompt.message(KS_SJ("設定エラー"), KS_SJ("サイト名を入力してください。"));
    r.status = CreateStatus::kNameTooLong;
    return r;
  }
  if (refuse_control_bytes(ctx, record.name, KS_SJ("設定エラー"))) {
    r.status = CreateStatus::kNameTooLong;
    return r;
  }
  auto made = new_child_path(ctx.tree, plan.parent, record.name, plan.kind, ctx.base_folder);
  if (!made) {
    ctx.prompt.message(KS_SJ("エラー"), KS_SJ("サイト名が長すぎます。"));
    r.status = CreateStatus::kNameTooLong;
    return r;
  }
  if (path_exists(made->path)) {
    tell_system_error(ctx, EEXIST);
    r.status = CreateStatus::kFolderFailed;
    return r;
  }
  if (!make_dirs(made->path)) {
    tell_system_error(ctx, errno);
    r.status = CreateStatus::kFolderFailed;
    return r;
  }
  uint32_t tag = made->escape_flag | tag_with_priority(0, record.site_priority);
  tag = tag_with_flag(tag, kTagNoAutoCheck, record.disable_auto_check != 0);
  if (plan.kind == NodeKind::kTemplate) tag = made->escape_flag;
  r.node = ctx.tree.add(plan.parent, plan.kind, record.name, tag);
  count_items(ctx.tree);
  order_changed(ctx, r.node);
  PageSettings rec = record;
  rec.node_id = r.node;
  rec.kind = static_cast<int32_t>(plan.kind);
  rec.folder_path = made->path;
  rec.parent_length = static_cast<int32_t>(made->path.rfind('/') + 1);
  if (!write_page_settings(made->path, rec)) {
    // The folder and node stay (the item shows, with default settings); the
    // user is told so the settings can be entered again.
    tell_write_failed(ctx, path_join(made->path, "site.db"));
  }
  if (plan.kind == NodeKind::kTemplate) ctx.templates.append(rec);
  return r;
}

// --- Properties and rename ---------------------------------------------------

namespace {

// Renames a node's folder to the one for `label`. On failure the user has
// been told and nullopt comes back; `too_long_title` names the title for a
// path that cannot be formed.
std::optional<NewChildPath> rename_folder(TreeContext& ctx, const Node& n, std::string_view label,
                                          const std::string& too_long_title, bool quiet_too_long) {
  if (refuse_control_bytes(ctx, label, too_long_title)) return std::nullopt;
  if (!encode_name(label)) {
    ctx.prompt.message(KS_SJ("エラー"), KS_SJ("サイト名が長すぎます。"));
    return std::nullopt;
  }
  auto old_path = node_path(ctx.tree, n.id, ctx.base_folder);
  auto made = new_child_path(ctx.tree, n.parent, label, n.kind(), ctx.base_folder);
  if (!old_path || !made) {
    if (!quiet_too_long) ctx.prompt.message(too_long_title, KS_SJ("サイト名が長すぎます。"));
    return std::nullopt;
  }
  if (made->path == *old_path) return made;
  // rename(2) would silently replace an empty folder of that name; two nodes
  // must never share a folder, so an existing name is an error here.
  if (path_exists(made->path)) {
    tell_system_error(ctx, EEXIST);
    return std::nullopt;
  }
  if (!rename_path(*old_path, made->path)) {
    tell_system_error(ctx, errno);
    return std::nullopt;
  }
  return made;
}

}  // namespace

bool apply_properties(TreeContext& ctx, NodeId node, const PageSettings& edited) {
  Node* n = ctx.tree.find(node);
  if (!n || (n->kind() != NodeKind::kItem && n->kind() != NodeKind::kTemplate)) return false;
  if (edited.name.empty()) {
    ctx.prompt.message(KS_SJ("設定エラー"), KS_SJ("サイト名を入力してください。"));
    return false;
  }
  const std::string old_name = n->label;
  uint32_t escape = n->tag & kTagEscapedName;
  if (edited.name != n->label) {
    auto made = rename_folder(ctx, *n, edited.name, KS_SJ("設定エラー"), false);
    if (!made) return false;
    escape = made->escape_flag;
  }
  n = ctx.tree.find(node);
  n->label = edited.name;
  n->tag = (n->tag & ~kTagEscapedName) | escape;
  auto folder = node_path(ctx.tree, node, ctx.base_folder);
  if (!folder) return false;
  PageSettings rec = edited;
  rec.node_id = node;
  rec.kind = static_cast<int32_t>(n->kind());
  rec.folder_path = *folder;
  rec.parent_length = static_cast<int32_t>(folder->rfind('/') + 1);
  if (!write_page_settings(*folder, rec)) {
    tell_write_failed(ctx, path_join(*folder, "site.db"));
    return false;
  }
  if (n->kind() == NodeKind::kItem) {
    uint32_t marks = tag_with_priority(n->tag, rec.site_priority);
    n->tag = tag_with_flag(marks, kTagNoAutoCheck, rec.disable_auto_check != 0);
  } else {
    ctx.templates.replace_by_name(old_name, rec);
  }
  if (edited.name != old_name) order_changed(ctx, node);
  return true;
}

bool rename_node(TreeContext& ctx, NodeId node, std::string_view new_label) {
  Node* n = ctx.tree.find(node);
  if (!n || n->kind() == NodeKind::kRoot || n->kind() == NodeKind::kTemplateRoot) return false;
  if (new_label.empty() || new_label == n->label) return false;
  auto made = rename_folder(ctx, *n, new_label, KS_SJ("エラー"), true);
  if (!made) return false;
  n = ctx.tree.find(node);
  n->label = std::string(new_label);
  // From now on the folder name is always the encoded label.
  n->tag |= kTagEscapedName;
  if (n->kind() == NodeKind::kTemplate) {
    if (const PageSettings* old = ctx.templates.find_by_node(node)) {
      PageSettings rec = *old;
      rec.name = n->label;
      rec.folder_path = made->path;
      ctx.templates.replace_by_name(old->name, std::move(rec));
    }
  }
  order_changed(ctx, node);
  return true;
}

// --- Delete ------------------------------------------------------------------

DeleteStatus delete_node(TreeContext& ctx, NodeId node) {
  Node* n = ctx.tree.find(node);
  if (!n || n->kind() == NodeKind::kRoot || n->kind() == NodeKind::kTemplateRoot) {
    return DeleteStatus::kRefused;
  }
  std::string text = n->label + KS_SJ("\r\nを削除します。よろしいですか？");
  if (ctx.prompt.ask(Question::kYesNo, KS_SJ("削除の確認"), text, true) != Answer::kYes) {
    return DeleteStatus::kDeclined;
  }
  auto path = node_path(ctx.tree, node, ctx.base_folder);
  if (!path) {
    ctx.prompt.message(KS_SJ("エラー"), KS_SJ("ファイル名が長すぎるため削除できません。"));
    return DeleteStatus::kRefused;
  }
  n = ctx.tree.find(node);
  n->tag &= ~kTagResultMask;
  ctx.prompt.status(KS_SJ("削除中..."));
  TrashResult trashed = move_to_trash(*path);
  if (!trashed.ok) {
    ctx.prompt.status("");
    ctx.prompt.message(KS_SJ("削除失敗"), KS_SJ("削除できませんでした。"));
    return DeleteStatus::kFailed;
  }
  // The template leaves the table only once its folder is gone, so a failed
  // deletion leaves a template that still applies.
  if (n->kind() == NodeKind::kTemplate) ctx.templates.remove_by_node(node);
  ctx.tree.remove(node);
  ctx.prompt.status(KS_SJ("削除しました"));
  count_items(ctx.tree);
  save_order_unless_sorted(ctx);
  return DeleteStatus::kDeleted;
}

// --- Paste and drop ----------------------------------------------------------

PasteStatus paste(TreeContext& ctx, const Clipboard& clip, NodeId target_id) {
  Tree& tree = ctx.tree;
  const Node* src = tree.find(clip.node);
  const Node* target = tree.find(target_id);
  if (!src || !target) return PasteStatus::kNothing;
  if (src->kind() != NodeKind::kGroup && src->kind() != NodeKind::kItem) {
    return PasteStatus::kNothing;
  }
  if (target->kind() == NodeKind::kTemplateRoot || target->kind() == NodeKind::kTemplate) {
    return PasteStatus::kNothing;
  }
  const std::string& title = KS_SJ("Kestrelscanエラー");
  const std::string& onto_self = KS_SJ("自分自身にコピーすることはできません。");
  if (target_id == clip.node && clip.cut) {
    ctx.prompt.message(title, onto_self);
    return PasteStatus::kRefused;
  }
  if (target_id != clip.node && tree.is_ancestor_or_self(clip.node, target_id)) {
    ctx.prompt.message(title, KS_SJ("自分自身のサブディレクトリにコピーすることはできません。"));
    return PasteStatus::kRefused;
  }
  NodeId dest;
  std::size_t position;
  if (target->kind() == NodeKind::kItem || target_id == clip.node) {
    dest = target->parent;
    position = position_of(tree, target_id);
  } else {
    dest = target_id;
    position = 0;
  }
  std::optional<std::string> new_label;
  if (dest == src->parent) {
    if (clip.cut) {
      ctx.prompt.message(title, onto_self);
      return PasteStatus::kRefused;
    }
    auto dir = node_path(tree, dest, ctx.base_folder);
    if (!dir) return PasteStatus::kNothing;
    new_label = copy_name(*dir, src->label, src->kind());
    if (!new_label) return PasteStatus::kNothing;
  }
  return run_worker(ctx, clip.node, dest, position, new_label ? &*new_label : nullptr, clip.cut);
}

PasteStatus drop(TreeContext& ctx, NodeId source, NodeId target_id, DropPosition where) {
  Tree& tree = ctx.tree;
  const Node* src = tree.find(source);
  const Node* target = tree.find(target_id);
  if (!src || !target) return PasteStatus::kNothing;
  if (src->kind() != NodeKind::kGroup && src->kind() != NodeKind::kItem) {
    return PasteStatus::kNothing;
  }
  if (target->kind() == NodeKind::kTemplateRoot || target->kind() == NodeKind::kTemplate) {
    return PasteStatus::kNothing;
  }
  if (target->kind() == NodeKind::kRoot) where = DropPosition::kInto;
  if (target->kind() == NodeKind::kItem && where == DropPosition::kInto) {
    where = DropPosition::kAfter;
  }
  NodeId dest;
  std::size_t position;
  if (where == DropPosition::kInto) {
    dest = target_id;
    position = 0;
  } else {
    dest = target->parent;
    position = position_of(tree, target_id) + (where == DropPosition::kAfter ? 1 : 0);
  }
  if (tree.is_ancestor_or_self(source, dest)) return PasteStatus::kNothing;

  PasteStatus status = PasteStatus::kDone;
  if (dest != src->parent) {
    status = run_worker(ctx, source, dest, position, nullptr, true);
  } else {
    if (ctx.auto_sort) return PasteStatus::kNothing;
    // Only the order changes: no folder is touched.
    std::size_t old_index = position_of(tree, source);
    if (old_index < position) --position;
    tree.move(source, dest, position);
    save_order_unless_sorted(ctx);
    count_items(tree);
  }
  return status;
}

// --- Repair ------------------------------------------------------------------

int repair_template_folder(std::string_view template_folder) {
  int renamed = 0;
  for (const DirEntry& e : scan_dir(template_folder)) {
    if (!e.is_dir) continue;
    if (e.name.size() >= 4 && has_extension(e.name, ".tpl")) continue;
    std::string to = path_join(template_folder, e.name + ".tpl");
    if (path_exists(to)) continue;  // never replace another template
    if (rename_path(path_join(template_folder, e.name), to)) ++renamed;
  }
  return renamed;
}

bool repair_tree(TreeContext& ctx) {
  std::string text = KS_SJ(
      "アイテムデータベースを修復します。\r\n\r\nこの操作によりツリー表示の並び順は初期化されます。"
      "\r\n\r\nよろしいですか？");
  if (ctx.prompt.ask(Question::kOkCancel, KS_SJ("確認"), text, true) != Answer::kYes) return false;
  const std::string data = ctx.data_folder();
  ctx.prompt.status(KS_SJ("データベースとキャッシュの削除中..."));
  remove_file(path_join(data, kTreeDbFileName));
  remove_file(path_join(data, kCacheFileName));
  ctx.prompt.status(KS_SJ("テンプレートを修復中..."));
  repair_template_folder(path_join(data, Tree::template_root_label()));
  ctx.prompt.status(KS_SJ("ツリービューを更新中..."));
  scan_tree_from_disk(ctx.tree, ctx.base_folder,
                      [](Tree& t, NodeId parent) { sort_children(t, parent); });
  load_template_table(ctx.templates, ctx.tree, ctx.base_folder);
  if (!ctx.auto_sort) {
    ctx.prompt.status(KS_SJ("データベースを出力中..."));
    save_order(ctx);
  }
  count_items(ctx.tree);
  ctx.prompt.status(KS_SJ("修復完了"));
  return true;
}

}  // namespace ks::store
