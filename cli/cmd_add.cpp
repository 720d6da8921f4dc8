// add URL [--name NAME] [--group PATH]: a new item with default settings.
// Names are taken as the tree's "new item" command takes them: the name,
// then NAME(2), NAME(3)...; without --name "新規ページ", "新規ページ(2)"...
// With the template root as the group, a template is made instead
// ("新規テンプレート"...), at most kMaxTemplates of them.
#include <string>
#include <vector>

#include "app_context.h"
#include "store/templates.h"
#include "store/tree_ops.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

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
      if (i + 1 >= args.size()) return args[i] + " needs a value";
      (args[i] == "--name" ? a.name : a.group) = args[i + 1];
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      return "unknown option: " + args[i];
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 1 || plain[0].empty()) return "usage: add URL [--name NAME] [--group PATH]";
  a.url = plain[0];
  return {};
}

int run_add(Context& ctx, const std::vector<std::string>& in) {
  Args a;
  if (std::string err = parse(in, a); !err.empty()) return usage_error(err);
  auto url = core_text(a.url, a.raw);
  if (!url) return usage_error("the URL has characters without a Shift_JIS form");
  if (url->size() > store::kUrlCapacity - 1)
    return usage_error("the URL is longer than 2100 bytes");
  if (has_control_bytes(*url)) return usage_error("the URL cannot hold control characters");
  std::optional<std::string> name;
  if (a.name) {
    name = core_text(*a.name, a.raw);
    if (!name || name->empty())
      return usage_error("the name is empty or has characters without a Shift_JIS form");
    if (has_control_bytes(*name)) return usage_error("the name cannot hold control characters");
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
        return failure("there are already " + std::to_string(store::kMaxTemplates) + " templates");
      }
    } else if (g.kind() != store::NodeKind::kGroup && g.kind() != store::NodeKind::kRoot) {
      return failure("not a group: " + *a.group);
    }
  }
  // The tree's own "new item" steps: the free name, the folder, site.db, the
  // stored order (tree.db or the automatic sort), the counts and, for a
  // template, the template table.
  auto plan = store::plan_new_node(*session.ctx, group, name.value_or(std::string()), *url);
  if (!plan) return failure("every candidate name is taken");
  store::CreateResult made = store::create_planned_node(*session.ctx, *plan, plan->record);
  if (made.status != store::CreateStatus::kOk) {
    if (made.status == store::CreateStatus::kTableFull) {
      return failure("there are already " + std::to_string(store::kMaxTemplates) + " templates");
    }
    return kExitFailure;  // the prompt has told the user why
  }
  print_line(cli_path(app->tree, made.node), a.raw);
  return kExitOk;
}

const Registrar reg{{"add", "add URL [--name NAME] [--group PATH] [--raw]",
                     "add a page (or, in テンプレート, a template); prints its path", &run_add}};

}  // namespace
}  // namespace ks::cli
