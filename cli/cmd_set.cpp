// set PATH KEY=VALUE...: changes page settings by key name. Every pair is
// checked before anything is written; OPTION_CHANGED is set as the settings
// sheet sets it when a page of extraction or comparison settings is applied,
// and AUTH_PASS takes the password in clear and stores its enciphered form.
//
// For a group the pairs are the group's bulk
// change: each named setting is written into every item below it (templates
// are left alone), as the group's property sheet does; only the settings
// that sheet offers can be named, and those that belong together (the
// program, the context lines, the NG area) are named together.
// DISABLE_AUTO_CHECK of a group is the group's own flag (group.db).
#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/sjis.h"
#include "store/auth_pass.h"
#include "store/bulk_change.h"
#include "store/page_settings_io.h"
#include "store/setting_keys.h"
#include "store/templates.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "set PATH KEY=VALUE... [--raw]";

// Keys on pages whose applying does not mark the record as changed: the
// authentication page and the page of TLS options.
bool marks_option_changed(std::string_view key) {
  return key != "AUTH_TYPE" && key != "AUTH_ID" && key != "AUTH_PASS" &&
         key != "ENABLE_LEGACY_SERVER_CONNECT" && key != "OPTION_CHANGED";
}

std::string status_text(store::SetStatus s, const store::SettingKey& k) {
  switch (s) {
    case store::SetStatus::kOk:
      return {};
    case store::SetStatus::kNotANumber:
      return format(_("{1} takes a whole number"), {k.name});
    case store::SetStatus::kOutOfRange:
      return format(_("{1} must be between {2} and {3}"),
                    {k.name, std::to_string(k.min), std::to_string(k.max)});
    case store::SetStatus::kTooLong:
      return format(_("{1} takes at most {2} bytes"), {k.name, std::to_string(k.capacity - 1)});
    case store::SetStatus::kLineBreak:
      return format(_("{1} cannot hold a line break or NUL"), {k.name});
  }
  return {};
}

// Applies one KEY=VALUE to the record; an error message, or "" when done.
// `key` is set to the setting named.
std::string apply(const std::string& pair, bool raw, store::PageSettings& rec, bool& mark,
                  const store::SettingKey*& key) {
  auto eq = pair.find('=');
  if (eq == std::string::npos || eq == 0) return format(_("expected KEY=VALUE: {1}"), {pair});
  std::string name = pair.substr(0, eq);
  key = store::find_page_setting_key(name);
  if (!key) return format(_("unknown setting: {1}"), {name});
  auto value = core_text(std::string_view(pair).substr(eq + 1), raw);
  if (!value) return format(_("{1}: the value has characters without a Shift_JIS form"), {name});
  if (name == "COMMENT") *value = to_crlf(*value);
  if (name == "AUTH_PASS") {
    if (value->size() > store::kAuthPassCapacity - 1) return _("AUTH_PASS is too long");
    auto stored = store::encipher_password(*value);
    if (!stored) return _("AUTH_PASS is too long for its stored form (192 bytes)");
    rec.auth_pass = *stored;
  } else if (auto s = store::set_setting_text(*key, rec, *value); s != store::SetStatus::kOk) {
    return status_text(s, *key);
  }
  if (marks_option_changed(name)) mark = true;
  return {};
}

