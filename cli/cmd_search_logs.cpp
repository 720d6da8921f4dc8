// search-logs TEXT [PATH]: searches the added-line logs of the item at PATH,
// or of every item below the group (the whole tree by default), and prints
// each item with hits (its headline, naming it by its path) and its hit
// lines as they are found. Kana width, the long-vowel mark and the hyphen,
// and letter case and width do not matter. No hit: the not-found line on
// stderr and status 1, like grep.
#include <string>
#include <vector>

#include "app_context.h"
#include "platform/sjis.h"
#include "present/log_search.h"
#include "store/node_path.h"
#include "store/templates.h"
#include "term_pane.h"

namespace ks::cli {
namespace {

constexpr const char* kUsage = "search-logs TEXT [PATH] [--raw]";

int run_search_logs(Context& ctx, const std::vector<std::string>& in) {
  std::vector<std::string> args = in;
  const bool raw = take_flag(args, "--raw");
  if (args.empty() || args.size() > 2) return usage_of(kUsage);
  const auto text = core_text(args[0], raw);
  if (!text || text->empty()) {
    return usage_error(_("the search text is empty or has no Shift_JIS form"));
  }
  int code = 0;
  auto app = open_app(ctx, code);
  if (!app) return code;
  const store::NodeId from = find_node_or_root(*app, args, 1, raw);
  if (from == store::kNoNode) return kExitFailure;
  TermPane pane(stdout, detect_term_style(stdout, raw), app->options);
  pane.set_item_paths([&](uint64_t node) { return cli_path(app->tree, node); });
  present::LogSearchEnv env;
  env.base_folder = app->folders.base;
  env.options = &app->options;
  env.apply_template = store::template_applier(app->templates);
  const std::string needle = present::normalize_for_search(*text);
  int hits = 0;
  // Item by item, so hits show as they are found.
  app->tree.walk(from, [&](const store::Node& n, int) {
    if (n.kind() != store::NodeKind::kItem && n.kind() != store::NodeKind::kTemplate) return;
    const auto folder = store::node_path(app->tree, n.id, app->folders.base);
    if (!folder) return;
    pane.begin();
    hits += present::search_item_logs(pane, *folder, n.label, n.id, needle, env);
    pane.end();
  });
  if (hits == 0) {
    // The pane's own not-found line, where a script does not take it for a hit.
    return failure(sjis_to_utf8(KS_SJ("「") + *text + KS_SJ("」は見つかりませんでした。")));
  }
  return kExitOk;
}

const Registrar reg{
    {"search-logs", kUsage, N_("search the past added-line logs for a text"), &run_search_logs,
     N_("Searches the added lines kept from the last 25 checks of the item at PATH, or\n"
        "of every item below the group (the whole tree by default), and prints each\n"
        "item that has hits (its headline names it by its path) with its hit lines.\n"
        "Half-width and full-width kana, the hyphen and the long-vowel mark, and\n"
        "letter case and width find each other.\n"
        "\n"
        "Like grep, search-logs exits with 1 when nothing matches (and says so on\n"
        "stderr).")}};

}  // namespace
}  // namespace ks::cli
