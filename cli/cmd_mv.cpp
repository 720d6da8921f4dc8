// mv PATH DEST [--before NODE|--after NODE]: moves a group or item into the
// group DEST (placed first), or next to NODE, a child of DEST. Between
// folders the node's folder moves; within one group only the order changes.
// Name conflicts are asked about (--yes: overwrite all, --no: skip all).
#include <string>
#include <vector>

#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "mv PATH DEST [--before NODE|--after NODE] [--yes|--no] [--raw]";

struct Args {
  std::vector<std::string> plain;
  std::optional<std::string> before;
  std::optional<std::string> after;
  bool raw = false;
  AnswerMode mode = AnswerMode::kAsk;
};

std::string parse(const std::vector<std::string>& in, Args& a) {
  std::vector<std::string> args = in;
  a.raw = take_flag(args, "--raw");
  auto mode = take_answer_flags(args);
  if (!mode) return _("--yes and --no exclude each other");
  a.mode = *mode;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--before" || args[i] == "--after") {
      if (i + 1 >= args.size()) return format(_("{1} needs a node"), {args[i]});
      (args[i] == "--before" ? a.before : a.after) = args[i + 1];
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      return format(_("unknown option: {1}"), {args[i]});
    } else {
      a.plain.push_back(args[i]);
    }
  }
  if (a.plain.size() != 2 || (a.before && a.after)) {
    return format(_("usage: kestrelscan-cli {1}"), {kUsage});
  }
  return {};
}

// NODE as a child of DEST ("DEST/NODE"), else as a path from the root.
store::NodeId find_sibling(const App& app, store::NodeId dest, const std::string& arg, bool raw) {
  auto core = core_text(arg, raw);
  if (!core) return store::kNoNode;
  store::NodeId id = resolve_path(app.tree, dest, *core);
  if (id == store::kNoNode) id = resolve_path(app.tree, app.tree.root(), *core);
  return id;
}

int run_mv(Context& ctx, const std::vector<std::string>& in) {
  Args a;
  if (std::string err = parse(in, a); !err.empty()) return usage_error(err);
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "mv");
  if (!app) return code;
  TreeSession s;
  open_tree_session(*app, s, a.mode);
  store::NodeId src = find_node(*app, a.plain[0], a.raw);
  store::NodeId dest = find_node(*app, a.plain[1], a.raw);
  if (src == store::kNoNode || dest == store::kNoNode) return kExitFailure;
  if (!is_group_or_item(*app, src)) return failure(_("only groups and items can be moved"));
  auto dest_kind = app->tree.find(dest)->kind();
  if (dest_kind != store::NodeKind::kGroup && dest_kind != store::NodeKind::kRoot) {
    return failure(format(_("not a group: {1}"), {a.plain[1]}));
  }
  if (app->tree.is_ancestor_or_self(src, dest)) {
    return failure(_("a group cannot be moved into itself or its own subgroups"));
  }
  store::NodeId target = dest;
  store::DropPosition where = store::DropPosition::kInto;
  if (a.before || a.after) {
    const std::string& node_arg = a.before ? *a.before : *a.after;
    target = find_sibling(*app, dest, node_arg, a.raw);
    if (target == store::kNoNode || app->tree.find(target)->parent != dest) {
      return failure(format(_("not in {1}: {2}"), {a.plain[1], node_arg}));
    }
    if (target == src) return kExitOk;  // already there
    where = a.before ? store::DropPosition::kBefore : store::DropPosition::kAfter;
  }
  if (app->tree.find(src)->parent == dest && s.ctx->auto_sort) {
    return failure(_("automatic sorting is on: the order within a group cannot be changed"));
  }
  store::PasteStatus st = store::drop(*s.ctx, src, target, where);
  if (st == store::PasteStatus::kStopped) return kExitFailure;
  if (st != store::PasteStatus::kDone) return failure(_("nothing was moved"));
  return s.prompt.told_failure() ? kExitFailure : kExitOk;
}

const Registrar reg{{"mv", kUsage, N_("move a group or item into DEST, or reorder it next to NODE"),
                     &run_mv, nullptr}};

}  // namespace
}  // namespace ks::cli
