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
#include <optional>
#include <string_view>
#include <vector>

#include "store/page_settings.h"

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

}  // namespace ks::store
