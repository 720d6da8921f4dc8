// list [PATH]: the tree below PATH (the root by default), one node a line,
// indented by depth, with its kind and marks: updated or error from the last
// check, importance, and automatic checking switched off. The tree is built
// as at start-up, so nodes come in their stored order; with the option
// TREEVIEW_DISP_ITEM_COUNT a group's label is followed by its item count.
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
      d = "root";
      break;
    case NodeKind::kGroup:
      d = "group";
      break;
    case NodeKind::kItem:
      d = "item";
      break;
    case NodeKind::kTemplateRoot:
      d = "templates";
      break;
    case NodeKind::kTemplate:
      d = "template";
      break;
  }
  if (n.tag & store::kTagUpdated) d += ", updated";
  if (n.tag & store::kTagError) d += ", error";
  if (n.tag & store::kTagPriorityMiddle) d += ", importance middle";
  if (n.tag & store::kTagPriorityHigh) d += ", importance high";
  if (n.tag & store::kTagNoAutoCheck) d += ", no auto check";
  return d;
}

int run_list(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  if (args.size() > 1) return usage_error("usage: list [PATH]");
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId from = find_node_or_root(*app, args, 0, raw);
  if (from == store::kNoNode) return kExitFailure;
  app->tree.walk(from, [&](const store::Node& n, int depth) {
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

const Registrar reg{{"list", "list [PATH] [--raw]",
                     "show the tree below PATH with kinds, marks and importance", &run_list}};

}  // namespace
}  // namespace ks::cli
