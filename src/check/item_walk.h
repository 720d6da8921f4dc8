// Which items a check run takes, and in which order. One walk serves every
// worker of a run: a depth-first pre-order walk over the subtree of the
// selected node that hands out items and templates one at a time, passing
// over groups and items whose automatic check is disabled and the template
// folder (unless they are the selected node themselves), filtered by the
// run's check kind. In the importance passes the walk runs up to three times
// (high, medium, normal importance) and no item of a lower importance is
// handed out before every item of the higher one has been finished.
//
// Not thread-safe: the run calls it only while holding its tree lock, which
// also covers the busy flags.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>

#include "check/task.h"
#include "store/page_settings_io.h"
#include "store/tree.h"

namespace ks::check {

// The check kinds, which say what a run takes.
enum class CheckKind : int {
  kSelected = 0,
  kErrors = 1,            // items whose node shows an error mark
  kCommErrors = 2,        // ... and whose stored result code is 4 or 5
  kHighImportance = 3,    // SITE_PRIORITY 2
  kMediumImportance = 4,  // SITE_PRIORITY 1
  kNormalImportance = 5,  // SITE_PRIORITY 0
  // Checks that run by themselves: exactly the items the schedule found due
  // (ItemWalk::restrict_to), in the order and passes of a check of kind 0.
  kScheduled = 6,
};

// The kinds that run one importance pass of their own.
inline bool is_importance_kind(CheckKind k) {
  return k == CheckKind::kHighImportance || k == CheckKind::kMediumImportance ||
         k == CheckKind::kNormalImportance;
}

// The items a scheduled check takes.
using ItemSet = std::shared_ptr<const std::unordered_set<store::NodeId>>;

// An item folder path may be at most this long (the path plus a file name of
// 12 bytes must fit in 260).
inline constexpr std::size_t kMaxItemFolderBytes = 248;

enum class NextResult { kItem, kWait, kEnd };

class ItemWalk {
 public:
  // `base_folder` ends in '/'. `apply_template` may be empty.
  ItemWalk(const store::Tree& tree, std::string base_folder, store::NodeId start,
           CheckKind check_kind, bool use_site_priority,
           store::TemplateApplier apply_template = {});

  // The next item for `slot`: kItem with `out` filled, kWait (ask again in
  // a while: other slots still carry items of the current pass) or kEnd.
  NextResult next(int slot, store::PageSettings& out);
  // For kScheduled: the only items handed out (none without a set).
  void restrict_to(ItemSet items) { only_ = std::move(items); }

  // The slot finished its item (or was given none).
  void set_busy(int slot, bool busy);

  // How many items a fresh walk would hand out (without loading them), for
  // progress displays; call on a walk of its own, not on the run's.
  int count_items();

  bool importance_passes() const { return passes_; }
  // The SITE_PRIORITY of the current pass (2, 1, 0); -1 when the passes are over.
  int pass_importance() const;
  // True when the start node is a single item or template.
  bool single_item() const { return single_; }

 private:
  // One step of the walk: the next candidate node that is not disabled and
  // passes the kind's filter, kNoNode when the walk is exhausted.
  store::NodeId next_candidate();
  bool accepts(const store::Node& node) const;
  bool enterable_group(const store::Node& node) const;
  bool load(store::NodeId id, store::PageSettings& out) const;

  const store::Tree& tree_;
  std::string base_;
  store::NodeId start_;
  store::NodeId current_;
  int state_ = 1;  // 0 finished, 1 start, 2 down, 3 next sibling, 4 up
  CheckKind kind_;
  bool single_ = false;
  bool passes_ = false;
  int pass_ = 0;  // index into {2, 1, 0}
  std::array<bool, kMaxWorkers> busy_{};
  store::TemplateApplier apply_template_;
  ItemSet only_;
};

}  // namespace ks::check
