#include "app/item_search.h"

#include <chrono>
#include <thread>

#include "compare/log_files.h"
#include "compare/result_record.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"

namespace ks::app {
namespace {

// A substring test that steps over double-byte characters, so a match never
// starts on a trail byte.
bool contains_text(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return true;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); i += is_sjis_pair(hay, i) ? 2 : 1) {
    if (hay.compare(i, needle.size(), needle) == 0) return true;
  }
  return false;
}

int64_t now_of(const ItemSearchEnv& env) {
  if (env.now) return env.now();
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool is_disabled(const store::Tree& tree, const store::Node& n, std::string_view base) {
  const auto folder = store::node_path(tree, n.id, base);
  if (!folder) return false;
  if (n.kind() == store::NodeKind::kGroup) return store::read_group_flag(*folder) != 0;
  if (n.kind() == store::NodeKind::kItem || n.kind() == store::NodeKind::kTemplate) {
    return profile_read_int(path_join(*folder, store::kSiteDb), store::kConfigSection,
                            "DISABLE_AUTO_CHECK", 0) != 0;
  }
  return false;
}

// The node after `id` in tree order: its first child (unless `skip_children`),
// else its next sibling, else the next sibling of the nearest parent that has one.
store::NodeId next_in_order(const store::Tree& tree, store::NodeId id, bool skip_children) {
  const store::Node* n = tree.find(id);
  if (!n) return store::kNoNode;
  if (!skip_children && !n->children.empty()) return n->children.front();
  while (n && n->parent != store::kNoNode) {
    const store::Node* p = tree.find(n->parent);
    if (!p) break;
    const std::size_t idx = tree.index_in_parent(n->id);
    if (idx + 1 < p->children.size()) return p->children[idx + 1];
    n = p;
  }
  return store::kNoNode;
}

bool stopped(const ItemSearchEnv& env) {
  return env.stop && env.stop->load();
}

// Walks from `start` (tested first when `include_start`) in tree order,
// passing over disabled nodes unless they are wanted; `f` returns false to end.
template <class F>
void walk_from(const store::Tree& tree, store::NodeId start, bool include_start,
               const ItemSearchSettings& s, const ItemSearchEnv& env, F&& f) {
  store::NodeId id = include_start ? start : store::kNoNode;
  bool skip_children = false;
  if (!include_start) {
    const store::Node* n = tree.find(start);
    skip_children = n && !s.include_disabled && is_disabled(tree, *n, env.base_folder);
    id = next_in_order(tree, start, skip_children);
  }
  while (id != store::kNoNode && !stopped(env)) {
    if (id == start && !include_start) break;
    const store::Node* n = tree.find(id);
    if (!n) break;
    const bool disabled = !s.include_disabled && is_disabled(tree, *n, env.base_folder);
    if (!disabled && !f(*n)) return;
    id = next_in_order(tree, id, disabled);
    std::this_thread::yield();
    if (id == start) break;
  }
}

}  // namespace

int64_t unit_seconds(AgeUnit unit) {
  switch (unit) {
    case AgeUnit::kHours:
      return 3600;
    case AgeUnit::kDays:
      return 86400;
    case AgeUnit::kMonths:
      return 2592000;
    case AgeUnit::kYears:
      return 31536000;
    case AgeUnit::kMinutes:
      return 60;
  }
  return 86400;
}

unsigned ItemSearchSettings::active() const {
  unsigned bits = 0;
  if (use_name && !name.empty()) bits |= kCriterionName;
  if (use_url && !url.empty()) bits |= kCriterionUrl;
  if (use_time) bits |= kCriterionTime;
  return bits;
}

int64_t ItemSearchSettings::limit_seconds() const {
  return static_cast<int64_t>(count) * unit_seconds(unit);
}

