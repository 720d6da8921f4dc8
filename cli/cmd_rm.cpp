// rm PATH: moves a group (with everything in it), an item or a template to
// the desktop's trash after asking; --yes skips the question.
#include <string>
#include <vector>

#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "rm PATH [--yes|--no] [--raw]";

int run_rm(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  auto mode = take_answer_flags(args);
  if (!mode) return usage_error(_("--yes and --no exclude each other"));
  if (args.size() != 1) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "rm");
  if (!app) return code;
  TreeSession s;
  open_tree_session(*app, s, *mode);
  store::NodeId id = find_node(*app, args[0], raw);
  if (id == store::kNoNode) return kExitFailure;
  switch (store::delete_node(*s.ctx, id)) {
    case store::DeleteStatus::kDeleted:
      return kExitOk;
    case store::DeleteStatus::kDeclined:
      return failure(_("not deleted"));
    case store::DeleteStatus::kRefused:
      if (!s.prompt.told_failure()) return failure(_("the root and the template folder stay"));
      return kExitFailure;
    case store::DeleteStatus::kFailed:
      return kExitFailure;
  }
  return kExitFailure;
}

const Registrar reg{{"rm", kUsage,
                     N_("move a group, item or template to the trash (asks unless --yes)"), &run_rm,
                     nullptr}};

}  // namespace
}  // namespace ks::cli