// The bulk change's field of a setting; the settings of a field that holds
// several are listed in `together`.
struct BulkKey {
  std::string_view name;
  store::BulkField field;
};
std::vector<BulkKey> bulk_keys() {
  using F = store::BulkField;
  std::vector<BulkKey> k = {
      {"NOPROXY", F::kNoProxy},
      {"SITE_PRIORITY", F::kSitePriority},
      {"USE_SCRIPT", F::kUseScript},
      {"DETECT_DELETED_LINES", F::kDetectDeletedLines},
      {"USE_TEMPLATE", F::kUseTemplate},
      {"USE_SPECIFIED_PROGRAM", F::kSpecifiedProgram},
      {"SPECIFIED_PROGRAM_PATH", F::kSpecifiedProgram},
      {"DONT_USE_HEAD", F::kDontUseHead},
      {"DISABLE_HTTP_REDIRECT", F::kDisableHttpRedirect},
      {"USE_OLD_LOG", F::kUseOldLog},
      {"IGNORE_NUMBER_DIFF", F::kIgnoreNumberDiff},
      {"IGNORE_NUMBER_ONLY_LINE", F::kIgnoreNumberOnlyLine},
      {"IGNORE_SPACE_ONLY_LINE", F::kIgnoreSpaceOnlyLine},
      {"IGNORE_NO_JAPANESE_LINE", F::kIgnoreNoJapaneseLine},
      {"IGNORE_SAME_TEXT", F::kIgnoreSameText},
      {"TABLE_SETTING", F::kTableSetting},
      {"CHARSET_SEL", F::kCharsetSel},
      {"GET_LINK_ONLY", F::kGetLinkOnly},
      {"IGNORE_URL", F::kIgnoreUrl},
      {"IGNORE_IMAGE_NAME", F::kIgnoreImageName},
      {"AS_TEXT", F::kAsText},
      {"IGNORE_NO_TEXT", F::kIgnoreNoText},
      {"IGNORE_ONLY_OUTER_SERVER", F::kIgnoreOnlyOuterServer},
      {"IGNORE_A_NAME", F::kIgnoreAName},
      {"CHECK_BY_HTTP_HEADER", F::kCheckByHttpHeader},
      {"SAVE_COMMENT", F::kSaveComment},
      {"SAVE_SELECT", F::kSaveSelect},
      {"SAVE_IFRAME", F::kSaveIframe},
      {"SAVE_RSS_DESCRIPTION", F::kSaveRssDescription},
      {"SAVE_RSS_CONTENT", F::kSaveRssContent},
      {"SAVE_EMPTY_LINE", F::kSaveEmptyLine},
      {"SAVE_CONTEXT_USE", F::kSaveContext},
      {"SAVE_CONTEXT_BEFORE", F::kSaveContext},
      {"SAVE_CONTEXT_AFTER", F::kSaveContext},
      {"USE_REGEXP_NGWORD", F::kUseRegexpNgWord},
      {"NGAREA0_USE", F::kNgArea},
      {"NGAREA0_BEFORE", F::kNgArea},
      {"NGAREA0_AFTER", F::kNgArea},
      {"USE_REGEXP_OKWORD", F::kUseRegexpOkWord},
  };
  static const std::array<std::string, store::kWordCount* 2> words = [] {
    std::array<std::string, store::kWordCount * 2> w;
    for (int i = 0; i < store::kWordCount; ++i) {
      w[static_cast<std::size_t>(i)] = "NGWORD" + std::to_string(i);
      w[static_cast<std::size_t>(i + store::kWordCount)] = "OKWORD" + std::to_string(i);
    }
    return w;
  }();
  for (int i = 0; i < store::kWordCount; ++i) {
    k.push_back({words[static_cast<std::size_t>(i)], store::ng_word_field(i)});
    k.push_back({words[static_cast<std::size_t>(i + store::kWordCount)], store::ok_word_field(i)});
  }
  return k;
}

int set_item(App& app, const std::vector<std::string>& args, bool raw) {
  auto page = read_page(app, args[0], raw);
  if (!page) return kExitFailure;
  store::PageSettings& rec = page->settings;
  bool mark = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const store::SettingKey* key = nullptr;
    if (std::string err = apply(args[i], raw, rec, mark, key); !err.empty()) {
      return usage_error(err);
    }
  }
  if (mark) rec.option_changed = 1;
  if (!store::write_page_settings(page->node.folder, rec)) {
    return failure(format(_("cannot write {1}"), {sjis_to_utf8(page->node.folder) + "/site.db"}));
  }
  return kExitOk;
}

