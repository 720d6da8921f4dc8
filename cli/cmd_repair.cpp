// repair: rebuilds the tree from the folders after asking (--yes skips the
// question): tree.db and the cache are deleted, template folders get their
// extension back, the order starts afresh.
#include <string>
#include <vector>

#include "tree_session.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "repair [--yes|--no]";

int run_repair(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  bool raw = take_flag(args, "--raw");
  auto mode = take_answer_flags(args);
  if (!mode) return usage_error(_("--yes and --no exclude each other"));
  if (!args.empty()) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code, app::Access::kChange, "repair");
  if (!app) return code;
  TreeSession s;
  open_tree_session(*app, s, *mode);
  if (!store::repair_tree(*s.ctx)) return failure(_("not repaired"));
  print_line(s.prompt.last_status(), raw);
  return kExitOk;
}

const Registrar reg{{"repair", kUsage,
                     N_("rebuild the tree and its order from the folders (asks unless --yes)"),
                     &run_repair, nullptr}};

}  // namespace
}  // namespace ks::cli
