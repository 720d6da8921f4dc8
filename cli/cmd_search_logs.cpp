// search-logs TEXT [PATH]: searches the added-line logs of the item at PATH,
// or of every item below the group (the whole tree by default), and prints
// each item with hits and its hit lines. Kana width, the long-vowel mark and
// the hyphen, and letter case and width do not matter.
#include <string>
#include <vector>

#include "app_context.h"
#include "present/buffered_pane.h"
#include "present/log_search.h"
#include "store/templates.h"

namespace ks::cli {
namespace {

int run_search_logs(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  if (args.empty() || args.size() > 2) return usage_error("usage: search-logs TEXT [PATH]");
  const auto text = core_text(args[0], raw);
  if (!text || text->empty())
    return usage_error("the search text is empty or has no Shift_JIS form");
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId from = find_node_or_root(*app, args, 1, raw);
  if (from == store::kNoNode) return kExitFailure;
  present::BufferedPane pane;
  present::LogSearchEnv env;
  env.base_folder = app->folders.base;
  env.options = &app->options;
  env.apply_template = store::template_applier(app->templates);
  const int hits = present::search_logs(pane, app->tree, from, *text, env);
  print_text(pane.text(), raw);
  if (!pane.text().empty() && pane.text().back() != '\n') print_text("\n", raw);
  return hits > 0 ? kExitOk : kExitFailure;
}

const Registrar reg{{"search-logs", "search-logs TEXT [PATH]",
                     "search the past added-line logs for a text", &run_search_logs}};

}  // namespace
}  // namespace ks::cli