int set_group(App& app, store::NodeId group, const std::vector<std::string>& args, bool raw) {
  const std::vector<BulkKey> keys = bulk_keys();
  store::BulkChange change;
  std::optional<int32_t> group_flag;
  std::map<store::BulkField, std::vector<std::string_view>> named;  // field -> keys given
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& pair = args[i];
    if (pair.rfind("DISABLE_AUTO_CHECK=", 0) == 0) {
      const std::string v = pair.substr(19);
      if (v != "0" && v != "1") return usage_error(_("DISABLE_AUTO_CHECK must be 0 or 1"));
      group_flag = v == "1" ? 1 : 0;
      continue;
    }
    bool unused = false;
    const store::SettingKey* key = nullptr;
    if (std::string err = apply(pair, raw, change.values, unused, key); !err.empty()) {
      return usage_error(err);
    }
    auto it = std::find_if(keys.begin(), keys.end(),
                           [&](const BulkKey& k) { return k.name == key->name; });
    if (it == keys.end()) {
      return usage_error(
          format(_("{1} cannot be set for a whole group; set it item by item"), {key->name}));
    }
    change.mark(it->field);
    named[it->field].push_back(it->name);
  }
  // Settings that change together must all be given: the others would
  // otherwise be overwritten with zero.
  for (const auto& [field, given] : named) {
    std::vector<std::string_view> all;
    for (const BulkKey& k : keys) {
      if (k.field == field) all.push_back(k.name);
    }
    if (given.size() < all.size()) {
      std::string list;
      for (std::string_view n : all) list += (list.empty() ? "" : ", ") + std::string(n);
      return usage_error(format(_("for a group, {1} are set together: give all of them"), {list}));
    }
  }
  if (group_flag) {
    if (!store::set_group_flag(app.tree, group, app.folders.base, *group_flag)) {
      return failure(_("cannot write the group's group.db"));
    }
  }
  if (!change.any()) return kExitOk;
  store::BulkHooks hooks;
  store::NoTemplateReport report;
  store::attach_template_hooks(hooks, app.templates, report);
  const std::atomic<bool> cancel{false};
  const store::BulkResult r =
      store::bulk_change_group(app.tree, group, app.folders.base, change, cancel, hooks);
  for (const auto& e : report.items) {
    note(sjis_to_utf8(cli_path(app.tree, e.node) + ": " + store::no_template_text()));
  }
  if (!report.items.empty()) note(sjis_to_utf8(store::no_template_summary()));
  note(format(_("{1} item(s) changed"), {std::to_string(r.changed)}));
  if (r.failed > 0) {
    return failure(format(_("{1} item(s) could not be changed"), {std::to_string(r.failed)}));
  }
  return kExitOk;
}

int run_set(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  if (args.size() < 2) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "set");
  if (!app) return code;
  const store::NodeId id = find_node(*app, args[0], raw);
  if (id == store::kNoNode) return kExitFailure;
  const store::NodeKind kind = app->tree.find(id)->kind();
  // Not the top level: an empty PATH (an unset variable in a script) must
  // not change every item there is.
  if (kind == store::NodeKind::kRoot) {
    return usage_error(_("name an item, a template or a group (the top level is none)"));
  }
  if (kind == store::NodeKind::kGroup) return set_group(*app, id, args, raw);
  return set_item(*app, args, raw);
}

const Registrar reg{
    {"set", kUsage, N_("change the settings of an item, a template, or every item of a group"),
     &run_set,
     N_("Every KEY=VALUE is checked before anything is written; nothing is written on\n"
        "an error. Keys are those of site.db ('kestrelscan-cli get PATH' lists them).\n"
        "For an item or a template the record is written; for a group each setting is\n"
        "written into every item below it, as the group's bulk change does (the\n"
        "program, SAVE_CONTEXT_... and NGAREA0_... keys are given together);\n"
        "DISABLE_AUTO_CHECK of a group is the group's own flag.\n"
        "\n"
        "Deleted lines are kept and shown only with DETECT_DELETED_LINES=1 (0 by\n"
        "default):\n"
        "  kestrelscan-cli set news/index DETECT_DELETED_LINES=1     one item\n"
        "  kestrelscan-cli set news DETECT_DELETED_LINES=1           every item in news\n"
        "  kestrelscan-cli set テンプレート/blog DETECT_DELETED_LINES=1  items that use\n"
        "                              the template (USE_TEMPLATE=1, URL matching)")}};

}  // namespace
}  // namespace ks::cli
