#include "check/item_walk.h"

#include <utility>

#include "compare/result_record.h"
#include "store/node_path.h"

namespace ks::check {
namespace {

using store::Node;
using store::NodeId;
using store::NodeKind;

bool is_candidate_kind(NodeKind k) {
  return k == NodeKind::kItem || k == NodeKind::kTemplate;
}

int tag_importance(uint32_t tag) {
  if (tag & store::kTagPriorityHigh) return 2;
  if (tag & store::kTagPriorityMiddle) return 1;
  return 0;
}

constexpr int kPassImportance[3] = {2, 1, 0};

}  // namespace

ItemWalk::ItemWalk(const store::Tree& tree, std::string base_folder, store::NodeId start,
                   CheckKind check_kind, bool use_site_priority,
                   store::TemplateApplier apply_template)
    : tree_(tree),
      base_(std::move(base_folder)),
      start_(start),
      current_(start),
      kind_(check_kind),
      apply_template_(std::move(apply_template)) {
  const Node* s = tree_.find(start_);
  single_ = s && is_candidate_kind(s->kind());
  passes_ = !single_ && (is_importance_kind(kind_) || use_site_priority);
  if (kind_ == CheckKind::kMediumImportance) pass_ = 1;
  if (kind_ == CheckKind::kNormalImportance) pass_ = 2;
}

int ItemWalk::pass_importance() const {
  return pass_ >= 0 && pass_ < 3 ? kPassImportance[pass_] : -1;
}

void ItemWalk::set_busy(int slot, bool busy) {
  if (slot >= 0 && slot < kMaxWorkers) busy_[static_cast<std::size_t>(slot)] = busy;
}

bool ItemWalk::accepts(const Node& node) const {
  if (kind_ == CheckKind::kScheduled) return only_ && only_->count(node.id) != 0;
  if (kind_ != CheckKind::kErrors && kind_ != CheckKind::kCommErrors) return true;
  if (!(node.tag & store::kTagError)) return false;
  if (kind_ == CheckKind::kErrors) return true;
  const auto folder = store::node_path(tree_, node.id, base_);
  if (!folder) return false;
  const int code = compare::read_result_code(*folder);
  return code == compare::kResultNetworkError || code == compare::kResultHttpError;
}

bool ItemWalk::enterable_group(const Node& node) const {
  return node.kind() == NodeKind::kGroup && !(node.tag & store::kTagNoAutoCheck);
}

NodeId ItemWalk::next_candidate() {
  for (;;) {
    switch (state_) {
      case 0:
        return store::kNoNode;
      case 1: {
        const Node* s = tree_.find(start_);
        current_ = start_;
        if (!s) {
          state_ = 0;
          break;
        }
        if (is_candidate_kind(s->kind())) {
          // The selected item is checked whatever its own automatic-check flag.
          state_ = 0;
          return accepts(*s) ? start_ : store::kNoNode;
        }
        state_ = s->children.empty() ? 0 : 2;
        break;
      }
      case 2: {
        const Node* cur = tree_.find(current_);
        if (!cur || cur->children.empty()) {
          state_ = 3;
          break;
        }
        current_ = cur->children.front();
        const Node* child = tree_.find(current_);
        if (!child) {
          state_ = 3;
          break;
        }
        if (is_candidate_kind(child->kind())) {
          state_ = 3;
          if (!(child->tag & store::kTagNoAutoCheck) && accepts(*child)) return current_;
        } else if (!enterable_group(*child)) {
          state_ = 3;
        }
        break;
      }
      case 3: {
        const Node* cur = tree_.find(current_);
        const Node* parent = cur ? tree_.find(cur->parent) : nullptr;
        if (!parent) {
          state_ = 0;
          break;
        }
        const std::size_t i = tree_.index_in_parent(current_);
        if (i == store::kAppend || i + 1 >= parent->children.size()) {
          state_ = 4;
          break;
        }
        current_ = parent->children[i + 1];
        const Node* sib = tree_.find(current_);
        if (!sib) break;
        if (is_candidate_kind(sib->kind())) {
          if (!(sib->tag & store::kTagNoAutoCheck) && accepts(*sib)) return current_;
        } else if (enterable_group(*sib)) {
          state_ = 2;
        }
        break;
      }
      case 4: {
        const Node* cur = tree_.find(current_);
        if (!cur || cur->parent == store::kNoNode || cur->parent == start_) {
          state_ = 0;
          break;
        }
        current_ = cur->parent;
        state_ = 3;
        break;
      }
      default:
        state_ = 0;
        break;
    }
  }
}

bool ItemWalk::load(NodeId id, store::PageSettings& out) const {
  const Node* n = tree_.find(id);
  if (!n) return false;
  const auto folder = store::node_path(tree_, id, base_);
  if (!folder || folder->size() > kMaxItemFolderBytes) return false;
  store::PageSettings rec = store::default_page_settings();
  if (!store::load_item_settings(*folder, rec, apply_template_)) return false;
  rec.node_id = id;
  rec.kind = static_cast<int32_t>(n->kind());
  rec.folder_path = *folder;
  rec.parent_length = static_cast<int32_t>(folder->rfind('/') + 1);
  rec.name = n->label;
  out = std::move(rec);
  return true;
}

int ItemWalk::count_items() {
  int n = 0;
  const bool one_pass = is_importance_kind(kind_) && !single_;
  for (NodeId id = next_candidate(); id != store::kNoNode; id = next_candidate()) {
    const Node* node = tree_.find(id);
    if (one_pass && node && tag_importance(node->tag) != pass_importance()) continue;
    ++n;
  }
  return n;
}

NextResult ItemWalk::next(int slot, store::PageSettings& out) {
  set_busy(slot, false);
  for (;;) {
    const NodeId id = next_candidate();
    if (id == store::kNoNode) break;
    if (passes_) {
      const Node* n = tree_.find(id);
      if (!n || tag_importance(n->tag) != pass_importance()) continue;
    }
    if (!load(id, out)) continue;
    set_busy(slot, true);
    return NextResult::kItem;
  }
  // Kinds 3 to 5 run their own pass only; the plain walk has none.
  if (!passes_ || is_importance_kind(kind_) || pass_ >= 3) return NextResult::kEnd;
  for (bool b : busy_) {
    if (b) return NextResult::kWait;
  }
  ++pass_;
  if (pass_ < 3) {
    state_ = 1;
    current_ = start_;
  }
  return NextResult::kEnd;
}

}  // namespace ks::check
