// rename PATH NEWNAME: renames a group, item or template and its folder (the
// folder takes the encoded form of the name, so any character may be used).
#include <string>
#include <vector>

#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "rename PATH NEWNAME [--raw]";

int run_rename(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  if (args.size() != 2) return usage_of(kUsage);
  auto name = core_text(args[1], raw);
  if (!name || name->empty()) {
    return usage_error(_("the name is empty or has characters without a Shift_JIS form"));
  }
  if (has_control_bytes(*name)) return usage_error(_("the name cannot hold control characters"));
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "rename");
  if (!app) return code;
  TreeSession s;
  open_tree_session(*app, s, AnswerMode::kNo);
  store::NodeId id = find_node(*app, args[0], raw);
  if (id == store::kNoNode) return kExitFailure;
  const store::Node* n = app->tree.find(id);
  if (n->kind() == store::NodeKind::kRoot || n->kind() == store::NodeKind::kTemplateRoot) {
    return failure(_("the root and the template folder cannot be renamed"));
  }
  if (n->label == *name) return kExitOk;
  if (store::rename_node(*s.ctx, id, *name)) {
    print_line(cli_path(app->tree, id), raw);
    return kExitOk;
  }
  if (!s.prompt.told_failure()) return failure(_("the name is too long for a folder path"));
  return kExitFailure;
}

const Registrar reg{
    {"rename", kUsage, N_("rename a group, item or template"), &run_rename, nullptr}};

}  // namespace
}  // namespace ks::cli
