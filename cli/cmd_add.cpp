// add URL [--name NAME] [--group PATH]: a new item with default settings.
// Names are taken as the tree's "new item" command takes them: the name,
// then NAME(2), NAME(3)...; without --name "新規ページ", "新規ページ(2)"...
// With the template root as the group, a template is made instead
// ("新規テンプレート"...), at most kMaxTemplates of them. Prints the new
// path on stdout; stderr warns about a URL that no check can fetch (not
// http:// or https://) and says how to check the item at once.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/sjis.h"
#include "store/templates.h"
#include "store/tree_ops.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "add URL [--name NAME] [--group PATH] [--raw]";

// Whether the page's own fetcher can fetch the URL: http and https only
// (the scheme compared without regard to case).
bool fetchable(std::string_view url) {
  auto starts = [&](std::string_view scheme) {
    if (url.size() <= scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
      const char c = url[i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != scheme[i]) return false;
    }
    return true;
  };
  return starts("http://") || starts("https://");
}

struct Args {
  std::string url;
  std::optional<std::string> name;
  std::optional<std::string> group;
  bool raw = false;
};

// Parses the arguments; returns an empty message on success.
std::string parse(const std::vector<std::string>& in, Args& a) {
  std::vector<std::string> args = in;
  a.raw = take_flag(args, "--raw");
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--name" || args[i] == "--group") {
      if (i + 1 >= args.size()) return format(_("{1} needs a value"), {args[i]});
      (args[i] == "--name" ? a.name : a.group) = args[i + 1];
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      return format(_("unknown option: {1}"), {args[i]});
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 1 || plain[0].empty())
    return format(_("usage: kestrelscan-cli {1}"), {kUsage});
  a.url = plain[0];
  return {};
}

int run_add(Context& ctx, const std::vector<std::string>& in) {
  Args a;
  if (std::string err = parse(in, a); !err.empty()) return usage_error(err);
  auto url = core_text(a.url, a.raw);
  if (!url) return usage_error(_("the URL has characters without a Shift_JIS form"));
  if (url->size() > store::kUrlCapacity - 1) {
    return usage_error(_("the URL is longer than 2100 bytes"));
  }
  if (has_control_bytes(*url)) return usage_error(_("the URL cannot hold control characters"));
  std::optional<std::string> name;
  if (a.name) {
    name = core_text(*a.name, a.raw);
    if (!name || name->empty()) {
      return usage_error(_("the name is empty or has characters without a Shift_JIS form"));
    }
    if (has_control_bytes(*name)) return usage_error(_("the name cannot hold control characters"));
  }
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "add");
  if (!app) return code;

  TreeSession session;
  open_tree_session(*app, session, AnswerMode::kNo);
  store::NodeId group = app->tree.root();
  if (a.group) {
    group = find_node(*app, *a.group, a.raw);
    if (group == store::kNoNode) return kExitFailure;
    const store::Node& g = *app->tree.find(group);
    if (g.kind() == store::NodeKind::kTemplateRoot) {
      if (app->templates.full() || g.children.size() >= store::kMaxTemplates) {
        return failure(
            format(_("there are already {1} templates"), {std::to_string(store::kMaxTemplates)}));
      }
    } else if (g.kind() != store::NodeKind::kGroup && g.kind() != store::NodeKind::kRoot) {
      return failure(format(_("not a group: {1}"), {*a.group}));
    }
  }
  // The tree's own "new item" steps: the free name, the folder, site.db, the
  // stored order (tree.db or the automatic sort), the counts and, for a
  // template, the template table.
  auto plan = store::plan_new_node(*session.ctx, group, name.value_or(std::string()), *url);
  if (!plan) return failure(_("every candidate name is taken"));
  store::CreateResult made = store::create_planned_node(*session.ctx, *plan, plan->record);
  if (made.status != store::CreateStatus::kOk) {
    if (made.status == store::CreateStatus::kTableFull) {
      return failure(
          format(_("there are already {1} templates"), {std::to_string(store::kMaxTemplates)}));
    }
    return kExitFailure;  // the prompt has told the user why
  }
  const std::string path = cli_path(app->tree, made.node);
  print_line(path, a.raw);
  if (app->tree.find(made.node)->kind() != store::NodeKind::kItem) return kExitOk;
  const std::string shown = sjis_to_utf8(path);
  if (!fetchable(*url)) {
    note(format(_("warning: {1} is not an http:// or https:// URL, so checks cannot fetch it;\n"
                  "change it with 'kestrelscan-cli set {2} URL=...'"),
                {sjis_to_utf8(*url), shell_word(shown)}));
  } else {
    note(format(_("to check it now: kestrelscan-cli check {1}"), {shell_word(shown)}));
  }
  return kExitOk;
}

const Registrar reg{
    {"add", kUsage, N_("add a page (or, in テンプレート, a template); prints its path"), &run_add,
     N_("Adds an item with default settings to the group PATH (the top level by\n"
        "default) and prints its path. Without --name the item is called 新規ページ,\n"
        "新規ページ(2)...; with it NAME, NAME(2)... when the name is taken. Checks fetch\n"
        "http:// and https:// URLs; any other URL is added with a warning.\n"
        "'kestrelscan-cli check PATH' checks the new item at once.")}};

}  // namespace
}  // namespace ks::cli
