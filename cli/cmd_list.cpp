// list [PATH] [--paths]: the tree below PATH (the root by default), one node
// a line, indented by depth, with its kind and marks: updated or error from
// the last check, importance, and automatic checking switched off. The tree
// is built as at start-up, so nodes come in their stored order; with the
// option TREEVIEW_DISP_ITEM_COUNT a group's label is followed by its item
// count. --paths prints every node's full path instead (a group's and the
// template folder's with a trailing '/'), for scripts and shell completion.
#include <string>
#include <vector>

#include "app_context.h"
#include "store/node.h"
#include "store/tree_sort.h"

namespace ks::cli {
namespace {

std::string describe(const store::Node& n) {
  using store::NodeKind;
  std::string d;
  switch (n.kind()) {
    case NodeKind::kRoot:
      d = _("root");
      break;
    case NodeKind::kGroup:
      d = _("group");
      break;
    case NodeKind::kItem:
      d = _("item");
      break;
    case NodeKind::kTemplateRoot:
      d = _("templates");
      break;
    case NodeKind::kTemplate:
      d = _("template");
      break;
  }
  if (n.tag & store::kTagUpdated) d += std::string(", ") + _("updated");
  if (n.tag & store::kTagError) d += std::string(", ") + _("error");
  if (n.tag & store::kTagPriorityMiddle) d += std::string(", ") + _("importance middle");
  if (n.tag & store::kTagPriorityHigh) d += std::string(", ") + _("importance high");
  if (n.tag & store::kTagNoAutoCheck) d += std::string(", ") + _("no auto check");
  return to_core(d);  // printed as core text
}

constexpr const char* kUsage = "list [PATH] [--paths] [--raw]";

int run_list(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  const bool paths = take_flag(args, "--paths");
  if (args.size() > 1) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId from = find_node_or_root(*app, args, 0, raw);
  if (from == store::kNoNode) return kExitFailure;
  app->tree.walk(from, [&](const store::Node& n, int depth) {
    if (paths) {
      if (n.kind() == store::NodeKind::kRoot) return;
      const bool folder =
          n.kind() == store::NodeKind::kGroup || n.kind() == store::NodeKind::kTemplateRoot;
      print_line(cli_path(app->tree, n.id) + (folder ? "/" : ""), raw);
      return;
    }
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    line += path_step(n.label);
    if (n.kind() == store::NodeKind::kGroup && app->options.treeview_disp_item_count) {
      line += store::count_suffix(store::tag_count(n.tag));
    }
    line += "  [" + describe(n) + "]";
    print_line(line, raw);
  });
  return kExitOk;
}

const Registrar reg{{"list", kUsage,
                     N_("show the tree below PATH with kinds, marks and importance"), &run_list,
                     N_("  --paths  one full path a line instead (groups end in '/')")}};

}  // namespace
}  // namespace ks::cli