std::optional<ItemMatch> match_node(const store::Tree& tree, store::NodeId id,
                                    const ItemSearchSettings& s, const ItemSearchEnv& env) {
  const unsigned want = s.active();
  const store::Node* n = tree.find(id);
  // The root is the data folder itself, no node the user made.
  if (want == 0 || !n || n->kind() == store::NodeKind::kRoot) return std::nullopt;
  const bool item = n->kind() == store::NodeKind::kItem;
  const bool has_settings = item || n->kind() == store::NodeKind::kTemplate;
  ItemMatch m;
  m.node = id;
  unsigned met = 0;
  if ((want & kCriterionName) && contains_text(n->label, s.name)) met |= kCriterionName;
  std::optional<std::string> folder;
  if (want & (kCriterionUrl | kCriterionTime)) folder = store::node_path(tree, id, env.base_folder);
  if ((want & kCriterionUrl) && has_settings && folder) {
    const std::string url = profile_read_string(path_join(*folder, store::kSiteDb),
                                                store::kConfigSection, "URL", "", 2101);
    if (contains_text(url, s.url)) met |= kCriterionUrl;
  }
  if ((want & kCriterionTime) && item && folder) {
    const int current = compare::read_current_log_number(*folder);
    const std::optional<int64_t> changed = compare::update_time(*folder, current);
    bool counts = true;
    if (changed) {
      m.elapsed = now_of(env) - *changed;
    } else if (s.include_no_info) {
      m.elapsed = kNoUpdateElapsed;
      m.no_info = true;
    } else {
      counts = false;
    }
    if (counts) {
      const bool within = *m.elapsed <= s.limit_seconds();
      if (s.older ? !within : within) met |= kCriterionTime;
    }
  }
  if (met != want) return std::nullopt;
  return m;
}

store::NodeId find_next_item(const store::Tree& tree, store::NodeId selected,
                             const ItemSearchSettings& s, const ItemSearchEnv& env) {
  store::NodeId found = store::kNoNode;
  if (s.active() == 0) return found;
  walk_from(tree, selected, false, s, env, [&](const store::Node& n) {
    if (match_node(tree, n.id, s, env)) {
      found = n.id;
      return false;
    }
    return true;
  });
  return found;
}

std::vector<ItemMatch> find_all_items(const store::Tree& tree, store::NodeId selected,
                                      const ItemSearchSettings& s, const ItemSearchEnv& env) {
  std::vector<ItemMatch> out;
  if (s.active() == 0) return out;
  walk_from(tree, selected, true, s, env, [&](const store::Node& n) {
    if (auto m = match_node(tree, n.id, s, env)) out.push_back(*m);
    return true;
  });
  return out;
}

std::string elapsed_text(const ItemMatch& m) {
  if (m.no_info || !m.elapsed) return KS_SJ("更新情報なし");
  const long long e = *m.elapsed < 0 ? 0 : static_cast<long long>(*m.elapsed);
  std::string out;
  if (e < 3600) {
    out = std::to_string(e / 60);
    out += KS_SJ("分前");
  } else if (e < 86400) {
    out = std::to_string(e / 3600);
    out += KS_SJ("時間");
    out += std::to_string((e % 3600) / 60);
    out += KS_SJ("分前");
  } else {
    out = std::to_string(e / 86400);
    out += KS_SJ("日前");
  }
  return out;
}

int list_items(present::Pane& pane, const store::Tree& tree, store::NodeId selected,
               const ItemSearchSettings& s, const ItemSearchEnv& env) {
  pane.clear();
  if (s.active() == 0) return 0;
  int count = 0;
  pane.begin();
  walk_from(tree, selected, true, s, env, [&](const store::Node& n) {
    const std::optional<ItemMatch> m = match_node(tree, n.id, s, env);
    if (!m) return true;
    if (s.active() & kCriterionTime) pane.write_text(elapsed_text(*m) + ":");
    std::string name = n.label;
    std::string url = "?";
    const auto folder = store::node_path(tree, n.id, env.base_folder);
    if (n.kind() == store::NodeKind::kGroup) {
      url.clear();
    } else if (folder && is_regular_file(path_join(*folder, store::kSiteDb))) {
      url = profile_read_string(path_join(*folder, store::kSiteDb), store::kConfigSection, "URL",
                                "", 2101);
    } else {
      name.assign(1, '?');
    }
    if (url.empty() && n.kind() == store::NodeKind::kGroup) {
      pane.write_text(name);
    } else {
      pane.write_link(name, url, present::LinkOrigin{n.id, 0, true});
    }
    pane.write_text(" ");
    pane.write_link(KS_SJ("▽"), present::item_settings_target(n.id));
    pane.write_text("\r\n");
    ++count;
    return true;
  });
  pane.end();
  return count;
}

}  // namespace ks::app
