#include "store/bulk_change.h"

#include "store/node_path.h"
#include "store/page_settings_io.h"

namespace ks::store {

PageSettings BulkChange::bulk_start_values() {
  PageSettings p;
  // Every value starts at zero or empty, except the number of old logs.
  p.use_old_log = 1;
  p.save_context_before = 0;
  p.save_context_after = 0;
  p.ngarea_before = 0;
  p.ngarea_after = 0;
  return p;
}

void apply_bulk_change(const BulkChange& c, PageSettings& r) {
  const PageSettings& v = c.values;
  auto copy = [&](BulkField f, auto member) {
    if (c.is_marked(f)) r.*member = v.*member;
  };
  copy(BulkField::kNoProxy, &PageSettings::noproxy);
  copy(BulkField::kSitePriority, &PageSettings::site_priority);
  copy(BulkField::kUseScript, &PageSettings::use_script);
  copy(BulkField::kDetectDeletedLines, &PageSettings::detect_deleted_lines);
  copy(BulkField::kUseTemplate, &PageSettings::use_template);
  copy(BulkField::kSpecifiedProgram, &PageSettings::use_specified_program);
  copy(BulkField::kSpecifiedProgram, &PageSettings::specified_program_path);
  copy(BulkField::kDontUseHead, &PageSettings::dont_use_head);
  copy(BulkField::kDisableHttpRedirect, &PageSettings::disable_http_redirect);
  copy(BulkField::kUseOldLog, &PageSettings::use_old_log);
  copy(BulkField::kIgnoreNumberDiff, &PageSettings::ignore_number_diff);
  copy(BulkField::kIgnoreNumberOnlyLine, &PageSettings::ignore_number_only_line);
  copy(BulkField::kIgnoreSpaceOnlyLine, &PageSettings::ignore_space_only_line);
  copy(BulkField::kIgnoreNoJapaneseLine, &PageSettings::ignore_no_japanese_line);
  copy(BulkField::kIgnoreSameText, &PageSettings::ignore_same_text);
  copy(BulkField::kTableSetting, &PageSettings::table_setting);
  copy(BulkField::kCharsetSel, &PageSettings::charset_sel);
  copy(BulkField::kGetLinkOnly, &PageSettings::get_link_only);
  copy(BulkField::kIgnoreUrl, &PageSettings::ignore_url);
  copy(BulkField::kIgnoreImageName, &PageSettings::ignore_image_name);
  copy(BulkField::kAsText, &PageSettings::as_text);
  copy(BulkField::kIgnoreNoText, &PageSettings::ignore_no_text);
  copy(BulkField::kIgnoreOnlyOuterServer, &PageSettings::ignore_only_outer_server);
  copy(BulkField::kIgnoreAName, &PageSettings::ignore_a_name);
  copy(BulkField::kCheckByHttpHeader, &PageSettings::check_by_http_header);
  copy(BulkField::kSaveComment, &PageSettings::save_comment);
  copy(BulkField::kSaveSelect, &PageSettings::save_select);
  copy(BulkField::kSaveIframe, &PageSettings::save_iframe);
  copy(BulkField::kSaveRssDescription, &PageSettings::save_rss_description);
  copy(BulkField::kSaveRssContent, &PageSettings::save_rss_content);
  copy(BulkField::kSaveEmptyLine, &PageSettings::save_empty_line);
  copy(BulkField::kSaveContext, &PageSettings::save_context_use);
  copy(BulkField::kSaveContext, &PageSettings::save_context_before);
  copy(BulkField::kSaveContext, &PageSettings::save_context_after);
  copy(BulkField::kUseRegexpNgWord, &PageSettings::use_regexp_ngword);
  copy(BulkField::kNgArea, &PageSettings::ngarea_use);
  copy(BulkField::kNgArea, &PageSettings::ngarea_before);
  copy(BulkField::kNgArea, &PageSettings::ngarea_after);
  copy(BulkField::kUseRegexpOkWord, &PageSettings::use_regexp_okword);
  for (int i = 0; i < kWordCount; ++i) {
    auto idx = static_cast<std::size_t>(i);
    if (c.is_marked(ng_word_field(i))) r.ng_words[idx] = v.ng_words[idx];
    if (c.is_marked(ok_word_field(i))) r.ok_words[idx] = v.ok_words[idx];
  }
}

namespace {

struct Walk {
  Tree& tree;
  std::string_view base;
  const BulkChange& change;
  const std::atomic<bool>& cancel;
  const BulkHooks& hooks;
  BulkResult result;

  void item(Node& node) {
    if (hooks.on_item) hooks.on_item(node);
    auto folder = node_path(tree, node.id, base);
    PageSettings rec;
    if (!folder || !read_page_settings(*folder, rec)) {
      ++result.failed;
      return;
    }
    apply_bulk_change(change, rec);
    bool no_template = change.is_marked(BulkField::kUseTemplate) && rec.use_template == 1 &&
                       hooks.template_matches && !hooks.template_matches(rec);
    if (!write_page_settings(*folder, rec)) {
      ++result.failed;
      return;
    }
    ++result.changed;
    node.tag = tag_with_priority(node.tag, rec.site_priority);
    if (no_template) {
      ++result.no_template;
      if (hooks.on_no_template) hooks.on_no_template(node, rec);
    }
  }

  void group(NodeId id) {
    const Node* g = tree.find(id);
    if (!g) return;
    const std::vector<NodeId> children = g->children;  // stable copy
    for (NodeId c : children) {
      if (cancel.load(std::memory_order_relaxed)) {
        result.cancelled = true;
        return;
      }
      Node* n = tree.find(c);
      if (!n) continue;
      if (n->kind() == NodeKind::kGroup) {
        group(c);
        if (result.cancelled) return;
      } else if (n->kind() == NodeKind::kItem) {
        item(*n);
      }
    }
  }
};

}  // namespace

BulkResult bulk_change_group(Tree& tree, NodeId group, std::string_view base_folder,
                             const BulkChange& change, const std::atomic<bool>& cancel,
                             const BulkHooks& hooks) {
  Walk w{tree, base_folder, change, cancel, hooks, {}};
  if (change.any()) w.group(group);
  return w.result;
}

bool set_group_flag(Tree& tree, NodeId group, std::string_view base_folder, int32_t value) {
  Node* n = tree.find(group);
  if (!n || n->kind() != NodeKind::kGroup) return false;
  auto folder = node_path(tree, group, base_folder);
  if (!folder || !write_group_flag(*folder, value)) return false;
  n->tag = tag_with_flag(n->tag, kTagNoAutoCheck, value != 0);
  return true;
}

}  // namespace ks::store
