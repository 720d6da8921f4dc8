#include "store/templates.h"

#include <algorithm>

#include "platform/sjis.h"
#include "store/names.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"

namespace ks::store {

void apply_template_settings(const PageSettings& tpl, PageSettings& item) {
  item.ng_words = tpl.ng_words;
  item.ok_words = tpl.ok_words;

  item.use_old_log = tpl.use_old_log;
  item.ignore_number_diff = tpl.ignore_number_diff;
  item.ignore_number_only_line = tpl.ignore_number_only_line;
  item.ignore_space_only_line = tpl.ignore_space_only_line;
  item.ignore_no_japanese_line = tpl.ignore_no_japanese_line;
  item.ignore_same_text = tpl.ignore_same_text;

  item.noproxy = tpl.noproxy;
  item.dont_use_head = tpl.dont_use_head;
  item.disable_http_redirect = tpl.disable_http_redirect;
  item.table_setting = tpl.table_setting;
  item.charset_sel = tpl.charset_sel;
  item.get_link_only = tpl.get_link_only;
  item.check_by_http_header = tpl.check_by_http_header;

  item.auth_type = tpl.auth_type;
  item.auth_id = tpl.auth_id;
  item.auth_pass = tpl.auth_pass;

  item.check_areas = tpl.check_areas;
  item.ignore_areas = tpl.ignore_areas;

  item.ignore_url = tpl.ignore_url;
  item.ignore_image_name = tpl.ignore_image_name;
  item.as_text = tpl.as_text;
  item.ignore_no_text = tpl.ignore_no_text;
  item.ignore_only_outer_server = tpl.ignore_only_outer_server;
  item.ignore_a_name = tpl.ignore_a_name;

  item.save_comment = tpl.save_comment;
  item.save_select = tpl.save_select;
  item.save_iframe = tpl.save_iframe;
  item.save_rss_description = tpl.save_rss_description;
  item.save_rss_content = tpl.save_rss_content;
  item.save_empty_line = tpl.save_empty_line;
  item.save_context_use = tpl.save_context_use;
  item.save_context_before = tpl.save_context_before;
  item.save_context_after = tpl.save_context_after;
  item.ngarea_use = tpl.ngarea_use;
  item.ngarea_before = tpl.ngarea_before;
  item.ngarea_after = tpl.ngarea_after;

  item.option_changed = tpl.option_changed;

  item.use_script = tpl.use_script;
  item.detect_deleted_lines = tpl.detect_deleted_lines;
  item.use_specified_program = tpl.use_specified_program;
  item.specified_program_path = tpl.specified_program_path;
  item.enable_legacy_server_connect = tpl.enable_legacy_server_connect;
}

std::optional<std::size_t> find_template_index(const std::vector<PageSettings>& templates,
                                               std::string_view url) {
  for (std::size_t i = 0; i < templates.size() && i < kMaxTemplates; ++i) {
    if (url.find(templates[i].url) != std::string_view::npos) return i;
  }
  return std::nullopt;
}

bool TemplateTable::append(PageSettings tpl) {
  if (full()) return false;
  tpl.kind = 4;
  tpl.site_priority = 0;
  tpl.disable_auto_check = 0;
  tpl.use_template = 0;
  entries_.push_back(std::move(tpl));
  return true;
}

bool TemplateTable::replace_by_name(std::string_view old_name, PageSettings tpl) {
  for (PageSettings& e : entries_) {
    if (e.name == old_name) {
      tpl.kind = 4;
      tpl.site_priority = 0;
      tpl.disable_auto_check = 0;
      tpl.use_template = 0;
      e = std::move(tpl);
      return true;
    }
  }
  return false;
}

bool TemplateTable::remove_by_node(uint64_t node_id) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const PageSettings& e) { return e.node_id == node_id; });
  if (it == entries_.end()) return false;
  entries_.erase(it);
  return true;
}

const PageSettings* TemplateTable::find_by_name(std::string_view name) const {
  for (const PageSettings& e : entries_) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

const PageSettings* TemplateTable::find_by_node(uint64_t node_id) const {
  for (const PageSettings& e : entries_) {
    if (e.node_id == node_id) return &e;
  }
  return nullptr;
}

const PageSettings* TemplateTable::match(std::string_view url) const {
  auto i = find_template_index(entries_, url);
  return i ? &entries_[*i] : nullptr;
}

bool TemplateTable::apply(PageSettings& item) const {
  const PageSettings* tpl = match(item.url);
  if (!tpl) return false;
  apply_template_settings(*tpl, item);
  return true;
}

void load_template_table(TemplateTable& table, const Tree& tree, std::string_view base_folder) {
  table.clear();
  const Node* troot = tree.find(tree.template_root());
  if (!troot) return;
  for (NodeId id : troot->children) {
    if (table.full()) break;
    const Node* n = tree.find(id);
    if (!n || n->kind() != NodeKind::kTemplate || n->label.size() > kMaxNameBytes) continue;
    // The folder comes from the node path, so a template whose name holds
    // escapes ("a:b" in a%3ab.tpl) is read from its real folder.
    auto folder = node_path(tree, id, base_folder);
    if (!folder) continue;
    PageSettings rec = default_page_settings();
    if (!read_page_settings(*folder, rec)) continue;
    rec.node_id = id;
    rec.folder_path = *folder;
    rec.parent_length = static_cast<int32_t>(folder->rfind('/') + 1);
    rec.name = n->label;
    table.append(std::move(rec));
  }
}

std::function<bool(PageSettings&)> template_applier(const TemplateTable& table) {
  return [&table](PageSettings& rec) { return table.apply(rec); };
}

const std::string& no_template_text() {
  return KS_SJ("該当するテンプレートがありません。");
}

const std::string& no_template_summary() {
  return KS_SJ("該当するテンプレートの無いアイテムがあります");
}

void attach_template_hooks(BulkHooks& hooks, const TemplateTable& table, NoTemplateReport& report) {
  hooks.template_matches = [&table](const PageSettings& rec) {
    return table.match(rec.url) != nullptr;
  };
  hooks.on_no_template = [&report](const Node& node, const PageSettings& rec) {
    report.items.push_back(NoTemplateReport::Entry{node.id, node.label, rec.url});
  };
}

}  // namespace ks::store
