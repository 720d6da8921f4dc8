// updates [--raw]: every item with its last update time, newest first, with
// its age ("3日前", "1時間30分前", "5分前") and its path.
#include <string>
#include <vector>

#include "app_context.h"
#include "present/display.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "updates [--raw]";

int run_updates(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  if (!args.empty()) return usage_of(kUsage);
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  TermPane pane(stdout, detect_term_style(stdout, raw), app->options);
  pane.set_item_paths([&](uint64_t node) { return cli_path(app->tree, node); });
  present::DisplayEnv env;
  env.options = &app->options;
  present::show_last_update_times(pane, app->tree, app->folders.base, env);
  return kExitOk;
}

const Registrar reg{{"updates", kUsage,
                     N_("list the items by the time of their last update, newest first"),
                     &run_updates, nullptr}};

}  // namespace
}  // namespace ks::cli
