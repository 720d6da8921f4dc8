// Finding items in the tree by part of their name, part of their URL and how
// long ago they last changed. The search either stops at the first match after
// the selection (next-match mode) or writes one line per match into a pane
// (list mode). It runs on any thread that may read the tree (a copy or under
// the owner's lock) and the item folders; a stop flag ends it before the next
// node.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "present/pane.h"
#include "store/tree.h"

namespace ks::app {

// Criterion bits: a node matches when the criteria it meets equal the active set.
inline constexpr unsigned kCriterionName = 1;
inline constexpr unsigned kCriterionUrl = 2;
inline constexpr unsigned kCriterionTime = 4;

inline constexpr std::size_t kSearchTextMax = 128;  // bytes of the name and URL texts
inline constexpr int64_t kNoUpdateElapsed = 2147483647;

// The dialog's four units; minutes serve the command line, whose lists give
// ages in minutes.
enum class AgeUnit : int { kHours = 0, kDays = 1, kMonths = 2, kYears = 3, kMinutes = 4 };
int64_t unit_seconds(AgeUnit unit);

struct ItemSearchSettings {
  bool use_name = false;
  std::string name;  // Shift_JIS
  bool use_url = false;
  std::string url;
  bool use_time = false;
  int count = 1;  // 1..99
  AgeUnit unit = AgeUnit::kDays;
  bool older = false;  // false: changed within the limit; true: unchanged for longer
  bool include_no_info = false;
  bool include_disabled = false;

  // The active criteria: name and URL only with a non-empty text.
  unsigned active() const;
  // count x unit in seconds (64 bits: 99 years do not fit in 32).
  int64_t limit_seconds() const;
};

// What a match knows about the node (for the list line).
struct ItemMatch {
  store::NodeId node = store::kNoNode;
  std::optional<int64_t> elapsed;  // measured when the time criterion is active
  bool no_info = false;            // the item had no update information
};

struct ItemSearchEnv {
  std::string base_folder;  // ends in '/'
  const std::atomic<bool>* stop = nullptr;
  std::function<int64_t()> now;  // empty: the system clock
};

// Tests one node; nullopt when it does not match.
std::optional<ItemMatch> match_node(const store::Tree& tree, store::NodeId id,
                                    const ItemSearchSettings& s, const ItemSearchEnv& env);

// The first match after `selected` in tree order; kNoNode when none (or
// nothing is active, or the search was stopped).
store::NodeId find_next_item(const store::Tree& tree, store::NodeId selected,
                             const ItemSearchSettings& s, const ItemSearchEnv& env);

// Every match from `selected` (itself first) in tree order.
std::vector<ItemMatch> find_all_items(const store::Tree& tree, store::NodeId selected,
                                      const ItemSearchSettings& s, const ItemSearchEnv& env);

// "%ld分前", "%ld時間%ld分前", "%ld日前", or "更新情報なし".
std::string elapsed_text(const ItemMatch& m);

// List mode: clears the pane and writes one line per match. Returns how many.
int list_items(present::Pane& pane, const store::Tree& tree, store::NodeId selected,
               const ItemSearchSettings& s, const ItemSearchEnv& env);

}  // namespace ks::app
