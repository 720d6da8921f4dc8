// Templates: named presets of check settings. An item with USE_TEMPLATE set
// takes most of its settings from the first template, in tree order, whose
// match text (the template's URL field) occurs in the item's URL (exact case,
// byte comparison; an empty match text matches every URL). Nothing is written
// back to the item's site.db: the template is applied each time the item's
// settings are loaded.
//
// The table holds at most kMaxTemplates records in the order of the template
// root's children; later templates are not used. It lives for the whole run
// and is changed only by the tree operations and by reloading. Not
// thread-safe: the owner (the front end's tree) serialises access, and
// readers on worker threads take a copy (snapshot()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/bulk_change.h"
#include "store/page_settings.h"
#include "store/tree.h"

namespace ks::store {

inline constexpr std::size_t kMaxTemplates = 50;

// Copies the settings a template supplies over the item's own values. The
// item keeps its URL, browse URL, comment, automatic-check flag, importance,
// USE_TEMPLATE, its three regular-expression flags and its identity fields.
void apply_template_settings(const PageSettings& tpl, PageSettings& item);

// Index of the first template whose match text occurs in `url`, or nullopt.
std::optional<std::size_t> find_template_index(const std::vector<PageSettings>& templates,
                                               std::string_view url);

class TemplateTable {
 public:
  const std::vector<PageSettings>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  bool full() const { return entries_.size() >= kMaxTemplates; }
  void clear() { entries_.clear(); }

  // Adds a loaded template record; the fields a template does not use
  // (importance, automatic-check flag, USE_TEMPLATE) are set to 0. False when
  // the table is full.
  bool append(PageSettings tpl);
  // Replaces the entry with this exact name; false when there is none.
  bool replace_by_name(std::string_view old_name, PageSettings tpl);
  // Removes the entry of this node; later entries move up by one.
  bool remove_by_node(uint64_t node_id);
  const PageSettings* find_by_name(std::string_view name) const;
  const PageSettings* find_by_node(uint64_t node_id) const;

  // The template that matches `url`, or nullptr.
  const PageSettings* match(std::string_view url) const;
  // When a template matches the record's URL, copies its settings in and
  // returns true; otherwise leaves the record alone.
  bool apply(PageSettings& item) const;

 private:
  std::vector<PageSettings> entries_;
};

// Loading the table from the tree and handing it to the settings loader.

// Rebuilds the table from the template root's children in tree order: each
// template's site.db is read from its folder; the 51st and later are left
// out, and so are templates whose folder path cannot be formed.
void load_template_table(TemplateTable& table, const Tree& tree, std::string_view base_folder);

// The applier that load_item_settings() calls for items with USE_TEMPLATE
// set. The table must outlive the returned function.
std::function<bool(PageSettings&)> template_applier(const TemplateTable& table);

// The items a bulk change wrote although no template matches their URL, for
// the front end to list (each with no_template_text()) and to sum up with
// no_template_summary() (title "エラー") when the walk has ended.
struct NoTemplateReport {
  struct Entry {
    NodeId node = kNoNode;
    std::string name;
    std::string url;
  };
  std::vector<Entry> items;
};
const std::string& no_template_text();  // "該当するテンプレートがありません。"
const std::string& no_template_summary();  // "該当するテンプレートの無いアイテムがあります"

// Sets the bulk change's template hooks: matching against the table and
// collecting the report. The table and the report must outlive the walk.
void attach_template_hooks(BulkHooks& hooks, const TemplateTable& table, NoTemplateReport& report);

}  // namespace ks::store
