// group PATH: creates a group and every missing group above it.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "store/node_path.h"
#include "store/tree_ops.h"
#include "store/tree_order.h"
#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "group PATH [--raw]";

int run_group(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  if (args.size() != 1 || args[0].empty()) return usage_of(kUsage);
  auto path = core_text(args[0], raw);
  if (!path) return usage_error(_("the path has characters without a Shift_JIS form"));
  if (has_control_bytes(*path)) return usage_error(_("a name cannot hold control characters"));
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "group");
  if (!app) return code;

  TreeSession session;
  open_tree_session(*app, session, AnswerMode::kNo);
  store::Tree& tree = app->tree;
  store::NodeId cur = tree.root();
  for (const std::string& step : split_path(*path)) {
    if (store::NodeId g = tree.find_child(cur, step, store::NodeKind::kGroup)) {
      cur = g;
      continue;
    }
    if (tree.find_child(cur, step) != store::kNoNode) {
      return failure(format(_("not a group: {1}"), {sjis_to_utf8(step)}));
    }
    auto np = store::new_child_path(tree, cur, step, store::NodeKind::kGroup, app->folders.base);
    if (!np) return failure(sjis_to_utf8(KS_SJ("サイト名が長すぎます。")));
    if (!make_dirs(np->path))
      return failure(format(_("cannot create {1}"), {to_os_path(np->path)}));
    cur = tree.add(cur, store::NodeKind::kGroup, step, np->escape_flag);
    // Without this a new group has no line in tree.db and is not shown
    // while automatic sorting is off.
    store::order_changed(*session.ctx, cur);
  }
  store::count_items(tree);
  if (cur == tree.root()) return usage_of(kUsage);
  print_line(cli_path(tree, cur), raw);
  return kExitOk;
}

const Registrar reg{{"group", kUsage,
                     N_("create a group (and the groups above it that are missing)"), &run_group,
                     nullptr}};

}  // namespace
}  // namespace ks::cli
