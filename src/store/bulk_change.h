// Bulk change of a group: settings entered once for a group are copied into
// every item below it. Each setting (or small set of settings that belong
// together) is marked on its own; only marked settings change. Templates are
// never touched. Runs on a worker thread of the caller; the caller keeps the
// tree unchanged (menu commands disabled) until it returns; node tags of the
// items are updated in place.
#pragma once

#include <atomic>
#include <bitset>
#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "store/page_settings.h"
#include "store/tree.h"

namespace ks::store {

// The settings that can be marked. A setting listed with others (the
// program, the context lines, the NG area) changes together.
enum class BulkField : std::size_t {
  kNoProxy,
  kSitePriority,
  kUseScript,
  kDetectDeletedLines,
  kUseTemplate,
  kSpecifiedProgram,  // USE_SPECIFIED_PROGRAM and SPECIFIED_PROGRAM_PATH
  kDontUseHead,
  kDisableHttpRedirect,
  kUseOldLog,
  kIgnoreNumberDiff,
  kIgnoreNumberOnlyLine,
  kIgnoreSpaceOnlyLine,
  kIgnoreNoJapaneseLine,
  kIgnoreSameText,
  kTableSetting,
  kCharsetSel,
  kGetLinkOnly,
  kIgnoreUrl,
  kIgnoreImageName,
  kAsText,
  kIgnoreNoText,
  kIgnoreOnlyOuterServer,
  kIgnoreAName,
  kCheckByHttpHeader,
  kSaveComment,
  kSaveSelect,
  kSaveIframe,
  kSaveRssDescription,
  kSaveRssContent,
  kSaveEmptyLine,
  kSaveContext,  // SAVE_CONTEXT_USE, _BEFORE, _AFTER
  kNgWord0,      // kNgWord0 + i for NGWORDi
  kUseRegexpNgWord = kNgWord0 + kWordCount,
  kNgArea,  // NGAREA0_USE, _BEFORE, _AFTER
  kOkWord0,
  kUseRegexpOkWord = kOkWord0 + kWordCount,
  kCount,
};
inline constexpr std::size_t kBulkFieldCount = static_cast<std::size_t>(BulkField::kCount);

constexpr BulkField ng_word_field(int i) {
  return static_cast<BulkField>(static_cast<std::size_t>(BulkField::kNgWord0) +
                                static_cast<std::size_t>(i));
}
constexpr BulkField ok_word_field(int i) {
  return static_cast<BulkField>(static_cast<std::size_t>(BulkField::kOkWord0) +
                                static_cast<std::size_t>(i));
}

struct BulkChange {
  // The group's values; a bulk sheet starts from zero/empty and USE_OLD_LOG 1.
  PageSettings values = bulk_start_values();
  std::bitset<kBulkFieldCount> marked;

  void mark(BulkField f) { marked.set(static_cast<std::size_t>(f)); }
  bool is_marked(BulkField f) const { return marked.test(static_cast<std::size_t>(f)); }
  bool any() const { return marked.any(); }
  static PageSettings bulk_start_values();
};

// Copies the marked settings of `change` into `rec`.
void apply_bulk_change(const BulkChange& change, PageSettings& rec);

struct BulkHooks {
  // Called before each item with its node (progress line: the item's name).
  std::function<void(const Node&)> on_item;
  // Whether a template matches the item's record; asked only when
  // USE_TEMPLATE is being set to 1. Absent: every item matches.
  std::function<bool(const PageSettings&)> template_matches;
  // Called for an item that was written although no template matches it.
  std::function<void(const Node&, const PageSettings&)> on_no_template;
};

struct BulkResult {
  int changed = 0;      // items written
  int failed = 0;       // items whose folder or file could not be used
  int no_template = 0;  // items reported through on_no_template
  bool cancelled = false;
};

// Walks `group`'s subtree in tree order (groups recursively, items changed,
// templates skipped), testing `cancel` before each node; items already
// written stay written when it is set. `base_folder` ends in '/'.
BulkResult bulk_change_group(Tree& tree, NodeId group, std::string_view base_folder,
                             const BulkChange& change, const std::atomic<bool>& cancel,
                             const BulkHooks& hooks = {});

// Writes the group flag to group.db and sets or clears the group's tag bit.
bool set_group_flag(Tree& tree, NodeId group, std::string_view base_folder, int32_t value);

}  // namespace ks::store
